#include "connection/phonebook_entry.h"

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

PhonebookEntry::PhonebookEntry(RemoteAccess& ras, SettingsStore& settings, EntryHost& host,
                               std::string phonebookPath)
    : ras_(ras), settings_(settings), host_(host), phonebook_(std::move(phonebookPath)) {}

void PhonebookEntry::EnsureEntry() {
  // One build per start: when the entry is still missing after it, start-up
  // goes on as after any other failed read.
  for (int builds = 0;; ++builds) {
    startupEntry_ = EntryProperties{};
    EntryProperties read;
    const RasResult result = ras_.GetEntryProperties(phonebook_, kEntryName, read);
    if (result == ras::kOk) {
      startupEntry_ = std::move(read);
      return;
    }
    const bool missing = result == ras::kCannotOpenPhonebook || result == ras::kCannotFindEntry;
    if (!missing || builds == 1) return;
    BuildEntry(VpnType::kPptp);
  }
}

void PhonebookEntry::BuildEntry(VpnType type) {
  // The number stored in the entry is never dialled (every dial names the
  // chosen server), but keep it meaningful: the one read at start, else the
  // first custom server's address.
  std::string number = startupEntry_.localPhoneNumber;
  if (number.empty()) number = host_.FirstCustomServerAddress();
  if (number.size() > ras::kMaxPhoneNumber) number.clear();

  Log("entry", type == VpnType::kPptp ? "build PPTP" : "build L2TP/IPSec");
  const EntryProperties properties = EntryPropertiesFor(type, settings_, number);
  const RasResult result = ras_.SetEntryProperties(phonebook_, kEntryName, properties);
  if (result == ras::kOk) {
    SetPreSharedKey(type == VpnType::kL2tpIpsec ? kPreSharedKey : nullptr);
  } else if (result == ras::kAccessDenied) {
    if (!host_.IsUserAdministrator()) host_.RelaunchElevated();
    Log("entry", "not written (5), and no relaunch: administrator already, or no program path");
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
