#include "connection/dial_session.h"

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "connection/phonebook_entry.h"
#include "settings/setting_names.h"

namespace norva {
namespace {

constexpr char kConnectLabel[] = "Connect";
constexpr char kDisconnectLabel[] = "Disconnect";

// Room for a user name or password of 256 characters and the NUL.
constexpr std::size_t kCredentialCapacity = ras::kMaxUserName + 1;
// Room for a location of the server list (a list text of 128 bytes).
constexpr std::size_t kLocationCapacity = 128;
// Room for the button's label.
constexpr std::size_t kButtonLabelCapacity = 100;

constexpr std::uint32_t kUserAndPassword = ras::kCredUserName | ras::kCredPassword;

// The status line for the progress states that have one.
const char* StatusTextFor(std::uint32_t state) {
  switch (state) {
    case ras::kPortOpened: return "Openning...";
    case ras::kConnectDevice: return "Connecting...";
    case ras::kAuthenticate: return "Authenticating...";
    case ras::kAuthenticated: return "Authenticated.";
    default: return nullptr;
  }
}

}  // namespace

std::uint64_t SystemWaitClock::NowMs() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SystemWaitClock::GiveUpTimeSlice() { std::this_thread::yield(); }

DialSession::DialSession(RemoteAccess& ras, SettingsStore& settings, ServerDirectory& servers,
                         WaitClock& clock, DialSetup setup)
    : ras_(ras), settings_(settings), servers_(servers), clock_(clock), setup_(std::move(setup)) {}

bool DialSession::LoadSavedParams() {
  DialParams loaded = params_;
  loaded.entryName = setup_.entryName;
  bool passwordSaved = false;
  if (ras_.GetEntryDialParams(setup_.phonebook, loaded, passwordSaved) != ras::kOk) return false;
  params_ = std::move(loaded);
  return true;
}

void DialSession::LoadDialParams(DialWindow& window) {
  // The list shows the type the entry had at start-up; an entry that could
  // not be read (strategy 0) shows L2TP/IPSec.
  const bool pptp = setup_.startupEntry.vpnStrategy == entry::kVpnPptpOnly;
  window.SetSelection(control::kVpnType,
                      static_cast<int>(pptp ? VpnType::kPptp : VpnType::kL2tpIpsec));
  if (LoadSavedParams()) {
    window.SetText(control::kUserName, params_.userName);
    window.SetText(control::kPassword, params_.password);
  }
}

void DialSession::Connect(DialWindow& window) {
  LoadSavedParams();

  // Credentials saved with the entry are dialled as loaded above, unless the
  // user has edited a field since; without saved ones the fields are dialled.
  Credentials stored;
  stored.mask = kUserAndPassword;
  if (ras_.GetCredentials(setup_.phonebook, setup_.entryName, stored) != ras::kOk ||
      window.IsModified(control::kUserName) || window.IsModified(control::kPassword)) {
    params_.userName = window.GetText(control::kUserName, kCredentialCapacity);
    params_.password = window.GetText(control::kPassword, kCredentialCapacity);
  }

  const std::string location = window.GetText(control::kServer, kLocationCapacity);
  std::string address;
  if (!servers_.FindServerAddress(location, address)) {
    window.ShowMessageBox(BoxOwner::kNone, "Please Select Valid Server", std::nullopt,
                          MessageIcon::kInformation);
    return;
  }
  params_.phoneNumber = address;

  current_ = nullptr;
  SetInputsEnabled(window, false);
  window.SetEnabled(control::kOk, false);

  const RasResult result =
      ras_.Dial(setup_.phonebook, params_, window.NativeHandle(), current_);
  if (result == ras::kOk) return;  // progress follows through OnDialEvent

  // A refused dial may still have handed back a handle; it is released here
  // so that the service does not keep the port.
  if (current_ != nullptr) {
    ras_.HangUp(current_);
    current_ = nullptr;
  }
  ShowDialError(window, result);
  SetInputsEnabled(window, true);
  window.SetEnabled(control::kOk, true);
}

void DialSession::OnDialEvent(DialWindow& window, std::uint32_t state, std::uint32_t error) {
  if (error != ras::kOk) {
    // The handle is dropped only once the service has taken the hang-up.
    // A late event after the handle is gone has nothing left to hang up.
    if (current_ != nullptr && ras_.HangUp(current_) == ras::kOk) current_ = nullptr;
    window.SetText(control::kStatus, "");
    ShowDialError(window, error);
    SetInputsEnabled(window, true);
    window.SetEnabled(control::kOk, true);
    return;
  }

  if (const char* status = StatusTextFor(state)) {
    window.SetText(control::kStatus, status);
  } else if (state == ras::kConnected) {
    OnConnected(window);
  } else if (state == ras::kDisconnected) {
    window.Show();
  }
}

void DialSession::OnConnected(DialWindow& window) {
  // The window goes to the tray only when the link is watched; without the
  // watch it stays in sight.
  if (window.StartTimer(timer::kLinkWatch, timer::kLinkWatchIntervalMs)) window.Hide();

  // Credentials the user typed are kept only once they have connected. When
  // storing fails the flags stay set and the next connection tries again.
  if (window.IsModified(control::kUserName) || window.IsModified(control::kPassword)) {
    Credentials typed;
    typed.mask = kUserAndPassword;
    typed.userName = window.GetText(control::kUserName, kCredentialCapacity);
    typed.password = window.GetText(control::kPassword, kCredentialCapacity);
    if (ras_.SetCredentials(setup_.phonebook, setup_.entryName, typed, false) == ras::kOk) {
      window.ClearModified(control::kUserName);
      window.ClearModified(control::kPassword);
    }
  }

  window.SetText(control::kStatus, "Connected.");
  window.SetText(control::kOk, kDisconnectLabel);
  window.SetEnabled(control::kOk, true);
  // The row as the list reports it; -1 (no row) is stored as its 32-bit
  // pattern, which no reader takes for a row.
  Write(settings_, setting::kLastServer,
        static_cast<std::uint32_t>(window.GetSelection(control::kServer)));
}

void DialSession::ShowDialError(DialWindow& window, std::uint32_t code) {
  if (code == ras::kOk) return;
  window.SetText(control::kStatus, "");
  std::string text;
  if (ras_.GetErrorString(code, text) != ras::kOk) {
    text = "Unknown Connection\tError " + std::to_string(static_cast<std::int32_t>(code));
  }
  window.ShowMessageBox(BoxOwner::kWindow, text, setup_.caption, MessageIcon::kError);
}

bool DialSession::WaitUntilReleased() {
  const std::uint64_t start = clock_.NowMs();
  ConnectionStatus status;
  while (ras_.GetConnectStatus(current_, status) != ras::kInvalidHandle) {
    if (clock_.NowMs() - start >= kHangUpWaitMs) return false;
    clock_.GiveUpTimeSlice();
  }
  return true;
}

void DialSession::Disconnect(DialWindow& window) {
  if (current_ == nullptr) return;

  if (ras_.HangUp(current_) != ras::kOk) {
    // The inputs stay locked and the button offers a new dial.
    window.ShowMessageBox(BoxOwner::kWindow, "Disconnection Failed", setup_.caption,
                          MessageIcon::kError);
    window.SetText(control::kOk, kConnectLabel);
    return;
  }

  // The window does not respond while the service releases the connection,
  // so the wait is bounded. When it runs out the connection is still ours:
  // the inputs stay locked and the button still reads "Disconnect", so that
  // pressing it hangs up and waits again.
  const CursorHandle previous = window.SetBusyCursor();
  const bool released = WaitUntilReleased();
  window.RestoreCursor(previous);
  if (!released) {
    window.ShowMessageBox(BoxOwner::kWindow, "The connection did not close in time. Try again.",
                          setup_.caption, MessageIcon::kError);
    window.SetText(control::kOk, kDisconnectLabel);
    return;
  }
  SetInputsEnabled(window, true);
  window.SetText(control::kStatus, "");
  window.SetText(control::kOk, kConnectLabel);
}

void DialSession::ToggleConnection(DialWindow& window) {
  if (window.GetText(control::kOk, kButtonLabelCapacity) == kConnectLabel) {
    Connect(window);
  } else {
    window.StopTimer(timer::kLinkWatch);
    Disconnect(window);
  }
}

void DialSession::SetInputsEnabled(DialWindow& window, bool enabled) {
  // The server list needs a server besides its placeholder row.
  window.SetEnabled(control::kServer, enabled && window.GetCount(control::kServer) > 1);
  for (ControlId id : {control::kVpnType, control::kUserName, control::kPassword,
                       control::kOptions, control::kEditServers}) {
    window.SetEnabled(id, enabled);
  }
  window.SetText(control::kOk, enabled ? kConnectLabel : kDisconnectLabel);
}

ConnectionHandle DialSession::FindActiveConnection() {
  // The service tells how much room it needs; a list that keeps growing
  // between attempts gives up after a few.
  constexpr int kAttempts = 5;
  std::uint32_t bufferBytes = ras_.ConnectionRecordBytes();
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::vector<ActiveConnection> connections;
    const RasResult result = ras_.EnumConnections(bufferBytes, connections);
    if (result == ras::kBufferTooSmall) continue;
    if (result != ras::kOk) return nullptr;

    // Should the entry be up more than once, the later one in the list wins.
    ConnectionHandle found = nullptr;
    for (const ActiveConnection& connection : connections) {
      if (connection.entryGuid == setup_.startupEntry.guid) found = connection.handle;
    }
    return found;
  }
  return nullptr;
}

}  // namespace norva
