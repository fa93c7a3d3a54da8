#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "settings/registry_key.h"
#include "settings/registry_settings_store.h"
#include "settings/setting_names.h"
#include "settings/startup_autorun.h"
#include "wine_test_support.h"

namespace norva {
namespace {

using testing::ScratchKey;

void SetRaw(const std::string& key, const char* name, DWORD type, const void* data, DWORD size) {
  RegistryKey k;
  ASSERT_EQ(k.Create(HKEY_CURRENT_USER, key.c_str(), KEY_ALL_ACCESS), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(k.get(), name, 0, type, static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS);
}

bool KeyExists(const std::string& key) {
  RegistryKey k;
  return k.Open(HKEY_CURRENT_USER, key.c_str(), KEY_READ) == ERROR_SUCCESS;
}

TEST(RegistrySettings, FreshAccountReadsEveryDefault) {
  ScratchKey key;
  RegistrySettingsStore store(key.path());
  const struct {
    const char* name;
    std::uint32_t expected;
  } cases[] = {{"autoconnect", 0}, {"autoreconnect", 0}, {"enablelcp", 1},
               {"enableswcompress", 0}, {"multilink", 0}, {"defaultsecurity", 1},
               {"account_type", 0}, {"lastserver", 0}, {"serverfile", 1}};
  for (const auto& c : cases) {
    const Setting* s = nullptr;
    for (const auto& candidate : setting::kAll) {
      if (std::strcmp(candidate.name, c.name) == 0) s = &candidate;
    }
    ASSERT_NE(s, nullptr) << c.name;
    EXPECT_EQ(Read(store, *s), c.expected) << c.name;
  }
  EXPECT_FALSE(KeyExists(key.path())) << "reading must not create the key";
}

TEST(RegistrySettings, FirstWriteCreatesTheKeyAndStoresADword) {
  ScratchKey key;
  RegistrySettingsStore store(key.path());
  store.WriteSetting("lastserver", 3);
  EXPECT_EQ(store.ReadSetting("lastserver", 0), 3u);
  EXPECT_EQ(store.ReadSetting("serverfile", 1), 1u);

  RegistryKey k;
  ASSERT_EQ(k.Open(HKEY_CURRENT_USER, key.path().c_str(), KEY_READ), ERROR_SUCCESS);
  DWORD type = 0, value = 0, size = sizeof value;
  ASSERT_EQ(RegQueryValueExA(k.get(), "lastserver", nullptr, &type,
                             reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(value, 3u);

  store.WriteSetting("lastserver", 0xFFFFFFFF);
  EXPECT_EQ(store.ReadSetting("lastserver", 0), 0xFFFFFFFFu);
}

TEST(RegistrySettings, ShortValuesOfAnyTypeReadAsStoredLongOnesAsDefault) {
  ScratchKey key;
  RegistrySettingsStore store(key.path());
  const unsigned char one[] = {0x07};
  const unsigned char two[] = {0x01, 0x02};
  const unsigned char four[] = {0x01, 0x02, 0x03, 0x04};
  const unsigned char five[] = {0x01, 0x02, 0x03, 0x04, 0x05};
  SetRaw(key.path(), "bin1", REG_BINARY, one, sizeof one);
  SetRaw(key.path(), "bin2", REG_BINARY, two, sizeof two);
  SetRaw(key.path(), "bin4", REG_BINARY, four, sizeof four);
  SetRaw(key.path(), "bin5", REG_BINARY, five, sizeof five);
  SetRaw(key.path(), "sz", REG_SZ, "1", 2);        // '1' and its NUL
  SetRaw(key.path(), "longsz", REG_SZ, "1234", 5);  // five bytes with the NUL

  EXPECT_EQ(store.ReadSetting("bin1", 99), 0x07u);
  EXPECT_EQ(store.ReadSetting("bin2", 99), 0x0201u);
  EXPECT_EQ(store.ReadSetting("bin4", 99), 0x04030201u);
  EXPECT_EQ(store.ReadSetting("bin5", 99), 99u);
  EXPECT_EQ(store.ReadSetting("sz", 99), 0x31u);
  EXPECT_EQ(store.ReadSetting("longsz", 99), 99u);
}

std::string RunValue(const std::string& key, DWORD* type, DWORD* size) {
  RegistryKey k;
  if (k.Open(HKEY_CURRENT_USER, key.c_str(), KEY_READ) != ERROR_SUCCESS) return "<no key>";
  char data[600] = {};
  *size = sizeof data;
  if (RegQueryValueExA(k.get(), "norva", nullptr, type, reinterpret_cast<BYTE*>(data), size) !=
      ERROR_SUCCESS) {
    return "<no value>";
  }
  return std::string(data, *size);
}

TEST(StartupAutorunTest, SetWritesTheQuotedOwnPathAndClearDeletesIt) {
  ScratchKey key;
  StartupAutorun autorun(key.path());
  EXPECT_FALSE(autorun.IsEnabled());

  autorun.Set(true);
  EXPECT_TRUE(autorun.IsEnabled());
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  DWORD type = 0, size = 0;
  const std::string stored = RunValue(key.path(), &type, &size);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  // Exactly the quoted path and its NUL, nothing after it.
  EXPECT_EQ(stored, "\"" + std::string(self) + "\"" + std::string(1, '\0'));

  autorun.Set(false);
  EXPECT_FALSE(autorun.IsEnabled());
  EXPECT_EQ(RunValue(key.path(), &type, &size), "<no value>");

  autorun.Set(false);  // clearing a missing value leaves it missing
  EXPECT_FALSE(autorun.IsEnabled());
}

TEST(StartupAutorunTest, AnyValueNamedNorvaCountsAsEnabled) {
  ScratchKey key;
  StartupAutorun autorun(key.path());
  const DWORD one = 1;
  SetRaw(key.path(), "norva", REG_DWORD, &one, sizeof one);
  EXPECT_TRUE(autorun.IsEnabled());
  SetRaw(key.path(), "norva", REG_SZ, "C:\\elsewhere\\other.exe", 23);
  EXPECT_TRUE(autorun.IsEnabled());
}

}  // namespace
}  // namespace norva
