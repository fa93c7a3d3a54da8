#include "ui/main_window.h"

#include "app/support_log.h"
#include "connection/dial_session.h"
#include "connection/rasapi32_remote_access.h"
#include "resources/resource.h"
#include "serverlist/server_list_messages.h"
#include "ui/logo.h"
#include "ui/main_controller.h"
#include "ui/win32_main_view.h"

namespace norva {
namespace {

constexpr UINT kFallbackDialEventMessage = 0xCCCD;  // WM_RASDIALEVENT

// What the main window keeps, in its user data.
struct MainWindow {
  MainWindow(HWND window, MainWindowContext& context)
      : context(context),
        view(window, context),
        session(context.ras, clock,
                DialSetup{context.entry.phonebook(), kEntryName, context.entry.startupEntry().guid,
                          reinterpret_cast<NotifierWindow>(window)}),
        controller(view, context.settings, session, context.entry, context.serverList) {}

  MainWindowContext& context;
  SystemWaitClock clock;
  Win32MainView view;
  DialSession session;
  MainController controller;
  UINT dialEventMessage = kFallbackDialEventMessage;
  // Broadcast by the shell when it starts again, having lost every tray icon.
  UINT taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
};

MainWindow* Of(HWND window) {
  return reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, DWLP_USER));
}

void OnInitDialog(HWND window, MainWindowContext& context) {
  auto* state = new MainWindow(window, context);
  SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(state));

  // Rows in VpnType order.
  SendDlgItemMessageA(window, IDC_VPNTYPE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("PPTP VPN"));
  SendDlgItemMessageA(window, IDC_VPNTYPE, CB_ADDSTRING, 0,
                      reinterpret_cast<LPARAM>("L2TP IPSec VPN"));
  if (const UINT registered = RegisterWindowMessageA("RasDialEvent")) {
    state->dialEventMessage = registered;
  }
  // The shell runs with the user's own rights. A copy of the program that
  // started itself elevated to write the entry would not hear its broadcast,
  // which Windows drops on the way up unless the window lets it through.
  if (state->taskbarCreatedMessage != 0) {
    ChangeWindowMessageFilterEx(window, state->taskbarCreatedMessage, MSGFLT_ALLOW, nullptr);
  }
  state->controller.Start();
}

// What the dialog procedure answers for a command.
BOOL OnCommand(MainWindow& w, WPARAM wParam) {
  MainController& c = w.controller;
  switch (LOWORD(wParam)) {
    case IDOK:
      c.OnConnectButton();
      return TRUE;
    case IDCANCEL:  // the Exit button and the tray menu's Exit
      c.OnExit();
      return TRUE;
    case IDC_VPNTYPE:
      if (HIWORD(wParam) == CBN_SELENDOK) c.OnTunnelTypePicked();
      return TRUE;
    case IDC_OPTIONS:
      c.OnOptions();
      return FALSE;
    case IDC_EDIT_SERVERS:
      c.OnServerSettings();
      return FALSE;
    case IDC_SHARED:
      c.OnAccountTypePicked(AccountType::Shared);
      return FALSE;
    case IDC_DEDICATED:
      c.OnAccountTypePicked(AccountType::Dedicated);
      return FALSE;
    case ID_TRAY_OPEN:
      c.OnOpenWindow();
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    OnInitDialog(window, *reinterpret_cast<MainWindowContext*>(lParam));
    return TRUE;
  }
  MainWindow* w = Of(window);
  if (w == nullptr) return FALSE;

  if (message == w->dialEventMessage) {
    LogDialEvent(w->context.ras, static_cast<std::uint32_t>(wParam),
                 static_cast<std::uint32_t>(lParam));
    // The service's thread waits until this returns: what the event leads
    // to (a box, a prompt, another dial) runs once it has, in order.
    PostMessageA(window, WM_DIALEVENT_LATER, wParam, lParam);
    SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
    return TRUE;
  }
  if (message == w->taskbarCreatedMessage && message != 0) {
    w->controller.OnShellRestarted();
    return FALSE;
  }
  switch (message) {
    case WM_CLOSE:
      // Closing only hides; the close must not reach the dialog manager,
      // which would make it the Exit command.
      w->controller.OnClose();
      return TRUE;
    case WM_COMMAND:
      return OnCommand(*w, wParam);
    case WM_DIALEVENT_LATER:
      w->controller.OnDialEvent(static_cast<std::uint32_t>(wParam),
                                static_cast<std::uint32_t>(lParam));
      return FALSE;
    case WM_TRAYNOTIFY:
      if (lParam == WM_LBUTTONDBLCLK) w->controller.OnOpenWindow();
      if (lParam == WM_RBUTTONUP) w->controller.OnTrayMenu();
      return FALSE;
    case WM_DRAWITEM:
      // Only the logo is owner-drawn; its item has no identifier of its own.
      if (static_cast<UINT>(wParam) == static_cast<UINT>(IDC_STATIC) && lParam != 0) {
        PaintLogo(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      }
      return FALSE;
    case WM_TIMER:
      if (wParam == Win32MainView::kLinkWatchTimer) w->controller.OnLinkWatchTick();
      if (wParam == Win32MainView::kTrayRetryTimer) w->controller.OnTrayRetryTick();
      if (wParam == Win32MainView::kRetryTimer) w->controller.OnRetryDue();
      return FALSE;
    case WM_NETWORK_CHANGED:
      Log("dial", "the network changed");
      w->controller.OnNetworkChanged();
      return FALSE;
    case WM_POWERBROADCAST:
      if (wParam != PBT_APMRESUMEAUTOMATIC) return FALSE;
      Log("dial", "resumed from sleep");
      w->controller.OnNetworkChanged();
      return FALSE;
    case WM_SERVERLIST_DONE:
      w->controller.OnServerListReady();
      return FALSE;
    case WM_NCDESTROY:
      SetWindowLongPtrA(window, DWLP_USER, 0);
      delete w;
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace norva
