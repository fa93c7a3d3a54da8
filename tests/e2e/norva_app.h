// The program under test, norva.exe beside this test, run on a clean
// account: no settings, no Run value, no phonebook, no config.ini, a fresh
// state folder for the simulated remote access service, and the server list
// a test seeds. Everything it starts it ends again.
#pragma once

#include <windows.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "support/servers_xml.h"
#include "ui_driver.h"
#include "wine_test_support.h"

namespace norva::e2e {

// One started norva.exe; killed when it is still running at the end.
class Process {
 public:
  Process(HANDLE handle, DWORD id) : handle_(handle), id_(id) {}
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  DWORD id() const { return id_; }
  bool WaitForExit(DWORD timeoutMs) const { return WaitForSingleObject(handle_, timeoutMs) == WAIT_OBJECT_0; }
  DWORD ExitCode() const;

 private:
  HANDLE handle_;
  DWORD id_;
};

class NorvaApp {
 public:
  NorvaApp();
  ~NorvaApp();
  NorvaApp(const NorvaApp&) = delete;
  NorvaApp& operator=(const NorvaApp&) = delete;

  // --- Before the start
  void SeedServers(const std::vector<testing::ServerEntry>& servers) const;
  void SetScenario(const std::string& ini) const { ras_.SetScenario(ini); }
  void WriteSetting(const char* name, DWORD value) const;

  // --- Running it
  Process& Start();
  Process& process() { return processes_.back(); }
  const Process& process() const { return processes_.back(); }
  // The visible main window of the process started last, once it shows.
  Window WaitForMainWindow() const;
  // Starts the program and waits until the server list has been filled
  // after the updater (the download animation is hidden then).
  Window StartReady();
  // Right-clicks the tray icon as the shell reports it; the menu that opens.
  Window OpenTrayMenu(const Window& main) const;
  // The message box the process shows next, as "caption: text", dismissed.
  std::string NextBox() const;

  // --- What was stored
  std::optional<DWORD> ReadSetting(const char* name) const;
  std::optional<std::string> RunValue() const;
  std::string PhonebookValue(const char* key) const;
  bool PhonebookExists() const { return testing::FileExists(phonebook_); }
  std::string StateFile(const char* name) const { return ras_.dir().File(name); }
  std::string StateText(const char* name) const { return testing::ReadFileBytes(StateFile(name)); }
  // Lines of the service's call log for `call` ("RasDialA", ...), or all.
  std::vector<std::string> Calls(const std::string& call = "") const;

  const std::string& programPath() const { return program_; }
  const std::string& configIni() const { return configIni_; }
  static std::string ScreenshotPath(const char* name);

 private:
  void CleanAccount() const;

  testing::FakeRasSession ras_;
  std::string folder_, program_, configIni_, phonebook_, serversXml_;
  std::deque<Process> processes_;  // references stay valid as it grows
};

// A field ("phone", "user", ...) of a call log line.
std::string Field(const std::string& line, const std::string& key);

}  // namespace norva::e2e
