#include "serverlist/custom_server_section.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace norva {
namespace {

using Names = std::vector<std::string>;

TEST(CustomServerSectionTest, NamesAndTheFirstLinesAddressWhenItFits) {
  const std::string longest(128, 'a');
  const struct {
    Names lines, names;
    std::string first;  // the destination after copying into "unchanged"
  } cases[] = {
      {{"Paris=192.0.2.10"}, {"Paris"}, "192.0.2.10"},
      {{"Rome"}, {"Rome"}, "unchanged"},
      {{"==Oslo=1.2.3.4"}, {"Oslo"}, "1.2.3.4"},
      {{"Paris=a=b"}, {"Paris"}, "a=b"},
      {{"==="}, {}, "unchanged"},
      {{}, {}, "unchanged"},
      {{"Paris=", "Rome=1.1.1.1"}, {"Paris", "Rome"}, "unchanged"},
      {{"Paris", "=Oslo", "Lima=2"}, {"Paris", "Oslo", "Lima"}, "unchanged"},
      {{"=Oslo", "Rome=1.1.1.1"}, {"Oslo", "Rome"}, "unchanged"},
      {{"Host=" + longest}, {"Host"}, longest},
      {{"Host=" + longest + "b"}, {"Host"}, "unchanged"},
  };
  for (const auto& c : cases) {
    // As the profile read returns it: NUL-ended lines and a final NUL.
    std::string section;
    for (const std::string& line : c.lines) section += line + '\0';
    const std::size_t length = section.size();
    section += '\0';
    EXPECT_EQ(ParseCustomServerNames(section.data(), length), c.names) << section;
    // Exactly 129 bytes on the heap, so that AddressSanitizer sees any write past them.
    std::unique_ptr<char[]> first(new char[129]);
    std::strcpy(first.get(), "unchanged");
    const bool copied = CopyFirstCustomServerAddress(section.data(), length, first.get(), 128);
    EXPECT_EQ(first.get(), c.first) << section;
    EXPECT_EQ(copied, c.first != "unchanged") << section;
  }
}

TEST(CustomServerSectionTest, ReadsNothingPastTheLength) {
  EXPECT_EQ(ParseCustomServerNames(nullptr, 0), Names{});
  // A read cut at the buffer's end: the last line lacks its NUL.
  const char cut[] = {'A', '=', '1', '\0', 'B', 'C'};
  EXPECT_EQ(ParseCustomServerNames(cut, sizeof cut), (Names{"A", "BC"}));
}

}  // namespace
}  // namespace norva
