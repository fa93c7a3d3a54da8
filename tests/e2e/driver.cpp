#include "driver.h"

#include <gtest/gtest.h>

#include <sstream>

namespace norva::e2e {
namespace {

constexpr char kSettingsKey[] = "Software\\NORVA";
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr DWORD kStartTimeoutMs = 30000;  // a cold Wine start takes a few seconds
constexpr int kMessageTextId = 0xFFFF;     // the text item of a message box

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

// Visible top-level windows of `processId` (0: any) with the given class.
std::vector<Window> TopLevelWindows(DWORD processId, const char* className) {
  std::vector<Window> found;
  for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, className, nullptr)) != nullptr;) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if ((processId == 0 || owner == processId) && IsWindowVisible(w)) found.emplace_back(w);
  }
  return found;
}

}  // namespace

Window WaitForWindow(const char* className, int id, DWORD timeoutMs) {
  Window found;
  WaitFor([&] {
    for (const Window& w : TopLevelWindows(0, className))
      if (w.Item(id)) found = w;
    return static_cast<bool>(found);
  }, timeoutMs);
  return found;
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!done()) {
    if (GetTickCount64() >= end) return done();
    Sleep(20);
  }
  return true;
}

std::string Window::Text() const {
  // WM_GETTEXT crosses processes; GetWindowText would give an edit field's creation text.
  std::string text(static_cast<size_t>(Send(WM_GETTEXTLENGTH)) + 1, '\0');
  text.resize(static_cast<size_t>(Send(WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
  return text;
}

std::vector<std::string> Window::Rows() const {
  // In UTF-16: Wine answers a cross-process CB_GETLBTEXT so even when asked in ANSI.
  std::vector<std::string> rows;
  for (LRESULT i = 0, count = Send(CB_GETCOUNT); i < count; ++i) {
    wchar_t row[256] = {};
    if (Send(CB_GETLBTEXTLEN, i) >= 256) continue;
    SendMessageW(handle_, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(row));
    char narrow[512] = {};
    WideCharToMultiByte(CP_ACP, 0, row, -1, narrow, sizeof narrow, nullptr, nullptr);
    rows.push_back(narrow);
  }
  return rows;
}

void Window::Pick(int row) const {
  Send(CB_SETCURSEL, row);
  const int id = GetDlgCtrlID(handle_);
  HWND parent = GetAncestor(handle_, GA_PARENT);
  for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK}) {
    PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(handle_));
  }
}

void Window::Type(const std::string& text) const {
  Send(EM_SETSEL, 0, -1);
  Send(WM_CHAR, VK_BACK);
  for (const char c : text) Send(WM_CHAR, static_cast<unsigned char>(c));
}

LRESULT Window::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
  DWORD_PTR result = 0;
  // Not SMTO_ABORTIFHUNG: a program that has just shown its window may count as hung.
  SendMessageTimeoutA(handle_, message, wParam, lParam, SMTO_NORMAL, 5000, &result);
  return static_cast<LRESULT>(result);
}

void Window::Post(UINT message, WPARAM wParam, LPARAM lParam) const {
  PostMessageA(handle_, message, wParam, lParam);
}

NorvaApp::NorvaApp() {
  folder_ = FolderOf(testing::ProgramPath());
  program_ = folder_ + "\\norva.exe";
  configIni_ = folder_ + "\\config.ini";
  phonebook_ = testing::Env("ALLUSERSPROFILE") + "\\Microsoft\\Network\\Connections\\Pbk\\norva.pbk";
  serversXml_ = testing::Env("APPDATA") + "\\NORVA\\servers.xml";
  CleanAccount();
  SetScenario("");
}

NorvaApp::~NorvaApp() {
  // Ended by Exit: a killed program's tray icon stays and keeps the next start waiting.
  for (const Process& p : processes_) {
    HWND main = FindWindowA("QUILLON", "NORVA Connection Assistant");
    DWORD owner = 0;
    GetWindowThreadProcessId(main, &owner);
    if (owner == p.id) PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
    if (WaitForSingleObject(p.handle, 3000) != WAIT_OBJECT_0) TerminateProcess(p.handle, 1);
    WaitForSingleObject(p.handle, 10000);
    CloseHandle(p.handle);
  }
  CleanAccount();
}

void NorvaApp::CleanAccount() const {
  RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
  RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunKey, "norva");
  for (const std::string* file : {&phonebook_, &configIni_, &serversXml_}) DeleteFileA(file->c_str());
}

void NorvaApp::SeedServers(const std::vector<testing::ServerEntry>& servers) const {
  CreateDirectoryA(FolderOf(serversXml_).c_str(), nullptr);
  testing::WriteFileBytes(serversXml_, testing::ServersXml(servers));
}

void NorvaApp::WriteSetting(const char* name, DWORD value) const {
  RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, name, REG_DWORD, &value, sizeof value);
}

void NorvaApp::Launch(const std::string& arguments) {
  // Its own folder as the current one, where it finds logo.bmp.
  Spawn("\"" + program_ + "\" " + arguments, folder_, SW_SHOWNORMAL);
}

void NorvaApp::LaunchAtOnce(int copies, WORD show) {
  std::vector<HANDLE> threads;
  for (int i = 0; i < copies; ++i) {
    threads.push_back(Spawn("\"" + program_ + "\"", folder_, show, true));
  }
  for (HANDLE thread : threads) {
    ResumeThread(thread);
    CloseHandle(thread);
  }
}

void NorvaApp::LaunchAsStandardUser(const std::string& folder) {
  Spawn("\"" + folder_ + "\\as-standard-user.exe\" \"" + program_ + "\"", folder, SW_SHOWNORMAL);
}

HANDLE NorvaApp::Spawn(std::string commandLine, const std::string& folder, WORD show, bool suspended) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = show;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE,
                      suspended ? CREATE_SUSPENDED : 0, nullptr, folder.c_str(), &startup, &info)) {
    ADD_FAILURE() << "cannot start " << commandLine << ": error " << GetLastError();
  }
  processes_.push_back({info.hProcess, info.dwProcessId});
  if (suspended) return info.hThread;
  CloseHandle(info.hThread);
  return nullptr;
}

void NorvaApp::Adopt(const Window& main) {
  DWORD id = 0;
  GetWindowThreadProcessId(main.handle(), &id);
  processes_.push_back({OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE,
                                    FALSE, id), id});
}

Window NorvaApp::Start() {
  Launch();
  std::vector<Window> main;
  WaitFor([&] { return !(main = TopLevelWindows(processId(), "QUILLON")).empty(); }, kStartTimeoutMs);
  return main.empty() ? Window() : main[0];
}

Window NorvaApp::StartReady() {
  const Window main = Start();
  EXPECT_TRUE(main) << "no main window";
  EXPECT_TRUE(WaitFor([&] { return !main.Item(IDC_ANIMATION).IsVisible(); }, kStartTimeoutMs))
      << "the server list was not filled";
  return main;
}

std::optional<DWORD> NorvaApp::WaitForExit() const {
  const HANDLE process = processes_.back().handle;
  DWORD code = 0;
  const bool ended =
      WaitForSingleObject(process, 10000) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code);
  return ended ? std::optional<DWORD>(code) : std::nullopt;
}

std::vector<DWORD> NorvaApp::ExitCodes() const {
  std::vector<DWORD> codes;
  for (const Process& p : processes_) {
    DWORD code = 0;
    codes.push_back(GetExitCodeProcess(p.handle, &code) ? code : 0xFFFFFFFF);
  }
  return codes;
}

Window NorvaApp::WaitForDialog(int withControl, int withoutControl, DWORD timeoutMs) const {
  Window found;
  WaitFor([&] {
    for (const Window& dialog : TopLevelWindows(processId(), "#32770")) {
      if (dialog.Item(withControl) && !(withoutControl != 0 && dialog.Item(withoutControl))) found = dialog;
    }
    return static_cast<bool>(found);
  }, timeoutMs);
  return found;
}

std::string NorvaApp::NextBox() const {
  const Window box = WaitForWindow("#32770", kMessageTextId);
  if (!box) return "no box";
  const std::string seen = box.Text() + ": " + box.Item(kMessageTextId).Text();
  box.Post(WM_COMMAND, IDOK);
  WaitFor([&] { return !box; });
  return seen;
}

bool NorvaApp::ChooseFromTray(const Window& main, int item) const {
  // Under Wine the menu now and then fails to open on the first click; a user clicks again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    main.Post(WM_TRAYNOTIFY, TRAY_ICON_ID, WM_RBUTTONUP);
    std::vector<Window> menus;
    if (WaitFor([&] { return !(menus = TopLevelWindows(processId(), "#32768")).empty(); }, 3000)) {
      // The menu's own loop takes these from its thread's queue.
      for (int i = 0; i <= item; ++i) menus[0].Post(WM_KEYDOWN, VK_DOWN);
      menus[0].Post(WM_KEYDOWN, VK_RETURN);
      return true;
    }
  }
  return false;
}

std::optional<DWORD> NorvaApp::ReadSetting(const char* name) const {
  DWORD value = 0, size = sizeof value;
  const LONG result =
      RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
  return result == ERROR_SUCCESS ? std::optional<DWORD>(value) : std::nullopt;
}

std::string NorvaApp::PhonebookValue(const char* key) const {
  char value[256] = {};
  GetPrivateProfileStringA("NORVA", key, "", value, sizeof value, phonebook_.c_str());
  return value;
}

std::vector<std::string> NorvaApp::Calls(const std::string& call) const {
  std::vector<std::string> lines;
  std::istringstream log(ras_.CallLog());
  for (std::string line; std::getline(log, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (call.empty() || line.rfind(call + " ", 0) == 0) lines.push_back(line);
  }
  return lines;
}

std::string Field(const std::string& line, const std::string& key) {
  for (const std::string& start : {" " + key + "=\"", " " + key + "="}) {
    if (size_t at = line.find(start); at != std::string::npos) {
      at += start.size();
      return line.substr(at, line.find(start.back() == '"' ? "\" " : " ", at) - at);
    }
  }
  return {};
}

}  // namespace norva::e2e
