#include "connection/phonebook_entry.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "fakes/fake_settings.h"
#include "fakes/scripted_ras.h"

namespace norva {
namespace {

using Calls = std::vector<std::string>;

const std::string kRead = "GetEntryProperties";
const std::string kWritePptp = "SetEntryProperties 1", kWriteL2tp = "SetEntryProperties 3";
const std::string kClearKey = "SetCredentials cleared", kSetKey = "SetCredentials 58132470";

// The entry over a service that keeps one stored entry, and its host. A read
// answers the next of `reads` (kOk once they run out), a write `writeResult`.
// One log holds the service's calls, with the tunnel type of each write and
// the key of each key write, and the host's actions.
struct Scene : EntryHost {
  testing::ScriptedRas ras;
  testing::FakeSettings settings;
  PhonebookEntry entry{ras, settings, *this, "norva.pbk"};
  EntryProperties stored;
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
  // Settings, then the PPTP entry's options and options2.
  const std::tuple<std::map<std::string, std::uint32_t>, std::uint32_t, std::uint32_t> cases[] = {
      {{}, 0x05001110, 0x4},                        {{{"enablelcp", 0}}, 0x05001130, 0x4},
      {{{"enableswcompress", 1}}, 0x05001310, 0x4}, {{{"multilink", 1}}, 0x05001110, 0x0},
      {{{"enablelcp", 0}, {"enableswcompress", 7}, {"multilink", 9}}, 0x05001330, 0x0},
  };
  for (const auto& [values, options, options2] : cases) {
    SCOPED_TRACE(::testing::PrintToString(values));
    testing::FakeSettings settings;
    settings.values = values;
    const EntryProperties pptp = EntryPropertiesFor(VpnType::kPptp, settings, "");
    const EntryProperties l2tp = EntryPropertiesFor(VpnType::kL2tpIpsec, settings, "");
    EXPECT_EQ(pptp.options, options);
    EXPECT_EQ(pptp.options2, options2);
    EXPECT_EQ(l2tp.options, 0x05001310u);
    EXPECT_EQ(l2tp.options2, 0x14u);
  }
}

TEST(PhonebookEntryTest, StartupBuildsAMissingEntryOnce) {
  const Calls build = {kRead, kWritePptp, kClearKey, kRead};
  // The service's answers to the reads, the calls, and the start-up record's
  // strategy (0: it stays zero). The stored entry is an L2TP/IPSec one.
  const std::tuple<std::deque<RasResult>, Calls, std::uint32_t> cases[] = {
      {{}, {kRead}, entry::kVpnL2tpOnly},
      {{ras::kCannotOpenPhonebook}, build, entry::kVpnPptpOnly},
      {{ras::kCannotFindEntry}, build, entry::kVpnPptpOnly},
      {{ras::kCannotFindEntry, ras::kCannotFindEntry}, build, 0},
      {{ras::kInvalidSize}, {kRead}, 0},
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

TEST(PhonebookEntryTest, BuildWritesTheEntryThenItsKeyOrReportsTheFailure) {
  // The tunnel type, the write's result, whether the user is an
  // administrator, and the calls.
  const std::tuple<VpnType, RasResult, bool, Calls> cases[] = {
      {VpnType::kL2tpIpsec, ras::kOk, false, {kWriteL2tp, kSetKey}},
      {VpnType::kPptp, ras::kOk, false, {kWritePptp, kClearKey}},
      {VpnType::kPptp, ras::kAccessDenied, false, {kWritePptp, "RelaunchElevated"}},
      {VpnType::kL2tpIpsec, ras::kAccessDenied, true, {kWriteL2tp}},
      {VpnType::kL2tpIpsec, 1, false, {kWriteL2tp, "ShowContactSupport"}},
      {VpnType::kPptp, ras::kCannotOpenPhonebook, true, {kWritePptp, "ShowContactSupport"}},
  };
  for (const auto& [type, result, administrator, calls] : cases) {
    Scene scene;
    scene.writeResult = result;
    scene.administrator = administrator;
    scene.entry.BuildEntry(type);
    EXPECT_EQ(scene.ras.calls, calls) << "result " << result << ", administrator " << administrator;
  }
}

TEST(PhonebookEntryTest, NumberIsTheOneReadAtStartElseTheFirstCustomServer) {
  const std::string longest(ras::kMaxPhoneNumber, '1');
  // The number read at start, the first custom server's address, the number written.
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"", "192.0.2.10", "192.0.2.10"}, {"198.51.100.7", "192.0.2.10", "198.51.100.7"},
      {"", longest, longest},           {"", longest + "1", ""},
  };
  for (const auto& [atStart, custom, written] : cases) {
    Scene scene;
    scene.stored.localPhoneNumber = atStart;
    scene.customAddress = custom;
    scene.entry.EnsureEntry();
    scene.entry.BuildEntry(VpnType::kPptp);
    EXPECT_EQ(scene.stored.localPhoneNumber, written) << atStart << " / " << custom;
  }
}

}  // namespace
}  // namespace norva
