#include "connection/dial_session.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace norva {
namespace {

const std::string kPhonebook = "C:\\pbk\\norva.pbk";
const std::string kEntry = "NORVA";
const std::string kCaption = "NORVA Connection Assistant";
const std::string kLocation = "Amsterdam";
const std::string kAddress = "ams.vpn.example";
const std::string kPlaceholder = "choose server...";
const NotifierWindow kNotifier = reinterpret_cast<NotifierWindow>(std::uintptr_t{0x100});
const CursorHandle kArrow = reinterpret_cast<CursorHandle>(std::uintptr_t{0x200});

ConnectionHandle H(std::uintptr_t n) { return reinterpret_cast<ConnectionHandle>(n * 16); }
Guid G(std::uint8_t b) { Guid g; g.bytes.fill(b); return g; }

// The service: scripted answers, recorded requests.
struct FakeRas : RemoteAccess {
  RasResult paramsResult = 0, getCredResult = 0, setCredResult = 0, dialResult = 0, hangUpResult = 0;
  DialParams saved{"", "", "", "saved-user", "saved-pass", "", 0, 0};
  ConnectionHandle dialHandle = H(1);
  int pollsUntilGone = 0;  // polls answered "still there"; -1: never gone
  std::vector<std::pair<RasResult, std::uint32_t>> enumScript;  // result, bytes needed
  std::vector<ActiveConnection> active;
  std::map<std::uint32_t, std::string> errorTexts;

  int calls = 0, polls = 0;
  std::vector<DialParams> dials;
  std::vector<Credentials> stored;
  std::vector<ConnectionHandle> hangUps;
  std::vector<std::uint32_t> enumSizes;

  void Entry(const std::string& pb, const std::string& e) {
    ++calls;
    if (pb != kPhonebook || e != kEntry) ADD_FAILURE() << "wrong phonebook or entry: " << pb << " " << e;
  }
  // The entry's properties belong to the phonebook code, not the session.
  RasResult GetEntryProperties(const std::string&, const std::string&, EntryProperties&) override {
    ADD_FAILURE() << "GetEntryProperties";
    return 0;
  }
  RasResult SetEntryProperties(const std::string&, const std::string&, const EntryProperties&) override {
    ADD_FAILURE() << "SetEntryProperties";
    return 0;
  }
  RasResult SetCredentials(const std::string& pb, const std::string& e, const Credentials& c,
                           bool clear) override {
    Entry(pb, e);
    if (c.mask != 3 || clear) ADD_FAILURE() << "credentials stored: mask " << c.mask << " clear " << clear;
    stored.push_back(c);
    return setCredResult;
  }
  RasResult GetCredentials(const std::string& pb, const std::string& e, Credentials& c) override {
    Entry(pb, e);
    if (c.mask != 3) ADD_FAILURE() << "credentials asked with mask " << c.mask;
    return getCredResult;
  }
  RasResult GetEntryDialParams(const std::string& pb, DialParams& p, bool&) override {
    Entry(pb, p.entryName);
    if (paramsResult != 0) { p.userName = p.password = "scribbled"; return paramsResult; }
    p = saved;
    p.entryName = kEntry;
    return 0;
  }
  RasResult Dial(const std::string& pb, const DialParams& p, NotifierWindow n,
                 ConnectionHandle& h) override {
    Entry(pb, p.entryName);
    if (n != kNotifier || h != nullptr) ADD_FAILURE() << "dial with a wrong notifier or a stale handle";
    dials.push_back(p);
    h = dialHandle;
    return dialResult;
  }
  RasResult HangUp(ConnectionHandle h) override {
    ++calls;
    if (h == nullptr) ADD_FAILURE() << "HangUp(nullptr)";
    hangUps.push_back(h);
    return hangUpResult;
  }
  RasResult GetConnectStatus(ConnectionHandle h, ConnectionStatus&) override {
    ++calls;
    if (hangUps.empty() || h != hangUps.back()) ADD_FAILURE() << "status of a handle not hung up";
    if (++polls > 100000) { ADD_FAILURE() << "hang-up wait does not end"; return ras::kInvalidHandle; }
    return (pollsUntilGone < 0 || polls <= pollsUntilGone) ? 0 : ras::kInvalidHandle;
  }
  RasResult EnumConnections(std::uint32_t& bytes, std::vector<ActiveConnection>& out) override {
    ++calls;
    enumSizes.push_back(bytes);
    if (enumSizes.size() > enumScript.size()) { ADD_FAILURE() << "unexpected EnumConnections"; return 8; }
    auto [result, needed] = enumScript[enumSizes.size() - 1];
    if (result == ras::kBufferTooSmall) bytes = needed;
    if (result == 0) out = active;
    return result;
  }
  std::uint32_t ConnectionRecordBytes() const override { return 704; }
  RasResult GetErrorString(std::uint32_t code, std::string& text) override {
    ++calls;
    auto it = errorTexts.find(code);
    if (it == errorTexts.end()) return 87;
    text = it->second;
    return 0;
  }
};

// The main window: control state plus a log of everything that changed it.
struct FakeWindow : DialWindow {
  struct Box { BoxOwner owner; std::string text; std::optional<std::string> caption; MessageIcon icon; };
  std::map<ControlId, std::string> text{{control::kOk, "Connect"}, {control::kServer, kLocation},
                                        {control::kUserName, "typed-user"}, {control::kPassword, "typed-pass"},
                                        {control::kStatus, ""}, {control::kOptions, "Options"},
                                        {control::kEditServers, "+/-"}, {control::kVpnType, "PPTP VPN"}};
  std::map<ControlId, bool> enabled, modified{{control::kUserName, false}, {control::kPassword, false}};
  int serverCount = 3, serverRow = 2, vpnRow = -1;
  bool visible = true, timerStarts = true, busy = false;
  std::set<TimerId> timers;
  std::vector<Box> boxes;
  std::vector<std::string> changes;

  FakeWindow() { for (auto& [id, t] : text) enabled[id] = true; }
  void Known(ControlId id) { if (!text.count(id)) ADD_FAILURE() << "unknown control " << id; }
  void List(ControlId id) {
    if (id != control::kServer && id != control::kVpnType) ADD_FAILURE() << id << " is not a list";
  }
  void Field(ControlId id) {
    if (!modified.count(id)) ADD_FAILURE() << id << " has no modified flag";
  }
  std::string GetText(ControlId id, std::size_t capacity) override {
    Known(id);
    return capacity == 0 ? "" : text[id].substr(0, capacity - 1);
  }
  void SetText(ControlId id, const std::string& t) override {
    Known(id);
    if (id == control::kServer || id == control::kVpnType) ADD_FAILURE() << "SetText on list " << id;
    text[id] = t;
    changes.push_back("text " + std::to_string(id) + "=" + t);
  }
  bool IsModified(ControlId id) override { Field(id); return modified[id]; }
  void ClearModified(ControlId id) override { Field(id); modified[id] = false; }
  int GetCount(ControlId id) override { List(id); return id == control::kServer ? serverCount : 2; }
  int GetSelection(ControlId id) override { List(id); return id == control::kServer ? serverRow : vpnRow; }
  void SetSelection(ControlId id, int row) override {
    if (id != control::kVpnType || row < 0 || row > 1) ADD_FAILURE() << "SetSelection " << id << " " << row;
    vpnRow = row;
    changes.push_back("select");
  }
  void SetEnabled(ControlId id, bool on) override {
    Known(id);
    enabled[id] = on;
    changes.push_back("enable " + std::to_string(id) + "=" + std::to_string(on));
  }
  void Show() override { visible = true; changes.push_back("show"); }
  void Hide() override { visible = false; changes.push_back("hide"); }
  bool StartTimer(TimerId id, unsigned ms) override {
    if (id != timer::kLinkWatch || ms != 2000) ADD_FAILURE() << "timer " << id << " " << ms;
    if (timerStarts) timers.insert(id);
    changes.push_back("start timer");
    return timerStarts;
  }
  void StopTimer(TimerId id) override { timers.erase(id); changes.push_back("stop timer"); }
  void ShowMessageBox(BoxOwner o, const std::string& t, const std::optional<std::string>& c,
                      MessageIcon i) override {
    if (busy) ADD_FAILURE() << "message box under the busy cursor";
    boxes.push_back({o, t, c, i});
    changes.push_back("box");
  }
  CursorHandle SetBusyCursor() override {
    if (busy) ADD_FAILURE() << "busy cursor set twice";
    busy = true;
    return kArrow;
  }
  void RestoreCursor(CursorHandle previous) override {
    if (!busy || previous != kArrow) ADD_FAILURE() << "cursor restored without being replaced";
    busy = false;
  }
  NotifierWindow NativeHandle() override { return kNotifier; }
  bool InputsEnabled() {
    return enabled[control::kVpnType] && enabled[control::kUserName] && enabled[control::kPassword] &&
           enabled[control::kOptions] && enabled[control::kEditServers];
  }
};

struct FakeSettings : SettingsStore {
  std::vector<std::pair<std::string, std::uint32_t>> writes;
  std::uint32_t ReadSetting(const char* name, std::uint32_t) override {
    ADD_FAILURE() << "unexpected read of " << name;
    return 0;
  }
  void WriteSetting(const char* name, std::uint32_t value) override { writes.emplace_back(name, value); }
};

struct FakeServers : ServerDirectory {
  std::vector<std::string> asked;
  bool FindServerAddress(const std::string& location, std::string& address) override {
    asked.push_back(location);
    address = location == kLocation ? kAddress : "";
    return !address.empty();
  }
};

struct FakeClock : WaitClock {
  std::uint64_t now = 5000;
  int yields = 0;
  std::uint64_t NowMs() override { return now; }
  void GiveUpTimeSlice() override { ++yields; now += 10; }
};

struct Rig {
  FakeRas ras;
  FakeSettings settings;
  FakeServers servers;
  FakeClock clock;
  FakeWindow window;
  DialSession session;

  explicit Rig(std::uint32_t vpnStrategy = 1)
      : session(ras, settings, servers, clock,
                DialSetup{kPhonebook, kEntry, Startup(vpnStrategy), kCaption}) {}
  static EntryProperties Startup(std::uint32_t vpnStrategy) {
    EntryProperties e;
    e.vpnStrategy = vpnStrategy;
    e.guid = G(0xAB);
    return e;
  }
  // Connected, with the window locked as after a dial.
  void Connected() {
    session.Connect(window);
    session.OnDialEvent(window, ras::kConnected, 0);
  }
};

TEST(DialSession, ConnectDialsTheChosenServerAndConnectedHidesToTheWatchedTray) {
  for (bool timerStarts : {true, false}) {
    SCOPED_TRACE(timerStarts);
    Rig r;
    r.window.timerStarts = timerStarts;
    r.session.Connect(r.window);
    ASSERT_EQ(r.ras.dials.size(), 1u);
    EXPECT_EQ(r.ras.dials[0].phoneNumber, kAddress);
    EXPECT_EQ(r.session.CurrentConnection(), H(1));
    EXPECT_FALSE(r.window.InputsEnabled());
    EXPECT_FALSE(r.window.enabled[control::kOk]);
    EXPECT_EQ(r.window.text[control::kOk], "Disconnect");

    r.session.OnDialEvent(r.window, ras::kConnected, 0);
    EXPECT_EQ(r.window.visible, !timerStarts);
    EXPECT_EQ(r.window.timers.count(timer::kLinkWatch), timerStarts ? 1u : 0u);
    EXPECT_EQ(r.window.text[control::kStatus], "Connected.");
    EXPECT_EQ(r.window.text[control::kOk], "Disconnect");
    EXPECT_TRUE(r.window.enabled[control::kOk]);
    EXPECT_FALSE(r.window.InputsEnabled());
    EXPECT_EQ(r.settings.writes, (decltype(r.settings.writes){{"lastserver", 2}}));
  }
}

TEST(DialSession, PlaceholderRowOnlyAsksForAValidServer) {
  Rig r;
  r.window.text[control::kServer] = kPlaceholder;
  r.session.SetCurrentConnection(H(9));
  r.session.Connect(r.window);
  ASSERT_EQ(r.window.boxes.size(), 1u);
  const auto& box = r.window.boxes[0];
  EXPECT_EQ(box.owner, BoxOwner::kNone);
  EXPECT_EQ(box.text, "Please Select Valid Server");
  EXPECT_EQ(box.caption, std::nullopt);
  EXPECT_EQ(box.icon, MessageIcon::kInformation);
  EXPECT_EQ(r.window.changes, std::vector<std::string>{"box"});
  EXPECT_TRUE(r.ras.dials.empty());
  EXPECT_EQ(r.session.CurrentConnection(), H(9));
}

TEST(DialSession, CredentialsDialledAndStored) {
  struct Case {
    const char* name;
    RasResult getCred;
    bool userEdited, passEdited;
    RasResult setCred;
    bool dialsTyped, stores, flagsLeftSet;
  } cases[] = {
      {"stored, untouched", 0, false, false, 0, false, false, false},
      {"stored, user edited", 0, true, false, 0, true, true, false},
      {"stored, password edited", 0, false, true, 0, true, true, false},
      {"none stored, untouched", 1168, false, false, 0, true, false, false},
      {"none stored, edited", 1168, true, false, 0, true, true, false},
      {"edited, storing fails", 0, true, true, 5, true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r;
    r.ras.getCredResult = c.getCred;
    r.ras.setCredResult = c.setCred;
    r.window.modified = {{control::kUserName, c.userEdited}, {control::kPassword, c.passEdited}};
    r.session.Connect(r.window);
    ASSERT_EQ(r.ras.dials.size(), 1u);
    EXPECT_EQ(r.ras.dials[0].userName, c.dialsTyped ? "typed-user" : "saved-user");
    EXPECT_EQ(r.ras.dials[0].password, c.dialsTyped ? "typed-pass" : "saved-pass");
    EXPECT_TRUE(r.ras.stored.empty()) << "stored before the connection stands";

    r.session.OnDialEvent(r.window, ras::kConnected, 0);
    ASSERT_EQ(r.ras.stored.size(), c.stores ? 1u : 0u);
    if (c.stores) {
      EXPECT_EQ(r.ras.stored[0].userName, "typed-user");
      EXPECT_EQ(r.ras.stored[0].password, "typed-pass");
    }
    EXPECT_EQ(r.window.modified[control::kUserName], c.userEdited && c.flagsLeftSet);
    EXPECT_EQ(r.window.modified[control::kPassword], c.passEdited && c.flagsLeftSet);
  }
}

TEST(DialSession, TypedTextsAreCutToTheirFields) {
  Rig r;
  r.ras.getCredResult = 1168;
  r.window.text[control::kUserName] = std::string(300, 'u');
  r.window.text[control::kPassword] = std::string(300, 'p');
  r.window.text[control::kServer] = std::string(200, 's');
  r.session.Connect(r.window);
  EXPECT_EQ(r.servers.asked, std::vector<std::string>{std::string(127, 's')});
  r.window.text[control::kServer] = kLocation;
  r.session.Connect(r.window);
  ASSERT_EQ(r.ras.dials.size(), 1u);
  EXPECT_EQ(r.ras.dials[0].userName, std::string(256, 'u'));
  EXPECT_EQ(r.ras.dials[0].password, std::string(256, 'p'));
}

TEST(DialSession, FailedReloadDialsTheCredentialsLoadedBefore) {
  Rig r;
  r.session.LoadDialParams(r.window);
  r.ras.paramsResult = 623;
  r.session.Connect(r.window);
  ASSERT_EQ(r.ras.dials.size(), 1u);
  EXPECT_EQ(r.ras.dials[0].userName, "saved-user");
  EXPECT_EQ(r.ras.dials[0].password, "saved-pass");
}

TEST(DialSession, FailedDialUnlocksAndReleasesItsHandle) {
  struct Case {
    const char* name;
    bool atOnce;
    ConnectionHandle handed;
    RasResult hangUp;
    std::vector<ConnectionHandle> hungUp;
    ConnectionHandle left;
  } cases[] = {
      {"refused at once", true, nullptr, 0, {}, nullptr},
      {"refused at once with a handle", true, H(1), 0, {H(1)}, nullptr},
      {"refused at once, hang-up fails", true, H(1), 6, {H(1)}, nullptr},
      {"error event", false, H(1), 0, {H(1)}, nullptr},
      {"error event, hang-up fails", false, H(1), 6, {H(1)}, H(1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r;
    r.window.modified[control::kUserName] = true;
    r.window.text[control::kStatus] = "Connecting...";
    r.ras.dialHandle = c.handed;
    r.ras.hangUpResult = c.hangUp;
    r.ras.dialResult = c.atOnce ? 720 : 0;
    r.session.Connect(r.window);
    if (!c.atOnce) r.session.OnDialEvent(r.window, ras::kAuthenticate, 691);

    EXPECT_EQ(r.ras.hangUps, c.hungUp);
    EXPECT_EQ(r.session.CurrentConnection(), c.left);
    EXPECT_EQ(r.window.boxes.size(), 1u);
    EXPECT_EQ(r.window.text[control::kStatus], "");
    EXPECT_TRUE(r.window.InputsEnabled());
    EXPECT_TRUE(r.window.enabled[control::kOk]);
    EXPECT_EQ(r.window.text[control::kOk], "Connect");
    EXPECT_TRUE(r.ras.stored.empty());
    EXPECT_TRUE(r.window.modified[control::kUserName]);
  }
}

TEST(DialSession, DialErrorTexts) {
  struct Case {
    std::uint32_t code;
    const char* serviceText;
    std::string shown;
  } cases[] = {
      {691, "Access was denied.", "Access was denied."},
      {720, nullptr, "Unknown Connection\tError 720"},
      {0xFFFFFFFF, nullptr, "Unknown Connection\tError -1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    Rig r;
    if (c.serviceText) r.ras.errorTexts[c.code] = c.serviceText;
    r.window.text[control::kStatus] = "Authenticating...";
    r.session.ShowDialError(r.window, c.code);
    EXPECT_EQ(r.window.text[control::kStatus], "");
    ASSERT_EQ(r.window.boxes.size(), 1u);
    EXPECT_EQ(r.window.boxes[0].owner, BoxOwner::kWindow);
    EXPECT_EQ(r.window.boxes[0].text, c.shown);
    EXPECT_EQ(r.window.boxes[0].caption, kCaption);
    EXPECT_EQ(r.window.boxes[0].icon, MessageIcon::kError);
  }
  Rig r;
  r.session.ShowDialError(r.window, 0);
  EXPECT_TRUE(r.window.changes.empty());
  EXPECT_EQ(r.ras.calls, 0);
}

TEST(DialSession, ProgressStates) {
  struct Case {
    std::uint32_t state;
    const char* status;  // nullptr: unchanged
    bool shows;
  } cases[] = {
      {ras::kPortOpened, "Openning...", false},    {ras::kConnectDevice, "Connecting...", false},
      {ras::kAuthenticate, "Authenticating...", false}, {ras::kAuthenticated, "Authenticated.", false},
      {ras::kDisconnected, nullptr, true},         {3, nullptr, false},
      {0x1000, nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    Rig r;
    r.window.visible = false;
    r.window.text[control::kStatus] = "before";
    r.session.OnDialEvent(r.window, c.state, 0);
    EXPECT_EQ(r.window.text[control::kStatus], c.status ? c.status : "before");
    EXPECT_EQ(r.window.visible, c.shows);
    EXPECT_EQ(r.ras.calls, 0);
  }
}

TEST(DialSession, DisconnectWithoutConnectionDoesNothing) {
  Rig r;
  r.window.text[control::kOk] = "Disconnect";
  r.session.Disconnect(r.window);
  EXPECT_TRUE(r.window.changes.empty());
  EXPECT_EQ(r.ras.calls, 0);
}

TEST(DialSession, DisconnectOutcomes) {
  struct Case {
    const char* name;
    RasResult hangUp;
    int pollsUntilGone;
    const char* box;  // nullptr: none
    const char* label;
    bool unlocked;
  } cases[] = {
      {"released at once", 0, 0, nullptr, "Connect", true},
      {"released after a while", 0, 1990, nullptr, "Connect", true},
      {"hang-up refused", 5, 0, "Disconnection Failed", "Connect", false},
      {"never released", 0, -1, "The connection did not close in time. Try again.", "Disconnect", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r;
    r.Connected();
    r.window.changes.clear();
    r.ras.hangUpResult = c.hangUp;
    r.ras.pollsUntilGone = c.pollsUntilGone;
    r.session.Disconnect(r.window);

    EXPECT_EQ(r.ras.hangUps, std::vector<ConnectionHandle>{H(1)});
    EXPECT_FALSE(r.window.busy);
    EXPECT_EQ(r.window.text[control::kOk], c.label);
    EXPECT_EQ(r.window.InputsEnabled(), c.unlocked);
    EXPECT_EQ(r.window.text[control::kStatus], c.unlocked ? "" : "Connected.");
    EXPECT_EQ(r.session.CurrentConnection(), H(1));
    ASSERT_EQ(r.window.boxes.size(), c.box ? 1u : 0u);
    if (c.box) {
      EXPECT_EQ(r.window.boxes[0].text, c.box);
      EXPECT_EQ(r.window.boxes[0].caption, kCaption);
      EXPECT_EQ(r.window.boxes[0].icon, MessageIcon::kError);
    }
    if (c.hangUp == 0) {
      EXPECT_EQ(r.clock.yields, r.ras.polls - 1) << "a pause between polls";
      EXPECT_LE(r.clock.now - 5000, DialSession::kHangUpWaitMs + 10);
    }
    if (c.pollsUntilGone < 0) {  // the button still hangs up: pressed again, it succeeds
      r.ras.pollsUntilGone = r.ras.polls + 1;
      r.session.ToggleConnection(r.window);
      EXPECT_EQ(r.ras.hangUps, (std::vector<ConnectionHandle>{H(1), H(1)}));
      EXPECT_EQ(r.window.text[control::kOk], "Connect");
      EXPECT_TRUE(r.window.InputsEnabled());
    }
  }
}

TEST(DialSession, ToggleDecidesByTheButtonText) {
  for (const char* label : {"Connect", "Disconnect", "connect", "", "Connect "}) {
    SCOPED_TRACE(label);
    Rig r;
    r.session.SetCurrentConnection(H(5));
    r.window.timers.insert(timer::kLinkWatch);
    r.window.text[control::kOk] = label;
    r.session.ToggleConnection(r.window);
    const bool dials = std::string(label) == "Connect";
    EXPECT_EQ(r.ras.dials.size(), dials ? 1u : 0u);
    EXPECT_EQ(r.ras.hangUps.size(), dials ? 0u : 1u);
    EXPECT_EQ(r.window.timers.empty(), !dials);
  }
}

TEST(DialSession, InputLock) {
  struct Case {
    bool enable;
    int rows;
    bool serverEnabled;
  } cases[] = {{true, 1, false}, {true, 0, false}, {true, 2, true}, {false, 5, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.enable << " rows " << c.rows);
    Rig r;
    r.window.serverCount = c.rows;
    r.window.enabled[control::kOk] = false;
    r.session.SetInputsEnabled(r.window, !c.enable);
    r.session.SetInputsEnabled(r.window, c.enable);
    EXPECT_EQ(r.window.enabled[control::kServer], c.serverEnabled);
    EXPECT_EQ(r.window.InputsEnabled(), c.enable);
    EXPECT_EQ(r.window.text[control::kOk], c.enable ? "Connect" : "Disconnect");
    EXPECT_FALSE(r.window.enabled[control::kOk]);
  }
}

TEST(DialSession, LoadDialParams) {
  struct Case {
    std::uint32_t strategy;
    RasResult params;
    int row;
    const char* user;
  } cases[] = {
      {1, 0, 0, "saved-user"}, {3, 0, 1, "saved-user"}, {0, 623, 1, "typed-user"}, {2, 0, 1, "saved-user"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.strategy);
    Rig r(c.strategy);
    r.ras.paramsResult = c.params;
    r.session.LoadDialParams(r.window);
    EXPECT_EQ(r.window.vpnRow, c.row);
    EXPECT_EQ(r.window.text[control::kUserName], c.user);
    EXPECT_EQ(r.window.text[control::kPassword], c.params ? "typed-pass" : "saved-pass");
  }
}

TEST(DialSession, FindActiveConnection) {
  using Script = std::vector<std::pair<RasResult, std::uint32_t>>;
  const ActiveConnection ours1{H(1), kEntry, kPhonebook, G(0xAB)};
  const ActiveConnection other{H(2), "Office", kPhonebook, G(0x01)};
  const ActiveConnection ours3{H(3), kEntry, kPhonebook, G(0xAB)};
  struct Case {
    const char* name;
    Script script;
    std::vector<ActiveConnection> active;
    ConnectionHandle found;
    std::vector<std::uint32_t> sizes;
  } cases[] = {
      {"nothing up", {{0, 0}}, {}, nullptr, {704}},
      {"another entry only", {{0, 0}}, {other}, nullptr, {704}},
      {"two of ours: the later", {{0, 0}}, {ours1, other, ours3}, H(3), {704}},
      {"grows once", {{603, 2112}, {0, 0}}, {other, ours3}, H(3), {704, 2112}},
      {"keeps growing", Script(5, {603, 9999}), {ours1}, nullptr, {704, 9999, 9999, 9999, 9999}},
      {"out of memory", {{603, 1408}, {8, 0}}, {ours1}, nullptr, {704, 1408}},
      {"other failure", {{87, 0}}, {ours1}, nullptr, {704}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r;
    r.ras.enumScript = c.script;
    r.ras.active = c.active;
    EXPECT_EQ(r.session.FindActiveConnection(), c.found);
    EXPECT_EQ(r.ras.enumSizes, c.sizes);
  }
}

}  // namespace
}  // namespace norva
