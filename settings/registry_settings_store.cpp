#include "settings/registry_settings_store.h"

#include <utility>

#include "settings/registry_key.h"

namespace norva {

RegistrySettingsStore::RegistrySettingsStore(std::string keyPath) : keyPath_(std::move(keyPath)) {}

std::uint32_t RegistrySettingsStore::ReadSetting(const char* name, std::uint32_t fallback) {
  RegistryKey key;
  if (key.Open(HKEY_CURRENT_USER, keyPath_.c_str(), KEY_READ) != ERROR_SUCCESS) return fallback;
  // Four bytes as stored, whatever the value's type; a longer value does not
  // fit and reads as the default.
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegQueryValueExA(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                       &size) != ERROR_SUCCESS) {
    return fallback;
  }
  return value;
}

void RegistrySettingsStore::WriteSetting(const char* name, std::uint32_t value) {
  RegistryKey key;
  if (key.Create(HKEY_CURRENT_USER, keyPath_.c_str(), KEY_ALL_ACCESS) != ERROR_SUCCESS) return;
  const DWORD data = value;
  RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

}  // namespace norva
