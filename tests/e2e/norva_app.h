// The program under test, norva.exe beside this test, run on a clean
// account: no settings, no Run value, no phonebook, no config.ini, a fresh
// state folder for the simulated remote access service, and the server
// list that a test seeds. Everything it starts it ends again.
#pragma once

#include <windows.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui_driver.h"
#include "wine_test_support.h"

namespace norva::e2e {

// Identifiers of the program's windows, as the user meets them.
namespace id {
constexpr int kConnect = IDOK;
constexpr int kExit = IDCANCEL;
constexpr int kServer = 1000;
constexpr int kUserName = 1001;
constexpr int kPassword = 1002;
constexpr int kVpnType = 1004;
constexpr int kStatus = 1005;
constexpr int kOptions = 1006;
constexpr int kEditServers = 1013;
constexpr int kShared = 1018;
constexpr int kDedicated = 1019;
constexpr int kAnimation = 1020;
constexpr UINT kTrayMessage = WM_APP + 10;  // the tray icon's callback
// Options dialog
constexpr int kRunAtStartup = 1016;
constexpr int kAutoConnect = 1017;
constexpr int kAutoReconnect = 1018;
constexpr int kLcp = 1019;
constexpr int kSwCompress = 1020;
constexpr int kMultilink = 1021;
constexpr int kTypical = 1022;
// Auto-connect prompt
constexpr int kPromptText = 1017;
// Server settings dialog
constexpr int kCustomList = 1007;
constexpr int kCustomName = 1009;
constexpr int kCustomAdd = 1011;
constexpr int kCustomRemove = 1012;
constexpr int kCustomIp = 1015;
}  // namespace id

// One started norva.exe.
class Process {
 public:
  Process(HANDLE handle, DWORD id) : handle_(handle), id_(id) {}
  Process(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  DWORD id() const { return id_; }
  bool WaitForExit(DWORD timeoutMs);
  DWORD ExitCode() const;
  void Terminate();

 private:
  HANDLE handle_;
  DWORD id_;
};

struct Server {
  const char* type;  // "shared" or "dedicated"
  const char* location;
  const char* address;
};

class NorvaApp {
 public:
  NorvaApp();
  ~NorvaApp();
  NorvaApp(const NorvaApp&) = delete;
  NorvaApp& operator=(const NorvaApp&) = delete;

  // --- Before the start
  void SeedServers(const std::vector<Server>& servers) const;
  void SetScenario(const std::string& ini) const { ras_.SetScenario(ini); }
  void WriteSetting(const char* name, DWORD value) const;

  // --- Running it
  Process& Start();
  // The visible main window of `process`, once it shows.
  Window WaitForMainWindow(const Process& process) const;
  // Starts the program and waits until the server list has been filled
  // after the updater (the download animation is hidden then).
  Window StartReady();
  // The process started last.
  Process& process() { return processes_.back(); }
  const Process& process() const { return processes_.back(); }
  // Right-clicks the tray icon as the shell reports it; answers the menu
  // that opens.
  Window OpenTrayMenu(const Window& main) const;

  // --- What was stored
  std::optional<DWORD> ReadSetting(const char* name) const;
  std::optional<std::string> RunValue() const;
  std::string PhonebookValue(const char* key) const;
  bool PhonebookExists() const { return testing::FileExists(phonebook_); }
  std::string PhonebookText() const { return testing::ReadFileBytes(phonebook_); }
  std::string CredentialsFile() const {
    return testing::ReadFileBytes(ras_.dir().File("credentials.ini"));
  }
  std::string ConnectionsFile() const {
    return testing::ReadFileBytes(ras_.dir().File("connections.ini"));
  }
  // Lines of the service's call log for `call` ("RasDialA", ...), or all.
  std::vector<std::string> Calls(const std::string& call = "") const;

  const std::string& programPath() const { return program_; }
  const std::string& configIni() const { return configIni_; }
  std::string StateFile(const char* name) const { return ras_.dir().File(name); }

  static std::string ScreenshotPath(const char* name);

 private:
  void CleanAccount() const;

  testing::FakeRasSession ras_;
  std::string folder_;
  std::string program_;
  std::string configIni_;
  std::string phonebook_;
  std::string serversXml_;
  std::deque<Process> processes_;  // references stay valid as it grows
};

// Pulls a field ("phone", "user", ...) out of a call log line.
std::string Field(const std::string& line, const std::string& key);

}  // namespace norva::e2e
