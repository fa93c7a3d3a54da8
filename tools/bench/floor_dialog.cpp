// The floor of the start-up benchmark: the program's own main window with
// no logic behind it. It is built from the program's resources (the main
// dialog template with every control and its window class, the manifest
// that brings the themed common controls, the icon and strings) and starts
// the way the program must: the window class registered, the common
// controls' classes made ready, the tray icon added with the program's
// record, the modeless dialog created, shown with the start-up's show
// command and painted, one message loop. Whatever the program takes longer
// than this is its own work.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "resources/resource.h"

namespace {

constexpr int kNameCapacity = 100;
NOTIFYICONDATAA g_tray;

void AddTrayIcon(HINSTANCE instance, HWND window) {
  g_tray = {};
  g_tray.cbSize = sizeof g_tray;
  g_tray.hWnd = window;
  g_tray.uID = 1;
  g_tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_INFO;
  g_tray.uCallbackMessage = WM_APP + 10;
  g_tray.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
  lstrcpynA(g_tray.szInfo, "NORVA Connection Assistant", sizeof g_tray.szInfo);
  g_tray.uTimeout = 4000;
  lstrcpynA(g_tray.szInfoTitle, "NORVA", sizeof g_tray.szInfoTitle);
  g_tray.dwInfoFlags = NIIF_INFO;
  Shell_NotifyIconA(NIM_ADD, &g_tray);
}

INT_PTR CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    AddTrayIcon(reinterpret_cast<HINSTANCE>(lParam), window);
    return TRUE;
  }
  // Exit (the benchmark's way to end it) and closing the window end it.
  if ((message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE) {
    Shell_NotifyIconA(NIM_DELETE, &g_tray);
    DestroyWindow(window);
    PostQuitMessage(0);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  char className[kNameCapacity] = {};
  LoadStringA(instance, IDS_WINDOW_CLASS, className, kNameCapacity);
  WNDCLASSA dialogClass = {};
  if (!GetClassInfoA(instance, "#32770", &dialogClass)) return 1;
  dialogClass.lpszClassName = className;
  RegisterClassA(&dialogClass);

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_ANIMATE_CLASS};
  InitCommonControlsEx(&controls);

  HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, FloorProc,
                                   reinterpret_cast<LPARAM>(instance));
  if (window == nullptr) return 1;
  ShowWindow(window, showCommand);
  UpdateWindow(window);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
