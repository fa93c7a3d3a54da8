// The one phonebook entry the program dials, "NORVA": reading it at start,
// creating it when missing, and writing its whole property set for a tunnel
// type together with the L2TP/IPSec pre-shared key.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "connection/remote_access.h"
#include "settings/settings_store.h"

namespace norva {

inline constexpr char kEntryName[] = "NORVA";
inline constexpr char kPreSharedKey[] = "58132470";

// The row index of the tunnel-type list.
enum class VpnType : std::uint32_t { kPptp = 0, kL2tpIpsec = 1 };

namespace entry {
// dwfOptions (RASEO_*) and dwfOptions2 (RASEO2_*) bits, strategies and kinds.
inline constexpr std::uint32_t kRemoteDefaultGateway = 0x10;
inline constexpr std::uint32_t kDisableLcpExtensions = 0x20;
inline constexpr std::uint32_t kModemLights = 0x100;
inline constexpr std::uint32_t kSwCompression = 0x200;
inline constexpr std::uint32_t kRequireDataEncryption = 0x1000;
inline constexpr std::uint32_t kPreviewUserPw = 0x01000000;
inline constexpr std::uint32_t kShowDialingProgress = 0x04000000;
inline constexpr std::uint32_t kDontNegotiateMultilink = 0x4;
inline constexpr std::uint32_t kUsePreSharedKey = 0x10;
inline constexpr std::uint32_t kVpnPptpOnly = 1;
inline constexpr std::uint32_t kVpnL2tpOnly = 3;
inline constexpr std::uint32_t kNetProtocolIp = 4;
inline constexpr std::uint32_t kFramingPpp = 1;
inline constexpr std::uint32_t kTypeVpn = 2;
}  // namespace entry

// The property set of the entry for a tunnel type. The PPP settings
// (enablelcp, enableswcompress, multilink) are read from `settings` and
// shape a PPTP entry only.
EntryProperties EntryPropertiesFor(VpnType type, SettingsStore& settings,
                                   const std::string& localPhoneNumber);

// Why the entry could not be written for lack of rights, as the user is told.
enum class NoRights {
  kElevationRefused,  // no elevated copy could be started (the user said no)
  kStillRefused,      // this copy was started elevated and is refused all the same
};

// What the entry needs of the program around it. Implemented over Win32 by
// the application; tests fake it.
class EntryHost {
 public:
  virtual ~EntryHost() = default;
  // True when the built-in Administrators group is enabled in the caller's
  // effective token.
  virtual bool IsUserAdministrator() = 0;
  // Starts the program again with elevated rights, to build the entry for
  // `pending` at its start, and has this copy end with exit code 0 (its
  // window closed as by Exit, or at once when it has none yet). False when
  // no copy was started; this one then goes on.
  virtual bool RelaunchElevated(VpnType pending) = 0;
  // Tells the user that the entry could not be written ("Contact Support",
  // a warning, no owner window).
  virtual void ShowContactSupport() = 0;
  // Tells the user why the entry was not written for lack of rights.
  virtual void ShowNoRights(NoRights why) = 0;
  // The address of the first custom server, or "" when there is none. At
  // most ras::kMaxPhoneNumber characters.
  virtual std::string FirstCustomServerAddress() = 0;
};

class PhonebookEntry {
 public:
  // `siteUrl`: the provider's site (scheme://host[:port]), whose host is
  // the entry's number when nothing better is known.
  PhonebookEntry(RemoteAccess& ras, SettingsStore& settings, EntryHost& host,
                 std::string phonebookPath, const std::string& siteUrl);

  // The start-up check: reads the entry into the start-up record and, when
  // the phonebook or the entry is missing, builds a PPTP entry and reads it
  // again, once. Any other failure leaves the start-up record zero.
  // `pending`: this copy was started elevated to build the entry for that
  // type, which it does in place of the PPTP build, present entry or not.
  void EnsureEntry(std::optional<VpnType> pending = std::nullopt);

  // Makes the entry the one for `type`: when its record or the presence of
  // its pre-shared key differs from what the phonebook holds, writes the
  // whole entry, then stores the key for L2TP/IPSec or removes it for PPTP.
  // A refusal for lack of rights relaunches the program elevated unless the
  // user is an administrator already; a copy started elevated never starts
  // another but tells the user, as does a relaunch that could not start.
  // Any other failure tells the user and changes nothing.
  void BuildEntry(VpnType type);

  // Stores `key` as the entry's pre-shared key, or removes the key when
  // `key` is null. The result is not looked at.
  void SetPreSharedKey(const char* key);

  // The entry as read at start-up (zero when it could not be read).
  const EntryProperties& startupEntry() const { return startupEntry_; }
  const std::string& phonebook() const { return phonebook_; }

 private:
  RasResult ReadStartupEntry();
  // BuildEntry with the entry the phonebook holds, null when it could not be read.
  void Build(VpnType type, const EntryProperties* held);
  bool KeyStored();

  RemoteAccess& ras_;
  SettingsStore& settings_;
  EntryHost& host_;
  std::string phonebook_;
  std::string siteHost_;
  EntryProperties startupEntry_;
  bool startedForElevation_ = false;
};

}  // namespace norva
