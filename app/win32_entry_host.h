// What the phonebook entry needs of the running program, over Win32: the
// administrator test, the elevated relaunch, the "Contact Support" warning
// and the first custom server of config.ini.
#pragma once

#include <windows.h>

#include "connection/phonebook_entry.h"

namespace norva {

class Win32EntryHost final : public EntryHost {
 public:
  // `configIniPath`: config.ini as worked out at start-up.
  explicit Win32EntryHost(const char* configIniPath);

  bool IsUserAdministrator() override;
  void RelaunchElevated() override;
  void ShowContactSupport() override;
  std::string FirstCustomServerAddress() override;

 private:
  char configIniPath_[MAX_PATH];
};

}  // namespace norva
