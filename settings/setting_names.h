// Every setting the program keeps, with the default its readers pass.
#pragma once

#include <cstdint>

#include "settings/settings_store.h"

namespace norva {

struct Setting {
  const char* name;
  std::uint32_t fallback;
};

namespace setting {
inline constexpr Setting kAutoConnect{"autoconnect", 0};
inline constexpr Setting kAutoReconnect{"autoreconnect", 0};
inline constexpr Setting kEnableLcp{"enablelcp", 1};
inline constexpr Setting kEnableSwCompress{"enableswcompress", 0};
inline constexpr Setting kMultilink{"multilink", 0};
inline constexpr Setting kDefaultSecurity{"defaultsecurity", 1};
inline constexpr Setting kAccountType{"account_type", 0};
inline constexpr Setting kLastServer{"lastserver", 0};
inline constexpr Setting kServerFile{"serverfile", 1};
}  // namespace setting

// Reads a setting with its own default.
inline std::uint32_t Read(SettingsStore& store, const Setting& s) {
  return store.ReadSetting(s.name, s.fallback);
}

inline void Write(SettingsStore& store, const Setting& s, std::uint32_t value) {
  store.WriteSetting(s.name, value);
}

}  // namespace norva
