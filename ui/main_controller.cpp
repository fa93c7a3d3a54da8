#include "ui/main_controller.h"

#include <utility>
#include <vector>

#include "connection/dial_errors.h"
#include "serverlist/server_catalog.h"
#include "settings/setting_names.h"

namespace norva {

// Marks an event as under way. Auto connect that had to wait for another
// event to finish (a dialog or box it opened still being open) runs when the
// outermost event is over, still counted as under way so that whatever
// arrives during its prompt waits in turn.
class MainController::EventScope {
 public:
  explicit EventScope(MainController& controller) : c_(controller) { ++c_.depth_; }
  ~EventScope() {
    if (c_.depth_ == 1 && c_.autoConnectDue_) c_.TryAutoConnect();
    --c_.depth_;
  }
  EventScope(const EventScope&) = delete;
  EventScope& operator=(const EventScope&) = delete;

 private:
  MainController& c_;
};

MainController::MainController(MainView& view, SettingsStore& settings, DialSession& session,
                               PhonebookEntry& entry, std::string serverList)
    : view_(view),
      settings_(settings),
      session_(session),
      entry_(entry),
      serverList_(std::move(serverList)) {}

void MainController::Start() {
  EventScope scope(*this);
  AddTrayIcon();
  accountType_ =
      Read(settings_, setting::kAccountType) != 0 ? AccountType::Dedicated : AccountType::Shared;
  view_.ShowAccountType(accountType_);
  LoadDialParams();
  view_.StartDownloadAnimation();
  view_.EnableServerList(false);  // until the updater is done or an account type is picked
  view_.StartServerListUpdate();

  // A connection of the entry still up from an earlier run is adopted and
  // watched like one dialled now; the window stays in sight for it.
  const ConnectionHandle active = session_.FindActiveConnection();
  session_.Adopt(active);
  if (active == nullptr) return;
  link_ = Link::kUp;
  SetInputsEnabled(false);
  view_.StartLinkWatch();
}

void MainController::LoadDialParams() {
  // The list shows the type the entry had at start-up; an entry that could
  // not be read (strategy 0) shows L2TP/IPSec.
  view_.ShowTunnelType(entry_.startupEntry().vpnStrategy == entry::kVpnPptpOnly
                           ? VpnType::kPptp
                           : VpnType::kL2tpIpsec);
  if (session_.LoadSavedParams()) view_.ShowCredentials(session_.userName(), session_.password());
}

void MainController::FillServers(AccountType type) {
  view_.EnableServerList(false);
  listed_ = ListLocations(serverList_, type);
  view_.ShowServers(listed_);
  if (listed_.empty()) return;
  view_.ChooseServer(0);
  view_.EnableServerList(true);
}

int MainController::RowOf(const std::string& location) const {
  for (std::size_t i = 0; i < listed_.size(); ++i) {
    if (listed_[i] == location) return static_cast<int>(i) + 1;  // after the placeholder
  }
  return -1;
}

void MainController::SetInputsEnabled(bool enabled) {
  // The server list needs a server besides its placeholder row.
  view_.EnableServerList(enabled && !listed_.empty());
  view_.EnableInputs(enabled);
  view_.LabelButton(enabled ? ButtonLabel::kConnect : ButtonLabel::kDisconnect);
}

void MainController::OnServerListReady() {
  EventScope scope(*this);
  if (exiting_) return;
  FillServers(accountType_);
  view_.StopDownloadAnimation();
  // A dial under way or a connection keeps its server chosen.
  if (link_ != Link::kNone) {
    const int dialledRow = RowOf(dialled_.location);
    if (dialledRow > 0) {
      view_.ChooseServer(dialledRow);
      return;
    }
  }
  // The row used last, taken as an index into the list as it is now.
  const auto lastServer = static_cast<std::int32_t>(Read(settings_, setting::kLastServer));
  if (lastServer <= 0) return;
  view_.ChooseServer(lastServer);
  // While a prompt is open it alone decides whether to dial.
  if (!promptOpen_) autoConnectDue_ = true;
}

void MainController::TryAutoConnect() {
  autoConnectDue_ = false;
  if (exiting_ || Read(settings_, setting::kAutoConnect) == 0) return;
  // Never over a connection that is current or a dial under way.
  if (link_ != Link::kNone) return;
  if (!AskToDial(PromptKind::kAutoConnect) || link_ != Link::kNone) return;
  Server server;
  if (!ChosenServer(server)) {
    ShowNoValidServer();
    return;
  }
  failedTries_ = 0;
  Dial(server, Origin::kAutoConnect);
}

bool MainController::AskToDial(PromptKind kind) {
  promptOpen_ = true;
  const PromptOutcome outcome = view_.RunPrompt(kind);
  promptOpen_ = false;
  return outcome == PromptOutcome::kGoAhead && !exiting_;
}

void MainController::OnLinkWatchTick() {
  EventScope scope(*this);
  if (link_ != Link::kUp || exiting_) return;
  ConnectionStatus status;
  const RasResult result = session_.Status(status);
  // Any other failure of the query says nothing; the watch goes on.
  const bool lost =
      result == ras::kInvalidHandle || (result == ras::kOk && status.state != ras::kConnected);
  if (lost) {
    LinkLost();
    return;
  }
  // A connection found at start is re-dialled at the address it was dialled
  // with, which only the service knows.
  if (result == ras::kOk && dialled_.address.empty()) dialled_.address = status.phoneNumber;
}

void MainController::LinkLost() {
  view_.StopLinkWatch();
  link_ = Link::kLost;
  // The service keeps a dropped connection's handle and port until it is
  // hung up, so it is let go before anything else happens. When it cannot
  // be, the box says why and the button offers what comes next; the link is
  // gone all the same.
  const Release release = ReleaseCurrent();
  if (release != Release::kDone) {
    if (release == Release::kRefused) {
      link_ = Link::kHangUpRefused;
      view_.LabelButton(ButtonLabel::kConnect);
    } else {
      KeepWatching();
    }
    ReportLoss(false);
    view_.ShowError(release == Release::kRefused
                        ? "Disconnection Failed"
                        : "The connection did not close in time. Try again.");
    return;
  }
  link_ = Link::kNone;
  if (Read(settings_, setting::kAutoReconnect) != 0 && AskToDial(PromptKind::kReconnect)) {
    if (link_ != Link::kNone) return;  // the user dialled meanwhile
    // The server that was lost, whatever the list shows now.
    Server server = dialled_;
    if (!server.address.empty() || ChosenServer(server)) {
      failedTries_ = 0;
      Dial(server, Origin::kReconnect);
      return;
    }
    ReportLoss(true);
    ShowNoValidServer();
    return;
  }
  if (!exiting_) ReportLoss(true);
}

void MainController::ReportLoss(bool released) {
  // Nothing goes through the VPN any more. The window stays as it is, shown
  // or hidden, so the tray tells a user who is not looking at it.
  view_.ShowStatus("Connection lost.");
  if (released) {
    SetInputsEnabled(true);
    view_.EnableButton(true);
  }
  view_.ShowTrayWarning("NORVA", "The VPN connection was lost.");
}

void MainController::OnDialEvent(std::uint32_t state, std::uint32_t error) {
  EventScope scope(*this);
  if (exiting_) return;
  // The service may report the drop of a connection that is up this way too.
  if (link_ == Link::kUp) {
    if (error != ras::kOk || state == ras::kDisconnected) LinkLost();
    return;
  }
  if (link_ != Link::kDialling) return;  // late news of a dial that has ended
  if (error != ras::kOk) {
    DialFailed(error);
    return;
  }
  switch (state) {
    case ras::kPortOpened: view_.ShowStatus("Openning..."); break;
    case ras::kConnectDevice: view_.ShowStatus("Connecting..."); break;
    case ras::kAuthenticate: view_.ShowStatus("Authenticating..."); break;
    case ras::kAuthenticated: view_.ShowStatus("Authenticated."); break;
    case ras::kConnected: OnConnected(); break;
    case ras::kDisconnected: DialFailed(ras::kOk); break;
    default: break;
  }
}

void MainController::OnConnected() {
  link_ = Link::kUp;
  // The window goes to the tray only when the link is watched and the tray
  // icon is there; otherwise it stays in sight.
  if (view_.StartLinkWatch() && trayIcon_) HideToTray();
  // Credentials the user typed are kept only once they have connected. When
  // storing fails the edits stay noted and the next connection tries again.
  if (view_.CredentialsEdited() && session_.StoreCredentials(view_.UserName(), view_.Password())) {
    view_.ForgetEdits();
  }
  view_.ShowStatus("Connected.");
  view_.LabelButton(ButtonLabel::kDisconnect);
  view_.EnableButton(true);
  if (failedTries_ > 0) view_.ShowTrayNotice("NORVA", "The VPN connection is back.");
  failedTries_ = 0;
  // The row of the server dialled, wherever the list has it now; -1 (no
  // row) is stored as its 32-bit pattern, which no reader takes for a row.
  const int listedRow = RowOf(dialled_.location);
  Write(settings_, setting::kLastServer,
        static_cast<std::uint32_t>(listedRow > 0 ? listedRow : dialled_.row));
}

void MainController::OnConnectButton() {
  EventScope scope(*this);
  if (exiting_) return;
  switch (link_) {
    case Link::kNone:
    case Link::kHangUpRefused: {
      Server server;
      if (ChosenServer(server)) {
        Dial(server, Origin::kUser);
      } else {
        ShowNoValidServer();
      }
      break;
    }
    case Link::kUp:
    case Link::kWaitingToRetry:
      Disconnect();
      break;
    case Link::kDialling:
      // The button is enabled during a try of the program's own only.
      if (origin_ != Origin::kUser) Disconnect();
      break;
    default:
      break;
  }
}

bool MainController::ChosenServer(Server& server) {
  server.row = view_.ChosenServer();
  server.location = view_.ChosenLocation();
  return FindServerAddress(serverList_, server.location, server.address, ras::kMaxPhoneNumber);
}

void MainController::ShowNoValidServer() {
  // The box has no owner, so the window stays usable while it is open: it
  // comes last, after which nothing is changed.
  view_.ShowNotice("Please Select Valid Server");
}

void MainController::Dial(const Server& server, Origin origin) {
  dialled_ = server;
  origin_ = origin;
  // The saved credentials as they are now, dialled as loaded unless the user
  // has edited a field since; without saved ones the fields are dialled.
  session_.LoadSavedParams();
  if (!session_.HasStoredCredentials() || view_.CredentialsEdited()) {
    session_.UseCredentials(view_.UserName(), view_.Password());
  }
  link_ = Link::kDialling;
  SetInputsEnabled(false);
  // A try of the program's own can be stopped with the button.
  view_.EnableButton(origin != Origin::kUser);
  const RasResult result = session_.Dial(server.address);
  if (result != ras::kOk) DialFailed(result);  // else progress follows as dial events
}

void MainController::DialFailed(std::uint32_t code) {
  // The port stays busy until the service has let the failed connection go,
  // so nothing is dialled before that.
  if (ReleaseCurrent() == Release::kTimedOut) {
    KeepWatching();
    view_.ShowStatus("");
    view_.ShowError("The connection did not close in time. Try again.");
    return;
  }
  session_.Adopt(nullptr);  // a refused hang-up leaves nothing to hang up later
  link_ = Link::kNone;
  if (origin_ != Origin::kUser && IsWorthAnotherTry(code)) {
    WaitToRetry();
    return;
  }
  failedTries_ = 0;
  SetInputsEnabled(true);
  view_.EnableButton(true);
  view_.ShowStatus("");
  // A dial that ended without a code has nothing to say but the form back.
  if (code == ras::kOk) {
    hidden_ = false;
    view_.ShowWindow();
    return;
  }
  view_.ShowError(session_.ErrorText(code));
}

void MainController::WaitToRetry() {
  ++failedTries_;
  link_ = Link::kWaitingToRetry;
  if (failedTries_ == 1) {
    view_.ShowTrayNotice("NORVA", origin_ == Origin::kReconnect
                                      ? "The VPN connection was lost and is being re-established."
                                      : "The VPN connection could not be made yet and is being "
                                        "tried again.");
  }
  const std::uint32_t seconds = SecondsBeforeNextTry(failedTries_);
  view_.ShowStatus("Reconnecting in " + std::to_string(seconds) + " seconds (try " +
                   std::to_string(failedTries_ + 1) + ").");
  view_.WaitBeforeRetry(seconds);
}

void MainController::OnRetryDue() {
  EventScope scope(*this);
  if (exiting_ || link_ != Link::kWaitingToRetry) return;
  view_.StopRetryWait();
  Dial(dialled_, origin_);
}

void MainController::OnNetworkChanged() { OnRetryDue(); }

void MainController::Disconnect() {
  const bool trying = link_ != Link::kUp;  // a try of the program's own, or its wait
  if (link_ == Link::kWaitingToRetry) view_.StopRetryWait();
  if (!trying) view_.StopLinkWatch();
  switch (ReleaseCurrent()) {
    case Release::kDone:
      link_ = Link::kNone;
      failedTries_ = 0;
      SetInputsEnabled(true);
      view_.ShowStatus(trying ? "Connection lost." : "");
      break;
    case Release::kRefused:
      // The connection stays current and locked; the button offers a new dial.
      link_ = Link::kHangUpRefused;
      view_.LabelButton(ButtonLabel::kConnect);
      view_.ShowError("Disconnection Failed");
      break;
    case Release::kTimedOut:
      KeepWatching();
      view_.ShowError("The connection did not close in time. Try again.");
      break;
  }
}

MainController::Release MainController::ReleaseCurrent() {
  link_ = Link::kHangingUp;
  const RasResult result = session_.BeginHangUp();
  if (result == ras::kInvalidHandle) return Release::kDone;
  if (result != ras::kOk) return Release::kRefused;
  // The window does not respond while the service lets the connection go,
  // so the wait is bounded.
  view_.ShowBusy();
  const bool released = session_.WaitUntilReleased();
  view_.EndBusy();
  return released ? Release::kDone : Release::kTimedOut;
}

void MainController::KeepWatching() {
  link_ = Link::kUp;
  view_.LabelButton(ButtonLabel::kDisconnect);
  view_.EnableButton(true);
  view_.StartLinkWatch();
}

void MainController::OnTunnelTypePicked() {
  EventScope scope(*this);
  if (const auto type = view_.ChosenTunnelType()) entry_.BuildEntry(*type);
}

void MainController::OnAccountTypePicked(AccountType type) {
  EventScope scope(*this);
  accountType_ = type;
  FillServers(type);
  Write(settings_, setting::kAccountType, static_cast<std::uint32_t>(type));
}

void MainController::OnOptions() {
  EventScope scope(*this);
  view_.RunOptions();
  if (exiting_) return;
  // Closing the dialog builds the entry with the options as they are now;
  // the build writes only what changed.
  entry_.BuildEntry(view_.ChosenTunnelType().value_or(VpnType::kPptp));
}

void MainController::OnServerSettings() {
  EventScope scope(*this);
  view_.RunServerSettings();
  if (!exiting_) LoadDialParams();
}

void MainController::OnOpenWindow() {
  hidden_ = false;
  view_.RaiseWindow();
}

void MainController::OnTrayMenu() {
  // Its modal loop counts as an event under way: auto connect waits for it.
  EventScope scope(*this);
  if (!exiting_) view_.RunTrayMenu();
}

void MainController::OnClose() {
  // Without a tray icon a hidden window could not be found again.
  if (trayIcon_) {
    HideToTray();
  } else {
    view_.Minimize();
  }
}

void MainController::OnShellRestarted() {
  if (!exiting_) AddTrayIcon();
}

void MainController::OnTrayRetryTick() {
  if (!exiting_ && !trayIcon_) AddTrayIcon();
}

void MainController::AddTrayIcon() {
  trayIcon_ = view_.AddTrayIcon();
  if (trayIcon_) {
    if (trayRetrying_) view_.StopTrayRetry();
    trayRetrying_ = false;
    return;
  }
  // A shell that restarted and lost the icon may not take it back at once;
  // the window it was hidden to is gone, so the taskbar button stands in.
  if (hidden_) {
    hidden_ = false;
    view_.Minimize();
  }
  if (!trayRetrying_) view_.StartTrayRetry();
  trayRetrying_ = true;
}

void MainController::HideToTray() {
  hidden_ = true;
  view_.HideToTray();
}

void MainController::OnExit() {
  EventScope scope(*this);
  if (exiting_) return;
  exiting_ = true;
  autoConnectDue_ = false;
  // A prompt still counting down must not dial on the way out. A connection
  // that is up stays up; the next start finds it.
  if (promptOpen_) view_.ClosePrompt();
  // Tries of the program's own end here; none is left dialling.
  if (link_ == Link::kWaitingToRetry) view_.StopRetryWait();
  if (link_ == Link::kDialling && origin_ != Origin::kUser) session_.BeginHangUp();
  view_.RemoveTrayIcon();
  view_.EndProgram();
}

}  // namespace norva
