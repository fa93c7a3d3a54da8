// Settings kept in memory; records every write.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "settings/settings_store.h"

namespace norva::testing {

class FakeSettings final : public SettingsStore {
 public:
  std::uint32_t ReadSetting(const char* name, std::uint32_t fallback) override {
    const auto it = values.find(name);
    return it == values.end() ? fallback : it->second;
  }
  void WriteSetting(const char* name, std::uint32_t value) override {
    values[name] = value;
    writes.emplace_back(name, value);
  }

  std::map<std::string, std::uint32_t> values;
  std::vector<std::pair<std::string, std::uint32_t>> writes;
};

}  // namespace norva::testing
