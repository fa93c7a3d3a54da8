#include "ui/main_controller.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "fakes/fake_settings.h"
#include "fakes/recording_view.h"
#include "fakes/scripted_ras.h"
#include "support/servers_xml.h"

namespace norva {
namespace {

using Log = testing::RecordingView::Log;
using Calls = std::vector<std::string>;
using Handles = std::vector<ConnectionHandle>;
using Text = testing::ScriptedRas::Text;
using O = PromptOutcome;

const std::string kBook = "C:\\pbk\\norva.pbk";
const NotifierWindow kNotifier = reinterpret_cast<NotifierWindow>(std::uintptr_t{0x100});
const Log kLocked = {"server list off", "inputs off", "label Disconnect", "button off"};
const Log kUnlocked = {"server list on", "inputs on", "label Connect", "button on"};
const Log kLossReported = {"status Connection lost.", "server list on", "inputs on",
                           "label Connect", "button on",
                           "tray warning NORVA: The VPN connection was lost."};

ConnectionHandle H(std::uintptr_t n) { return reinterpret_cast<ConnectionHandle>(n * 16); }
Guid G(std::uint8_t b) {
  Guid g;
  g.bytes.fill(b);
  return g;
}
ActiveConnection Up(std::uintptr_t n, std::uint8_t guid = 0xAB) {
  return {H(n), "NORVA", kBook, G(guid)};
}
Log Tail(const Log& log, std::size_t n) {
  return Log(log.end() - std::min(n, log.size()), log.end());
}
bool Has(const Log& log, const std::string& line) {
  return std::find(log.begin(), log.end(), line) != log.end();
}
Log Then(Log a, const Log& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct FakeClock : WaitClock {
  std::uint64_t now = 5000;
  std::uint64_t NowMs() override { return now; }
  void GiveUpTimeSlice() override { now += 10; }
};

// Every entry write of these tests succeeds.
struct NullHost : EntryHost {
  bool IsUserAdministrator() override { return true; }
  bool RelaunchElevated(VpnType) override { return false; }
  void ShowContactSupport() override {}
  void ShowNoRights(NoRights) override {}
  std::string FirstCustomServerAddress() override { return ""; }
};

// The program under test with a small remote access service behind it: the
// entry's saved dial parameters, dials that hand out handles 1, 2, ..., and
// connections whose link and hang-up the test steers. servers.xml lists
// Amsterdam, Berlin and Oslo (shared IP) and Zurich (dedicated IP).
struct Rig {
  bool savedParams = true;
  RasResult credentialsAnswer = ras::kOk, storeAnswer = ras::kOk;
  RasResult dialAnswer = ras::kOk, hangUpAnswer = ras::kOk;
  bool handleWithRefusal = false;
  int pollsUntilReleased = 2;  // -1: never released
  std::vector<ActiveConnection> up;

  std::vector<DialParams> dials;
  std::vector<Credentials> stored;
  Handles hungUp;
  std::vector<std::uint32_t> builds;  // the tunnel strategy of each entry write
  std::map<ConnectionHandle, std::uint32_t> state;
  std::map<ConnectionHandle, int> pollsSinceHangUp;
  std::set<ConnectionHandle> released;

  testing::ScriptedRas ras;
  testing::FakeSettings settings;
  testing::RecordingView view;
  FakeClock clock;
  NullHost host;
  PhonebookEntry entry{ras, settings, host, kBook, ""};
  std::optional<DialSession> session;
  std::optional<MainController> controller;
  std::string dir, serverList;

  explicit Rig(std::map<std::string, std::uint32_t> values = {}) {
    settings.values = std::move(values);
    char name[] = "/tmp/norva-controller-XXXXXX";
    dir = mkdtemp(name);
    serverList = dir + "/servers.xml";
    std::ofstream(serverList, std::ios::binary) << testing::ServersXml(
        {{"shared", "Amsterdam", "ams.example"}, {"shared", "Berlin", "ber.example"},
         {"dedicated", "Zurich", "zrh.example"}, {"shared", "Oslo", "osl.example"}});
  }
  ~Rig() { std::filesystem::remove_all(dir); }

  void Start(std::uint32_t strategy = entry::kVpnPptpOnly) {
    ras.getEntryProperties = [=](Text, Text, EntryProperties& e) {
      e.vpnStrategy = strategy;
      e.guid = G(0xAB);
      return ras::kOk;
    };
    entry.EnsureEntry();
    // From here on the entry reads as gone: every build writes.
    ras.getEntryProperties = [](Text, Text, EntryProperties&) { return ras::kCannotFindEntry; };
    Serve();
    session.emplace(ras, clock, DialSetup{kBook, "NORVA", G(0xAB), kNotifier});
    controller.emplace(view, settings, *session, entry, serverList);
    controller->Start();
  }
  void StartReady() {
    Start();
    controller->OnServerListReady();
  }
  void Connected(int row = 2) {
    StartReady();
    view.ChooseServer(row);
    controller->OnConnectButton();
    controller->OnDialEvent(ras::kConnected, 0);
  }
  void Drop(std::uintptr_t n) { state[H(n)] = ras::kDisconnected; }
  void ExpectBuilds() {
    ras.setEntryProperties = [this](Text, Text, const EntryProperties& p) {
      builds.push_back(p.vpnStrategy);
      return ras::kOk;
    };
  }
  // Forgets what has been shown and called so far.
  void Fresh() {
    view.Take();
    ras.Take();
  }
  // What one press of the button, or one tick of the link watch, shows.
  Log Press() {
    view.Take();
    controller->OnConnectButton();
    return view.Take();
  }
  Log Tick() {
    view.Take();
    controller->OnLinkWatchTick();
    return view.Take();
  }

  void Serve() {
    ras.getEntryDialParams = [this](Text book, DialParams& p, bool&) {
      EXPECT_EQ(book + p.entryName, kBook + "NORVA");
      if (!savedParams) return ras::kCannotFindEntry;
      p.userName = "saved-user";
      p.password = "saved-pass";
      return ras::kOk;
    };
    ras.getCredentials = [this](Text, Text e, Credentials& c) {
      EXPECT_EQ(e + std::to_string(c.mask), "NORVA3");
      return credentialsAnswer;
    };
    ras.setCredentials = [this](Text, Text, const Credentials& c, bool clear) {
      if (c.mask == 3 && !clear) stored.push_back(c);
      return storeAnswer;
    };
    ras.dial = [this](Text book, const DialParams& p, NotifierWindow n, ConnectionHandle& h) {
      EXPECT_EQ(book, kBook);
      EXPECT_EQ(n, kNotifier);
      EXPECT_EQ(h, nullptr) << "dialled with a stale handle";
      dials.push_back(p);
      if (dialAnswer == ras::kOk || handleWithRefusal) state[h = H(dials.size())] = 1;
      return dialAnswer;
    };
    ras.hangUp = [this](ConnectionHandle h) {
      hungUp.push_back(h);
      if (!state.count(h) || released.count(h)) return ras::kInvalidHandle;
      if (hangUpAnswer == ras::kOk) pollsSinceHangUp[h] = 0;
      return hangUpAnswer;
    };
    ras.getConnectStatus = [this](ConnectionHandle h, ConnectionStatus& s) {
      if (!state.count(h) || released.count(h)) return ras::kInvalidHandle;
      const bool hungUp = pollsSinceHangUp.count(h) != 0;
      if (hungUp && pollsUntilReleased >= 0 && ++pollsSinceHangUp[h] > pollsUntilReleased) {
        released.insert(h);
        return ras::kInvalidHandle;
      }
      s.state = hungUp ? ras::kDisconnected : state[h];
      return ras::kOk;
    };
    ras.enumConnections = [this](std::uint32_t& bytes, std::vector<ActiveConnection>& out) {
      const std::uint32_t needed = 704 * static_cast<std::uint32_t>(up.size());
      if (bytes < needed) return bytes = needed, ras::kBufferTooSmall;
      out = up;
      for (const ActiveConnection& c : up) state[c.handle] = ras::kConnected;
      return ras::kOk;
    };
    ras.getErrorString = [](std::uint32_t code, std::string& text) {
      if (code != 691) return ras::kInvalidParameter;
      text = "Access was denied.";
      return ras::kOk;
    };
  }
};

TEST(MainController, StartFillsTheFormAndStartsTheUpdater) {
  const Log tail = {"animation", "server list off", "updater"};
  // Any stored account type but 0 is dedicated; an entry that could not be
  // read (strategy 0) shows L2TP/IPSec.
  const struct {
    std::uint32_t accountType, strategy;
    bool savedParams;
    Log expected;
  } cases[] = {
      {0, entry::kVpnPptpOnly, true,
       Then({"tray add", "account shared", "tunnel PPTP", "credentials saved-user saved-pass"},
            tail)},
      {7, 0, false, Then({"tray add", "account dedicated", "tunnel L2TP"}, tail)},
  };
  for (const auto& c : cases) {
    Rig r({{"account_type", c.accountType}});
    r.savedParams = c.savedParams;
    r.Start(c.strategy);
    EXPECT_EQ(r.view.Take(), c.expected) << "account type " << c.accountType;
  }
}

TEST(MainController, ServerListReadyFillsTheCheckedTypeAndChoosesTheLastServer) {
  const Log shared = {"server list off", "servers Amsterdam Berlin Oslo", "choose 0",
                      "server list on", "animation stop"};
  const struct {
    std::uint32_t accountType, lastServer;
    Log expected;
  } cases[] = {
      {0, 0, shared},
      {1, 1, {"server list off", "servers Zurich", "choose 0", "server list on", "animation stop",
              "choose 1"}},
      {0, 0xFFFFFFFF, shared},             // a negative row is no row
  };
  for (const auto& c : cases) {
    Rig r({{"account_type", c.accountType}, {"lastserver", c.lastServer}});
    r.Start();
    r.view.Take();
    r.controller->OnServerListReady();
    EXPECT_EQ(r.view.Take(), c.expected) << "last server " << c.lastServer;
  }
}

TEST(MainController, ConnectDialsTheChosenServerAndConnectedHidesToTheWatchedTray) {
  for (bool watchStarts : {true, false}) {
    Rig r;
    r.view.watchStarts = watchStarts;
    r.StartReady();
    r.view.ChooseServer(3);
    EXPECT_EQ(r.Press(), kLocked);
    ASSERT_EQ(r.dials.size(), 1u);
    EXPECT_EQ(r.dials[0].entryName + " " + r.dials[0].phoneNumber, "NORVA osl.example");

    for (std::uint32_t s : {ras::kPortOpened, ras::kConnectDevice, 3u, ras::kAuthenticate,
                            ras::kAuthenticated, ras::kConnected}) {
      r.controller->OnDialEvent(s, 0);
    }
    EXPECT_EQ(r.view.Take(),
              Then(Then({"status Openning...", "status Connecting...", "status Authenticating...",
                         "status Authenticated.", "watch"},
                        watchStarts ? Log{"hide"} : Log{}),
                   {"status Connected.", "label Disconnect", "button on"}));
    EXPECT_EQ(r.settings.values["lastserver"], 3u);
    r.controller->OnDialEvent(ras::kDisconnected, 0);
    EXPECT_EQ(r.view.Take(), Log{"show"});
  }
}

TEST(MainController, SavedCredentialsAreDialledUntilTheUserEditsAndTypedOnesStoredOnConnect) {
  const struct {
    const char* name;
    bool savedParams;
    RasResult credentialsAnswer;
    bool edited;
    RasResult storeAnswer;
    const char* dialled;
    bool stores, editsForgotten;
  } cases[] = {
      {"saved, untouched", true, ras::kOk, false, ras::kOk, "saved-user saved-pass", false, false},
      {"saved, edited", true, ras::kOk, true, ras::kOk, "typed-user typed-pass", true, true},
      {"none saved, untouched", true, 1168, false, ras::kOk, "typed-user typed-pass", false, false},
      {"none saved, edited", true, 1168, true, ras::kOk, "typed-user typed-pass", true, true},
      {"edited, storing fails", true, ras::kOk, true, ras::kAccessDenied, "typed-user typed-pass",
       true, false},
      // The record was never loaded: it still names the entry.
      {"no saved parameters", false, ras::kOk, false, ras::kOk, " ", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r;
    r.savedParams = c.savedParams;
    r.credentialsAnswer = c.credentialsAnswer;
    r.storeAnswer = c.storeAnswer;
    r.StartReady();
    r.view.ChooseServer(1);
    r.view.ShowCredentials("typed-user", "typed-pass");
    r.view.edited = c.edited;
    r.controller->OnConnectButton();
    ASSERT_EQ(r.dials.size(), 1u);
    EXPECT_EQ(r.dials[0].entryName, "NORVA");
    EXPECT_EQ(r.dials[0].userName + " " + r.dials[0].password, c.dialled);
    EXPECT_TRUE(r.stored.empty()) << "stored before the connection stands";
    r.controller->OnDialEvent(ras::kConnected, 0);
    ASSERT_EQ(r.stored.size(), c.stores ? 1u : 0u);
    if (c.stores) {
      EXPECT_EQ(r.stored[0].userName + " " + r.stored[0].password, "typed-user typed-pass");
    }
    EXPECT_EQ(r.view.edited, c.edited && !c.editsForgotten);
  }
}

TEST(MainController, DialErrorsShowTheServiceTextAndGiveTheInputsBack) {
  const struct {
    const char* name;
    RasResult atOnce;
    bool handle;
    std::uint32_t eventError;
    const char* box;
  } cases[] = {
      {"refused at once", 691, false, 0, "error Access was denied."},
      {"refused with a handle", 691, true, 0, "error Access was denied."},
      {"error event", ras::kOk, false, 691, "error Access was denied."},
      {"no text for the code", ras::kOk, false, 0xFFFFFFFF, "error Unknown Connection\tError -1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r;
    r.dialAnswer = c.atOnce;
    r.handleWithRefusal = c.handle;
    r.StartReady();
    r.view.ChooseServer(1);
    r.controller->OnConnectButton();
    if (c.eventError != 0) r.controller->OnDialEvent(ras::kAuthenticate, c.eventError);
    EXPECT_EQ(Tail(r.view.Take(), 6), Then({"status ", c.box}, kUnlocked));
    r.controller->OnDialEvent(ras::kAuthenticate, 691);  // late: nothing left to hang up
    EXPECT_EQ(r.hungUp.size(), c.handle || c.eventError != 0 ? 1u : 0u) << "handles handed out";
    r.dialAnswer = ras::kOk;
    r.controller->OnConnectButton();
    EXPECT_EQ(r.dials.size(), 2u) << "the next press dials";
  }
}

TEST(MainController, DisconnectWaitsForTheReleaseOrKeepsTheConnection) {
  const struct {
    const char* name;
    RasResult hangUp;
    int pollsUntilReleased;
    Log expected;
    const char* nextPress;  // what pressing the button again does
  } cases[] = {
      {"released", ras::kOk, 2,
       {"watch stop", "busy", "busy end", "server list on", "inputs on", "label Connect",
        "status "},
       "Dial"},
      // The button offers a new dial while the inputs stay locked.
      {"refused", ras::kAccessDenied, 2,
       {"watch stop", "error Disconnection Failed", "label Connect"}, "Dial"},
      {"refused, handle unknown", ras::kInvalidHandle, 2,
       {"watch stop", "error Disconnection Failed", "label Connect"}, "Dial"},
      // After the bounded wait the connection is still current: the button hangs up again.
      {"never released", ras::kOk, -1,
       {"watch stop", "busy", "busy end", "error The connection did not close in time. Try again.",
        "label Disconnect"},
       "HangUp"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r;
    r.hangUpAnswer = c.hangUp;
    r.pollsUntilReleased = c.pollsUntilReleased;
    r.Connected();
    r.Fresh();
    EXPECT_EQ(r.Press(), c.expected);
    EXPECT_EQ(r.ras.Take().front(), "HangUp");
    EXPECT_EQ(r.clock.now >= 5000 + DialSession::kHangUpWaitMs, c.pollsUntilReleased < 0);
    r.pollsUntilReleased = 0;
    r.controller->OnConnectButton();
    const Calls next = r.ras.Take();
    const bool dials = c.nextPress == std::string("Dial");
    EXPECT_TRUE(Has(next, c.nextPress) && !Has(next, dials ? "HangUp" : "Dial"));
  }
}

TEST(MainController, AConnectionUpAtStartIsAdoptedAndWatched) {
  Rig r;
  r.up = {Up(7), Up(8, 0x01), Up(9)};  // the later one of the entry counts
  r.Start();
  // The first listing asks for room for three, the second gets it.
  EXPECT_EQ(Tail(r.ras.Take(), 2), (Calls{"EnumConnections", "EnumConnections"}));
  EXPECT_EQ(Tail(r.view.Take(), 4),
            (Log{"server list off", "inputs off", "label Disconnect", "watch"}));
  r.controller->OnConnectButton();
  EXPECT_EQ(r.hungUp, Handles{H(9)});

}

TEST(MainController, ALostLinkIsReleasedFirstThenDialledAgainOrReported) {
  const Log prompt = {"prompt reconnect"}, notice = {"notice Please Select Valid Server"};
  const Log redial = Then(prompt, kLocked);
  const struct {
    const char* name;
    std::uint32_t autoReconnect;
    O prompt;
    bool adopted, gone;  // gone: the service already let the handle go (6)
    int row;             // chosen when the link drops
    Log expected;        // after the release
    int pollsUntilReleased = 2;
  } cases[] = {
      {"reconnect off", 0, O::kGoAhead, false, false, 3, kLossReported},
      {"prompt cancelled", 1, O::kCancelled, false, false, 3, Then(prompt, kLossReported)},
      {"dialled again", 1, O::kGoAhead, false, false, 3, redial},
      {"adopted, reconnect off", 0, O::kGoAhead, true, false, 3, kLossReported},
      {"adopted, dialled again", 1, O::kGoAhead, true, false, 3, redial},
      {"nothing valid to dial", 1, O::kGoAhead, false, false, 0,
       Then(Then(prompt, notice), kLossReported)},
      {"handle already gone", 0, O::kGoAhead, false, true, 3, kLossReported},
      {"never released", 1, O::kGoAhead, false, false, 3,
       {"error The connection did not close in time. Try again.", "label Disconnect",
        "status Connection lost.", "tray warning NORVA: The VPN connection was lost."},
       -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r({{"autoreconnect", c.autoReconnect}});
    r.view.promptOutcome = c.prompt;
    r.pollsUntilReleased = c.pollsUntilReleased;
    const ConnectionHandle lost = H(c.adopted ? 7 : 1);
    if (c.adopted) r.up = {Up(7)};
    c.adopted ? r.StartReady() : r.Connected();
    r.view.ChooseServer(c.row);
    // While the link is up, or its state cannot be had, the watch goes on.
    r.state[lost] = ras::kConnected;
    EXPECT_TRUE(r.Tick().empty());
    r.ras.getConnectStatus = [](ConnectionHandle, ConnectionStatus&) { return 1234u; };
    EXPECT_TRUE(r.Tick().empty());
    r.Serve();
    r.Fresh();
    c.gone ? void(r.released.insert(lost)) : r.Drop(c.adopted ? 7 : 1);
    EXPECT_EQ(r.Tick(), Then({"watch stop", "busy", "busy end"}, c.expected));
    const Calls calls = r.ras.Take();
    EXPECT_EQ(calls.at(1), "HangUp") << "released before anything else";
    EXPECT_EQ(r.hungUp, Handles{lost});
    if (c.pollsUntilReleased < 0) continue;
    EXPECT_TRUE(r.released.count(lost));
    if (c.expected == redial) {
      EXPECT_EQ(calls.back() + " " + r.dials.back().phoneNumber, "Dial osl.example");
      continue;
    }
    EXPECT_TRUE(r.Tick().empty()) << "no more watching";
    r.view.ChooseServer(1);
    r.controller->OnConnectButton();
    EXPECT_EQ(r.dials.size(), c.adopted ? 1u : 2u) << "the button dials anew";
  }
}

TEST(MainController, AutoConnectCountsDownAndDialsTheLastServer) {
  for (O outcome : {O::kGoAhead, O::kCancelled}) {
    Rig r({{"autoconnect", 1}, {"lastserver", 2}});
    r.view.promptOutcome = outcome;
    r.StartReady();
    EXPECT_TRUE(Has(r.view.Take(), "prompt auto connect"));
    ASSERT_EQ(r.dials.size(), outcome == O::kGoAhead ? 1u : 0u);
    if (!r.dials.empty()) {
      EXPECT_EQ(r.dials[0].phoneNumber, "ber.example");
    }
  }
}

TEST(MainController, AutoConnectNeverDialsOverAConnection) {
  // Up since an earlier run.
  Rig r({{"autoconnect", 1}, {"lastserver", 2}});
  r.up = {Up(5)};
  r.StartReady();
  EXPECT_EQ(r.view.chosenServer, 2) << "the row is still chosen";
  EXPECT_TRUE(r.dials.empty());
  r.controller->OnConnectButton();
  EXPECT_EQ(r.hungUp, Handles{H(5)}) << "the adopted handle is still current";

  // Dialled by the user before the list arrived.
  Rig t({{"autoconnect", 1}, {"lastserver", 2}});
  t.Start();
  t.controller->OnAccountTypePicked(AccountType::Shared);
  t.view.ChooseServer(1);
  t.controller->OnConnectButton();
  t.controller->OnServerListReady();
  EXPECT_FALSE(Has(t.view.Take(), "prompt auto connect"));
  EXPECT_EQ(t.dials.size(), 1u);
}

TEST(MainController, AutoConnectWaitsUntilADialogHasClosed) {
  const Log prompted = Then({"prompt auto connect"}, kLocked);
  Rig r({{"autoconnect", 1}, {"lastserver", 2}});
  r.ExpectBuilds();
  r.Start();
  r.ras.Take();
  r.view.duringOptions = [&r] {
    r.controller->OnServerListReady();
    EXPECT_EQ(r.view.log.back(), "choose 2");
  };
  r.controller->OnOptions();
  EXPECT_EQ(Tail(r.view.Take(), 5), prompted);
  const Calls calls = r.ras.Take();
  EXPECT_EQ(calls.at(1), "SetEntryProperties") << "the entry is rebuilt before the dial";
  EXPECT_EQ(calls.back(), "Dial");
}

TEST(MainController, OnlyOnePromptAtATime) {
  for (O outcome : {O::kGoAhead, O::kCancelled}) {
    Rig r;
    r.Connected(2);
    r.settings.values = {{"autoconnect", 1}, {"lastserver", 3}, {"autoreconnect", 1}};
    r.view.promptOutcome = outcome;
    r.Drop(1);
    int prompts = 0;
    r.view.duringPrompt = [&](PromptKind) {
      ++prompts;
      r.controller->OnServerListReady();  // the updater finishes meanwhile
    };
    r.controller->OnLinkWatchTick();
    EXPECT_EQ(prompts, 1);
    ASSERT_EQ(r.dials.size(), outcome == O::kGoAhead ? 2u : 1u);
    if (r.dials.size() == 2) {
      EXPECT_EQ(r.dials[1].phoneNumber, "osl.example") << "the row chosen by then";
    }
  }
}

TEST(PromptCountdown, CountsFiveSecondsDownInTheTextOfItsKind) {
  PromptCountdown reconnect(PromptKind::kReconnect), autoConnect(PromptKind::kAutoConnect);
  EXPECT_EQ(reconnect.Text(), "NORVA Auto Re Connect is enabled. re-connecting in 5 seconds.");
  for (int second = 1; second < kPromptSeconds; ++second) EXPECT_FALSE(autoConnect.Tick());
  EXPECT_EQ(autoConnect.Text(), "NORVA Auto Connect is enabled. connecting in 1 seconds.");
  EXPECT_TRUE(autoConnect.Tick());
}

TEST(MainController, ExitDuringAPromptClosesItAndDialsNothing) {
  for (PromptKind kind : {PromptKind::kAutoConnect, PromptKind::kReconnect}) {
    const bool reconnect = kind == PromptKind::kReconnect;
    Rig r({{"autoconnect", 1}, {"lastserver", reconnect ? 0u : 2u}, {"autoreconnect", 1}});
    r.view.duringPrompt = [&r](PromptKind) { r.controller->OnExit(); };
    if (reconnect) {
      r.Connected();
      r.Drop(1);
      r.controller->OnLinkWatchTick();
    } else {
      r.StartReady();
    }
    EXPECT_EQ(Tail(r.view.Take(), 3), (Log{"prompt closed", "tray remove", "end"}));
    EXPECT_EQ(r.dials.size(), reconnect ? 1u : 0u);
    r.controller->OnDialEvent(ras::kConnected, 0);
    r.controller->OnServerListReady();
    EXPECT_TRUE(r.view.Take().empty()) << "nothing more on the way out";
  }
}

TEST(MainController, ExitLeavesAConnectionUpAndTheTrayFollowsTheShell) {
  Rig r;
  r.Connected();
  r.view.Take();
  r.controller->OnClose();
  r.controller->OnOpenWindow();
  r.controller->OnShellRestarted();  // the shell lost the icon
  r.controller->OnExit();
  EXPECT_EQ(r.view.Take(), (Log{"hide", "show", "tray add", "tray remove", "end"}));
  EXPECT_TRUE(r.hungUp.empty());
}

TEST(MainController, FormCommandsRefillTheListRebuildTheEntryAndReloadTheCredentials) {
  Rig r;
  r.StartReady();
  r.ExpectBuilds();
  r.view.Take();
  r.controller->OnAccountTypePicked(AccountType::Dedicated);
  EXPECT_EQ(r.view.Take(),
            (Log{"server list off", "servers Zurich", "choose 0", "server list on"}));
  EXPECT_EQ(r.settings.values["account_type"], 1u);

  r.view.tunnelType = VpnType::kL2tpIpsec;
  r.controller->OnTunnelTypePicked();
  r.view.tunnelType = std::nullopt;
  r.controller->OnTunnelTypePicked();  // no row: nothing to build
  r.controller->OnOptions();           // no row: PPTP
  r.view.tunnelType = VpnType::kL2tpIpsec;
  r.controller->OnOptions();
  EXPECT_EQ(r.builds, (std::vector<std::uint32_t>{entry::kVpnL2tpOnly, entry::kVpnPptpOnly,
                                                  entry::kVpnL2tpOnly}));
  r.view.Take();
  r.controller->OnServerSettings();  // the tunnel type as at start, not as picked
  EXPECT_EQ(r.view.Take(),
            (Log{"server settings", "tunnel PPTP", "credentials saved-user saved-pass"}));
}

}  // namespace
}  // namespace norva
