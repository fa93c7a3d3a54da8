// The phonebook entry against the simulated remote access service.
#include <gtest/gtest.h>

#include <string>

#include "app/win32_entry_host.h"
#include "connection/phonebook_entry.h"
#include "connection/rasapi32_remote_access.h"
#include "settings/registry_settings_store.h"
#include "wine_test_support.h"

namespace norva {
namespace {

using testing::FakeRasSession;
using testing::ScratchKey;

// The real host, but a refusal that would open a message box is counted.
class RecordingHost final : public EntryHost {
 public:
  explicit RecordingHost(const std::string& configIni) : real_(configIni) {}
  bool IsUserAdministrator() override { return real_.IsUserAdministrator(); }
  void RelaunchElevated() override { ++relaunches; }
  void ShowContactSupport() override { ++supportBoxes; }
  std::string FirstCustomServerAddress() override { return real_.FirstCustomServerAddress(); }

  int relaunches = 0;
  int supportBoxes = 0;

 private:
  Win32EntryHost real_;
};

struct PhonebookEntryOnService : ::testing::Test {
  FakeRasSession service;
  ScratchKey key;
  RegistrySettingsStore settings{key.path()};
  Rasapi32RemoteAccess ras;
  RecordingHost host{service.dir().File("config.ini")};
  PhonebookEntry entry{ras, settings, host, service.Phonebook()};

  EntryProperties ReadBack() {
    EntryProperties p;
    EXPECT_EQ(ras.GetEntryProperties(service.Phonebook(), "NORVA", p), 0u);
    return p;
  }
  std::string StoredKey() {
    Credentials c;
    c.mask = ras::kCredPreSharedKey;
    if (ras.GetCredentials(service.Phonebook(), "NORVA", c) != 0) return "<error>";
    return (c.mask & ras::kCredPreSharedKey) ? c.password : "<none>";
  }
};

TEST_F(PhonebookEntryOnService, FirstStartCreatesAPptpEntryThatReadsBack) {
  EntryProperties none;
  ASSERT_EQ(ras.GetEntryProperties(service.Phonebook(), "NORVA", none),
            ras::kCannotOpenPhonebook);
  entry.EnsureEntry();
  EXPECT_EQ(entry.startupEntry().vpnStrategy, entry::kVpnPptpOnly);
  EXPECT_NE(entry.startupEntry().guid, Guid{}) << "the service names the entry";
  const EntryProperties stored = ReadBack();
  EXPECT_EQ(stored.options, 0x05001110u);
  EXPECT_EQ(stored.options2, 0x4u);
  EXPECT_EQ(stored.deviceName, "WAN Miniprot (PPTP)");
  EXPECT_EQ(stored.deviceType, "vpn");
  EXPECT_EQ(stored.netProtocols, 4u);
  EXPECT_EQ(stored.framingProtocol, 1u);
  EXPECT_EQ(stored.type, 2u);
  EXPECT_EQ(stored.redialCount, 3u);
  EXPECT_EQ(StoredKey(), "<none>");
  EXPECT_EQ(host.supportBoxes, 0);
}

TEST_F(PhonebookEntryOnService, TunnelTypeSwitchesRewriteTheEntryAndTheKey) {
  entry.EnsureEntry();
  const Guid guid = entry.startupEntry().guid;

  entry.BuildEntry(VpnType::kL2tpIpsec);
  EntryProperties l2tp = ReadBack();
  EXPECT_EQ(l2tp.vpnStrategy, 3u);
  EXPECT_EQ(l2tp.options, 0x05001310u);
  EXPECT_EQ(l2tp.options2, 0x14u);
  EXPECT_EQ(l2tp.deviceName, "WAN Miniprot (L2TP)");
  EXPECT_EQ(l2tp.guid, guid) << "a rewrite keeps the entry";
  EXPECT_EQ(StoredKey(), "58132470");

  entry.BuildEntry(VpnType::kPptp);
  EXPECT_EQ(ReadBack().vpnStrategy, 1u);
  EXPECT_EQ(StoredKey(), "<none>");
}

TEST_F(PhonebookEntryOnService, PppSettingsReachAPptpEntryOnly) {
  settings.WriteSetting("enablelcp", 0);
  settings.WriteSetting("enableswcompress", 1);
  settings.WriteSetting("multilink", 1);
  entry.BuildEntry(VpnType::kPptp);
  EntryProperties pptp = ReadBack();
  EXPECT_EQ(pptp.options, 0x05001330u);
  EXPECT_EQ(pptp.options2, 0u);
  entry.BuildEntry(VpnType::kL2tpIpsec);
  EntryProperties l2tp = ReadBack();
  EXPECT_EQ(l2tp.options, 0x05001310u);
  EXPECT_EQ(l2tp.options2, 0x14u);
}

TEST_F(PhonebookEntryOnService, FirstCustomServerBecomesTheEntryNumber) {
  testing::WriteFileBytes(service.dir().File("config.ini"),
                          "[servers]\r\nParis=192.0.2.10\r\nRome=192.0.2.20\r\n");
  entry.EnsureEntry();
  EXPECT_EQ(ReadBack().localPhoneNumber, "192.0.2.10");
}

TEST_F(PhonebookEntryOnService, RefusedWritesLeaveEntryAndKeyAsTheyWere) {
  entry.EnsureEntry();
  entry.BuildEntry(VpnType::kL2tpIpsec);

  service.SetScenario("[RasSetEntryPropertiesA]\r\nresult=1\r\n");
  entry.BuildEntry(VpnType::kPptp);
  EXPECT_EQ(host.supportBoxes, 1);
  EXPECT_EQ(ReadBack().vpnStrategy, 3u);
  EXPECT_EQ(StoredKey(), "58132470");

  service.SetScenario("[RasSetEntryPropertiesA]\r\nresult=5\r\n");
  entry.BuildEntry(VpnType::kPptp);
  EXPECT_EQ(host.supportBoxes, 1) << "lack of rights is no support case";
  EXPECT_EQ(host.relaunches, host.IsUserAdministrator() ? 0 : 1);
  EXPECT_EQ(ReadBack().vpnStrategy, 3u);
  EXPECT_EQ(StoredKey(), "58132470");
}

TEST_F(PhonebookEntryOnService, EveryRecordGoesWithItsWindowsSize) {
  entry.EnsureEntry();
  entry.BuildEntry(VpnType::kL2tpIpsec);
  const std::string log = service.CallLog();
  // The service refuses records of any other size (632), so a read-back that
  // succeeded already shows it; the log names the sizes it was sent.
  EXPECT_NE(log.find("RasSetEntryPropertiesA"), std::string::npos) << log;
  EXPECT_NE(log.find("RasSetCredentialsA"), std::string::npos) << log;
  EXPECT_EQ(log.find("-> 632"), std::string::npos) << log;
}

}  // namespace
}  // namespace norva
