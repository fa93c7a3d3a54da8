#include "ui/main_controller.h"

#include <utility>
#include <vector>

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
  view_.AddTrayIcon();
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
  const std::vector<std::string> locations = ListLocations(serverList_, type);
  view_.ShowServers(locations);
  listHasServers_ = !locations.empty();
  if (!listHasServers_) return;
  view_.ChooseServer(0);
  view_.EnableServerList(true);
}

void MainController::SetInputsEnabled(bool enabled) {
  // The server list needs a server besides its placeholder row.
  view_.EnableServerList(enabled && listHasServers_);
  view_.EnableInputs(enabled);
  view_.LabelButton(enabled ? ButtonLabel::kConnect : ButtonLabel::kDisconnect);
}

void MainController::OnServerListReady() {
  EventScope scope(*this);
  if (exiting_) return;
  FillServers(accountType_);
  view_.StopDownloadAnimation();
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
  if (AskToDial(PromptKind::kAutoConnect) && link_ == Link::kNone) Connect();
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
  if (!lost) return;

  view_.StopLinkWatch();
  link_ = Link::kLost;
  // The service keeps a dropped connection's handle and port until it is
  // hung up, so it is let go before anything else happens. When it cannot
  // be, the box has said why and the button offers what comes next; the
  // link is gone all the same.
  if (!Release(true)) {
    ReportLoss(false);
    return;
  }
  if (Read(settings_, setting::kAutoReconnect) != 0 && AskToDial(PromptKind::kReconnect)) {
    // A dial that started, or was refused with its own error box and the
    // inputs given back, has told the user enough.
    if (Connect() != DialStart::kNoServer) return;
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
  if (error != ras::kOk) {
    if (link_ == Link::kUp) view_.StopLinkWatch();
    session_.HangUpNow();
    link_ = Link::kNone;
    ShowDialError(error);
    SetInputsEnabled(true);
    view_.EnableButton(true);
    return;
  }
  switch (state) {
    case ras::kPortOpened: view_.ShowStatus("Openning..."); break;
    case ras::kConnectDevice: view_.ShowStatus("Connecting..."); break;
    case ras::kAuthenticate: view_.ShowStatus("Authenticating..."); break;
    case ras::kAuthenticated: view_.ShowStatus("Authenticated."); break;
    case ras::kConnected: OnConnected(); break;
    case ras::kDisconnected: view_.ShowWindow(); break;
    default: break;
  }
}

void MainController::OnConnected() {
  link_ = Link::kUp;
  // The window goes to the tray only when the link is watched; without the
  // watch it stays in sight.
  if (view_.StartLinkWatch()) view_.HideToTray();
  // Credentials the user typed are kept only once they have connected. When
  // storing fails the edits stay noted and the next connection tries again.
  if (view_.CredentialsEdited() && session_.StoreCredentials(view_.UserName(), view_.Password())) {
    view_.ForgetEdits();
  }
  view_.ShowStatus("Connected.");
  view_.LabelButton(ButtonLabel::kDisconnect);
  view_.EnableButton(true);
  // The row as the list reports it; -1 (no row) is stored as its 32-bit
  // pattern, which no reader takes for a row.
  Write(settings_, setting::kLastServer, static_cast<std::uint32_t>(view_.ChosenServer()));
}

void MainController::ShowDialError(std::uint32_t code) {
  view_.ShowStatus("");
  view_.ShowError(session_.ErrorText(code));
}

void MainController::OnConnectButton() {
  EventScope scope(*this);
  if (exiting_) return;
  switch (link_) {
    case Link::kNone:
    case Link::kHangUpRefused:
      Connect();
      break;
    case Link::kUp:
      Disconnect();
      break;
    default:
      break;  // the button is disabled while dialling
  }
}

MainController::DialStart MainController::Connect() {
  session_.LoadSavedParams();
  // Credentials saved with the entry are dialled as loaded, unless the user
  // has edited a field since; without saved ones the fields are dialled.
  if (!session_.HasStoredCredentials() || view_.CredentialsEdited()) {
    session_.UseCredentials(view_.UserName(), view_.Password());
  }
  std::string address;
  if (!FindServerAddress(serverList_, view_.ChosenLocation(), address, ras::kMaxPhoneNumber)) {
    view_.ShowNotice("Please Select Valid Server");
    return DialStart::kNoServer;
  }

  link_ = Link::kDialling;
  SetInputsEnabled(false);
  view_.EnableButton(false);
  const RasResult result = session_.Dial(address);
  if (result == ras::kOk) return DialStart::kDialling;  // progress follows as dial events

  link_ = Link::kNone;
  ShowDialError(result);
  SetInputsEnabled(true);
  view_.EnableButton(true);
  return DialStart::kRefused;
}

void MainController::Disconnect() {
  view_.StopLinkWatch();
  if (!Release(false)) return;
  SetInputsEnabled(true);
  view_.ShowStatus("");
}

bool MainController::Release(bool lost) {
  link_ = Link::kHangingUp;
  const RasResult result = session_.BeginHangUp();
  if (result != ras::kOk && !(lost && result == ras::kInvalidHandle)) {
    // The connection stays current and locked; the button offers a new dial.
    link_ = Link::kHangUpRefused;
    view_.ShowError("Disconnection Failed");
    view_.LabelButton(ButtonLabel::kConnect);
    return false;
  }
  // The window does not respond while the service lets the connection go,
  // so the wait is bounded.
  view_.ShowBusy();
  const bool released = session_.WaitUntilReleased();
  view_.EndBusy();
  if (!released) {
    // The connection is still ours: the inputs stay locked and the button
    // reads "Disconnect", so that pressing it hangs up and waits again.
    link_ = Link::kUp;
    view_.ShowError("The connection did not close in time. Try again.");
    view_.LabelButton(ButtonLabel::kDisconnect);
    return false;
  }
  link_ = Link::kNone;
  return true;
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

void MainController::OnOpenWindow() { view_.ShowWindow(); }

void MainController::OnClose() { view_.HideToTray(); }

void MainController::OnShellRestarted() {
  if (!exiting_) view_.AddTrayIcon();
}

void MainController::OnExit() {
  EventScope scope(*this);
  if (exiting_) return;
  exiting_ = true;
  autoConnectDue_ = false;
  // A prompt still counting down must not dial on the way out. A connection
  // that is up stays up; the next start finds it.
  if (promptOpen_) view_.ClosePrompt();
  view_.RemoveTrayIcon();
  view_.EndProgram();
}

}  // namespace norva
