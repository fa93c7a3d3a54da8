// What the phonebook entry needs of the running program, over Win32: the
// administrator test, the elevated relaunch and its command line, the
// warnings and the first custom server of config.ini.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "connection/phonebook_entry.h"

namespace norva {

// What the command line of a copy started elevated asks of it: the entry
// build the copy that started it was refused ("/build-entry N", N the
// tunnel type), and that copy's process, which ends before this one takes
// over ("/after PID"). Anything else counts as an ordinary start.
struct ElevatedStart {
  std::optional<VpnType> pending;
  DWORD after = 0;
};
ElevatedStart ReadElevatedStart(const char* commandLine);

class Win32EntryHost final : public EntryHost {
 public:
  // `configIni`: config.ini as worked out at start-up; `caption`: the
  // program's, for its boxes.
  Win32EntryHost(const std::string& configIni, const char* caption)
      : configIni_(configIni), caption_(caption) {}

  // The main window once it exists: the owner of the elevation prompt and
  // of the boxes, closed as by Exit when an elevated copy takes over.
  void SetMainWindow(HWND window) { window_ = window; }
  // True once an elevated copy has been started; this one is to end.
  bool relaunched() const { return relaunched_; }

  bool IsUserAdministrator() override;
  bool RelaunchElevated(VpnType pending) override;
  void ShowContactSupport() override;
  void ShowNoRights(NoRights why) override;
  std::string FirstCustomServerAddress() override;

 private:
  std::string configIni_;
  const char* caption_;
  HWND window_ = nullptr;
  bool relaunched_ = false;
};

}  // namespace norva
