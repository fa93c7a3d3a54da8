// The tray icon against a shell of the test's own: what the icon hands it,
// and the main window while the shell is not there yet, as at logon.
#include "ui/tray_icon.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "connection/phonebook_entry.h"
#include "connection/rasapi32_remote_access.h"
#include "settings/registry_settings_store.h"
#include "ui/main_window.h"
#include "wine_test_support.h"

namespace norva {
namespace {

using Calls = std::vector<std::string>;

// Answers the scripted answers first, then whether the taskbar is up.
struct Shell {
  std::deque<BOOL> answers;
  bool up = false;
  Calls calls;
  HICON icon = nullptr;
} shell;

BOOL WINAPI ScriptedShell(DWORD message, PNOTIFYICONDATAA data) {
  const char* names[] = {"add", "modify", "delete"};
  shell.calls.push_back(std::string(message < 3 ? names[message] : "?") +
                        (data->uFlags & NIF_INFO ? std::string(" balloon ") + data->szInfo : ""));
  shell.icon = data->hIcon;
  const BOOL answer = shell.answers.empty() ? shell.up : shell.answers.front();
  if (!shell.answers.empty()) shell.answers.pop_front();
  return answer;
}

std::string Size(HICON icon) {
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info)) return "no icon";
  BITMAP color = {};
  GetObjectA(info.hbmColor, sizeof color, &color);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return std::to_string(color.bmWidth) + "x" + std::to_string(color.bmHeight);
}

TEST(TrayIcon, AddTellsWhetherTheShellHasTheIconAtTheSmallIconSize) {
  const std::string kAdd = "add balloon NORVA Connection Assistant";
  const std::string kModify = "modify balloon NORVA Connection Assistant";
  const struct {
    std::deque<BOOL> answers;
    bool added;
    Calls calls;
  } cases[] = {
      {{TRUE}, true, {kAdd}},
      {{FALSE, TRUE}, true, {kAdd, kModify}},  // taken, but the answer came too late
      {{FALSE, FALSE}, false, {kAdd, kModify}},
  };
  for (const auto& c : cases) {
    shell = {};
    shell.answers = c.answers;
    TrayIcon icon(GetModuleHandleA(nullptr), nullptr, ScriptedShell);
    EXPECT_EQ(icon.Add(), c.added) << c.calls.size() << " calls";
    EXPECT_EQ(shell.calls, c.calls);
    EXPECT_EQ(Size(shell.icon), std::to_string(GetSystemMetrics(SM_CXSMICON)) + "x" +
                                    std::to_string(GetSystemMetrics(SM_CYSMICON)));
  }
}

struct NoElevation : EntryHost {
  bool IsUserAdministrator() override { return true; }
  void RelaunchElevated() override {}
  void ShowContactSupport() override {}
  std::string FirstCustomServerAddress() override { return ""; }
};

// Runs the thread's messages until `done` holds or `timeoutMs` has passed.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  for (const DWORD start = GetTickCount(); !done(); MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT)) {
    if (GetTickCount() - start > timeoutMs) return false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  return true;
}

TEST(TrayIcon, TheMainWindowIsNotHiddenUntilTheLateShellHasTakenTheIcon) {
  testing::FakeRasSession ras;
  testing::ScratchKey key;
  testing::ScratchDir dir;
  RegistrySettingsStore settings(key.path());
  StartupAutorun autorun(key.path() + "\\Run");
  Rasapi32RemoteAccess remote;
  NoElevation host;
  PhonebookEntry entry(remote, settings, host, ras.Phonebook());
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA dialogClass = {};
  GetClassInfoA(instance, "#32770", &dialogClass);
  dialogClass.lpszClassName = "QUILLON";
  RegisterClassA(&dialogClass);
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_ANIMATE_CLASS | ICC_INTERNET_CLASSES};
  InitCommonControlsEx(&controls);
  MainWindowContext context{instance, nullptr, "NORVA Connection Assistant", settings, autorun,
                            remote, entry, dir.File("servers.xml"), dir.File("config.ini"),
                            "https://127.0.0.1:1", "https://127.0.0.1:1", ScriptedShell};
  shell = {};
  const HWND main = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                       MainWindowProc, reinterpret_cast<LPARAM>(&context));
  ASSERT_NE(main, nullptr);
  ShowWindow(main, SW_SHOW);
  SendMessageA(main, WM_CLOSE, 0, 0);  // no icon to hide to: to the taskbar button
  EXPECT_TRUE(IsWindowVisible(main) && IsIconic(main));

  shell.up = true;
  shell.calls.clear();
  EXPECT_TRUE(PumpUntil([] { return !shell.calls.empty(); }, 5000)) << "no retry";
  SendMessageA(main, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(IsWindowVisible(main) && !IsIconic(main));
  EXPECT_EQ(GetForegroundWindow(), main);
  SendMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(main));
  PumpUntil([] { return false; }, 2500);  // a retry still running would add again
  EXPECT_EQ(shell.calls, Calls{"add balloon NORVA Connection Assistant"});
  DestroyWindow(main);
}

}  // namespace
}  // namespace norva
