// Drives the real norva.exe under Wine as a user or the shell would, on a clean account with the
// simulated service. Clicks are posted, never sent: a modal box would block the caller.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "support/servers_xml.h"
#include "wine_test_support.h"

namespace norva::e2e {

// Polls `done` until it holds or `timeoutMs` has passed; its last answer.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 10000);

class Window;
// A visible top-level window of `className` with the control `id`, of any program, once it shows.
Window WaitForWindow(const char* className, int id, DWORD timeoutMs = 30000);

class Window {
 public:
  Window() = default;
  explicit Window(HWND handle) : handle_(handle) {}

  HWND handle() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr && IsWindow(handle_); }
  Window Item(int id) const { return Window(GetDlgItem(handle_, id)); }

  std::string Text() const;
  bool IsVisible() const { return IsWindowVisible(handle_) != FALSE; }
  bool WaitVisible(bool visible = true) const { return WaitFor([&] { return IsVisible() == visible; }); }
  bool IsEnabled() const { return IsWindowEnabled(handle_) != FALSE; }
  bool IsChecked() const { return Send(BM_GETCHECK) == BST_CHECKED; }
  std::vector<std::string> Rows() const;  // of a drop-down list
  int Selection() const { return static_cast<int>(Send(CB_GETCURSEL)); }

  // Selects `row` and tells the parent as the list does for a user's pick.
  void Pick(int row) const;
  void Click() const { Post(BM_CLICK); }
  // Replaces the field's text by typing, so the field counts as edited.
  void Type(const std::string& text) const;

  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  void Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

 private:
  HWND handle_ = nullptr;
};

class NorvaApp {
 public:
  NorvaApp();
  ~NorvaApp();
  NorvaApp(const NorvaApp&) = delete;
  NorvaApp& operator=(const NorvaApp&) = delete;

  void SeedServers(const std::vector<testing::ServerEntry>& servers) const;
  void SetScenario(const std::string& ini) const { ras_.SetScenario(ini); }
  void WriteSetting(const char* name, DWORD value) const;

  void Launch(const std::string& arguments = "");
  // `copies` starts of the program at the same moment.
  void LaunchAtOnce(int copies, WORD show);
  // Starts it as a standard user (bin/as-standard-user.exe, ending with its exit code) in `folder`.
  void LaunchAsStandardUser(const std::string& folder);
  // Counts the copy another one started, whose window is `main`, as the last one started.
  void Adopt(const Window& main);
  // Starts the program; its main window once it shows.
  Window Start();
  // Started, with the server list filled after the updater (the animation hidden).
  Window StartReady();
  // The last started program's exit code once it ends; none after 10 s.
  std::optional<DWORD> WaitForExit() const;
  // Of each program started, STILL_ACTIVE while it runs.
  std::vector<DWORD> ExitCodes() const;
  DWORD processId() const { return processes_.back().id; }
  // A visible dialog with `withControl` and not `withoutControl` (ids are reused), once it shows.
  Window WaitForDialog(int withControl, int withoutControl = 0, DWORD timeoutMs = 10000) const;
  // The next message box of any copy, as "caption: text", dismissed.
  std::string NextBox() const;
  // Right-clicks the tray icon and chooses `item` of its menu (0 "Open", 1 "Exit").
  bool ChooseFromTray(const Window& main, int item) const;

  std::optional<DWORD> ReadSetting(const char* name) const;
  std::string PhonebookValue(const char* key) const;
  std::string StateFile(const char* name) const { return ras_.dir().File(name); }
  std::string StateText(const char* name) const { return testing::ReadFileBytes(StateFile(name)); }
  // The service's call log: lines of `call` ("RasDialA", ...), or all.
  std::vector<std::string> Calls(const std::string& call = "") const;

  const std::string& configIni() const { return configIni_; }

 private:
  struct Process {
    HANDLE handle;
    DWORD id;
  };
  void CleanAccount() const;
  // The new process's thread when `suspended`, else null.
  HANDLE Spawn(std::string commandLine, const std::string& folder, WORD show, bool suspended = false);

  testing::FakeRasSession ras_;
  std::string folder_, program_, configIni_, phonebook_, serversXml_;
  std::deque<Process> processes_;
};

// A field ("phone", "user", ...) of a call log line.
std::string Field(const std::string& line, const std::string& key);

}  // namespace norva::e2e
