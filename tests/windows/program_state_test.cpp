// The program's state in Wine: its settings and start-at-logon value in the registry, where it
// keeps config.ini, and its [servers] section through the profile API.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/file_locations.h"
#include "serverlist/custom_server_file.h"
#include "settings/registry_settings_store.h"
#include "settings/startup_autorun.h"
#include "wine_test_support.h"

namespace norva {
namespace {

// A value as "type:bytes".
std::string GetRaw(const std::string& key, const char* name) {
  char data[600];
  DWORD type = 0, size = sizeof data;
  const LONG result = RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name,
                                   RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size);
  return result != ERROR_SUCCESS ? "<none>" : std::to_string(type) + ":" + std::string(data, size);
}

TEST(RegistrySettings, ValuesOfUpToFourBytesReadAsStoredOthersAsTheDefault) {
  testing::ScratchKey key;
  RegistrySettingsStore store(key.path());
  EXPECT_EQ(store.ReadSetting("value", 99), 99u);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, key.path().c_str()), ERROR_FILE_NOT_FOUND)
      << "reading must not create the key";
  store.WriteSetting("value", 0xFFFFFFFE);
  EXPECT_EQ(GetRaw(key.path(), "value"), "4:\xFE\xFF\xFF\xFF");  // REG_DWORD
  EXPECT_EQ(store.ReadSetting("value", 99), 0xFFFFFFFEu);
  EXPECT_EQ(store.ReadSetting("other", 99), 99u);
  const struct { DWORD type; std::string data; std::uint32_t expected; } cases[] = {
      {REG_BINARY, "\x07", 0x07},
      {REG_BINARY, "\x01\x02\x03\x04", 0x04030201},
      {REG_BINARY, "\x01\x02\x03\x04\x05", 99},
      {REG_SZ, std::string("1\0", 2), 0x31},
      {REG_SZ, std::string("1234\0", 5), 99},
  };
  for (const auto& c : cases) {
    RegSetKeyValueA(HKEY_CURRENT_USER, key.path().c_str(), "value", c.type, c.data.data(),
                    DWORD(c.data.size()));
    EXPECT_EQ(store.ReadSetting("value", 99), c.expected)
        << "type " << c.type << ", " << c.data.size() << " bytes";
  }
}

TEST(StartupAutorunTest, SetStoresTheQuotedOwnPathClearDeletesIt) {
  testing::ScratchKey key;
  StartupAutorun autorun(key.path());
  EXPECT_FALSE(autorun.IsEnabled());
  autorun.Set(true);
  // REG_SZ: exactly the quoted path and its NUL.
  EXPECT_EQ(GetRaw(key.path(), "norva"), "1:\"" + testing::ProgramPath() + "\"" + '\0');
  autorun.Set(false);
  EXPECT_FALSE(autorun.IsEnabled());
  EXPECT_EQ(GetRaw(key.path(), "norva"), "<none>");
  RegSetKeyValueA(HKEY_CURRENT_USER, key.path().c_str(), "norva", REG_DWORD, "\1\1\1\1", 4);
  EXPECT_TRUE(autorun.IsEnabled()) << "any value of that name counts";
}

// config.ini beside the program, wherever it was started from (the journeys seed the others).
TEST(FileLocationsTest, ConfigIniIsBesideTheProgram) {
  const std::string program = testing::ProgramPath();
  SetCurrentDirectoryA(testing::Env("TEMP").c_str());
  EXPECT_EQ(ProgramFileLocations().configIni,
            program.substr(0, program.rfind('\\')) + "\\config.ini");
}

// Lines added, replaced, removed and the first one's address are the journeys'; here, how much
// of the section is read.
TEST(CustomServerFile, OnlyTheFirst1000BytesOfTheSectionAreRead) {
  testing::ScratchDir dir;
  const std::string ini = dir.File("config.ini");
  std::string text = "[other]\r\nX=1\r\n[servers]\r\n";
  const auto name = [](std::size_t i) { return "server" + std::to_string(100 + i); };  // 9 long
  for (int i = 0; i < 100; ++i) text += name(i) + "=192.0.2." + std::to_string(i) + "\r\n";
  testing::WriteFileBytes(ini, text + "[more]\r\nY=2\r\n");
  const std::vector<std::string> names = ReadCustomServerNames(ini.c_str());
  // With their NULs the lines take 20 or 21 bytes: 48 fit whole into 1,000, the 49th maybe cut.
  ASSERT_TRUE(names.size() == 48 || names.size() == 49) << names.size() << " names";
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(name(i).rfind(names[i], 0), 0u) << "line " << i << ": " << names[i];
  }
}

}  // namespace
}  // namespace norva
