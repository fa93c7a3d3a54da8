// An open registry key that closes itself.
#pragma once

#include <windows.h>

namespace norva {

class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() { Close(); }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Opens an existing key; returns the Win32 result.
  LONG Open(HKEY parent, const char* path, REGSAM access) {
    Close();
    return RegOpenKeyExA(parent, path, 0, access, &key_);
  }

  // Opens the key, creating it when missing (non-volatile).
  LONG Create(HKEY parent, const char* path, REGSAM access) {
    Close();
    return RegCreateKeyExA(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                           &key_, nullptr);
  }

  HKEY get() const { return key_; }

 private:
  void Close() {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = nullptr;
  }

  HKEY key_ = nullptr;
};

}  // namespace norva
