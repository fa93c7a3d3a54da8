#include "connection/phonebook_entry.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "fakes/fake_settings.h"
#include "fakes/scripted_ras.h"

namespace norva {
namespace {

using Calls = std::vector<std::string>;

constexpr VpnType kPptp = VpnType::kPptp, kL2tp = VpnType::kL2tpIpsec;
const std::string kRead = "GetEntryProperties";
const std::string kWritePptp = "SetEntryProperties 1", kWriteL2tp = "SetEntryProperties 3";
const std::string kClearKey = "SetCredentials cleared", kSetKey = "SetCredentials 58132470";

// The entry over a service that keeps one stored entry, and its host. A read answers the next
// of `reads` (kOk once they run out), a write `writeResult`. One log holds the service's calls,
// with the tunnel type of each write and the key of each key write, and the host's actions.
struct Scene : EntryHost {
  testing::ScriptedRas ras;
  testing::FakeSettings settings;
  PhonebookEntry entry{ras, settings, *this, "norva.pbk"};
  EntryProperties stored, written;
  std::deque<RasResult> reads;
  RasResult writeResult = ras::kOk;
  bool administrator = false;
  std::string customAddress;

  Scene() {
    ras.getEntryProperties = [this](auto&, auto&, EntryProperties& out) {
      const RasResult result = reads.empty() ? ras::kOk : reads.front();
      if (!reads.empty()) reads.pop_front();
      if (result == ras::kOk) out = stored;
      return result;
    };
    ras.setEntryProperties = [this](auto&, auto&, const EntryProperties& properties) {
      ras.calls.back() += " " + std::to_string(properties.vpnStrategy);
      written = properties;
      if (writeResult == ras::kOk) stored = properties;
      return writeResult;
    };
    ras.setCredentials = [this](auto&, auto&, const Credentials& key, bool clear) {
      EXPECT_EQ(key.mask, ras::kCredPreSharedKey);
      ras.calls.back() += clear ? " cleared" : " " + key.password;
      return ras::kOk;
    };
  }
  bool IsUserAdministrator() override { return administrator; }
  void RelaunchElevated() override { ras.calls.push_back("RelaunchElevated"); }
  void ShowContactSupport() override { ras.calls.push_back("ShowContactSupport"); }
  std::string FirstCustomServerAddress() override { return customAddress; }
};

TEST(PhonebookEntryTest, PppSettingsShapeOnlyAPptpEntry) {
  using Options = std::pair<std::uint32_t, std::uint32_t>;  // options and options2
  // Settings, then the PPTP entry's options.
  const std::pair<std::map<std::string, std::uint32_t>, Options> cases[] = {
      {{}, {0x05001110, 0x4}},                        {{{"enablelcp", 0}}, {0x05001130, 0x4}},
      {{{"enableswcompress", 1}}, {0x05001310, 0x4}}, {{{"multilink", 1}}, {0x05001110, 0x0}},
      {{{"enablelcp", 0}, {"enableswcompress", 7}, {"multilink", 9}}, {0x05001330, 0x0}},
  };
  for (const auto& [values, options] : cases) {
    SCOPED_TRACE(::testing::PrintToString(values));
    testing::FakeSettings settings;
    settings.values = values;
    const EntryProperties pptp = EntryPropertiesFor(kPptp, settings, "");
    const EntryProperties l2tp = EntryPropertiesFor(kL2tp, settings, "");
    EXPECT_EQ(Options(pptp.options, pptp.options2), options);
    EXPECT_EQ(Options(l2tp.options, l2tp.options2), Options(0x05001310, 0x14));
  }
}

TEST(PhonebookEntryTest, StartupBuildsAMissingEntryOnce) {
  const Calls build = {kRead, kWritePptp, kClearKey, kRead};
  // The service's answers to the reads, the calls, and the start-up record's
  // strategy (0: it stays zero). The stored entry is an L2TP/IPSec one.
  const std::tuple<std::deque<RasResult>, Calls, std::uint32_t> cases[] = {
      {{}, {kRead}, entry::kVpnL2tpOnly}, {{ras::kInvalidSize}, {kRead}, 0},
      {{ras::kCannotOpenPhonebook}, build, entry::kVpnPptpOnly},
      {{ras::kCannotFindEntry}, build, entry::kVpnPptpOnly},
      {{ras::kCannotFindEntry, ras::kCannotFindEntry}, build, 0},
  };
  for (const auto& [reads, calls, strategy] : cases) {
    SCOPED_TRACE(::testing::PrintToString(reads));
    Scene scene;
    scene.stored.vpnStrategy = entry::kVpnL2tpOnly;
    scene.reads = reads;
    scene.entry.EnsureEntry();
    EXPECT_EQ(scene.ras.calls, calls);
    EXPECT_EQ(scene.entry.startupEntry().vpnStrategy, strategy);
  }
}

// The entry's number: the one read at start, else the first custom server's when it fits.
TEST(PhonebookEntryTest, BuildWritesTheEntryThenItsKeyOrReportsTheFailure) {
  const std::string longest(ras::kMaxPhoneNumber, '1');
  const struct {
    VpnType type;
    RasResult result;
    bool administrator;
    std::string atStart, custom, number;
    Calls calls;
  } cases[] = {
      {kL2tp, ras::kOk, false, "", "192.0.2.1", "192.0.2.1", {kWriteL2tp, kSetKey}},
      {kPptp, ras::kOk, false, "192.0.2.2", "192.0.2.1", "192.0.2.2", {kWritePptp, kClearKey}},
      {kPptp, ras::kAccessDenied, false, "", longest, longest, {kWritePptp, "RelaunchElevated"}},
      {kL2tp, ras::kAccessDenied, true, "", longest + "1", "", {kWriteL2tp}},
      {kL2tp, 1, false, "", "", "", {kWriteL2tp, "ShowContactSupport"}},
      {kPptp, ras::kCannotOpenPhonebook, true, "", "", "", {kWritePptp, "ShowContactSupport"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("case " + std::to_string(&c - cases));
    Scene scene;
    scene.stored.localPhoneNumber = c.atStart;
    scene.customAddress = c.custom;
    scene.writeResult = c.result;
    scene.administrator = c.administrator;
    scene.entry.EnsureEntry();
    scene.ras.calls.clear();
    scene.entry.BuildEntry(c.type);
    EXPECT_EQ(scene.ras.calls, c.calls);
    EXPECT_EQ(scene.written.localPhoneNumber, c.number);
  }
}

}  // namespace
}  // namespace norva
