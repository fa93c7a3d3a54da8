// The program's per-user settings: 32-bit values by name.
#pragma once

#include <cstdint>

namespace norva {

// Where settings live is the implementation's business (the registry on
// Windows). Contract for every implementation:
//  - ReadSetting opens, reads one value and closes again; nothing is cached.
//    When the value cannot be read (no key, no value, value longer than four
//    bytes) it returns `fallback`. Values of one to four bytes are returned as
//    stored, whatever their type.
//  - WriteSetting stores `value` as a 32-bit number, creating the storage
//    when needed. A failed write is silent and leaves the old value.
//  - Both may be called from any thread.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::uint32_t ReadSetting(const char* name, std::uint32_t fallback) = 0;
  virtual void WriteSetting(const char* name, std::uint32_t value) = 0;
};

}  // namespace norva
