// installed_program SHORTCUT.lnk [--configure]: starts the shortcut's target in its folder
// (printing both), waits for the window and logo and Exits; --configure adds a server and options.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <set>

#include "driver.h"

namespace {

using namespace norva::e2e;

int Fail(const char* what) { std::printf("FAILED: %s\n", what); return 1; }

bool ReadShortcut(const wchar_t* path, char (&target)[MAX_PATH], char (&folder)[MAX_PATH]) {
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IShellLinkA, reinterpret_cast<void**>(&link))) &&
         SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
         SUCCEEDED(file->Load(path, STGM_READ)) &&
         SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0)) &&
         SUCCEEDED(link->GetWorkingDirectory(folder, MAX_PATH));
}

// Painted: its owner-drawn control shows many colours (without logo.bmp it stays grey).
bool LogoShown(const Window& main) {
  HWND logo = nullptr, child = GetWindow(main.handle(), GW_CHILD);
  for (; child; child = GetWindow(child, GW_HWNDNEXT))
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_OWNERDRAW) logo = child;
  RECT area;
  return logo != nullptr && GetWindowRect(logo, &area) && WaitFor([&] {
    HDC screen = GetDC(nullptr);
    std::set<COLORREF> colours;
    for (int x = 1; x < 32; x += 2)
      for (int y = 1; y < 16; y += 2)
        colours.insert(GetPixel(screen, area.left + (area.right - area.left) * x / 32,
                                area.top + (area.bottom - area.top) * y / 16));
    ReleaseDC(nullptr, screen);
    return colours.size() >= 8;
  }, 5000);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  CoInitialize(nullptr);
  char target[MAX_PATH], folder[MAX_PATH];
  if (argc < 2 || !ReadShortcut(argv[1], target, folder)) return Fail("no shortcut read");
  std::printf("shortcut: %s in %s\n", target, folder);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(target, nullptr, nullptr, nullptr, 0, 0, nullptr, folder, &startup, &started))
    return Fail("the shortcut's target does not start");
  const Window main = WaitForWindow("QUILLON", IDC_EDIT_SERVERS);
  if (!main || !LogoShown(main)) return Fail("no main window with its logo");
  if (argc > 2) {  // Each dialog's OK is handled before the Exit posted after it.
    main.Post(WM_COMMAND, IDC_EDIT_SERVERS);
    const Window servers = WaitForWindow("#32770", IDC_CUSTOM_ADD);
    servers.Item(IDC_CUSTOM_NAME).Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Release test"));
    servers.Item(IDC_CUSTOM_IP).Send(IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 1, 2, 3));
    servers.Item(IDC_CUSTOM_ADD).Send(BM_CLICK);
    servers.Post(WM_COMMAND, IDOK);
    main.Post(WM_COMMAND, IDC_OPTIONS);
    const Window options = WaitForWindow("#32770", IDC_RUN_AT_STARTUP);
    options.Item(IDC_SWCOMPRESS).Send(BM_CLICK);
    options.Item(IDC_RUN_AT_STARTUP).Send(BM_CLICK);
    options.Post(WM_COMMAND, IDOK);
  }
  main.Post(WM_COMMAND, IDCANCEL);
  if (WaitForSingleObject(started.hProcess, 30000) != WAIT_OBJECT_0) return Fail("no end on Exit");
  std::printf("ok: window and logo shown%s, ended with Exit\n", argc > 2 ? ", dialogs used" : "");
  return 0;
}
