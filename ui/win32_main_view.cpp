#include "ui/win32_main_view.h"

#include <commctrl.h>

#include <vector>

#include "app/support_log.h"
#include "resources/resource.h"
#include "serverlist/server_list_worker.h"
#include "ui/auto_connect_prompt.h"
#include "ui/options_dialog.h"
#include "ui/server_settings_dialog.h"

namespace norva {
namespace {

// The fields hold what the service takes: 256 characters and the NUL. The
// destination list's rows are at most 127 characters.
constexpr int kCredentialCapacity = 257;
constexpr int kLocationCapacity = 128;

}  // namespace

Win32MainView::Win32MainView(HWND window, const MainWindowContext& context)
    : window_(window), context_(context), tray_(context.instance, window, context.notifyIcon) {}

std::string Win32MainView::ItemText(int id, int capacity) const {
  std::vector<char> text(static_cast<std::size_t>(capacity), '\0');
  const int length = GetWindowTextA(Item(id), text.data(), capacity);
  return std::string(text.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
}

void Win32MainView::ShowAccountType(AccountType type) {
  CheckDlgButton(window_, type == AccountType::Dedicated ? IDC_DEDICATED : IDC_SHARED,
                 BST_CHECKED);
}

void Win32MainView::ShowTunnelType(VpnType type) {
  // The rows are in VpnType order.
  SendDlgItemMessageA(window_, IDC_VPNTYPE, CB_SETCURSEL, static_cast<WPARAM>(type), 0);
}

std::optional<VpnType> Win32MainView::ChosenTunnelType() {
  switch (SendDlgItemMessageA(window_, IDC_VPNTYPE, CB_GETCURSEL, 0, 0)) {
    case 0: return VpnType::kPptp;
    case 1: return VpnType::kL2tpIpsec;
    default: return std::nullopt;
  }
}

void Win32MainView::ShowCredentials(const std::string& userName, const std::string& password) {
  SetDlgItemTextA(window_, IDC_USERNAME, userName.c_str());
  SetDlgItemTextA(window_, IDC_PASSWORD, password.c_str());
}

std::string Win32MainView::UserName() { return ItemText(IDC_USERNAME, kCredentialCapacity); }

std::string Win32MainView::Password() { return ItemText(IDC_PASSWORD, kCredentialCapacity); }

bool Win32MainView::CredentialsEdited() {
  return SendDlgItemMessageA(window_, IDC_USERNAME, EM_GETMODIFY, 0, 0) != 0 ||
         SendDlgItemMessageA(window_, IDC_PASSWORD, EM_GETMODIFY, 0, 0) != 0;
}

void Win32MainView::ForgetEdits() {
  SendDlgItemMessageA(window_, IDC_USERNAME, EM_SETMODIFY, FALSE, 0);
  SendDlgItemMessageA(window_, IDC_PASSWORD, EM_SETMODIFY, FALSE, 0);
}

void Win32MainView::ShowServers(const std::vector<std::string>& locations) {
  HWND list = Item(IDC_SERVER);
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("choose server..."));
  for (const std::string& location : locations) {
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(location.c_str()));
  }
}

void Win32MainView::ChooseServer(int row) {
  SendDlgItemMessageA(window_, IDC_SERVER, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

int Win32MainView::ChosenServer() {
  return static_cast<int>(SendDlgItemMessageA(window_, IDC_SERVER, CB_GETCURSEL, 0, 0));
}

std::string Win32MainView::ChosenLocation() {
  // Asked for the dial that follows.
  const std::string location = ItemText(IDC_SERVER, kLocationCapacity);
  Log("dial", "location " + location);
  return location;
}

void Win32MainView::EnableServerList(bool enabled) { EnableWindow(Item(IDC_SERVER), enabled); }

void Win32MainView::EnableInputs(bool enabled) {
  for (int id : {IDC_VPNTYPE, IDC_USERNAME, IDC_PASSWORD, IDC_OPTIONS, IDC_EDIT_SERVERS}) {
    EnableWindow(Item(id), enabled);
  }
}

void Win32MainView::LabelButton(ButtonLabel label) {
  SetDlgItemTextA(window_, IDOK, label == ButtonLabel::kConnect ? "Connect" : "Disconnect");
}

void Win32MainView::EnableButton(bool enabled) { EnableWindow(Item(IDOK), enabled); }

void Win32MainView::ShowStatus(const std::string& text) {
  SetDlgItemTextA(window_, IDC_STATUS, text.c_str());
}

void Win32MainView::StartDownloadAnimation() {
  SendDlgItemMessageA(window_, IDC_ANIMATION, ACM_OPENA, 0,
                      reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(IDR_DOWNLOAD_AVI)));
}

void Win32MainView::StopDownloadAnimation() {
  HWND animation = Item(IDC_ANIMATION);
  SendMessageA(animation, ACM_OPENA, 0, 0);  // closes the clip
  ::ShowWindow(animation, SW_HIDE);
}

void Win32MainView::ShowWindow() { ::ShowWindow(window_, SW_SHOW); }

void Win32MainView::RaiseWindow() {
  ::ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(window_);
}

void Win32MainView::Minimize() { ::ShowWindow(window_, SW_MINIMIZE); }

void Win32MainView::HideToTray() { ::ShowWindow(window_, SW_HIDE); }

bool Win32MainView::AddTrayIcon() { return tray_.Add(); }

void Win32MainView::StartTrayRetry() { SetTimer(window_, kTrayRetryTimer, 2000, nullptr); }

void Win32MainView::StopTrayRetry() { KillTimer(window_, kTrayRetryTimer); }

void Win32MainView::RemoveTrayIcon() { tray_.Remove(); }

void Win32MainView::ShowTrayWarning(const std::string& title, const std::string& text) {
  Log("ui", "warning balloon: " + text);
  tray_.ShowBalloon(title.c_str(), text.c_str(), NIIF_WARNING);
}

void Win32MainView::ShowTrayNotice(const std::string& title, const std::string& text) {
  Log("ui", "balloon: " + text);
  tray_.ShowBalloon(title.c_str(), text.c_str(), NIIF_INFO);
}

void Win32MainView::RunTrayMenu() {
  POINT cursor;
  if (!GetCursorPos(&cursor)) return;
  if (!SetForegroundWindow(window_)) return;
  TrackPopupMenuEx(context_.trayMenu, 0, cursor.x, cursor.y, window_, nullptr);
  // Lets the menu close when the user clicks elsewhere.
  PostMessageA(window_, WM_NULL, 0, 0);
}

bool Win32MainView::StartLinkWatch() {
  return SetTimer(window_, kLinkWatchTimer, 2000, nullptr) != 0;
}

void Win32MainView::StopLinkWatch() { KillTimer(window_, kLinkWatchTimer); }

void Win32MainView::WaitBeforeRetry(unsigned seconds) {
  Log("dial", "next try in " + std::to_string(seconds) + " s, or when the network changes");
  SetTimer(window_, kRetryTimer, seconds * 1000, nullptr);
  network_.Start(window_, WM_NETWORK_CHANGED);
}

void Win32MainView::StopRetryWait() {
  KillTimer(window_, kRetryTimer);
  network_.Stop();
}

void Win32MainView::StartServerListUpdate() {
  StartServerListWorker(window_, context_.siteUrl, context_.serverList);
}

void Win32MainView::ShowBusy() { beforeBusy_ = SetCursor(LoadCursorA(nullptr, IDC_WAIT)); }

void Win32MainView::EndBusy() { SetCursor(beforeBusy_); }

PromptOutcome Win32MainView::RunPrompt(PromptKind kind) {
  const int result = RunAutoConnectPrompt(context_.instance, window_, kind, &prompt_);
  Log("prompt", std::string(kind == PromptKind::kReconnect ? "reconnect" : "auto connect") +
                    (PromptAllowsDial(result) ? ": go ahead (" : ": cancelled (") +
                    std::to_string(result) + ")");
  return PromptAllowsDial(result) ? PromptOutcome::kGoAhead : PromptOutcome::kCancelled;
}

void Win32MainView::ClosePrompt() {
  if (prompt_ != nullptr) norva::ClosePrompt(prompt_);
}

void Win32MainView::RunOptions() {
  RunOptionsDialog(context_.instance, window_, context_.settings, context_.autorun,
                   context_.supportUrl);
}

void Win32MainView::RunServerSettings() {
  RunServerSettingsDialog(context_.instance, window_, context_.configIni);
}

void Win32MainView::ShowError(const std::string& text) {
  Log("ui", "error box: " + text);
  MessageBoxA(window_, text.c_str(), context_.caption, MB_OK | MB_ICONERROR);
}

void Win32MainView::ShowNotice(const std::string& text) {
  Log("ui", "notice box: " + text);
  MessageBoxA(nullptr, text.c_str(), nullptr, MB_OK | MB_ICONINFORMATION);
}

void Win32MainView::EndProgram() {
  EndDialog(window_, IDCANCEL);
  PostQuitMessage(0);
}

}  // namespace norva
