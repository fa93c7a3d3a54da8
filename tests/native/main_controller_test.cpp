#include "ui/main_controller.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <functional>
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
// A dial of the program's own: the button stops it.
const Log kTrying = {"server list off", "inputs off", "label Disconnect", "button on"};
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

// The program over a small service: dials hand out handles 1, 2, ...; the test steers each link
// and hang-up. servers.xml: Amsterdam, Berlin, Oslo (shared), Zurich (dedicated).
struct Rig {
  bool savedParams = true;
  std::string savedUser = "saved-user";
  RasResult credentialsAnswer = ras::kOk, storeAnswer = ras::kOk;
  RasResult dialAnswer = ras::kOk, hangUpAnswer = ras::kOk;
  std::vector<RasResult> nextDialAnswers;  // taken one a dial before dialAnswer
  bool handleWithRefusal = false;
  int pollsUntilReleased = 2;  // -1: never released
  std::vector<ActiveConnection> up;

  std::vector<DialParams> dials;
  std::vector<Credentials> stored;
  Handles hungUp;
  std::map<ConnectionHandle, std::uint32_t> state;
  std::map<ConnectionHandle, std::string> phone;  // the number each was dialled with
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
  void Dial(int row) {
    view.ChooseServer(row);
    controller->OnConnectButton();
  }
  void Connected(int row = 2) {
    StartReady();
    Dial(row);
    controller->OnDialEvent(ras::kConnected, 0);
  }
  void Drop(std::uintptr_t n) { state[H(n)] = ras::kDisconnected; }
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
      p.userName = savedUser;
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
      RasResult answer = dialAnswer;
      if (!nextDialAnswers.empty()) {
        answer = nextDialAnswers.front();
        nextDialAnswers.erase(nextDialAnswers.begin());
      }
      if (answer == ras::kOk || handleWithRefusal) {
        state[h = H(dials.size())] = 1;
        phone[h] = p.phoneNumber;
      }
      return answer;
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
      s.phoneNumber = phone[h];
      return ras::kOk;
    };
    ras.enumConnections = [this](std::uint32_t& bytes, std::vector<ActiveConnection>& out) {
      const std::uint32_t needed = 704 * static_cast<std::uint32_t>(up.size());
      if (bytes < needed) return bytes = needed, ras::kBufferTooSmall;
      out = up;
      for (const ActiveConnection& c : up) {
        state[c.handle] = ras::kConnected;
        phone[c.handle] = "up.example";
      }
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
  // Any stored account type but 0 is dedicated; an unread entry (strategy 0) shows L2TP/IPSec.
  const struct { std::uint32_t accountType, strategy; bool savedParams; Log expected; } cases[] = {
      {0, entry::kVpnPptpOnly, true,
       {"account shared", "tunnel PPTP", "credentials saved-user saved-pass"}},
      {7, 0, false, {"account dedicated", "tunnel L2TP"}},
  };
  for (const auto& c : cases) {
    Rig r({{"account_type", c.accountType}});
    r.savedParams = c.savedParams;
    r.Start(c.strategy);
    EXPECT_EQ(r.view.Take(), Then(Then({"tray add"}, c.expected),
                                  {"animation", "server list off", "updater"})) << c.accountType;
  }
}

TEST(MainController, ServerListReadyFillsTheCheckedTypeAndChoosesTheLastServer) {
  const Log shared = {"server list off", "servers Amsterdam Berlin Oslo", "choose 0",
                      "server list on", "animation stop"};
  const struct { std::uint32_t accountType, lastServer; Log expected; } cases[] = {
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
    Rig r({{"lastserver", 1}});
    r.view.watchStarts = watchStarts;
    // Filled by a pick of the account type; the updater's list during the dial keeps the row.
    const bool early = !watchStarts;
    early ? r.Start() : r.StartReady();
    if (early) r.controller->OnAccountTypePicked(AccountType::Shared);
    r.view.ChooseServer(3);
    EXPECT_EQ(r.Press(), kLocked);
    if (early) {
      r.controller->OnServerListReady();
      EXPECT_EQ(r.view.Take().back(), "choose 3");
    }
    ASSERT_EQ(r.dials.size(), 1u);
    EXPECT_EQ(r.dials[0].entryName + " " + r.dials[0].phoneNumber, "NORVA osl.example");

    for (std::uint32_t s : {ras::kPortOpened, ras::kConnectDevice, 3u, ras::kAuthenticate,
                            ras::kAuthenticated, ras::kConnected}) r.controller->OnDialEvent(s, 0);
    EXPECT_EQ(r.view.Take(),
              Then(Then({"status Openning...", "status Connecting...", "status Authenticating...",
                         "status Authenticated.", "watch"},
                        watchStarts ? Log{"hide"} : Log{}),
                   {"status Connected.", "label Disconnect", "button on"}));
    EXPECT_EQ(r.settings.values["lastserver"], 3u);
  }
}

TEST(MainController, SavedCredentialsAreDialledUntilTheUserEditsAndTypedOnesStoredOnConnect) {
  const std::string typed = "typed-user typed-pass";
  // Edited credentials are stored on connect, and the edits forgotten once they are.
  const struct { const char* name; bool savedParams, edited; RasResult credentials, store;
                 std::string dialled; } cases[] = {
      {"saved, untouched", true, false, ras::kOk, ras::kOk, "saved-user saved-pass"},
      {"saved, edited", true, true, ras::kOk, ras::kOk, typed},
      {"none saved, untouched", true, false, 1168, ras::kOk, typed},
      {"none saved, edited", true, true, 1168, ras::kOk, typed},
      {"edited, storing fails", true, true, ras::kOk, ras::kAccessDenied, typed},
      {"no saved parameters", false, false, ras::kOk, ras::kOk, " "},  // the record names the entry
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r;
    r.savedParams = c.savedParams;
    r.credentialsAnswer = c.credentials;
    r.storeAnswer = c.store;
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
    ASSERT_EQ(r.stored.size(), c.edited ? 1u : 0u);
    for (const Credentials& s : r.stored) EXPECT_EQ(s.userName + " " + s.password, typed);
    EXPECT_EQ(r.view.edited, c.edited && c.store != ras::kOk);
    if (c.dialled.rfind("saved", 0) == 0) {
      r.savedUser = "newer-user";
      r.controller->OnConnectButton();  // Disconnect
      r.controller->OnConnectButton();
      EXPECT_EQ(r.dials.back().userName, "newer-user") << "the saved ones read before each dial";
    }
  }
}

TEST(MainController, AFailedDialIsReleasedThenShowsTheServiceTextAndGivesTheFormBack) {
  const char* const denied = "error Access was denied.";
  const struct { const char* name; RasResult atOnce; bool handle;
                 std::uint32_t eventState, eventError; const char* shown; } cases[] = {
      {"refused at once", 691, false, 0, 0, denied},
      {"refused with a handle", 691, true, 0, 0, denied},
      {"error event", ras::kOk, false, ras::kAuthenticate, 691, denied},
      {"no text for the code", ras::kOk, false, ras::kAuthenticate, 0xFFFFFFFF,
       "error Unknown Connection\tError -1"},
      // Worth another try for a dial of the program's own, not for the user's.
      {"network error", ras::kOk, false, ras::kConnectDevice, 800,
       "error Unknown Connection\tError 800"},
      {"ended without a code", ras::kOk, false, ras::kDisconnected, 0, "show"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r;
    r.dialAnswer = c.atOnce;
    r.handleWithRefusal = c.handle;
    r.StartReady();
    r.Dial(1);
    if (c.eventState != 0) r.controller->OnDialEvent(c.eventState, c.eventError);
    EXPECT_EQ(Tail(r.view.Take(), 6), Then(kUnlocked, {"status ", c.shown}));
    r.view.failingTrayAdds = 1;
    r.controller->OnShellRestarted();
    EXPECT_FALSE(Has(r.view.Take(), "minimize")) << "the window is in sight";
    // The port is busy until the service lets the handle go: the form comes back after.
    const bool handedOut = c.handle || c.eventState != 0;
    EXPECT_EQ(r.released.count(H(1)), handedOut ? 1u : 0u);
    r.controller->OnDialEvent(ras::kAuthenticate, 691);  // late: nothing left to do
    EXPECT_EQ(r.hungUp.size(), handedOut ? 1u : 0u);
    EXPECT_TRUE(r.view.Take().empty());
    r.dialAnswer = ras::kOk;
    r.controller->OnConnectButton();
    EXPECT_EQ(r.dials.size(), 2u) << "the next press dials";
  }

  // A failed dial that the service does not let go in time is watched like a
  // connection whose hang-up ran out of time.
  Rig r;
  r.pollsUntilReleased = -1;
  r.StartReady();
  r.Dial(1);
  r.view.Take();
  r.controller->OnDialEvent(ras::kAuthenticate, 691);
  EXPECT_EQ(r.view.Take(), (Log{"busy", "busy end", "label Disconnect", "button on", "watch",
                                "status ", "error The connection did not close in time. Try again."}));
}

TEST(MainController, DisconnectWaitsForTheReleaseOrKeepsTheConnection) {
  const Log released = {"watch stop", "busy", "busy end", "server list on", "inputs on",
                        "label Connect", "status "};
  const Log timedOut = {"watch stop", "busy",  "busy end", "label Disconnect", "button on", "watch",
                        "error The connection did not close in time. Try again."};
  // nextPress: what pressing the button again does; none: the release comes later.
  const struct { const char* name; RasResult hangUp; int pollsUntilReleased; Log expected;
                 const char* nextPress; } cases[] = {
      {"released", ras::kOk, 2, released, "Dial"},
      // The service no longer knows the handle: it is released already.
      {"handle unknown", ras::kInvalidHandle, 2,
       {"watch stop", "server list on", "inputs on", "label Connect", "status "}, "Dial"},
      // The button offers a new dial while the inputs stay locked.
      {"refused", ras::kAccessDenied, 2,
       {"watch stop", "label Connect", "error Disconnection Failed"}, "Dial"},
      // Still current and watched after the bounded wait: the button hangs up again.
      {"never released", ras::kOk, -1, timedOut, "HangUp"},
      {"released after the wait", ras::kOk, -1, timedOut, nullptr},
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
    if (c.nextPress == nullptr) {
      r.released.insert(H(1));
      EXPECT_EQ(r.Tick(), Then({"watch stop"}, kLossReported));
      continue;
    }
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
  r.Start();  // the first listing asks for room for three, the second gets it
  EXPECT_EQ(Tail(r.view.Take(), 4),
            (Log{"server list off", "inputs off", "label Disconnect", "watch"}));
  r.controller->OnConnectButton();
  EXPECT_EQ(r.hungUp, Handles{H(9)});

}

TEST(MainController, ALostLinkIsReleasedFirstThenDialledAgainOrReported) {
  const Log released = {"busy", "busy end"};
  const Log redial = Then(Then(released, {"prompt reconnect"}), kTrying);
  const Log reported = Then(released, kLossReported);
  enum Via { kTick, kGone, kErrorEvent, kDisconnectedEvent };  // kGone: the service let it go (6)
  // row: chosen at the drop; expected: after the watch stops; redials: the address dialled again.
  const struct { const char* name; std::uint32_t autoReconnect; O prompt; bool adopted; Via via;
                 int row; Log expected; const char* redials; int polls = 2; } cases[] = {
      {"reconnect off", 0, O::kGoAhead, false, kTick, 3, reported, nullptr},
      {"prompt cancelled", 1, O::kCancelled, false, kTick, 3,
       Then(Then(released, {"prompt reconnect"}), kLossReported), nullptr},
      // The lost server, whatever the list shows now.
      {"dialled again", 1, O::kGoAhead, false, kTick, 3, redial, "ber.example"},
      {"list refilled meanwhile", 1, O::kGoAhead, false, kTick, 0, redial, "ber.example"},
      {"adopted, reconnect off", 0, O::kGoAhead, true, kTick, 3, reported, nullptr},
      {"adopted, dialled again", 1, O::kGoAhead, true, kTick, 0, redial, "up.example"},
      {"handle already gone", 0, O::kGoAhead, false, kGone, 3, kLossReported, nullptr},
      // The service may report the drop through the dial notification.
      {"error notification", 1, O::kGoAhead, false, kErrorEvent, 3, redial, "ber.example"},
      {"disconnected notification", 0, O::kGoAhead, false, kDisconnectedEvent, 3, reported,
       nullptr},
      {"never released", 1, O::kGoAhead, false, kTick, 3,
       {"busy", "busy end", "label Disconnect", "button on", "watch", "status Connection lost.",
        "tray warning NORVA: The VPN connection was lost.",
        "error The connection did not close in time. Try again."},
       nullptr, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r({{"autoreconnect", c.autoReconnect}});
    r.view.promptOutcome = c.prompt;
    r.pollsUntilReleased = c.polls;  // until released
    const ConnectionHandle lost = H(c.adopted ? 7 : 1);
    if (c.adopted) r.up = {Up(7)};
    c.adopted ? r.StartReady() : r.Connected();
    // While the link is up, or its state cannot be had, the watch goes on.
    r.state[lost] = ras::kConnected;
    EXPECT_TRUE(r.Tick().empty());
    r.ras.getConnectStatus = [](ConnectionHandle, ConnectionStatus&) { return 1234u; };
    EXPECT_TRUE(r.Tick().empty());
    r.Serve();
    r.view.ChooseServer(c.row);
    r.Fresh();
    c.via == kGone ? void(r.released.insert(lost)) : r.Drop(c.adopted ? 7 : 1);
    if (c.via == kErrorEvent || c.via == kDisconnectedEvent) {
      r.controller->OnDialEvent(ras::kDisconnected, c.via == kErrorEvent ? 628 : 0);
    } else {
      r.controller->OnLinkWatchTick();
    }
    EXPECT_EQ(r.view.Take(), Then({"watch stop"}, c.expected));
    const Calls calls = r.ras.Take();
    EXPECT_EQ(calls.at(c.via == kTick || c.via == kGone ? 1 : 0), "HangUp")
        << "released before anything else";
    EXPECT_EQ(r.hungUp, Handles{lost});
    if (c.polls < 0) continue;
    EXPECT_TRUE(r.released.count(lost));
    if (c.redials != nullptr) {
      EXPECT_EQ(calls.back() + " " + r.dials.back().phoneNumber, "Dial " + std::string(c.redials));
      continue;
    }
    EXPECT_TRUE(r.Tick().empty()) << "no more watching";
    r.Dial(1);
    EXPECT_EQ(r.dials.size(), c.adopted ? 1u : 2u) << "the button dials anew";
  }
}

TEST(MainController, ADialStartedUnderABoxWithoutOwnerIsNotUndoneWhenItCloses) {
  // Adopted, its address never learnt: the re-dial needs a valid row, asked for after the loss.
  Rig r({{"autoreconnect", 1}});
  r.up = {Up(7)};
  r.StartReady();
  r.phone[H(7)] = "";
  r.Drop(7);
  r.view.ChooseServer(0);
  r.view.duringNotice = [&r] { r.Dial(1); };
  EXPECT_EQ(Tail(r.Tick(), 7), Then({"tray warning NORVA: The VPN connection was lost.",
                                     "notice Please Select Valid Server", "choose 1"},
                                    kLocked));
  ASSERT_EQ(r.dials.size(), 1u);
  EXPECT_EQ(r.dials[0].phoneNumber, "ams.example");
}

TEST(MainController, AutoConnectCountsDownOnceAndDialsTheLastServerWhenNothingElseIsUnderWay) {
  // start: up to the list being ready; dials: the address dialled, if any.
  const struct { const char* name; O outcome; std::function<void(Rig&)> start; const char* dials;
                 bool prompts = true; } cases[] = {
      {"counted down", O::kGoAhead, [](Rig& r) { r.StartReady(); }, "ber.example"},
      // Another event after a cancelled prompt does not bring it back.
      {"cancelled", O::kCancelled, [](Rig& r) {
         r.StartReady();
         r.controller->OnAccountTypePicked(AccountType::Shared);
       }, nullptr},
      // Never over a connection up since an earlier run, whose row is still chosen.
      {"adopted", O::kGoAhead, [](Rig& r) {
         r.up = {Up(5)};
         r.StartReady();
         EXPECT_EQ(r.view.chosenServer, 2);
       }, nullptr, false},
      // Nor over a dial the user started before the list arrived.
      {"user dialled first", O::kGoAhead, [](Rig& r) {
         r.Start();
         r.controller->OnAccountTypePicked(AccountType::Shared);
         r.Dial(1);
         r.controller->OnServerListReady();
       }, "ams.example", false},
      // A dialog or the tray menu open when the list arrives: the prompt follows once it closes.
      {"options open", O::kGoAhead, [](Rig& r) {
         r.ras.setEntryProperties = [](Text, Text, const EntryProperties&) { return ras::kOk; };
         r.Start();
         r.view.duringOptions = [&r] {
           r.controller->OnServerListReady();
           EXPECT_FALSE(Has(r.view.log, "prompt auto connect"));
         };
         r.controller->OnOptions();
         EXPECT_TRUE(Has(r.ras.calls, "SetEntryProperties")) << "built on closing";
       }, "ber.example"},
      {"tray menu open", O::kGoAhead, [](Rig& r) {
         r.Start();
         r.view.duringTrayMenu = [&r] {
           r.controller->OnServerListReady();
           EXPECT_FALSE(Has(r.view.log, "prompt auto connect"));
         };
         r.controller->OnTrayMenu();
       }, "ber.example"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r({{"autoconnect", 1}, {"lastserver", 2}});
    r.view.promptOutcome = c.outcome;
    c.start(r);
    const Log log = r.view.Take();
    EXPECT_EQ(std::count(log.begin(), log.end(), "prompt auto connect"), c.prompts ? 1 : 0);
    ASSERT_EQ(r.dials.size(), c.dials != nullptr ? 1u : 0u);
    if (c.dials != nullptr) { EXPECT_EQ(r.dials[0].phoneNumber, c.dials); }
  }
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
    if (r.dials.size() == 2) { EXPECT_EQ(r.dials[1].phoneNumber, "ber.example") << "the lost"; }
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
  for (bool reconnect : {false, true}) {  // else the auto connect prompt
    Rig r({{"autoconnect", 1}, {"lastserver", reconnect ? 0u : 2u}, {"autoreconnect", 1}});
    r.view.duringPrompt = [&r](PromptKind) { r.controller->OnExit(); };
    reconnect ? r.Connected() : r.StartReady();
    r.Drop(1);
    r.controller->OnLinkWatchTick();
    EXPECT_EQ(Tail(r.view.Take(), 3), (Log{"prompt closed", "tray remove", "end"}));
    EXPECT_EQ(r.dials.size(), reconnect ? 1u : 0u);
    r.controller->OnDialEvent(ras::kConnected, 0);
    r.controller->OnServerListReady();
    EXPECT_TRUE(r.view.Take().empty()) << "nothing more on the way out";
  }
}

TEST(MainController, TheWindowHidesOnlyToAnIconTheShellHasAndExitLeavesTheConnectionUp) {
  Rig r;
  r.view.failingTrayAdds = 2;  // at logon the taskbar is not there yet
  r.Connected();
  EXPECT_FALSE(Has(r.view.Take(), "hide")) << "connected without a tray icon";
  r.controller->OnClose();
  for (int tick = 0; tick < 3; ++tick) r.controller->OnTrayRetryTick();
  r.controller->OnClose();
  r.controller->OnOpenWindow();
  for (bool shown : {true, false}) {
    if (!shown) r.controller->OnClose();
    r.view.failingTrayAdds = 1;
    r.controller->OnShellRestarted();  // it lost the icon and does not take it back at once
    r.controller->OnTrayRetryTick();
  }
  r.controller->OnExit();
  r.controller->OnShellRestarted();
  EXPECT_EQ(r.view.Take(), (Log{"minimize", "tray add failed", "tray add", "tray retry stop",
                                "hide", "raise", "tray add failed", "tray retry", "tray add",
                                "tray retry stop", "hide", "tray add failed", "minimize",
                                "tray retry", "tray add", "tray retry stop", "tray remove", "end"}));
  EXPECT_TRUE(r.hungUp.empty());
}

// The tries of a dial of the program's own: after a loss with auto reconnect on, or at start.
TEST(MainController, FormCommandsRefillTheListRebuildTheEntryAndReloadTheCredentials) {
  Rig r;
  r.StartReady();
  std::vector<std::uint32_t> builds;  // the tunnel strategy of each entry write
  r.ras.setEntryProperties = [&](Text, Text, const EntryProperties& p) {
    builds.push_back(p.vpnStrategy);
    return ras::kOk;
  };
  r.view.Take();
  r.controller->OnAccountTypePicked(AccountType::Dedicated);
  EXPECT_EQ(r.view.Take(), (Log{"server list off", "servers Zurich", "choose 0", "server list on"}));
  EXPECT_EQ(r.settings.values["account_type"], 1u);

  r.view.tunnelType = VpnType::kL2tpIpsec;
  r.controller->OnTunnelTypePicked();
  r.view.tunnelType = std::nullopt;
  r.controller->OnTunnelTypePicked();  // no row: nothing to build
  r.controller->OnOptions();           // no row: PPTP
  r.view.tunnelType = VpnType::kL2tpIpsec;
  r.controller->OnOptions();
  EXPECT_EQ(builds, (std::vector<std::uint32_t>{entry::kVpnL2tpOnly, entry::kVpnPptpOnly,
                                                entry::kVpnL2tpOnly}));
  r.view.Take();
  r.controller->OnServerSettings();  // the tunnel type as at start, not as picked
  EXPECT_EQ(r.view.Take(),
            (Log{"server settings", "tunnel PPTP", "credentials saved-user saved-pass"}));
}

TEST(MainController, TheProgramsOwnDialIsTriedAgainUntilItConnectsOrIsStopped) {
  const Log released = {"busy", "busy end"};
  const Log waits = {"status Reconnecting in 5 seconds (try 2).", "wait 5"};
  const auto noticed = [&](const std::string& what) {
    return Then(Then(released, {"tray notice NORVA: The VPN connection " + what}), waits);
  };
  const Log lost = noticed("was lost and is being re-established."),
            notYet = noticed("could not be made yet and is being tried again.");
  const Log redial = Then({"wait stop"}, kTrying);
  enum Next { kWaitRunsOut, kNetworkBack, kDisconnect, kExit };
  // atStart: auto connect, else the re-dial after a loss; afterFirst: what the first failure
  // shows, afterNext: what follows `next`; dials: of the program's own.
  const struct { const char* name; bool atStart; RasResult error; Next next; Log afterFirst,
                 afterNext; std::size_t dials; } cases[] = {
      {"retried error, then connected", false, 800, kWaitRunsOut, lost, redial, 2},
      {"network back", false, 809, kNetworkBack, lost, redial, 2},
      {"auto connect at start", true, 678, kWaitRunsOut, notYet, redial, 2},
      {"not worth another try", false, 691, kWaitRunsOut,
       Then(released, {"server list on", "inputs on", "label Connect", "button on", "status ",
                       "error Access was denied."}),
       {}, 1},
      {"Disconnect while waiting", false, 800, kDisconnect, lost,
       {"wait stop", "server list on", "inputs on", "label Connect", "status Connection lost."}, 1},
      {"Exit while waiting", false, 800, kExit, lost, {"wait stop", "tray remove", "end"}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r({{"autoreconnect", 1}, {"autoconnect", 1}, {"lastserver", 2}});
    if (!c.atStart) {
      r.view.promptOutcome = O::kCancelled;
      r.Connected(2);  // auto connect cancelled, the server dialled by the user
      r.view.promptOutcome = O::kGoAhead;
      r.Drop(1);
      r.controller->OnLinkWatchTick();
      r.controller->OnAccountTypePicked(AccountType::Dedicated);  // the list no longer has it
    } else {
      r.StartReady();
    }
    const std::size_t first = r.dials.size() - 1;
    r.view.Take();
    r.controller->OnDialEvent(ras::kConnectDevice, c.error);
    EXPECT_EQ(r.view.Take(), c.afterFirst);
    switch (c.next) {
      case kWaitRunsOut: r.controller->OnRetryDue(); break;
      case kNetworkBack: r.controller->OnNetworkChanged(); break;
      case kDisconnect: r.controller->OnConnectButton(); break;
      case kExit: r.controller->OnExit(); break;
    }
    EXPECT_EQ(r.view.Take(), c.afterNext);
    r.controller->OnRetryDue();  // late: a stopped wait, or one already over, dials nothing
    ASSERT_EQ(r.dials.size() - first, c.dials);
    for (std::size_t i = first; i < r.dials.size(); ++i) {
      EXPECT_EQ(r.dials[i].entryName + " " + r.dials[i].phoneNumber, "NORVA ber.example");
      EXPECT_TRUE(i == first || r.released.count(H(i))) << "the try before " << i << " was let go";
    }
    if (c.dials < 2) continue;
    r.controller->OnDialEvent(ras::kConnected, 0);
    EXPECT_EQ(Tail(r.view.Take(), 4), (Log{"status Connected.", "label Disconnect", "button on",
                                           "tray notice NORVA: The VPN connection is back."}));
  }

  // The waits grow to a minute; a dial under way is hung up by Disconnect.
  Rig r({{"autoconnect", 1}, {"lastserver", 2}});
  r.StartReady();
  r.view.Take();
  for (int i = 0; i < 6; ++i) {
    r.controller->OnDialEvent(ras::kConnectDevice, 800);
    r.controller->OnRetryDue();
  }
  Log waited;
  for (const std::string& line : r.view.Take())
    if (line.rfind("wait ", 0) == 0 && line != "wait stop") waited.push_back(line);
  EXPECT_EQ(waited, (Log{"wait 5", "wait 10", "wait 20", "wait 40", "wait 60", "wait 60"}));
  EXPECT_EQ(r.Press(), (Log{"busy", "busy end", "server list on", "inputs on", "label Connect",
                            "status Connection lost."}));
  EXPECT_TRUE(r.released.count(H(7))) << "hung up and released";
}

}  // namespace
}  // namespace norva
