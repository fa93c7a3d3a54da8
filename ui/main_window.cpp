#include "ui/main_window.h"

#include <commctrl.h>

#include "resources/resource.h"
#include "serverlist/server_list_combo.h"
#include "serverlist/server_list_worker.h"
#include "settings/setting_names.h"
#include "ui/auto_connect_prompt.h"
#include "ui/logo.h"
#include "ui/main_commands.h"
#include "ui/options_dialog.h"
#include "ui/server_settings_dialog.h"
#include "ui/tray_icon.h"
#include "ui/win32_dial_window.h"

namespace norva {
namespace {

static_assert(command::kVpnType == IDC_VPNTYPE && command::kOptions == IDC_OPTIONS &&
                  command::kEditServers == IDC_EDIT_SERVERS && command::kShared == IDC_SHARED &&
                  command::kDedicated == IDC_DEDICATED && command::kTrayOpen == ID_TRAY_OPEN,
              "the command table's ids must match the dialog template");

constexpr UINT kFallbackDialEventMessage = 0xCCCD;  // WM_RASDIALEVENT

// The one main window of the process and what it works with.
struct MainWindow {
  HWND window = nullptr;
  MainWindowContext* context = nullptr;
  TrayIcon tray;
  UINT dialEventMessage = kFallbackDialEventMessage;
};
MainWindow g_main;

void FillServers(HWND window, AccountType type) {
  FillServerList(GetDlgItem(window, IDC_SERVER), g_main.context->files.serverList, type);
}

void OnInitDialog(HWND window, MainWindowContext* context) {
  g_main.context = context;
  g_main.tray.Add(context->instance, window);
  g_main.window = window;

  HWND vpnType = GetDlgItem(window, IDC_VPNTYPE);
  SendMessageA(vpnType, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("PPTP VPN"));
  SendMessageA(vpnType, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("L2TP IPSec VPN"));

  CheckDlgButton(window, Read(context->settings, setting::kAccountType) != 0 ? IDC_DEDICATED
                                                                            : IDC_SHARED,
                 BST_CHECKED);

  const UINT registered = RegisterWindowMessageA("RasDialEvent");
  g_main.dialEventMessage = registered != 0 ? registered : kFallbackDialEventMessage;

  Win32DialWindow dialWindow(window);
  context->dial.LoadDialParams(dialWindow);

  SendDlgItemMessageA(window, IDC_ANIMATION, ACM_OPENA, 0,
                      reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(IDR_DOWNLOAD_AVI)));
  EnableWindow(GetDlgItem(window, IDC_SERVER), FALSE);

  StartServerListWorker(window, context->siteUrl, context->files.serverList);

  const ConnectionHandle active = context->dial.FindActiveConnection();
  context->dial.SetCurrentConnection(active);
  if (active != nullptr) context->dial.SetInputsEnabled(dialWindow, false);
}

void OnExit(HWND window) {
  // A connection that is up stays up; the next start finds it.
  g_main.tray.Remove();
  EndDialog(window, IDCANCEL);
  PostQuitMessage(0);
}

void TryAutoConnect(HWND window) {
  MainWindowContext& c = *g_main.context;
  if (Read(c.settings, setting::kAutoConnect) == 0) return;
  if (!PromptAllowsDial(RunAutoConnectPrompt(c.instance, window, PromptKind::kAutoConnect))) {
    return;
  }
  Win32DialWindow dialWindow(window);
  c.dial.Connect(dialWindow);
}

void OnServerListDone(HWND window) {
  MainWindowContext& c = *g_main.context;
  FillServers(window, IsDlgButtonChecked(window, IDC_SHARED) == BST_CHECKED
                          ? AccountType::Shared
                          : AccountType::Dedicated);
  HWND animation = GetDlgItem(window, IDC_ANIMATION);
  SendMessageA(animation, ACM_OPENA, 0, 0);  // closes the clip
  ShowWindow(animation, SW_HIDE);

  const auto lastServer = static_cast<std::int32_t>(Read(c.settings, setting::kLastServer));
  if (lastServer <= 0) return;
  SendDlgItemMessageA(window, IDC_SERVER, CB_SETCURSEL, static_cast<WPARAM>(lastServer), 0);
  TryAutoConnect(window);
}

void OnLinkWatch(HWND window, UINT_PTR timer) {
  MainWindowContext& c = *g_main.context;
  ConnectionStatus status;
  const RasResult result = c.ras.GetConnectStatus(c.dial.CurrentConnection(), status);
  if (!LinkLost(result, status.state)) return;
  KillTimer(window, timer);
  if (Read(c.settings, setting::kAutoReconnect) == 0) return;
  if (!PromptAllowsDial(RunAutoConnectPrompt(c.instance, window, PromptKind::kReconnect))) return;
  Win32DialWindow dialWindow(window);
  c.dial.Connect(dialWindow);
}

void OpenTrayMenu(HWND window) {
  POINT cursor;
  if (!GetCursorPos(&cursor)) return;
  if (!SetForegroundWindow(window)) return;
  TrackPopupMenuEx(g_main.context->trayMenu, 0, cursor.x, cursor.y, window, nullptr);
  // Lets the menu close when the user clicks elsewhere.
  PostMessageA(window, WM_NULL, 0, 0);
}

BOOL OnCommand(HWND window, WPARAM wParam, LPARAM lParam) {
  MainWindowContext& c = *g_main.context;
  const CommandAction action = ClassifyCommand(LOWORD(wParam), HIWORD(wParam));
  Win32DialWindow dialWindow(window);
  switch (action.command) {
    case MainCommand::kToggleConnection:
      c.dial.ToggleConnection(dialWindow);
      break;
    case MainCommand::kExit:
      OnExit(window);
      break;
    case MainCommand::kBuildEntry: {
      const LRESULT row = SendMessageA(reinterpret_cast<HWND>(lParam), CB_GETCURSEL, 0, 0);
      if (row >= 0) c.entry.BuildEntry(row == 0 ? VpnType::kPptp : VpnType::kL2tpIpsec);
      break;
    }
    case MainCommand::kOpenOptions: {
      RunOptionsDialog(c.instance, window, c.settings, c.autorun, c.supportUrl);
      const LRESULT row = SendDlgItemMessageA(window, IDC_VPNTYPE, CB_GETCURSEL, 0, 0);
      c.entry.BuildEntry(row == 1 ? VpnType::kL2tpIpsec : VpnType::kPptp);
      break;
    }
    case MainCommand::kOpenServerSettings:
      RunServerSettingsDialog(c.instance, window, c.files.configIni);
      c.dial.LoadDialParams(dialWindow);
      break;
    case MainCommand::kFillShared:
      FillServers(window, AccountType::Shared);
      Write(c.settings, setting::kAccountType, 0);
      break;
    case MainCommand::kFillDedicated:
      FillServers(window, AccountType::Dedicated);
      Write(c.settings, setting::kAccountType, 1);
      break;
    case MainCommand::kShowWindow:
      ShowWindow(window, SW_SHOW);
      break;
    case MainCommand::kNone:
      break;
  }
  return action.handled ? TRUE : FALSE;
}

void OnTrayNotify(HWND window, LPARAM lParam) {
  switch (ClassifyTrayMessage(static_cast<unsigned>(lParam))) {
    case TrayAction::kShowWindow:
      ShowWindow(window, SW_SHOW);
      break;
    case TrayAction::kOpenMenu:
      OpenTrayMenu(window);
      break;
    case TrayAction::kNone:
      break;
  }
}

}  // namespace

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    OnInitDialog(window, reinterpret_cast<MainWindowContext*>(lParam));
    return TRUE;
  }
  if (g_main.context == nullptr || window != g_main.window) return FALSE;

  if (message == g_main.dialEventMessage) {
    Win32DialWindow dialWindow(window);
    g_main.context->dial.OnDialEvent(dialWindow, static_cast<std::uint32_t>(wParam),
                                     static_cast<std::uint32_t>(lParam));
    return FALSE;
  }
  switch (message) {
    case WM_CLOSE:
      // Closing only hides; Exit ends the program.
      ShowWindow(window, SW_HIDE);
      return TRUE;
    case WM_COMMAND:
      return OnCommand(window, wParam, lParam);
    case WM_TRAYNOTIFY:
      OnTrayNotify(window, lParam);
      return FALSE;
    case WM_DRAWITEM:
      // Only the logo is owner-drawn; its item has no identifier of its own.
      if (static_cast<UINT>(wParam) == static_cast<UINT>(IDC_STATIC) && lParam != 0) {
        PaintLogo(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      }
      return FALSE;
    case WM_TIMER:
      OnLinkWatch(window, wParam);
      return FALSE;
    case WM_SERVERLIST_DONE:
      OnServerListDone(window);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace norva
