// The settings store and the start-at-logon value in Wine's registry.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "settings/registry_key.h"
#include "settings/registry_settings_store.h"
#include "settings/startup_autorun.h"
#include "wine_test_support.h"

namespace norva {
namespace {

using testing::ScratchKey;

void SetRaw(const std::string& key, const char* name, DWORD type, const std::string& data) {
  RegistryKey k;
  ASSERT_EQ(k.Create(HKEY_CURRENT_USER, key.c_str(), KEY_ALL_ACCESS), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(k.get(), name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                           DWORD(data.size())),
            ERROR_SUCCESS);
}

// A value as "type:bytes", or why there is none.
std::string GetRaw(const std::string& key, const char* name) {
  RegistryKey k;
  if (k.Open(HKEY_CURRENT_USER, key.c_str(), KEY_READ) != ERROR_SUCCESS) return "<no key>";
  char data[600];
  DWORD type = 0, size = sizeof data;
  if (RegQueryValueExA(k.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
      ERROR_SUCCESS) {
    return "<no value>";
  }
  return std::to_string(type) + ":" + std::string(data, size);
}

TEST(RegistrySettings, ReadingLeavesTheKeyAloneWritingStoresADword) {
  ScratchKey key;
  RegistrySettingsStore store(key.path());
  EXPECT_EQ(store.ReadSetting("lastserver", 7), 7u);
  EXPECT_EQ(GetRaw(key.path(), "lastserver"), "<no key>") << "reading must not create the key";
  store.WriteSetting("lastserver", 0xFFFFFFFE);
  EXPECT_EQ(GetRaw(key.path(), "lastserver"), "4:\xFE\xFF\xFF\xFF");  // REG_DWORD
  EXPECT_EQ(store.ReadSetting("lastserver", 7), 0xFFFFFFFEu);
  EXPECT_EQ(store.ReadSetting("serverfile", 1), 1u);
}

TEST(RegistrySettings, ValuesUpToFourBytesReadAsStoredLongerOnesAsTheDefault) {
  ScratchKey key;
  RegistrySettingsStore store(key.path());
  const struct {
    DWORD type;
    std::string data;
    std::uint32_t expected;
  } cases[] = {{REG_BINARY, "\x07", 0x07},
               {REG_BINARY, "\x01\x02", 0x0201},
               {REG_BINARY, "\x01\x02\x03\x04", 0x04030201},
               {REG_BINARY, "\x01\x02\x03\x04\x05", 99},
               {REG_SZ, std::string("1\0", 2), 0x31},
               {REG_SZ, std::string("1234\0", 5), 99}};
  for (const auto& c : cases) {
    SetRaw(key.path(), "value", c.type, c.data);
    EXPECT_EQ(store.ReadSetting("value", 99), c.expected)
        << "type " << c.type << ", " << c.data.size() << " bytes";
  }
}

TEST(StartupAutorunTest, SetStoresTheQuotedOwnPathClearDeletesIt) {
  ScratchKey key;
  StartupAutorun autorun(key.path());
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  EXPECT_FALSE(autorun.IsEnabled());
  autorun.Set(true);
  EXPECT_TRUE(autorun.IsEnabled());
  // REG_SZ: exactly the quoted path and its NUL.
  EXPECT_EQ(GetRaw(key.path(), "norva"), "1:\"" + std::string(self) + "\"" + std::string(1, '\0'));
  autorun.Set(false);
  EXPECT_FALSE(autorun.IsEnabled());
  EXPECT_EQ(GetRaw(key.path(), "norva"), "<no value>");
  SetRaw(key.path(), "norva", REG_DWORD, std::string(4, '\1'));
  EXPECT_TRUE(autorun.IsEnabled()) << "any value of that name counts";
}

}  // namespace
}  // namespace norva
