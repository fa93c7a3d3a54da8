#include "serverlist/custom_server_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "wine_test_support.h"

namespace norva {
namespace {

using testing::ReadFileBytes;
using testing::ScratchDir;
using testing::WriteFileBytes;
using Names = std::vector<std::string>;

TEST(CustomServerFile, MissingFileGivesNothingAndTheFirstWriteCreatesIt) {
  ScratchDir dir;
  const std::string ini = dir.File("config.ini");
  EXPECT_TRUE(ReadCustomServerNames(ini.c_str()).empty());
  char destination[129] = "unchanged";
  EXPECT_FALSE(FirstCustomServerAddress(ini.c_str(), destination, 128));
  EXPECT_STREQ(destination, "unchanged");

  WriteCustomServer(ini.c_str(), "Paris", "192.0.2.10");
  EXPECT_EQ(ReadFileBytes(ini), "[servers]\r\nParis=192.0.2.10\r\n");
  EXPECT_EQ(ReadCustomServerNames(ini.c_str()), Names{"Paris"});
  EXPECT_TRUE(FirstCustomServerAddress(ini.c_str(), destination, 128));
  EXPECT_STREQ(destination, "192.0.2.10");
}

TEST(CustomServerFile, WritingAKnownNameInAnyCaseReplacesItInPlace) {
  ScratchDir dir;
  const std::string ini = dir.File("config.ini");
  WriteCustomServer(ini.c_str(), "Paris", "192.0.2.10");
  WriteCustomServer(ini.c_str(), "Rome", "192.0.2.20");
  WriteCustomServer(ini.c_str(), "PARIS", "192.0.2.99");
  EXPECT_EQ(ReadCustomServerNames(ini.c_str()), (Names{"Paris", "Rome"}));
  char destination[129] = {};
  EXPECT_TRUE(FirstCustomServerAddress(ini.c_str(), destination, 128));
  EXPECT_STREQ(destination, "192.0.2.99");
}

TEST(CustomServerFile, RemoveDeletesOnlyThatLine) {
  ScratchDir dir;
  const std::string ini = dir.File("config.ini");
  for (const char* name : {"Paris", "Rome", "Oslo"}) WriteCustomServer(ini.c_str(), name, "1.2.3.4");
  RemoveCustomServer(ini.c_str(), "rome");
  EXPECT_EQ(ReadCustomServerNames(ini.c_str()), (Names{"Paris", "Oslo"}));
}

TEST(CustomServerFile, HandEditedLinesAreReadByTheirNames) {
  ScratchDir dir;
  const std::string ini = dir.File("config.ini");
  WriteFileBytes(ini, "[other]\r\nX=1\r\n[servers]\r\n=Oslo\r\nRome\r\nParis=192.0.2.10\r\n");
  EXPECT_EQ(ReadCustomServerNames(ini.c_str()), (Names{"Oslo", "Rome", "Paris"}));
  char destination[129] = "unchanged";
  EXPECT_FALSE(FirstCustomServerAddress(ini.c_str(), destination, 128)) << "=Oslo has no address";
  EXPECT_STREQ(destination, "unchanged");
}

TEST(CustomServerFile, OnlyTheFirstThousandBytesOfTheSectionAreSeen) {
  ScratchDir dir;
  const std::string ini = dir.File("config.ini");
  std::string text = "[servers]\r\n";
  Names all;
  for (int i = 0; i < 100; ++i) {
    const std::string name = "server" + std::to_string(100 + i);  // 9 characters
    all.push_back(name);
    text += name + "=192.0.2." + std::to_string(i) + "\r\n";
  }
  WriteFileBytes(ini, text);
  const Names names = ReadCustomServerNames(ini.c_str());
  ASSERT_FALSE(names.empty());
  EXPECT_LT(names.size(), all.size());
  EXPECT_GT(names.size(), 30u);
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(all[i].rfind(names[i], 0), 0u) << "line " << i << " is not in file order";
  }
}

TEST(CustomServerFile, AnAddressTooLongForTheEntryIsLeftOut) {
  ScratchDir dir;
  const std::string ini = dir.File("config.ini");
  WriteCustomServer(ini.c_str(), "Far", std::string(200, 'x').c_str());
  char guard[160];
  std::memset(guard, 'G', sizeof guard);
  std::strcpy(guard, "unchanged");
  EXPECT_FALSE(FirstCustomServerAddress(ini.c_str(), guard, 128));
  EXPECT_STREQ(guard, "unchanged");
  for (std::size_t i = 129; i < sizeof guard; ++i) ASSERT_EQ(guard[i], 'G');
}

}  // namespace
}  // namespace norva
