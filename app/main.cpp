// The program's entry: one instance only, the phonebook entry made sure of
// before any window exists, the main window, and the one message loop.
#include <windows.h>
#include <commctrl.h>

#include "app/file_locations.h"
#include "app/win32_entry_host.h"
#include "build_config.h"
#include "connection/phonebook_entry.h"
#include "connection/rasapi32_remote_access.h"
#include "resources/resource.h"
#include "settings/registry_settings_store.h"
#include "settings/startup_autorun.h"
#include "ui/main_window.h"

namespace {

constexpr int kNameCapacity = 100;

// The main dialog template names a class of its own, a copy of the system's
// dialog class, so that a later start can find the window by class.
bool RegisterMainWindowClass(HINSTANCE instance, const char* className) {
  WNDCLASSA dialogClass = {};
  if (!GetClassInfoA(instance, "#32770", &dialogClass)) return false;
  dialogClass.lpszClassName = className;
  return RegisterClassA(&dialogClass) != 0;
}

int RunMessageLoop(HACCEL accelerators) {
  MSG message;
  BOOL got;
  while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) return 0;
    if (TranslateAcceleratorA(message.hwnd, accelerators, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  using namespace norva;

  char caption[kNameCapacity] = {};
  char className[kNameCapacity] = {};
  LoadStringA(instance, IDS_APP_TITLE, caption, kNameCapacity);
  LoadStringA(instance, IDS_WINDOW_CLASS, className, kNameCapacity);

  // A second start brings the running instance forward, even from the tray,
  // and leaves everything else alone.
  if (HWND running = FindWindowA(className, caption)) {
    ShowWindow(running, SW_SHOW);
    SetForegroundWindow(running);
    return 0;
  }

  HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_TRAYMENU));
  HMENU trayMenu = GetSubMenu(menu, 0);

  const FileLocations files = ProgramFileLocations();

  RegistrySettingsStore settings;
  StartupAutorun autorun;
  Rasapi32RemoteAccess ras;
  Win32EntryHost host(files.configIni);
  PhonebookEntry entry(ras, settings, host, files.phonebook);
  entry.EnsureEntry();  // may relaunch the program elevated and end this one

  // The main window holds an animation control; the settings dialog an IP
  // address control.
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_ANIMATE_CLASS | ICC_INTERNET_CLASSES};
  InitCommonControlsEx(&controls);

  MainWindowContext context{instance,   trayMenu,      caption,         settings,
                            autorun,    ras,           entry,           files.serverList,
                            files.configIni, build::kSiteUrl, build::kSupportUrl};

  RegisterMainWindowClass(instance, className);
  HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainWindowProc,
                                   reinterpret_cast<LPARAM>(&context));
  if (window == nullptr) return 0;
  ShowWindow(window, showCommand);
  UpdateWindow(window);

  const int exitCode = RunMessageLoop(LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCEL)));
  DestroyWindow(window);
  DestroyMenu(menu);
  return exitCode;
}
