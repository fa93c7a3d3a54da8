#include "serverlist/custom_server_section.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace norva {
namespace {

// A section as the profile read returns it: NUL-ended lines and a final NUL.
std::string Section(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& line : lines) s += line + '\0';
  s += '\0';
  return s;
}

TEST(CustomServerNames, TakeTheTextBeforeTheFirstSeparator) {
  const struct {
    std::vector<std::string> lines;
    std::vector<std::string> names;
  } cases[] = {
      {{"Paris=192.0.2.10"}, {"Paris"}},
      {{"Rome"}, {"Rome"}},
      {{"=Oslo"}, {"Oslo"}},
      {{"==Oslo=1.2.3.4"}, {"Oslo"}},
      {{"a=b=c"}, {"a"}},
      {{"==="}, {}},
      {{"Paris=1", "Rome", "=Oslo", "Lima=2"}, {"Paris", "Rome", "Oslo", "Lima"}},
  };
  for (const auto& c : cases) {
    const std::string s = Section(c.lines);
    EXPECT_EQ(ParseCustomServerNames(s.data(), s.size() - 1), c.names) << s;
  }
}

TEST(CustomServerNames, EmptySectionAndTruncatedBufferAreSafe) {
  EXPECT_TRUE(ParseCustomServerNames("\0", 0).empty());
  EXPECT_TRUE(ParseCustomServerNames(nullptr, 0).empty());
  // A read cut at the buffer's end: the last line may lack its NUL; the walk
  // stops at `length` and never reads further.
  const char cut[] = {'A', '=', '1', '\0', 'B', 'C'};
  EXPECT_EQ(ParseCustomServerNames(cut, sizeof cut), (std::vector<std::string>{"A", "BC"}));
}

TEST(FirstCustomServerAddress, OnlyTheFirstLineCounts) {
  const struct {
    std::vector<std::string> lines;
    const char* expected;  // nullptr: destination unchanged
  } cases[] = {
      {{"Paris=192.0.2.10"}, "192.0.2.10"},
      {{"=Oslo=10.0.0.1"}, "10.0.0.1"},
      {{"Paris=", "Rome=1.1.1.1"}, nullptr},
      {{"Paris", "Rome=1.1.1.1"}, nullptr},
      {{"=Oslo", "Rome=1.1.1.1"}, nullptr},
      {{"Paris=a=b"}, "a=b"},
  };
  for (const auto& c : cases) {
    const std::string s = Section(c.lines);
    char destination[129];
    std::strcpy(destination, "unchanged");
    const bool copied = CopyFirstCustomServerAddress(s.data(), s.size() - 1, destination, 128);
    EXPECT_EQ(copied, c.expected != nullptr) << s;
    EXPECT_STREQ(destination, c.expected != nullptr ? c.expected : "unchanged") << s;
  }
}

TEST(FirstCustomServerAddress, AnAddressLongerThanTheDestinationIsSkipped) {
  char guard[140];
  std::memset(guard, 'G', sizeof guard);
  char* destination = guard;  // 129 usable bytes, the rest must stay 'G'
  std::strcpy(destination, "old");

  const std::string fits = Section({"Host=" + std::string(128, 'a')});
  EXPECT_TRUE(CopyFirstCustomServerAddress(fits.data(), fits.size() - 1, destination, 128));
  EXPECT_EQ(std::string(destination), std::string(128, 'a'));
  EXPECT_EQ(guard[129], 'G');

  std::strcpy(destination, "old");
  const std::string tooLong = Section({"Host=" + std::string(129, 'b')});
  EXPECT_FALSE(CopyFirstCustomServerAddress(tooLong.data(), tooLong.size() - 1, destination, 128));
  EXPECT_STREQ(destination, "old");
  for (std::size_t i = 129; i < sizeof guard; ++i) EXPECT_EQ(guard[i], 'G');
}

}  // namespace
}  // namespace norva
