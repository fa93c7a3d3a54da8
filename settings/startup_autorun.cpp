#include "settings/startup_autorun.h"

#include <windows.h>

#include <cstring>
#include <utility>

#include "settings/registry_key.h"

namespace norva {
namespace {
constexpr char kValueName[] = "norva";
}

StartupAutorun::StartupAutorun(std::string runKeyPath) : runKeyPath_(std::move(runKeyPath)) {}

bool StartupAutorun::IsEnabled() const {
  RegistryKey key;
  if (key.Open(HKEY_CURRENT_USER, runKeyPath_.c_str(), KEY_READ) != ERROR_SUCCESS) return false;
  return RegQueryValueExA(key.get(), kValueName, nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

void StartupAutorun::Set(bool enabled) const {
  RegistryKey key;
  if (key.Create(HKEY_CURRENT_USER, runKeyPath_.c_str(), KEY_ALL_ACCESS) != ERROR_SUCCESS) return;
  if (!enabled) {
    RegDeleteValueA(key.get(), kValueName);
    return;
  }
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;  // failed, or cut short
  // Quoted, so that a path with spaces is one command, not a program name
  // followed by arguments. Stored with its NUL and nothing after it.
  char command[MAX_PATH + 2];
  command[0] = '"';
  std::memcpy(command + 1, path, length);
  command[length + 1] = '"';
  command[length + 2] = '\0';
  RegSetValueExA(key.get(), kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                 length + 3);
}

}  // namespace norva
