#include "serverlist/custom_server_section.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace norva {
namespace {

using Names = std::vector<std::string>;
using namespace std::string_literals;

TEST(CustomServerSectionTest, NamesAndTheFirstLinesAddressWhenItFits) {
  const std::string longest(128, 'a');
  // lines: as the profile read gives them, each NUL-ended; first: the first line's address ("":
  // none is copied).
  const struct { std::string lines; Names names; std::string first; } cases[] = {
      {"Paris=192.0.2.10\0"s, {"Paris"}, "192.0.2.10"}, {"Rome\0"s, {"Rome"}, ""},
      {"==Oslo=1.2.3.4\0"s, {"Oslo"}, "1.2.3.4"},       {"Paris=a=b\0"s, {"Paris"}, "a=b"},
      {"===\0"s, {}, ""},                               {""s, {}, ""},
      {"Paris=\0Rome=1.1.1.1\0"s, {"Paris", "Rome"}, ""},
      {"Paris\0=Oslo\0Lima=2\0"s, {"Paris", "Oslo", "Lima"}, ""},
      {"=Oslo\0Rome=1.1.1.1\0"s, {"Oslo", "Rome"}, ""},
      {"Host=" + longest + '\0', {"Host"}, longest}, {"Host=" + longest + "b\0"s, {"Host"}, ""},
  };
  for (const auto& c : cases) {
    // A final NUL follows the length; 129 heap bytes for the address: ASan sees a write past.
    const std::string section = c.lines + '\0';
    EXPECT_EQ(ParseCustomServerNames(section.data(), c.lines.size()), c.names) << c.lines;
    const auto first = std::make_unique<char[]>(129);
    std::strcpy(first.get(), "unchanged");
    EXPECT_EQ(CopyFirstCustomServerAddress(section.data(), c.lines.size(), first.get(), 128),
              !c.first.empty()) << c.lines;
    EXPECT_EQ(first.get(), c.first.empty() ? "unchanged" : c.first) << c.lines;
  }
  // Nothing read, and a read cut at the buffer's end: the last line lacks its NUL.
  EXPECT_EQ(ParseCustomServerNames(nullptr, 0), Names{});
  const char cut[] = {'A', '=', '1', '\0', 'B', 'C'};
  EXPECT_EQ(ParseCustomServerNames(cut, sizeof cut), (Names{"A", "BC"}));
}

}  // namespace
}  // namespace norva
