#include "norva_app.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <sstream>

namespace norva::e2e {
namespace {

constexpr char kSettingsKey[] = "Software\\NORVA";
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunValue[] = "norva";

// Generous: a cold Wine start of the program takes a few seconds.
constexpr DWORD kStartTimeoutMs = 30000;

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

// ---------------------------------------------------------------------------

Process::Process(Process&& other) noexcept : handle_(other.handle_), id_(other.id_) {
  other.handle_ = nullptr;
}

Process::~Process() {
  if (handle_ == nullptr) return;
  Terminate();
  CloseHandle(handle_);
}

bool Process::WaitForExit(DWORD timeoutMs) {
  return WaitForSingleObject(handle_, timeoutMs) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(handle_, &code);
  return code;
}

void Process::Terminate() {
  if (WaitForExit(0)) return;
  TerminateProcess(handle_, 1);
  WaitForExit(10000);
}

// ---------------------------------------------------------------------------

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
    if (main && main.ProcessId() == process.id()) main.Post(WM_COMMAND, id::kExit);
    process.WaitForExit(3000);
  }
  processes_.clear();  // kills whatever still runs
  CleanAccount();
}

void NorvaApp::CleanAccount() const {
  RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
  HKEY run;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
    RegDeleteValueA(run, kRunValue);
    RegCloseKey(run);
  }
  DeleteFileA(phonebook_.c_str());
  DeleteFileA(configIni_.c_str());
  DeleteFileA(serversXml_.c_str());
}

void NorvaApp::SeedServers(const std::vector<Server>& servers) const {
  CreateDirectoryA(FolderOf(serversXml_).c_str(), nullptr);
  std::string xml = "<?xml version=\"1.0\"?>\r\n<servers>\r\n";
  for (const Server& s : servers) {
    xml += std::string("  <server type=\"") + s.type + "\"><location>" + s.location +
           "</location><address>" + s.address + "</address><speed>100</speed></server>\r\n";
  }
  xml += "</servers>\r\n";
  testing::WriteFileBytes(serversXml_, xml);
}

void NorvaApp::WriteSetting(const char* name, DWORD value) const {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

Process& NorvaApp::Start() {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  std::string commandLine = "\"" + program_ + "\"";
  // Its own folder as the current one, where it finds logo.bmp.
  if (!CreateProcessA(program_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder_.c_str(), &startup, &info)) {
    ADD_FAILURE() << "cannot start " << program_ << ": error " << GetLastError();
  }
  CloseHandle(info.hThread);
  return processes_.emplace_back(info.hProcess, info.dwProcessId);
}

Window NorvaApp::WaitForMainWindow(const Process& process) const {
  Window main;
  WaitFor(
      [&] {
        main = FindMainWindow();
        return main && main.ProcessId() == process.id() && main.IsVisible();
      },
      kStartTimeoutMs);
  return main && main.ProcessId() == process.id() ? main : Window();
}

Window NorvaApp::StartReady() {
  const Window main = WaitForMainWindow(Start());
  EXPECT_TRUE(main) << "no main window";
  EXPECT_TRUE(WaitFor([&] { return !main.Item(id::kAnimation).IsVisible(); }, kStartTimeoutMs))
      << "the server list was not filled";
  return main;
}

Window NorvaApp::OpenTrayMenu(const Window& main) const {
  Window menu;
  // Under Wine the menu now and then fails to open on the first click; a
  // user would click again.
  for (int attempt = 0; attempt < 3 && !menu; ++attempt) {
    main.Post(id::kTrayMessage, 1, WM_RBUTTONUP);
    WaitFor([&] { return static_cast<bool>(menu = FindPopupMenu(process().id())); }, 3000);
  }
  return menu;
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
  if (RegGetValueA(HKEY_CURRENT_USER, kRunKey, kRunValue, RRF_RT_REG_SZ, nullptr, data, &size) !=
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
    if (call.empty() || line.rfind(call + " ", 0) == 0) lines.push_back(line);
  }
  return lines;
}

std::string NorvaApp::ScreenshotPath(const char* name) {
  // bin\..\screenshots, in the build tree
  const std::string folder = FolderOf(FolderOf(OwnPath())) + "\\screenshots";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder + "\\" + name + ".bmp";
}

std::string Field(const std::string& line, const std::string& key) {
  const std::string quoted = " " + key + "=\"";
  if (size_t at = line.find(quoted); at != std::string::npos) {
    at += quoted.size();
    return line.substr(at, line.find("\" ", at) - at);
  }
  const std::string plain = " " + key + "=";
  if (size_t at = line.find(plain); at != std::string::npos) {
    at += plain.size();
    return line.substr(at, line.find(' ', at) - at);
  }
  return {};
}

}  // namespace norva::e2e
