#include "serverlist/server_catalog.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/servers_xml.h"

namespace norva {
namespace {

using testing::ServersXml;
using testing::ServerXml;
using Rows = std::vector<std::string>;
using namespace std::string_literals;

class ServerCatalogTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(mkdtemp(dir_), nullptr); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void Write(const std::string& xml) { std::ofstream(path(), std::ios::binary) << xml; }
  std::string path() const { return dir_ + "/servers.xml"s; }
  Rows List(AccountType type) { return ListLocations(path(), type); }

  // The address for `location` ("": none) in exactly 129 heap bytes: ASan sees a write past them.
  std::string Find(const std::string& location) {
    const auto out = std::make_unique<char[]>(129);
    out[0] = 'x';
    const bool found = FindServerAddress(path(), location, out.get(), 128);
    EXPECT_EQ(found, out[0] != '\0') << location;
    return out.get();
  }

  char dir_[26] = "/tmp/norva-catalog-XXXXXX";
};

TEST_F(ServerCatalogTest, RowsAndAddressesFollowTheDocument) {
  EXPECT_EQ(List(AccountType::Shared), Rows{}) << "no file";
  EXPECT_EQ(Find("Oslo"), "") << "no file";

  const std::string oslo = ServerXml({"shared", "Oslo", "no.example"});
  const std::string longest(128, 'h'), tooLong(129, 'a');
  // finds: location, address ("": none).
  const struct { const char* name; std::string xml; Rows shared, dedicated;
                 std::vector<std::pair<std::string, std::string>> finds; } cases[] = {
      {"root of another name", "<other>" + oslo + "</other>", {}, {}, {{"Oslo", ""}}},
      {"servers not at the top", "<a><servers>" + oslo + "</servers></a>", {}, {}, {{"Oslo", ""}}},
      {"the first top-level servers is the root",
       "<!-- x --><other/><servers>" + oslo + "</servers><servers>" +
           ServerXml({"dedicated", "Rome", "it.example"}) + "</servers>",
       {"Oslo"}, {}, {{"Oslo", "no.example"}, {"Rome", ""}}},
      {"the walk starts at the first server and takes every later element",
       ServersXml(ServerXml({"shared", "Before", "b.example", "group"}) + oslo + "<!-- x -->" +
                  ServerXml({"dedicated", "After", "a.example", "group"})),
       {"Oslo"}, {"After"}, {{"Before", ""}, {"After", "a.example"}}},
      {"the list takes the type exactly, the lookup ignores it",
       ServersXml({{"shared", "Oslo", "no.example"}, {"dedicated", "Rome", "it.example"},
                   {"Shared", "Lima", "pe.example"}, {nullptr, "Kyiv", "ua.example"},
                   {"shared", "Oslo", "no2.example"}, {"dedicated", nullptr, "x.example"}}),
       {"Oslo", "Oslo"}, {"Rome"},
       {{"Oslo", "no.example"}, {"oslo", ""}, {"Rome", "it.example"}, {"Lima", "pe.example"},
        {"Kyiv", "ua.example"}, {"choose server...", ""}}},
      {"a location under both types: the first in the file wins",
       ServersXml({{"shared", "Paris", "s.example"}, {"dedicated", "Paris", "d.example"},
                   {"dedicated", "Bern", "d.example"}, {"shared", "Bern", "s.example"}}),
       {"Paris", "Bern"}, {"Paris", "Bern"}, {{"Paris", "s.example"}, {"Bern", "d.example"}}},
      {"a row is the text as the parser gives it, and finds its entry",
       ServersXml({{"shared", "  New \n York ", "ny"}, {"shared", "<![CDATA[ Sao  Paulo ]]>", "sp"},
                   {"shared", "<!-- first -->Hidden", "x"}}),
       {"New York", " Sao  Paulo "}, {}, {{"New York", "ny"}, {" Sao  Paulo ", "sp"}}},
      {"an address of 128 characters fits", ServersXml({{"shared", "Rome", longest.c_str()}}),
       {"Rome"}, {}, {{"Rome", longest}}},
      {"an unusable address is passed over for a later one",
       ServersXml({{"x", "Oslo", ""}, {"x", "Rome", ""}, {"x", "Rome", "<![CDATA[]]>"},
                   {"x", "Rome", "<!-- x -->a.example"}, {"x", "Rome", "<b>a.example</b>"},
                   {"x", "Rome", tooLong.c_str()}, {"x", "Rome", nullptr},
                   {"x", "Rome", "later.example"}}),
       {}, {}, {{"Oslo", ""}, {"Rome", "later.example"}}},
      {"a file broken off in an entry gives the entries before it",
       "<servers>" + oslo + "<server type=\"shared\"><loc", {"Oslo"}, {}, {{"Oslo", "no.example"}}},
  };
  for (const auto& c : cases) {
    Write(c.xml);
    EXPECT_EQ(List(AccountType::Shared), c.shared) << c.name;
    EXPECT_EQ(List(AccountType::Dedicated), c.dedicated) << c.name;
    for (const auto& [location, address] : c.finds)
      EXPECT_EQ(Find(location), address) << c.name << ", looking up " << location;
  }
}

}  // namespace
}  // namespace norva
