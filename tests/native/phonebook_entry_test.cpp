#include "connection/phonebook_entry.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <optional>
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
const std::string kRead = "GetEntryProperties", kGetKey = "GetCredentials";
const std::string kWritePptp = "SetEntryProperties 1", kWriteL2tp = "SetEntryProperties 3";
const std::string kClearKey = "SetCredentials cleared", kSetKey = "SetCredentials 58132470";

// The entry over a service keeping one entry, and its host. A read answers the next of `reads`
// (then kOk), a write `writeResult`; one log holds the calls (with each write's tunnel and key).
enum class Rights { kAdmin, kUser, kSaysNo, kElevated };
struct Scene : EntryHost {
  testing::ScriptedRas ras;
  testing::FakeSettings settings;
  PhonebookEntry entry{ras, settings, *this, "norva.pbk", "https://site.example:8443"};
  EntryProperties stored, written;
  std::deque<RasResult> reads;
  RasResult writeResult = ras::kOk;
  Rights rights = Rights::kUser;
  std::string customAddress;
  bool keyStored = false;

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
    ras.getCredentials = [this](auto&, auto&, Credentials& asked) {
      if (!keyStored) asked.mask = 0;
      return ras::kOk;
    };
  }
  bool IsUserAdministrator() override { return rights == Rights::kAdmin; }
  bool RelaunchElevated(VpnType pending) override {
    ras.calls.push_back("RelaunchElevated " + std::to_string(static_cast<int>(pending)));
    return rights != Rights::kSaysNo;
  }
  void ShowContactSupport() override { ras.calls.push_back("ShowContactSupport"); }
  void ShowNoRights(NoRights why) override {
    ras.calls.push_back(why == NoRights::kStillRefused ? "NoRights still" : "NoRights");
  }
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
  const std::optional<VpnType> none;
  // The reads' answers, the build a copy started elevated was given, the calls, and the start-up
  // record's strategy (0: it stays zero). The stored entry is an L2TP/IPSec one.
  const std::tuple<std::deque<RasResult>, std::optional<VpnType>, Calls, std::uint32_t> cases[] = {
      {{}, none, {kRead}, entry::kVpnL2tpOnly}, {{ras::kInvalidSize}, none, {kRead}, 0},
      {{ras::kCannotOpenPhonebook}, none, build, entry::kVpnPptpOnly},
      {{ras::kCannotFindEntry}, none, build, entry::kVpnPptpOnly},
      {{ras::kCannotFindEntry, ras::kCannotFindEntry}, none, build, 0},
      {{}, kPptp, build, entry::kVpnPptpOnly},  // the build it was started for, not a read only
  };
  for (const auto& [reads, pending, calls, strategy] : cases) {
    SCOPED_TRACE(::testing::PrintToString(reads) + " pending " + std::to_string(bool(pending)));
    Scene scene;
    scene.stored.vpnStrategy = entry::kVpnL2tpOnly;
    scene.reads = reads;
    scene.entry.EnsureEntry(pending);
    EXPECT_EQ(scene.ras.calls, calls);
    EXPECT_EQ(scene.entry.startupEntry().vpnStrategy, strategy);
  }
}

// The number: the one read at start, else the first custom server's that fits, else the site's
// host. An entry held as built is not written again when its key is as the type wants (held: 1
// without a key, 2 with one).
TEST(PhonebookEntryTest, BuildWritesWhatDiffersThenTheKeyOrReportsTheFailure) {
  const std::string longest(ras::kMaxPhoneNumber, '1'), site = "site.example";
  const std::string a1 = "192.0.2.1", a2 = "192.0.2.2", support = "ShowContactSupport",
                    relaunch = "RelaunchElevated ";
  const RasResult ok = ras::kOk, denied = ras::kAccessDenied;
  using R = Rights;
  const struct { VpnType type; RasResult result; Rights rights; int held;
                 std::string atStart, custom, number; Calls calls; } cases[] = {
      {kL2tp, ok, R::kUser, 0, "", a1, a1, {kWriteL2tp, kSetKey}},
      {kPptp, ok, R::kUser, 0, a2, a1, a2, {kWritePptp, kClearKey}},
      {kPptp, ok, R::kUser, 0, "", "", site, {kWritePptp, kClearKey}},
      {kL2tp, denied, R::kUser, 0, "", longest, longest, {kWriteL2tp, relaunch + "1"}},
      {kPptp, denied, R::kSaysNo, 0, "", "", site, {kWritePptp, relaunch + "0", "NoRights"}},
      {kPptp, denied, R::kElevated, 0, "", "", site, {kWritePptp, "NoRights still"}},
      {kL2tp, denied, R::kAdmin, 0, "", longest + "1", site, {kWriteL2tp}},
      {kL2tp, 1, R::kUser, 0, "", "", site, {kWriteL2tp, support}},
      {kPptp, ras::kCannotOpenPhonebook, R::kAdmin, 0, "", "", site, {kWritePptp, support}},
      {kPptp, denied, R::kUser, 1, a2, "", "", {kGetKey}},
      {kL2tp, ok, R::kUser, 1, a2, "", a2, {kGetKey, kWriteL2tp, kSetKey}},
      {kL2tp, denied, R::kUser, 2, a2, "", "", {kGetKey}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("case " + std::to_string(&c - cases));
    Scene scene;
    scene.stored.localPhoneNumber = c.atStart;
    if (c.held) scene.stored = EntryPropertiesFor(c.type, scene.settings, c.atStart);
    scene.keyStored = c.held == 2;
    scene.customAddress = c.custom;
    scene.rights = c.rights;
    scene.entry.EnsureEntry(c.rights == R::kElevated ? std::optional(kL2tp) : std::nullopt);
    scene.writeResult = c.result;
    scene.ras.calls.clear();
    scene.entry.BuildEntry(c.type);
    Calls calls = c.calls;
    calls.insert(calls.begin(), kRead);
    EXPECT_EQ(scene.ras.calls, calls);
    EXPECT_EQ(scene.written.localPhoneNumber, c.number);
  }
}

}  // namespace
}  // namespace norva
