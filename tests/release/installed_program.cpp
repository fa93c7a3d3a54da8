// installed_program SHORTCUT.lnk [--configure]: starts the shortcut's target
// in its working folder (printing both), waits for the main window and its
// logo and ends the program with Exit; with --configure it first adds a server
// in Server Settings and turns on software compression and start at logon.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

#include "resources/resource.h"

namespace {

struct Releaser {
  void operator()(IUnknown* object) const { object->Release(); }
};
using Handle = std::unique_ptr<void, BOOL(WINAPI*)(HANDLE)>;

int Fail(const char* what) { std::printf("FAILED: %s\n", what); return 1; }

bool ReadShortcut(const char* path, char (&target)[MAX_PATH], char (&folder)[MAX_PATH]) {
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  wchar_t widePath[MAX_PATH];
  const bool ok = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IShellLinkA, reinterpret_cast<void**>(&link))) &&
                  SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
  std::unique_ptr<IShellLinkA, Releaser> linkOwner(link);
  std::unique_ptr<IPersistFile, Releaser> fileOwner(file);
  return ok && MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH) != 0 &&
         SUCCEEDED(file->Load(widePath, STGM_READ)) &&
         SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0)) &&
         SUCCEEDED(link->GetWorkingDirectory(folder, MAX_PATH));
}

// A visible top-level window of the process that has the control `id`,
// waited for up to 30 seconds.
HWND WaitForWindow(DWORD process, int id) {
  for (int i = 0; i < 300; ++i, Sleep(100)) {
    for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner == process && IsWindowVisible(window) && GetDlgItem(window, id)) return window;
    }
  }
  return nullptr;
}

// The logo is painted when its owner-drawn control shows many colours on
// the screen; without logo.bmp in the working folder it stays grey.
bool LogoShown(HWND main) {
  HWND logo = nullptr;
  for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_OWNERDRAW) logo = child;
  }
  RECT area;
  if (logo == nullptr || !GetWindowRect(logo, &area)) return false;
  for (int attempt = 0; attempt < 50; ++attempt, Sleep(100)) {
    HDC screen = GetDC(nullptr);
    std::set<COLORREF> colours;
    for (int x = 1; x < 32; x += 2) {
      for (int y = 1; y < 16; y += 2) {
        colours.insert(GetPixel(screen, area.left + (area.right - area.left) * x / 32,
                                area.top + (area.bottom - area.top) * y / 16));
      }
    }
    ReleaseDC(nullptr, screen);
    if (colours.size() >= 8) return true;
  }
  return false;
}

void Command(HWND window, int id) { PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

bool Close(HWND dialog) {
  Command(dialog, IDOK);
  for (int i = 0; i < 100 && IsWindow(dialog); ++i) Sleep(100);
  return !IsWindow(dialog);
}

bool Configure(DWORD process, HWND main) {
  Command(main, IDC_EDIT_SERVERS);
  HWND servers = WaitForWindow(process, IDC_CUSTOM_ADD);
  if (servers == nullptr) return false;
  SetDlgItemTextA(servers, IDC_CUSTOM_NAME, "Release test");
  SendDlgItemMessageA(servers, IDC_CUSTOM_IP, IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 1, 2, 3));
  SendDlgItemMessageA(servers, IDC_CUSTOM_ADD, BM_CLICK, 0, 0);
  if (!Close(servers)) return false;

  Command(main, IDC_OPTIONS);
  HWND options = WaitForWindow(process, IDC_RUN_AT_STARTUP);
  if (options == nullptr) return false;
  SendDlgItemMessageA(options, IDC_SWCOMPRESS, BM_CLICK, 0, 0);
  SendDlgItemMessageA(options, IDC_RUN_AT_STARTUP, BM_CLICK, 0, 0);
  return Close(options);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Fail("usage: installed_program SHORTCUT.lnk [--configure]");
  const bool configure = argc > 2 && std::strcmp(argv[2], "--configure") == 0;
  CoInitialize(nullptr);
  char target[MAX_PATH];
  char folder[MAX_PATH];
  if (!ReadShortcut(argv[1], target, folder)) return Fail("the shortcut cannot be read");
  std::printf("target=%s\nfolder=%s\n", target, folder);
  std::fflush(stdout);

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(target, nullptr, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                      &started)) {
    return Fail("the shortcut's target does not start");
  }
  Handle process(started.hProcess, CloseHandle);
  Handle thread(started.hThread, CloseHandle);

  HWND main = WaitForWindow(started.dwProcessId, IDC_EDIT_SERVERS);
  if (main == nullptr) return Fail("no main window");
  if (!LogoShown(main)) return Fail("the main window shows no logo");
  if (configure && !Configure(started.dwProcessId, main)) return Fail("a dialog did not work");
  Command(main, IDCANCEL);
  if (WaitForSingleObject(process.get(), 30000) != WAIT_OBJECT_0) return Fail("Exit did not end it");
  std::printf("ok: started from the shortcut, window and logo shown%s, ended with Exit\n",
              configure ? ", server added, options set" : "");
  return 0;
}
