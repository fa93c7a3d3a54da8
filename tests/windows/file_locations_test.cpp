// Where the program keeps its files, against the folders this prefix's
// environment names.
#include "app/file_locations.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

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

}  // namespace
}  // namespace norva
