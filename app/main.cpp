// The program's entry: one instance per user session, the phonebook entry
// made sure of before any window exists, the main window, and the one
// message loop.
#include <windows.h>
#include <commctrl.h>

#include "app/file_locations.h"
#include "app/support_log.h"
#include "app/system_library.h"
#include "app/win32_entry_host.h"
#include "app/win32_log_file.h"
#include "build_config.h"
#include "connection/phonebook_entry.h"
#include "connection/rasapi32_remote_access.h"
#include "resources/resource.h"
#include "settings/registry_settings_store.h"
#include "settings/startup_autorun.h"
#include "ui/main_window.h"
#include "version.h"

namespace {

constexpr int kNameCapacity = 100;
// Held for the life of the program: one per user session.
constexpr char kInstanceMutex[] = "Local\\NORVA Connection Assistant";
// How long a later start waits for the running copy's window, and how long
// a copy started elevated waits for the copy that started it to end.
constexpr DWORD kWaitForWindowMs = 10000;
constexpr DWORD kWaitForEndMs = 10000;
constexpr DWORD kPollMs = 50;

class KernelHandle {
 public:
  explicit KernelHandle(HANDLE handle) : handle_(handle) {}
  ~KernelHandle() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  KernelHandle(const KernelHandle&) = delete;
  KernelHandle& operator=(const KernelHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Brings the running copy's window forward, even from the tray, once it
// exists and its copy waits for input (a copy started hidden has hidden it
// by then).
void RaiseRunningCopy(const char* className, const char* caption) {
  HWND running = nullptr;
  for (DWORD waited = 0; (running = FindWindowA(className, caption)) == nullptr;
       waited += kPollMs) {
    if (waited >= kWaitForWindowMs) return;
    Sleep(kPollMs);
  }
  DWORD processId = 0;
  GetWindowThreadProcessId(running, &processId);
  const KernelHandle process(
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId));
  if (process.get() != nullptr) WaitForInputIdle(process.get(), kWaitForWindowMs);
  // From the tray, or from its taskbar button while the tray has no icon.
  ShowWindow(running, IsIconic(running) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(running);
}

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

// What support asks first: which program on which Windows, with which
// rights, and where its files are.
void LogStartUp(const norva::FileLocations& files, norva::EntryHost& host) {
  using norva::Log;
  const bool program64 = sizeof(void*) == 8;
  BOOL wow64 = FALSE;
  if (!program64 && !IsWow64Process(GetCurrentProcess(), &wow64)) wow64 = FALSE;
  Log("start", NORVA_PRODUCT_NAME " " NORVA_VERSION_TEXT ", " +
                   std::string(program64 ? "64" : "32") + "-bit program, process " +
                   std::to_string(GetCurrentProcessId()));

  // GetVersionEx answers as the manifest's supported systems allow;
  // RtlGetVersion gives the system's own version.
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  LONG(WINAPI * getVersion)(OSVERSIONINFOW*) = nullptr;
  if (!norva::FindFunction(GetModuleHandleA("ntdll.dll"), "RtlGetVersion", getVersion) ||
      getVersion(&version) != 0) {
    version = {};
  }
  Log("start", "Windows " + std::to_string(version.dwMajorVersion) + "." +
                   std::to_string(version.dwMinorVersion) + " build " +
                   std::to_string(version.dwBuildNumber) + ", " +
                   (program64 || wow64 ? "64" : "32") + "-bit Windows, " +
                   (host.IsUserAdministrator() ? "administrator" : "not administrator"));
  char folder[MAX_PATH] = {};
  const DWORD length = GetCurrentDirectoryA(MAX_PATH, folder);
  Log("start", "current folder " + std::string(length < MAX_PATH ? folder : "(too long)"));
  Log("start", "phonebook " + files.phonebook + ", servers.xml " + files.serverList +
                   ", config.ini " + files.configIni);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
  using namespace norva;

  char caption[kNameCapacity] = {};
  char className[kNameCapacity] = {};
  LoadStringA(instance, IDS_APP_TITLE, caption, kNameCapacity);
  LoadStringA(instance, IDS_WINDOW_CLASS, className, kNameCapacity);

  // A copy started elevated takes over once the copy that started it has
  // ended, its window and the instance mutex with it.
  const ElevatedStart elevated = ReadElevatedStart(commandLine);
  if (elevated.after != 0) {
    const KernelHandle before(OpenProcess(SYNCHRONIZE, FALSE, elevated.after));
    if (before.get() != nullptr) WaitForSingleObject(before.get(), kWaitForEndMs);
  }
  // A later start, even one a moment after the first, brings the running
  // copy forward and leaves everything else alone.
  const KernelHandle instanceMutex(CreateMutexA(nullptr, FALSE, kInstanceMutex));
  if (GetLastError() == ERROR_ALREADY_EXISTS || FindWindowA(className, caption) != nullptr) {
    RaiseRunningCopy(className, caption);
    return 0;
  }

  HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_TRAYMENU));
  HMENU trayMenu = GetSubMenu(menu, 0);

  const FileLocations files = ProgramFileLocations();
  // The log lives as long as the process: the server list's thread may
  // still write to it while the process ends.
  StartSupportLog(new SupportLog(*new Win32LogFile(files.supportLog)));

  RegistrySettingsStore settings;
  StartupAutorun autorun;
  Rasapi32RemoteAccess ras;
  Win32EntryHost host(files.configIni, caption);
  LogStartUp(files, host);
  PhonebookEntry entry(ras, settings, host, files.phonebook, build::kSiteUrl);
  entry.EnsureEntry(elevated.pending);
  if (host.relaunched()) return 0;  // an elevated copy builds the entry

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
  host.SetMainWindow(window);
  ShowWindow(window, showCommand);
  UpdateWindow(window);

  const int exitCode = RunMessageLoop(LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCEL)));
  Log("exit", "Exit, exit code " + std::to_string(exitCode));
  DestroyWindow(window);
  DestroyMenu(menu);
  return exitCode;
}
