// Settings as REG_DWORD values under HKEY_CURRENT_USER\Software\NORVA.
#pragma once

#include <string>

#include "settings/settings_store.h"

namespace norva {

class RegistrySettingsStore final : public SettingsStore {
 public:
  // `keyPath` is relative to HKEY_CURRENT_USER; tests pass a scratch key.
  explicit RegistrySettingsStore(std::string keyPath = "Software\\NORVA");

  std::uint32_t ReadSetting(const char* name, std::uint32_t fallback) override;
  void WriteSetting(const char* name, std::uint32_t value) override;

 private:
  std::string keyPath_;
};

}  // namespace norva
