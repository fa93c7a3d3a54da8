#include "connection/phonebook_entry.h"

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "fakes/fake_settings.h"

namespace norva {
namespace {

using testing::FakeSettings;

constexpr char kBook[] = "C:\\pbk\\norva.pbk";

// Answers the entry calls from a script and records what it was sent. Any
// other call is a fault of the code under test.
class EntryRemoteAccess final : public RemoteAccess {
 public:
  RasResult GetEntryProperties(const std::string& phonebook, const std::string& entry,
                               EntryProperties& out) override {
    EXPECT_EQ(phonebook, kBook);
    EXPECT_EQ(entry, "NORVA");
    ++reads;
    if (stored && getResults.empty()) {
      out = *stored;
      return ras::kOk;
    }
    if (getResults.empty()) return ras::kCannotOpenPhonebook;
    const RasResult r = getResults.front();
    getResults.pop_front();
    if (r == ras::kOk && stored) out = *stored;
    return r;
  }
  RasResult SetEntryProperties(const std::string& phonebook, const std::string& entry,
                               const EntryProperties& properties) override {
    EXPECT_EQ(phonebook, kBook);
    EXPECT_EQ(entry, "NORVA");
    written.push_back(properties);
    if (setResult == ras::kOk && storesWrites) stored = properties;
    return setResult;
  }
  RasResult SetCredentials(const std::string& phonebook, const std::string& entry,
                           const Credentials& credentials, bool clear) override {
    EXPECT_EQ(phonebook, kBook);
    EXPECT_EQ(entry, "NORVA");
    EXPECT_EQ(credentials.mask, ras::kCredPreSharedKey) << "only the key is set here";
    keyCalls.push_back(clear ? std::string("<clear>") : credentials.password);
    return ras::kOk;
  }
  RasResult GetCredentials(const std::string&, const std::string&, Credentials&) override {
    return Unexpected("GetCredentials");
  }
  RasResult GetEntryDialParams(const std::string&, DialParams&, bool&) override {
    return Unexpected("GetEntryDialParams");
  }
  RasResult Dial(const std::string&, const DialParams&, NotifierWindow,
                 ConnectionHandle&) override {
    return Unexpected("Dial");
  }
  RasResult HangUp(ConnectionHandle) override { return Unexpected("HangUp"); }
  RasResult GetConnectStatus(ConnectionHandle, ConnectionStatus&) override {
    return Unexpected("GetConnectStatus");
  }
  RasResult EnumConnections(std::uint32_t&, std::vector<ActiveConnection>&) override {
    return Unexpected("EnumConnections");
  }
  std::uint32_t ConnectionRecordBytes() const override { return 704; }
  RasResult GetErrorString(std::uint32_t, std::string&) override {
    return Unexpected("GetErrorString");
  }

  std::deque<RasResult> getResults;
  std::optional<EntryProperties> stored;
  bool storesWrites = true;
  RasResult setResult = ras::kOk;
  int reads = 0;
  std::vector<EntryProperties> written;
  std::vector<std::string> keyCalls;

 private:
  static RasResult Unexpected(const char* call) {
    ADD_FAILURE() << "unexpected call " << call;
    return 87;
  }
};

class FakeHost final : public EntryHost {
 public:
  bool IsUserAdministrator() override {
    ++adminQueries;
    return administrator;
  }
  void RelaunchElevated() override { ++relaunches; }
  void ShowContactSupport() override { ++supportBoxes; }
  std::string FirstCustomServerAddress() override {
    ++customReads;
    return customAddress;
  }

  bool administrator = false;
  std::string customAddress;
  int adminQueries = 0, relaunches = 0, supportBoxes = 0, customReads = 0;
};

struct Fixture : ::testing::Test {
  FakeSettings settings;
  EntryRemoteAccess ras;
  FakeHost host;
  PhonebookEntry entry{ras, settings, host, kBook};
};



TEST(EntryPropertiesTest, PppSettingsShapeOnlyAPptpEntry) {
  const struct {
    std::uint32_t lcp, compress, multilink;
    std::uint32_t pptpOptions, pptpOptions2;
  } cases[] = {
      {1, 0, 0, 0x05001110, 0x4},  // every setting at its default
      {0, 0, 0, 0x05001130, 0x4},
      {1, 1, 0, 0x05001310, 0x4},
      {0, 1, 0, 0x05001330, 0x4},
      {1, 0, 1, 0x05001110, 0x0},
      {0, 7, 9, 0x05001330, 0x0},  // any non-zero counts as on
  };
  for (const auto& c : cases) {
    FakeSettings settings;
    settings.values = {{"enablelcp", c.lcp}, {"enableswcompress", c.compress},
                       {"multilink", c.multilink}};
    const EntryProperties pptp = EntryPropertiesFor(VpnType::kPptp, settings, "");
    EXPECT_EQ(pptp.options, c.pptpOptions) << c.lcp << c.compress << c.multilink;
    EXPECT_EQ(pptp.options2, c.pptpOptions2) << c.lcp << c.compress << c.multilink;
    const EntryProperties l2tp = EntryPropertiesFor(VpnType::kL2tpIpsec, settings, "");
    EXPECT_EQ(l2tp.options, 0x05001310u);
    EXPECT_EQ(l2tp.options2, 0x14u);
  }
}

TEST(EntryPropertiesTest, DefaultsOnAFreshAccount) {
  FakeSettings settings;
  const EntryProperties pptp = EntryPropertiesFor(VpnType::kPptp, settings, "10.0.0.1");
  EXPECT_EQ(pptp.options, 0x05001110u);
  EXPECT_EQ(pptp.options2, 0x4u);
  EXPECT_EQ(pptp.vpnStrategy, 1u);
  EXPECT_EQ(pptp.deviceName, "WAN Miniprot (PPTP)");
  EXPECT_EQ(pptp.deviceType, "vpn");
  EXPECT_EQ(pptp.netProtocols, 4u);
  EXPECT_EQ(pptp.framingProtocol, 1u);
  EXPECT_EQ(pptp.type, 2u);
  EXPECT_EQ(pptp.redialCount, 3u);
  EXPECT_EQ(pptp.localPhoneNumber, "10.0.0.1");

  const EntryProperties l2tp = EntryPropertiesFor(VpnType::kL2tpIpsec, settings, "");
  EXPECT_EQ(l2tp.vpnStrategy, 3u);
  EXPECT_EQ(l2tp.deviceName, "WAN Miniprot (L2TP)");
  EXPECT_EQ(l2tp.deviceType, "vpn");
  EXPECT_EQ(l2tp.redialCount, 3u);
}

TEST_F(Fixture, FirstStartBuildsAPptpEntryAndReadsItBack) {
  ras.getResults = {ras::kCannotOpenPhonebook};
  entry.EnsureEntry();
  ASSERT_EQ(ras.written.size(), 1u);
  EXPECT_EQ(ras.written[0].vpnStrategy, entry::kVpnPptpOnly);
  EXPECT_EQ(ras.reads, 2);
  EXPECT_EQ(entry.startupEntry().vpnStrategy, entry::kVpnPptpOnly);
  EXPECT_EQ(ras.keyCalls, std::vector<std::string>{"<clear>"});
}

TEST_F(Fixture, MissingEntryIsBuiltOnlyOncePerStart) {
  ras.storesWrites = false;  // the build "succeeds" but the entry never appears
  ras.getResults = {ras::kCannotFindEntry, ras::kCannotFindEntry, ras::kCannotFindEntry};
  entry.EnsureEntry();
  EXPECT_EQ(ras.written.size(), 1u);
  EXPECT_EQ(ras.reads, 2);
  EXPECT_EQ(entry.startupEntry().vpnStrategy, 0u);
}

TEST_F(Fixture, OtherReadFailuresLeaveTheStartupEntryZero) {
  ras.getResults = {ras::kInvalidSize};
  entry.EnsureEntry();
  EXPECT_TRUE(ras.written.empty());
  EXPECT_EQ(entry.startupEntry().vpnStrategy, 0u);
  EXPECT_EQ(entry.startupEntry().guid, Guid{});
}

TEST_F(Fixture, ExistingEntryIsReadNotRebuilt) {
  EntryProperties existing = EntryPropertiesFor(VpnType::kL2tpIpsec, settings, "");
  existing.guid.bytes[0] = 0x42;
  ras.stored = existing;
  entry.EnsureEntry();
  EXPECT_TRUE(ras.written.empty());
  EXPECT_EQ(entry.startupEntry().vpnStrategy, entry::kVpnL2tpOnly);
  EXPECT_EQ(entry.startupEntry().guid.bytes[0], 0x42);
}

TEST_F(Fixture, KeyFollowsTheTunnelType) {
  entry.BuildEntry(VpnType::kL2tpIpsec);
  entry.BuildEntry(VpnType::kPptp);
  EXPECT_EQ(ras.keyCalls, (std::vector<std::string>{"58132470", "<clear>"}));
}

TEST_F(Fixture, PhoneNumberIsKeptOrTakenFromTheCustomList) {
  host.customAddress = "192.0.2.10";
  entry.BuildEntry(VpnType::kPptp);  // nothing read at start: the custom list
  ASSERT_EQ(ras.written.size(), 1u);
  EXPECT_EQ(ras.written[0].localPhoneNumber, "192.0.2.10");

  EntryProperties existing = EntryPropertiesFor(VpnType::kPptp, settings, "198.51.100.7");
  ras.stored = existing;
  entry.EnsureEntry();
  entry.BuildEntry(VpnType::kL2tpIpsec);  // a number read at start is kept
  EXPECT_EQ(ras.written.back().localPhoneNumber, "198.51.100.7");

  FakeSettings s2;
  EntryRemoteAccess r2;
  FakeHost h2;
  h2.customAddress = std::string(129, '1');  // would not fit the entry
  PhonebookEntry e2{r2, s2, h2, kBook};
  e2.BuildEntry(VpnType::kPptp);
  EXPECT_EQ(r2.written.back().localPhoneNumber, "");
}

TEST_F(Fixture, AccessDeniedRelaunchesElevatedOnlyForNonAdministrators) {
  ras.setResult = ras::kAccessDenied;
  entry.BuildEntry(VpnType::kPptp);
  EXPECT_EQ(host.relaunches, 1);
  EXPECT_EQ(host.supportBoxes, 0);
  EXPECT_TRUE(ras.keyCalls.empty());

  host.administrator = true;
  entry.BuildEntry(VpnType::kPptp);
  EXPECT_EQ(host.relaunches, 1);
  EXPECT_EQ(host.supportBoxes, 0);
  EXPECT_TRUE(ras.keyCalls.empty());
}

TEST_F(Fixture, OtherWriteFailuresAskForSupportAndLeaveTheKey) {
  for (RasResult code : {1u, 87u, 621u, 0xFFFFFFFFu}) {
    ras.setResult = code;
    entry.BuildEntry(VpnType::kL2tpIpsec);
  }
  EXPECT_EQ(host.supportBoxes, 4);
  EXPECT_EQ(host.adminQueries, 0);
  EXPECT_EQ(host.relaunches, 0);
  EXPECT_TRUE(ras.keyCalls.empty());
}

}  // namespace
}  // namespace norva
