#include "norva_app.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <sstream>

namespace norva::e2e {
namespace {

constexpr char kSettingsKey[] = "Software\\NORVA";
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr DWORD kStartTimeoutMs = 30000;  // a cold Wine start takes a few seconds

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

std::string ShellFolder(int folder) {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, folder | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

std::string OwnPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

}  // namespace

Process::~Process() {
  if (!WaitForExit(0)) {
    TerminateProcess(handle_, 1);
    WaitForExit(10000);
  }
  CloseHandle(handle_);
}

DWORD Process::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(handle_, &code);
  return code;
}

NorvaApp::NorvaApp()
    : folder_(FolderOf(OwnPath())),
      program_(folder_ + "\\norva.exe"),
      configIni_(folder_ + "\\config.ini"),
      phonebook_(ShellFolder(CSIDL_COMMON_APPDATA) +
                 "\\Microsoft\\Network\\Connections\\Pbk\\norva.pbk"),
      serversXml_(ShellFolder(CSIDL_APPDATA) + "\\NORVA\\servers.xml") {
  CleanAccount();
  SetScenario("");
}

NorvaApp::~NorvaApp() {
  // Ended with Exit, as a user would: a killed program leaves its tray icon
  // behind, and the shell then keeps the next start waiting for seconds.
  for (Process& process : processes_) {
    const Window main = FindMainWindow();
    if (main && main.ProcessId() == process.id()) main.Post(WM_COMMAND, IDCANCEL);
    process.WaitForExit(3000);
  }
  processes_.clear();
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

Process& NorvaApp::Start() {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  std::string commandLine = "\"" + program_ + "\"";
  // Its own folder as the current one, where it finds logo.bmp.
  if (!CreateProcessA(program_.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      folder_.c_str(), &startup, &info)) {
    ADD_FAILURE() << "cannot start " << program_ << ": error " << GetLastError();
  }
  CloseHandle(info.hThread);
  return processes_.emplace_back(info.hProcess, info.dwProcessId);
}

Window NorvaApp::WaitForMainWindow() const {
  const DWORD id = processes_.back().id();
  Window main;
  WaitFor([&] { return (main = FindMainWindow()) && main.ProcessId() == id && main.IsVisible(); },
          kStartTimeoutMs);
  return main && main.ProcessId() == id ? main : Window();
}

Window NorvaApp::StartReady() {
  Start();
  const Window main = WaitForMainWindow();
  EXPECT_TRUE(main) << "no main window";
  EXPECT_TRUE(WaitFor([&] { return !main.Item(IDC_ANIMATION).IsVisible(); }, kStartTimeoutMs))
      << "the server list was not filled";
  return main;
}

Window NorvaApp::OpenTrayMenu(const Window& main) const {
  Window menu;
  // Under Wine the menu now and then fails to open on the first click; a
  // user would click again.
  for (int attempt = 0; attempt < 3 && !menu; ++attempt) {
    main.Post(WM_TRAYNOTIFY, TRAY_ICON_ID, WM_RBUTTONUP);
    WaitFor([&] { return static_cast<bool>(menu = FindPopupMenu(processes_.back().id())); }, 3000);
  }
  return menu;
}

std::string NorvaApp::NextBox() const {
  Window box;
  if (!WaitFor([&] { return static_cast<bool>(box = FindMessageBox(processes_.back().id())); })) {
    return "no box";
  }
  const std::string seen = BoxText(box);
  box.Post(WM_COMMAND, IDOK);
  WaitFor([&] { return !box; });
  return seen;
}

std::optional<DWORD> NorvaApp::ReadSetting(const char* name) const {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::string> NorvaApp::RunValue() const {
  char data[MAX_PATH + 3] = {};
  DWORD size = sizeof data;
  if (RegGetValueA(HKEY_CURRENT_USER, kRunKey, "norva", RRF_RT_REG_SZ, nullptr, data, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::string(data);
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

std::string NorvaApp::ScreenshotPath(const char* name) {
  const std::string folder = FolderOf(FolderOf(OwnPath())) + "\\screenshots";  // bin\..
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder + "\\" + name + ".bmp";
}

std::string Field(const std::string& line, const std::string& key) {
  for (const std::string& start : {" " + key + "=\"", " " + key + "="}) {
    if (size_t at = line.find(start); at != std::string::npos) {
      at += start.size();
      const bool quoted = start.back() == '"';
      return line.substr(at, line.find(quoted ? "\" " : " ", at) - at);
    }
  }
  return {};
}

}  // namespace norva::e2e
