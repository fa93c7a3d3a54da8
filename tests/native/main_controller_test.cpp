#include "ui/main_controller.h"

#include <gtest/gtest.h>
#include <stdlib.h>

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

using testing::RecordingView;
using Log = RecordingView::Log;

const std::string kPhonebook = "C:\\pbk\\norva.pbk";
const NotifierWindow kNotifier = reinterpret_cast<NotifierWindow>(std::uintptr_t{0x100});
constexpr std::uint32_t kDropped = ras::kDisconnected;

ConnectionHandle H(std::uintptr_t n) { return reinterpret_cast<ConnectionHandle>(n * 16); }
Guid G(std::uint8_t b) {
  Guid g;
  g.bytes.fill(b);
  return g;
}

struct FakeClock : WaitClock {
  std::uint64_t now = 5000;
  std::uint64_t NowMs() override { return now; }
  void GiveUpTimeSlice() override { now += 10; }
};

struct NullHost : EntryHost {
  bool IsUserAdministrator() override { return true; }
  void RelaunchElevated() override { ADD_FAILURE() << "relaunch"; }
  void ShowContactSupport() override { ADD_FAILURE() << "contact support"; }
  std::string FirstCustomServerAddress() override { return ""; }
};

// A small remote access service behind the scripted fake: the entry's saved
// dial parameters, stored credentials, dials that hand out handles 1, 2, ...,
// and connections whose link and hang-up the test steers.
struct Service {
  bool savedParams = true;
  RasResult credentialsAnswer = ras::kOk;
  RasResult dialAnswer = ras::kOk;
  bool handleWithRefusal = false;
  RasResult hangUpAnswer = ras::kOk;
  int pollsUntilReleased = 2;  // -1: never released
  RasResult storeAnswer = ras::kOk;
  std::vector<ActiveConnection> up;  // what EnumConnections lists
  std::map<std::uint32_t, std::string> errorTexts{{691, "Access was denied."}};

  std::vector<DialParams> dials;
  std::vector<Credentials> stored;
  std::vector<ConnectionHandle> hungUp;
  std::map<ConnectionHandle, std::uint32_t> state;  // of each known connection
  std::map<ConnectionHandle, int> polls;            // since its hang-up
  std::set<ConnectionHandle> released;

  void Install(testing::ScriptedRas& ras) {
    ras.getEntryDialParams = [this](const std::string& pb, DialParams& p, bool&) {
      EXPECT_EQ(pb, kPhonebook);
      EXPECT_EQ(p.entryName, "NORVA");
      if (!savedParams) return ras::kCannotFindEntry;
      p.userName = "saved-user";
      p.password = "saved-pass";
      return ras::kOk;
    };
    ras.getCredentials = [this](const std::string&, const std::string& e, Credentials& c) {
      EXPECT_EQ(e, "NORVA");
      EXPECT_EQ(c.mask, 3u);
      return credentialsAnswer;
    };
    ras.setCredentials = [this](const std::string&, const std::string&, const Credentials& c,
                                bool clear) {
      if (c.mask == 3 && !clear) stored.push_back(c);
      return storeAnswer;
    };
    ras.dial = [this](const std::string& pb, const DialParams& p, NotifierWindow n,
                      ConnectionHandle& h) {
      EXPECT_EQ(pb, kPhonebook);
      EXPECT_EQ(n, kNotifier);
      EXPECT_EQ(h, nullptr) << "dialled with a stale handle";
      dials.push_back(p);
      if (dialAnswer == ras::kOk || handleWithRefusal) {
        h = H(dials.size());
        state[h] = ras::kPortOpened;
      }
      return dialAnswer;
    };
    ras.hangUp = [this](ConnectionHandle h) {
      EXPECT_NE(h, nullptr);
      hungUp.push_back(h);
      if (!state.count(h) || released.count(h)) return ras::kInvalidHandle;
      if (hangUpAnswer == ras::kOk) polls[h] = 0;
      return hangUpAnswer;
    };
    ras.getConnectStatus = [this](ConnectionHandle h, ConnectionStatus& s) {
      if (!state.count(h) || released.count(h)) return ras::kInvalidHandle;
      if (polls.count(h) && pollsUntilReleased >= 0 && ++polls[h] > pollsUntilReleased) {
        released.insert(h);
        return ras::kInvalidHandle;
      }
      s.state = polls.count(h) ? kDropped : state[h];
      return ras::kOk;
    };
    ras.enumConnections = [this](std::uint32_t&, std::vector<ActiveConnection>& out) {
      out = up;
      for (const ActiveConnection& c : up) state[c.handle] = ras::kConnected;
      return ras::kOk;
    };
    ras.getErrorString = [this](std::uint32_t code, std::string& text) {
      if (!errorTexts.count(code)) return ras::kInvalidParameter;
      text = errorTexts[code];
      return ras::kOk;
    };
  }
};

// Shared IP: Amsterdam, Berlin, Oslo; dedicated IP: Zurich.
const std::vector<testing::ServerEntry> kServers = {
    {"shared", "Amsterdam", "ams.example"},
    {"shared", "Berlin", "ber.example"},
    {"dedicated", "Zurich", "zrh.example"},
    {"shared", "Oslo", "osl.example"},
};

// One program under test, with its servers.xml in a scratch folder.
struct Rig {
  Rig() {
    char name[] = "/tmp/norva-controller-XXXXXX";
    dir_ = mkdtemp(name);
    serverList_ = dir_ + "/servers.xml";
    std::ofstream(serverList_, std::ios::binary) << testing::ServersXml(kServers);
  }
  ~Rig() { std::filesystem::remove_all(dir_); }

  // Starts the program: reads the entry (PPTP unless `strategy` says
  // otherwise), makes the controller and runs its start.
  void Start(std::uint32_t strategy = entry::kVpnPptpOnly) {
    ras.getEntryProperties = [strategy](const std::string&, const std::string&,
                                        EntryProperties& e) {
      e.vpnStrategy = strategy;
      e.guid = G(0xAB);
      return ras::kOk;
    };
    entry.EnsureEntry();
    ras.getEntryProperties = nullptr;
    service.Install(ras);
    session.emplace(ras, clock, DialSetup{kPhonebook, "NORVA", G(0xAB), kNotifier});
    controller.emplace(view, settings, *session, entry, serverList_);
    controller->Start();
  }
  // Started, with the server list filled for shared IP.
  void StartReady() {
    Start();
    controller->OnServerListReady();
  }
  // Connected to the row chosen (Berlin unless told otherwise).
  void Connected(int row = 2) {
    StartReady();
    view.ChooseServer(row);
    controller->OnConnectButton();
    controller->OnDialEvent(ras::kConnected, 0);
  }
  // The link of connection `n` drops.
  void Drop(std::uintptr_t n) { service.state[H(n)] = kDropped; }
  // Entry builds are expected: records the tunnel type of each.
  std::vector<std::uint32_t> ExpectBuilds() {
    ras.setEntryProperties = [this](const std::string&, const std::string&,
                                    const EntryProperties& p) {
      builds.push_back(p.vpnStrategy);
      return ras::kOk;
    };
    return {};
  }

  testing::ScriptedRas ras;
  testing::FakeSettings settings;
  FakeClock clock;
  RecordingView view;
  NullHost host;
  Service service;
  PhonebookEntry entry{ras, settings, host, kPhonebook};
  std::optional<DialSession> session;
  std::optional<MainController> controller;
  std::vector<std::uint32_t> builds;
  std::string dir_, serverList_;
};

// --- Start-up and the server list

TEST(MainController, StartFillsTheFormAndStartsTheUpdater) {
  struct Case {
    std::uint32_t accountType, strategy;
    bool savedParams;
    Log expected;
  } cases[] = {
      {0, entry::kVpnPptpOnly, true,
       {"tray add", "account shared", "tunnel PPTP", "credentials saved-user saved-pass",
        "animation", "server list off", "updater"}},
      {1, entry::kVpnL2tpOnly, false,
       {"tray add", "account dedicated", "tunnel L2TP", "animation", "server list off", "updater"}},
      // An entry that could not be read shows L2TP/IPSec.
      {7, 0, true,
       {"tray add", "account dedicated", "tunnel L2TP", "credentials saved-user saved-pass",
        "animation", "server list off", "updater"}},
  };
  for (const Case& c : cases) {
    Rig t;
    t.settings.values["account_type"] = c.accountType;
    t.service.savedParams = c.savedParams;
    t.Start(c.strategy);
    EXPECT_EQ(t.view.Take(), c.expected) << "account type " << c.accountType;
  }
}

TEST(MainController, ServerListReadyFillsTheCheckedTypeAndChoosesTheLastServer) {
  struct Case {
    std::uint32_t accountType, lastServer;
    Log expected;
  } cases[] = {
      {0, 0,
       {"server list off", "servers Amsterdam Berlin Oslo", "choose 0", "server list on",
        "animation stop"}},
      {1, 1,
       {"server list off", "servers Zurich", "choose 0", "server list on", "animation stop",
        "choose 1"}},
      // Past the end the list chooses no row; negative rows are ignored.
      {0, 9,
       {"server list off", "servers Amsterdam Berlin Oslo", "choose 0", "server list on",
        "animation stop", "choose 9"}},
      {0, 0xFFFFFFFF,
       {"server list off", "servers Amsterdam Berlin Oslo", "choose 0", "server list on",
        "animation stop"}},
  };
  for (const Case& c : cases) {
    Rig t;
    t.settings.values = {{"account_type", c.accountType}, {"lastserver", c.lastServer}};
    t.Start();
    t.view.Take();
    t.controller->OnServerListReady();
    EXPECT_EQ(t.view.Take(), c.expected) << "last server " << c.lastServer;
    EXPECT_TRUE(t.service.dials.empty()) << "autoconnect is off";
  }
}

TEST(MainController, AccountTypePickRefillsAndIsStored) {
  Rig r;
  r.StartReady();
  r.view.Take();
  r.controller->OnAccountTypePicked(AccountType::Dedicated);
  EXPECT_EQ(r.view.Take(), (Log{"server list off", "servers Zurich", "choose 0", "server list on"}));
  EXPECT_EQ(r.settings.values["account_type"], 1u);
  // Without a list the server list stays off, and unlocking leaves it off.
  std::filesystem::remove(r.serverList_);
  r.controller->OnAccountTypePicked(AccountType::Shared);
  EXPECT_EQ(r.view.Take(), (Log{"server list off", "servers"}));
  r.controller->OnConnectButton();
  EXPECT_EQ(r.view.Take(), (Log{"notice Please Select Valid Server"}));
}

// --- Connecting

TEST(MainController, ConnectDialsTheChosenServerAndConnectedHidesToTheWatchedTray) {
  Rig r;
  for (bool watchStarts : {true, false}) {
    Rig t;
    t.view.watchStarts = watchStarts;
    t.StartReady();
    t.view.ChooseServer(3);
    t.view.Take();
    t.controller->OnConnectButton();
    EXPECT_EQ(t.view.Take(), (Log{"server list off", "inputs off", "label Disconnect", "button off"}));
    ASSERT_EQ(t.service.dials.size(), 1u);
    EXPECT_EQ(t.service.dials[0].entryName, "NORVA");
    EXPECT_EQ(t.service.dials[0].phoneNumber, "osl.example");

    for (std::uint32_t state : {ras::kPortOpened, ras::kConnectDevice, 3u, ras::kAuthenticate,
                                ras::kAuthenticated}) {
      t.controller->OnDialEvent(state, 0);
    }
    t.controller->OnDialEvent(ras::kConnected, 0);
    Log connected = {"status Openning...", "status Connecting...", "status Authenticating...",
                     "status Authenticated.", "watch"};
    if (watchStarts) connected.push_back("hide");
    connected.insert(connected.end(), {"status Connected.", "label Disconnect", "button on"});
    EXPECT_EQ(t.view.Take(), connected);
    EXPECT_EQ(t.settings.values["lastserver"], 3u);

    t.controller->OnDialEvent(ras::kDisconnected, 0);
    EXPECT_EQ(t.view.Take(), Log{"show"});
  }
}

TEST(MainController, SavedCredentialsAreDialledUntilTheUserEditsAndTypedOnesStoredOnConnect) {
  Rig r;
  struct Case {
    const char* name;
    RasResult credentialsAnswer;
    bool edited;
    RasResult storeAnswer;
    bool dialsTyped, stores, editsForgotten;
  } cases[] = {
      {"saved, untouched", ras::kOk, false, ras::kOk, false, false, false},
      {"saved, edited", ras::kOk, true, ras::kOk, true, true, true},
      {"none saved, untouched", 1168, false, ras::kOk, true, false, false},
      {"none saved, edited", 1168, true, ras::kOk, true, true, true},
      {"edited, storing fails", ras::kOk, true, ras::kAccessDenied, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig t;
    t.service.credentialsAnswer = c.credentialsAnswer;
    t.service.storeAnswer = c.storeAnswer;
    t.StartReady();
    t.view.ChooseServer(1);
    t.view.ShowCredentials("typed-user", "typed-pass");
    t.view.edited = c.edited;
    t.controller->OnConnectButton();
    ASSERT_EQ(t.service.dials.size(), 1u);
    EXPECT_EQ(t.service.dials[0].userName, c.dialsTyped ? "typed-user" : "saved-user");
    EXPECT_EQ(t.service.dials[0].password, c.dialsTyped ? "typed-pass" : "saved-pass");
    EXPECT_TRUE(t.service.stored.empty()) << "stored before the connection stands";

    t.controller->OnDialEvent(ras::kConnected, 0);
    ASSERT_EQ(t.service.stored.size(), c.stores ? 1u : 0u);
    if (c.stores) EXPECT_EQ(t.service.stored[0].userName + t.service.stored[0].password, "typed-usertyped-pass");
    EXPECT_EQ(t.view.edited, c.edited && !c.editsForgotten);
  }
}

TEST(MainController, ADialWithoutSavedParametersStillNamesTheEntry) {
  Rig r;
  r.service.savedParams = false;
  r.StartReady();
  r.view.ChooseServer(1);
  r.controller->OnConnectButton();
  ASSERT_EQ(r.service.dials.size(), 1u);
  EXPECT_EQ(r.service.dials[0].entryName, "NORVA");
}

TEST(MainController, PlaceholderRowOnlyAsksForAValidServer) {
  Rig r;
  r.StartReady();
  r.view.Take();
  r.controller->OnConnectButton();  // row 0 is chosen after the fill
  EXPECT_EQ(r.view.Take(), Log{"notice Please Select Valid Server"});
  EXPECT_TRUE(r.service.dials.empty());
}

TEST(MainController, DialErrorsShowTheServiceTextAndGiveTheInputsBack) {
  Rig r;
  struct Case {
    const char* name;
    RasResult atOnce;
    bool handle;
    std::uint32_t eventError;
    std::string box;
  } cases[] = {
      {"refused at once", 691, false, 0, "error Access was denied."},
      {"refused with a handle", 691, true, 0, "error Access was denied."},
      {"error event", ras::kOk, false, 691, "error Access was denied."},
      {"no text for the code", ras::kOk, false, 0xFFFFFFFF, "error Unknown Connection\tError -1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig t;
    t.service.dialAnswer = c.atOnce;
    t.service.handleWithRefusal = c.handle;
    t.StartReady();
    t.view.ChooseServer(1);
    t.controller->OnConnectButton();
    if (c.eventError != 0) t.controller->OnDialEvent(ras::kAuthenticate, c.eventError);
    const Log log = t.view.Take();
    const Log tail(log.end() - 6, log.end());
    EXPECT_EQ(tail, (Log{"status ", c.box, "server list on", "inputs on", "label Connect", "button on"}));
    // A handle handed out is hung up, once.
    EXPECT_EQ(t.service.hungUp.size(), c.handle || c.eventError != 0 ? 1u : 0u);
    // The program is usable again: the next press dials.
    t.service.dialAnswer = ras::kOk;
    t.controller->OnConnectButton();
    EXPECT_EQ(t.service.dials.size(), 2u);
  }
}

// --- Hanging up

TEST(MainController, DisconnectHangsUpAndWaitsForTheRelease) {
  Rig r;
  r.Connected();
  r.view.Take();
  r.ras.Take();
  r.controller->OnConnectButton();
  EXPECT_EQ(r.view.Take(), (Log{"watch stop", "busy", "busy end", "server list on", "inputs on",
                              "label Connect", "status "}));
  EXPECT_EQ(r.ras.Take(), (std::vector<std::string>{"HangUp", "GetConnectStatus",
                                                  "GetConnectStatus", "GetConnectStatus"}));
  // A new press dials again.
  r.controller->OnConnectButton();
  EXPECT_EQ(r.service.dials.size(), 2u);
}

TEST(MainController, RefusedOrEndlessHangUpKeepsTheConnection) {
  Rig r;
  // Refused: the button offers a new dial while the inputs stay locked.
  r.service.hangUpAnswer = 5;
  r.Connected();
  r.view.Take();
  r.controller->OnConnectButton();
  EXPECT_EQ(r.view.Take(), (Log{"watch stop", "error Disconnection Failed", "label Connect"}));
  r.controller->OnConnectButton();
  EXPECT_EQ(r.service.dials.size(), 2u);

  // Never released: after the bounded wait the button still hangs up.
  Rig t;
  t.service.pollsUntilReleased = -1;
  t.Connected();
  t.view.Take();
  t.controller->OnConnectButton();
  EXPECT_EQ(t.view.Take(), (Log{"watch stop", "busy", "busy end",
                                "error The connection did not close in time. Try again.",
                                "label Disconnect"}));
  EXPECT_GE(t.clock.now, 5000 + DialSession::kHangUpWaitMs);
  t.service.pollsUntilReleased = 0;
  t.controller->OnConnectButton();
  EXPECT_EQ(t.service.hungUp, (std::vector<ConnectionHandle>{H(1), H(1)}));
  EXPECT_EQ(t.view.Take().back(), "status ");
}

// --- A connection found at start

TEST(MainController, AConnectionUpAtStartIsAdoptedAndWatched) {
  Rig r;
  r.service.up = {{H(7), "NORVA", kPhonebook, G(0xAB)},
                {H(8), "Other", kPhonebook, G(0x01)},
                {H(9), "NORVA", kPhonebook, G(0xAB)}};
  r.Start();
  const Log log = r.view.Take();
  EXPECT_EQ(Log(log.end() - 4, log.end()),
            (Log{"server list off", "inputs off", "label Disconnect", "watch"}));
  // Disconnect hangs up the later one of the entry.
  r.controller->OnConnectButton();
  EXPECT_EQ(r.service.hungUp, std::vector<ConnectionHandle>{H(9)});
}

TEST(MainController, ActiveConnectionSearchGrowsItsBufferAndGivesUp) {
  Rig r;
  struct Case {
    std::vector<std::pair<RasResult, std::uint32_t>> answers;  // result, bytes needed
    bool adopted;
  } cases[] = {
      {{{ras::kOk, 0}}, true},
      {{{ras::kBufferTooSmall, 1408}, {ras::kOk, 0}}, true},
      {{{ras::kBufferTooSmall, 1408}, {ras::kNotEnoughMemory, 0}}, false},
      {std::vector<std::pair<RasResult, std::uint32_t>>(5, {ras::kBufferTooSmall, 2112}), false},
  };
  for (const Case& c : cases) {
    Rig t;
    t.Start();
    std::vector<std::uint32_t> sizes;
    t.ras.enumConnections = [&](std::uint32_t& bytes, std::vector<ActiveConnection>& out) {
      sizes.push_back(bytes);
      if (sizes.size() > c.answers.size()) return ras::kNotEnoughMemory;
      const auto [result, needed] = c.answers[sizes.size() - 1];
      if (result == ras::kBufferTooSmall) bytes = needed;
      if (result == ras::kOk) out = {{H(4), "NORVA", kPhonebook, G(0xAB)}};
      return result;
    };
    EXPECT_EQ(t.session->FindActiveConnection(), c.adopted ? H(4) : nullptr);
    EXPECT_EQ(sizes.size(), c.answers.size());
    EXPECT_EQ(sizes[0], 704u);
    if (sizes.size() > 1) EXPECT_EQ(sizes[1], c.answers[0].second);
  }
}

// --- The link watch and a lost link

TEST(MainController, OnlyAnInvalidHandleOrAStateOtherThanConnectedIsALoss) {
  Rig r;
  r.Connected();
  r.view.Take();
  r.ras.getConnectStatus = [](ConnectionHandle, ConnectionStatus& s) {
    s.state = ras::kConnected;
    return ras::kOk;
  };
  r.controller->OnLinkWatchTick();
  r.ras.getConnectStatus = [](ConnectionHandle, ConnectionStatus&) { return 1234u; };
  r.controller->OnLinkWatchTick();
  EXPECT_TRUE(r.view.Take().empty()) << "the watch goes on";
  r.service.Install(r.ras);
  r.Drop(1);
  r.controller->OnLinkWatchTick();
  EXPECT_EQ(r.view.Take().front(), "watch stop");
}

const Log kLossReported = {"status Connection lost.", "server list on", "inputs on",
                           "label Connect", "button on",
                           "tray warning NORVA: The VPN connection was lost."};

TEST(MainController, ALossWithoutReDialIsReleasedAndReported) {
  struct Case {
    const char* name;
    std::uint32_t autoReconnect;
    PromptOutcome prompt;
    bool adopted;
  } cases[] = {
      {"reconnect off", 0, PromptOutcome::kGoAhead, false},
      {"prompt cancelled", 1, PromptOutcome::kCancelled, false},
      {"adopted, reconnect off", 0, PromptOutcome::kGoAhead, true},
      {"adopted, prompt cancelled", 1, PromptOutcome::kCancelled, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig t;
    t.settings.values["autoreconnect"] = c.autoReconnect;
    t.view.promptOutcome = c.prompt;
    if (c.adopted) {
      t.service.up = {{H(1), "NORVA", kPhonebook, G(0xAB)}};
      t.StartReady();
    } else {
      t.Connected();
    }
    t.view.Take();
    t.Drop(1);
    t.controller->OnLinkWatchTick();
    Log expected = {"watch stop", "busy", "busy end"};
    if (c.autoReconnect != 0) expected.push_back("prompt reconnect");
    expected.insert(expected.end(), kLossReported.begin(), kLossReported.end());
    EXPECT_EQ(t.view.Take(), expected);
    EXPECT_EQ(t.service.hungUp, std::vector<ConnectionHandle>{H(1)});
    EXPECT_TRUE(t.service.released.count(H(1)));
    // No more watching, and the button dials anew.
    t.controller->OnLinkWatchTick();
    EXPECT_TRUE(t.view.Take().empty());
    t.view.ChooseServer(1);
    t.controller->OnConnectButton();
    EXPECT_EQ(t.service.dials.size(), c.adopted ? 1u : 2u);
  }
}

TEST(MainController, AReDialFirstReleasesTheLostHandle) {
  Rig r;
  r.settings.values["autoreconnect"] = 1;
  r.Connected(3);
  r.view.Take();
  r.ras.Take();
  r.Drop(1);
  r.controller->OnLinkWatchTick();
  EXPECT_EQ(r.view.Take(), (Log{"watch stop", "busy", "busy end", "prompt reconnect",
                              "server list off", "inputs off", "label Disconnect", "button off"}));
  const std::vector<std::string> calls = r.ras.Take();
  EXPECT_EQ(calls[1], "HangUp");
  EXPECT_EQ(calls.back(), "Dial");
  ASSERT_EQ(r.service.dials.size(), 2u);
  EXPECT_EQ(r.service.dials[1].phoneNumber, "osl.example");
  EXPECT_TRUE(r.service.released.count(H(1)));

  // A re-dial with nothing valid to dial reports the loss as well.
  Rig t;
  t.settings.values["autoreconnect"] = 1;
  t.Connected();
  t.view.ChooseServer(0);
  t.view.Take();
  t.Drop(1);
  t.controller->OnLinkWatchTick();
  Log expected = {"watch stop", "busy", "busy end", "prompt reconnect",
                  "notice Please Select Valid Server"};
  expected.insert(expected.end(), kLossReported.begin(), kLossReported.end());
  EXPECT_EQ(t.view.Take(), expected);
}

TEST(MainController, AHandleTheServiceAlreadyForgotCountsAsReleased) {
  Rig r;
  r.Connected();
  r.view.Take();
  r.service.released.insert(H(1));  // the status query answers 6 from now on
  r.controller->OnLinkWatchTick();
  Log expected = {"watch stop", "busy", "busy end"};
  expected.insert(expected.end(), kLossReported.begin(), kLossReported.end());
  EXPECT_EQ(r.view.Take(), expected);
}

// --- Auto connect

TEST(MainController, AutoConnectCountsDownAndDialsTheLastServer) {
  for (PromptOutcome outcome : {PromptOutcome::kGoAhead, PromptOutcome::kCancelled}) {
    Rig t;
    t.settings.values = {{"autoconnect", 1}, {"lastserver", 2}};
    t.view.promptOutcome = outcome;
    t.StartReady();
    const Log log = t.view.Take();
    EXPECT_NE(std::find(log.begin(), log.end(), "prompt auto connect"), log.end());
    ASSERT_EQ(t.service.dials.size(), outcome == PromptOutcome::kGoAhead ? 1u : 0u);
    if (!t.service.dials.empty()) EXPECT_EQ(t.service.dials[0].phoneNumber, "ber.example");
  }
}

TEST(MainController, AutoConnectNeverDialsOverAConnection) {
  Rig r;
  // Up since an earlier run.
  r.settings.values = {{"autoconnect", 1}, {"lastserver", 2}};
  r.service.up = {{H(5), "NORVA", kPhonebook, G(0xAB)}};
  r.StartReady();
  EXPECT_EQ(r.view.chosenServer, 2) << "the row is still chosen";
  EXPECT_TRUE(r.service.dials.empty());
  r.controller->OnConnectButton();
  EXPECT_EQ(r.service.hungUp, std::vector<ConnectionHandle>{H(5)});

  // Dialled by the user before the list arrived.
  Rig t;
  t.settings.values = {{"autoconnect", 1}, {"lastserver", 2}};
  t.Start();
  t.controller->OnAccountTypePicked(AccountType::Shared);
  t.view.ChooseServer(1);
  t.controller->OnConnectButton();
  t.controller->OnServerListReady();
  const Log log = t.view.Take();
  EXPECT_EQ(std::find(log.begin(), log.end(), "prompt auto connect"), log.end());
  EXPECT_EQ(t.service.dials.size(), 1u);
}

TEST(MainController, AutoConnectWaitsUntilADialogHasClosed) {
  Rig r;
  r.settings.values = {{"autoconnect", 1}, {"lastserver", 2}};
  r.ExpectBuilds();
  r.Start();
  r.view.Take();
  r.ras.Take();
  r.view.duringOptions = [&r] {
    r.controller->OnServerListReady();
    EXPECT_EQ(r.view.log.back(), "choose 2");
  };
  r.controller->OnOptions();
  const Log log = r.view.Take();
  EXPECT_EQ(Log(log.end() - 5, log.end()),
            (Log{"prompt auto connect", "server list off", "inputs off", "label Disconnect",
                 "button off"}));
  const std::vector<std::string> calls = r.ras.Take();
  EXPECT_EQ(calls.front(), "SetEntryProperties") << "the entry is rebuilt before the dial";
  EXPECT_EQ(calls.back(), "Dial");

  // The same for an error box that is still open.
  Rig t;
  t.settings.values = {{"autoconnect", 1}, {"lastserver", 2}};
  t.Start();
  t.controller->OnAccountTypePicked(AccountType::Shared);
  t.service.dialAnswer = 691;
  t.view.duringBox = [&t] {
    t.service.dialAnswer = ras::kOk;
    t.controller->OnServerListReady();
  };
  t.view.ChooseServer(1);
  t.controller->OnConnectButton();
  const Log boxLog = t.view.Take();
  EXPECT_EQ(Log(boxLog.end() - 7, boxLog.end()),
            (Log{"label Connect", "button on", "prompt auto connect", "server list off",
                 "inputs off", "label Disconnect", "button off"}))
      << "unlocked before the prompt";
}

TEST(MainController, OnlyOnePromptAtATime) {
  for (PromptOutcome outcome : {PromptOutcome::kGoAhead, PromptOutcome::kCancelled}) {
    Rig t;
    t.Connected(2);
    t.settings.values = {{"autoconnect", 1}, {"lastserver", 3}, {"autoreconnect", 1}};
    t.view.promptOutcome = outcome;
    t.Drop(1);
    int prompts = 0;
    t.view.duringPrompt = [&](PromptKind) {
      ++prompts;
      t.controller->OnServerListReady();  // the updater finishes meanwhile
    };
    t.controller->OnLinkWatchTick();
    EXPECT_EQ(prompts, 1);
    ASSERT_EQ(t.service.dials.size(), outcome == PromptOutcome::kGoAhead ? 2u : 1u);
    if (outcome == PromptOutcome::kGoAhead) {
      EXPECT_EQ(t.service.dials[1].phoneNumber, "osl.example") << "the row chosen by then";
    }
  }
}

// --- Exit and the shell

TEST(MainController, ExitDuringAPromptClosesItAndDialsNothing) {
  Rig r;
  for (PromptKind kind : {PromptKind::kAutoConnect, PromptKind::kReconnect}) {
    Rig t;
    t.settings.values = {{"autoconnect", 1}, {"lastserver", 2}, {"autoreconnect", 1}};
    t.view.duringPrompt = [&t](PromptKind) { t.controller->OnExit(); };
    if (kind == PromptKind::kAutoConnect) {
      t.StartReady();
    } else {
      t.settings.values["lastserver"] = 0;
      t.Connected();
      t.view.Take();
      t.Drop(1);
      t.controller->OnLinkWatchTick();
    }
    const Log log = t.view.Take();
    EXPECT_EQ(Log(log.end() - 3, log.end()), (Log{"prompt closed", "tray remove", "end"}));
    EXPECT_EQ(t.service.dials.size(), kind == PromptKind::kAutoConnect ? 0u : 1u);
    // Nothing more happens on the way out.
    t.controller->OnDialEvent(ras::kConnected, 0);
    t.controller->OnServerListReady();
    EXPECT_TRUE(t.view.Take().empty());
  }
}

TEST(MainController, ExitLeavesAConnectionUp) {
  Rig r;
  r.Connected();
  r.view.Take();
  r.controller->OnExit();
  EXPECT_EQ(r.view.Take(), (Log{"tray remove", "end"}));
  EXPECT_TRUE(r.service.hungUp.empty());
}

TEST(MainController, WindowAndTrayCommands) {
  Rig r;
  r.StartReady();
  r.view.Take();
  r.controller->OnClose();
  r.controller->OnOpenWindow();
  r.controller->OnShellRestarted();  // the shell lost the icon
  EXPECT_EQ(r.view.Take(), (Log{"hide", "show", "tray add"}));
}

// --- The entry and the dialogs

TEST(MainController, TunnelTypeAndOptionsRebuildTheEntry) {
  Rig r;
  r.ExpectBuilds();
  r.ras.setCredentials = [](const std::string&, const std::string&, const Credentials&, bool) {
    return ras::kOk;
  };
  r.Start();
  r.service.Install(r.ras);
  r.view.tunnelType = VpnType::kL2tpIpsec;
  r.controller->OnTunnelTypePicked();
  r.view.tunnelType = std::nullopt;
  r.controller->OnTunnelTypePicked();  // no row: nothing to build
  r.controller->OnOptions();           // no row: PPTP
  r.view.tunnelType = VpnType::kL2tpIpsec;
  r.controller->OnOptions();
  EXPECT_EQ(r.builds, (std::vector<std::uint32_t>{entry::kVpnL2tpOnly, entry::kVpnPptpOnly,
                                                entry::kVpnL2tpOnly}));
}

TEST(MainController, ServerSettingsReloadTheDialParameters) {
  Rig r;
  r.Start(entry::kVpnL2tpOnly);
  r.view.tunnelType = VpnType::kPptp;
  r.view.Take();
  r.controller->OnServerSettings();
  EXPECT_EQ(r.view.Take(),
            (Log{"server settings", "tunnel L2TP", "credentials saved-user saved-pass"}));
}

}  // namespace
}  // namespace norva
