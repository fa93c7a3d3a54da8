// Starting the program at the user's logon: the value "norva" under
// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run.
#pragma once

#include <string>

namespace norva {

class StartupAutorun {
 public:
  // `runKeyPath` is relative to HKEY_CURRENT_USER; tests pass a scratch key.
  explicit StartupAutorun(std::string runKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run");

  // True when the value exists, whatever its type or data.
  bool IsEnabled() const;

  // Writes the program's own path, in double quotes, or deletes the value.
  // Failures are silent.
  void Set(bool enabled) const;

 private:
  std::string runKeyPath_;
};

}  // namespace norva
