#include "connection/phonebook_entry.h"

#include <tuple>
#include <utility>

#include "app/support_log.h"
#include "settings/setting_names.h"

namespace norva {

EntryProperties EntryPropertiesFor(VpnType type, SettingsStore& settings,
                                   const std::string& localPhoneNumber) {
  EntryProperties p;
  p.options = entry::kRemoteDefaultGateway | entry::kModemLights | entry::kRequireDataEncryption |
              entry::kPreviewUserPw | entry::kShowDialingProgress;
  if (type == VpnType::kPptp) {
    if (Read(settings, setting::kEnableLcp) == 0) p.options |= entry::kDisableLcpExtensions;
    if (Read(settings, setting::kEnableSwCompress) != 0) p.options |= entry::kSwCompression;
    if (Read(settings, setting::kMultilink) == 0) p.options2 = entry::kDontNegotiateMultilink;
    p.vpnStrategy = entry::kVpnPptpOnly;
    p.deviceName = "WAN Miniprot (PPTP)";
  } else {
    p.options |= entry::kSwCompression;
    p.options2 = entry::kDontNegotiateMultilink | entry::kUsePreSharedKey;
    p.vpnStrategy = entry::kVpnL2tpOnly;
    p.deviceName = "WAN Miniprot (L2TP)";
  }
  p.deviceType = "vpn";
  p.netProtocols = entry::kNetProtocolIp;
  p.framingProtocol = entry::kFramingPpp;
  p.type = entry::kTypeVpn;
  p.redialCount = 3;
  p.localPhoneNumber = localPhoneNumber;
  return p;
}

namespace {

// The host of scheme://host[:port][/...].
std::string HostOf(const std::string& url) {
  const std::size_t scheme = url.find("://");
  const std::size_t start = scheme == std::string::npos ? 0 : scheme + 3;
  return url.substr(start, url.find_first_of(":/", start) - start);
}

// The fields the program sets, compared.
bool SameRecord(const EntryProperties& a, const EntryProperties& b) {
  return std::tie(a.options, a.options2, a.vpnStrategy, a.netProtocols, a.framingProtocol, a.type,
                  a.redialCount, a.deviceName, a.deviceType, a.localPhoneNumber) ==
         std::tie(b.options, b.options2, b.vpnStrategy, b.netProtocols, b.framingProtocol, b.type,
                  b.redialCount, b.deviceName, b.deviceType, b.localPhoneNumber);
}

}  // namespace

PhonebookEntry::PhonebookEntry(RemoteAccess& ras, SettingsStore& settings, EntryHost& host,
                               std::string phonebookPath, const std::string& siteUrl)
    : ras_(ras),
      settings_(settings),
      host_(host),
      phonebook_(std::move(phonebookPath)),
      siteHost_(HostOf(siteUrl)) {}

RasResult PhonebookEntry::ReadStartupEntry() {
  startupEntry_ = EntryProperties{};
  EntryProperties read;
  const RasResult result = ras_.GetEntryProperties(phonebook_, kEntryName, read);
  if (result == ras::kOk) startupEntry_ = std::move(read);
  return result;
}

void PhonebookEntry::EnsureEntry(std::optional<VpnType> pending) {
  // One build per start: when the entry is still missing after it, start-up
  // goes on as after any other failed read.
  startedForElevation_ = pending.has_value();
  const RasResult result = ReadStartupEntry();
  const bool missing = result == ras::kCannotOpenPhonebook || result == ras::kCannotFindEntry;
  if (!missing && !pending) return;
  Build(pending.value_or(VpnType::kPptp), result == ras::kOk ? &startupEntry_ : nullptr);
  ReadStartupEntry();
}

void PhonebookEntry::BuildEntry(VpnType type) {
  EntryProperties held;
  const RasResult result = ras_.GetEntryProperties(phonebook_, kEntryName, held);
  Build(type, result == ras::kOk ? &held : nullptr);
}

bool PhonebookEntry::KeyStored() {
  // Only whether a key is stored is compared; the key itself is never read
  // back into the program.
  Credentials asked;
  asked.mask = ras::kCredPreSharedKey;
  return ras_.GetCredentials(phonebook_, kEntryName, asked) == ras::kOk &&
         (asked.mask & ras::kCredPreSharedKey) != 0;
}

void PhonebookEntry::Build(VpnType type, const EntryProperties* held) {
  // The number stored in the entry is never dialled (every dial names the
  // chosen server), but keep it meaningful, and never empty, which the
  // service refuses: the one read at start, else the first custom server's
  // address, else the provider site's host.
  std::string number = startupEntry_.localPhoneNumber;
  if (number.empty()) number = host_.FirstCustomServerAddress();
  if (number.empty() || number.size() > ras::kMaxPhoneNumber) number = siteHost_;
  if (number.size() > ras::kMaxPhoneNumber) number.clear();

  Log("entry", type == VpnType::kPptp ? "build PPTP" : "build L2TP/IPSec");
  const EntryProperties properties = EntryPropertiesFor(type, settings_, number);
  const char* key = type == VpnType::kL2tpIpsec ? kPreSharedKey : nullptr;
  // What the phonebook holds already is not written again, so that nothing
  // asks for rights it does not need.
  if (held != nullptr && SameRecord(*held, properties) && KeyStored() == (key != nullptr)) {
    Log("entry", "unchanged, not written");
    return;
  }

  const RasResult result = ras_.SetEntryProperties(phonebook_, kEntryName, properties);
  if (result == ras::kOk) {
    SetPreSharedKey(key);
  } else if (result == ras::kAccessDenied) {
    Log("entry", "not written (5)");
    if (startedForElevation_) {
      host_.ShowNoRights(NoRights::kStillRefused);
    } else if (!host_.IsUserAdministrator() && !host_.RelaunchElevated(type)) {
      host_.ShowNoRights(NoRights::kElevationRefused);
    }
  } else {
    Log("entry", "not written (" + std::to_string(result) + "): \"Contact Support\"");
    host_.ShowContactSupport();
  }
}

void PhonebookEntry::SetPreSharedKey(const char* key) {
  Credentials credentials;
  credentials.mask = ras::kCredPreSharedKey;
  if (key != nullptr) credentials.password = key;
  ras_.SetCredentials(phonebook_, kEntryName, credentials, key == nullptr);
}

}  // namespace norva
