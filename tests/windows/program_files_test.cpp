// Where the program keeps its files, against the folders this prefix's
// environment names, and config.ini's [servers] section through Wine's
// profile functions.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/file_locations.h"
#include "serverlist/custom_server_file.h"
#include "wine_test_support.h"

namespace norva {
namespace {

std::string Env(const char* name) {
  char value[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
  return length > 0 && length < MAX_PATH ? value : "<no " + std::string(name) + ">";
}

TEST(FileLocationsTest, EachFileIsInItsOwnFolder) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string program(self);
  const FileLocations files = ProgramFileLocations();
  const struct {
    const char* file;
    std::string got, expected;
  } cases[] = {
      {"phonebook", files.phonebook,
       Env("ALLUSERSPROFILE") + "\\Microsoft\\Network\\Connections\\Pbk\\norva.pbk"},
      {"servers.xml", files.serverList, Env("APPDATA") + "\\NORVA\\servers.xml"},
      {"config.ini", files.configIni, program.substr(0, program.rfind('\\')) + "\\config.ini"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.file;
}

using Names = std::vector<std::string>;

TEST(CustomServerFile, WritesCreateTheFileReplaceInPlaceAndRemoveLines) {
  testing::ScratchDir dir;
  const std::string ini = dir.File("config.ini");
  char address[129] = "unchanged";
  EXPECT_EQ(ReadCustomServerNames(ini.c_str()), Names{});
  EXPECT_FALSE(FirstCustomServerAddress(ini.c_str(), address, 128));
  EXPECT_STREQ(address, "unchanged");

  WriteCustomServer(ini.c_str(), "Paris", "192.0.2.10");
  EXPECT_EQ(testing::ReadFileBytes(ini), "[servers]\r\nParis=192.0.2.10\r\n");
  for (const char* name : {"Rome", "Oslo"}) WriteCustomServer(ini.c_str(), name, "192.0.2.20");
  WriteCustomServer(ini.c_str(), "PARIS", "192.0.2.99");  // names compare without case
  RemoveCustomServer(ini.c_str(), "rome");
  EXPECT_EQ(ReadCustomServerNames(ini.c_str()), (Names{"Paris", "Oslo"}));
  EXPECT_TRUE(FirstCustomServerAddress(ini.c_str(), address, 128));
  EXPECT_STREQ(address, "192.0.2.99");
}

TEST(CustomServerFile, OnlyTheFirstThousandBytesOfTheSectionAreRead) {
  testing::ScratchDir dir;
  const std::string ini = dir.File("config.ini");
  std::string text = "[other]\r\nX=1\r\n[servers]\r\n";
  Names all;
  for (int i = 0; i < 100; ++i) {
    all.push_back("server" + std::to_string(100 + i));  // 9 characters
    text += all.back() + "=192.0.2." + std::to_string(i) + "\r\n";
  }
  testing::WriteFileBytes(ini, text + "[more]\r\nY=2\r\n");
  const Names names = ReadCustomServerNames(ini.c_str());
  // With their NULs the lines take 20 or 21 bytes: 48 fit whole into 1,000
  // bytes, and the 49th may come cut short.
  ASSERT_GE(names.size(), 48u);
  ASSERT_LE(names.size(), 49u);
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(all[i].rfind(names[i], 0), 0u) << "line " << i << ": " << names[i];
  }
}

}  // namespace
}  // namespace norva
