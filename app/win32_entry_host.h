// What the phonebook entry needs of the running program, over Win32: the
// administrator test, the elevated relaunch, the "Contact Support" warning
// and the first custom server of config.ini.
#pragma once

#include <string>

#include "connection/phonebook_entry.h"

namespace norva {

class Win32EntryHost final : public EntryHost {
 public:
  // `configIni`: config.ini as worked out at start-up.
  explicit Win32EntryHost(const std::string& configIni) : configIni_(configIni) {}

  bool IsUserAdministrator() override;
  void RelaunchElevated() override;
  void ShowContactSupport() override;
  std::string FirstCustomServerAddress() override;

 private:
  std::string configIni_;
};

}  // namespace norva
