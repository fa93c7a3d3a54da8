#include "serverlist/server_catalog.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
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

class ServerCatalogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/norva-catalog-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir_ = name;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void Write(const std::string& xml) { std::ofstream(path(), std::ios::binary) << xml; }
  std::string path() const { return dir_ + "/servers.xml"; }
  Rows List(AccountType type) { return ListLocations(path(), type); }

  // The address found for `location`, "" when none. Both forms of the lookup
  // must agree, and the character form gets exactly 129 bytes on the heap, so
  // that AddressSanitizer sees any write past them.
  std::string Find(const std::string& location) {
    std::unique_ptr<char[]> out(new char[129]);
    out[0] = 'x';
    const bool found = FindServerAddress(path(), location, out.get(), 128);
    std::string address = "stale";
    EXPECT_EQ(FindServerAddress(path(), location, address, 128), found) << location;
    EXPECT_EQ(address, out.get()) << location;
    EXPECT_EQ(found, !address.empty()) << location;
    return address;
  }

  std::string dir_;
};

TEST_F(ServerCatalogTest, RowsAndAddressesFollowTheDocument) {
  EXPECT_EQ(List(AccountType::Shared), Rows{}) << "no file";
  EXPECT_EQ(Find("Oslo"), "") << "no file";

  const std::string oslo = ServerXml({"shared", "Oslo", "no.example"});
  const std::string longest(128, 'h');
  const struct {
    const char* name;
    std::string xml;
    Rows shared, dedicated;
    std::vector<std::pair<std::string, std::string>> finds;  // location, address ("": none)
  } cases[] = {
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
  };
  for (const auto& c : cases) {
    Write(c.xml);
    EXPECT_EQ(List(AccountType::Shared), c.shared) << c.name;
    EXPECT_EQ(List(AccountType::Dedicated), c.dedicated) << c.name;
    for (const auto& [location, address] : c.finds)
      EXPECT_EQ(Find(location), address) << c.name << ", looking up " << location;
  }
}

TEST_F(ServerCatalogTest, UnusableAddressIsPassedOverForALaterOne) {
  const std::string tooLong(129, 'a');
  for (const char* address : {"", "<![CDATA[]]>", "<!-- x -->a.example", "<b>a.example</b>",
                              tooLong.c_str(), static_cast<const char*>(nullptr)}) {
    const std::string first =
        ServerXml({"Other", "Oslo", "elsewhere.example"}) + ServerXml({"shared", "Rome", address});
    Write(ServersXml(first));
    EXPECT_EQ(Find("Rome"), "") << (address ? address : "no address element");
    Write(ServersXml(first + ServerXml({"dedicated", "Rome", "later.example"})));
    EXPECT_EQ(Find("Rome"), "later.example") << (address ? address : "no address element");
  }
}

TEST_F(ServerCatalogTest, FileBrokenOffInsideTheFifthEntryGivesTheFirstFour) {
  const Rows four = {"Oslo", "Rome", "Lima", "Kyiv"};
  std::string whole;
  for (const std::string city : {"Oslo", "Rome", "Lima", "Kyiv", "Bern"})
    whole += ServerXml({"shared", city.c_str(), (city + ".example").c_str()});
  whole = ServersXml(whole);
  const std::size_t fifth = whole.find("<server type=\"shared\"><location>Bern");
  for (const char* cut : {"<serv", "<server type=\"sha", "<server type=\"shared\">",
                          "<location>Be", "</location><address>Bern.exa"}) {
    Write(whole.substr(0, whole.find(cut, fifth) + std::strlen(cut)));
    const Rows rows = List(AccountType::Shared);
    EXPECT_EQ(Rows(rows.begin(), rows.begin() + std::min<std::size_t>(rows.size(), 4)), four)
        << cut;
    EXPECT_LE(rows.size(), 5u) << cut;
    for (const std::string& city : four) EXPECT_EQ(Find(city), city + ".example") << cut;
  }
}

}  // namespace
}  // namespace norva
