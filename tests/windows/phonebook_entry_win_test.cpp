// The phonebook entry through the remote access adapter, against the
// simulated service's real phonebook file and credential store.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/win32_entry_host.h"
#include "connection/phonebook_entry.h"
#include "connection/rasapi32_remote_access.h"
#include "settings/registry_settings_store.h"
#include "wine_test_support.h"

namespace norva {
namespace {

// The real host, but the relaunch and the message box are only counted.
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
  // The entry as the service stores it, and its pre-shared key.
  std::string Stored() {
    EntryProperties p;
    if (const RasResult r = ras.GetEntryProperties(service.Phonebook(), kEntryName, p)) {
      return "error " + std::to_string(r);
    }
    Credentials key;
    key.mask = ras::kCredPreSharedKey;
    ras.GetCredentials(service.Phonebook(), kEntryName, key);
    char text[300];
    std::snprintf(text, sizeof text,
                  "options=%08X/%X strategy=%u net=%u framing=%u type=%u redial=%u device=%s/%s "
                  "phone=%s key=%s",
                  p.options, p.options2, p.vpnStrategy, p.netProtocols, p.framingProtocol, p.type,
                  p.redialCount, p.deviceName.c_str(), p.deviceType.c_str(),
                  p.localPhoneNumber.c_str(), key.mask ? key.password.c_str() : "-");
    return text;
  }

  testing::FakeRasSession service;
  testing::ScratchKey key;
  RegistrySettingsStore settings{key.path()};
  Rasapi32RemoteAccess ras;
  RecordingHost host{service.dir().File("config.ini")};
  PhonebookEntry entry{ras, settings, host, service.Phonebook()};
};

const char kPptp[] =
    "options=05001110/4 strategy=1 net=4 framing=1 type=2 redial=3 "
    "device=WAN Miniprot (PPTP)/vpn phone= key=-";
const char kL2tp[] =
    "options=05001310/14 strategy=3 net=4 framing=1 type=2 redial=3 "
    "device=WAN Miniprot (L2TP)/vpn phone= key=58132470";

TEST_F(PhonebookEntryOnService, FirstStartCreatesAPptpEntryAndTunnelSwitchesRewriteIt) {
  EXPECT_EQ(Stored(), "error 621") << "no phonebook yet";
  entry.EnsureEntry();
  EXPECT_EQ(Stored(), kPptp);
  const Guid guid = entry.startupEntry().guid;
  EXPECT_NE(guid, Guid{}) << "the service names the entry";

  entry.BuildEntry(VpnType::kL2tpIpsec);
  EXPECT_EQ(Stored(), kL2tp);
  EntryProperties l2tp;
  ras.GetEntryProperties(service.Phonebook(), kEntryName, l2tp);
  EXPECT_EQ(l2tp.guid, guid) << "a rewrite keeps the entry";
  entry.BuildEntry(VpnType::kPptp);
  EXPECT_EQ(Stored(), kPptp);
  EXPECT_EQ(host.supportBoxes, 0);
}

TEST_F(PhonebookEntryOnService, FirstCustomServerOfConfigIniBecomesTheNumber) {
  testing::WriteFileBytes(service.dir().File("config.ini"),
                          "[servers]\r\nParis=192.0.2.10\r\nRome=192.0.2.20\r\n");
  entry.EnsureEntry();
  EntryProperties stored;
  ras.GetEntryProperties(service.Phonebook(), kEntryName, stored);
  EXPECT_EQ(stored.localPhoneNumber, "192.0.2.10");
}

TEST_F(PhonebookEntryOnService, RefusedWritesLeaveEntryAndKeyAsTheyWere) {
  entry.EnsureEntry();
  entry.BuildEntry(VpnType::kL2tpIpsec);
  const struct {
    const char* result;
    int supportBoxes, relaunches;
  } cases[] = {{"1", 1, 0}, {"5", 0, host.IsUserAdministrator() ? 0 : 1}};
  for (const auto& c : cases) {
    service.SetScenario(std::string("[RasSetEntryPropertiesA]\r\nresult=") + c.result + "\r\n");
    host.supportBoxes = host.relaunches = 0;
    entry.BuildEntry(VpnType::kPptp);
    EXPECT_EQ(host.supportBoxes, c.supportBoxes) << "refused with " << c.result;
    EXPECT_EQ(host.relaunches, c.relaunches) << "refused with " << c.result;
    EXPECT_EQ(Stored(), kL2tp) << "refused with " << c.result;
  }
}

}  // namespace
}  // namespace norva
