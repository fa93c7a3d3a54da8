#include "serverlist/server_catalog.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace norva {
namespace {

// One entry of servers.xml; a null part is left out.
std::string Entry(const char* type, const char* location, const char* address,
                  const char* element = "server") {
  std::string xml = std::string("<") + element;
  if (type) xml += std::string(" type=\"") + type + "\"";
  xml += ">";
  if (location) xml += std::string("<location>") + location + "</location>";
  if (address) xml += std::string("<address>") + address + "</address>";
  return xml + "<speed>100</speed></" + element + ">\n";
}

std::string Catalog(const std::string& entries) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<servers>\n" + entries + "</servers>\n";
}

using Rows = std::vector<std::string>;

class ServerCatalogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/norva-catalog-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir_ = name;
    path_ = dir_ + "/servers.xml";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void Write(const std::string& xml) { std::ofstream(path_, std::ios::binary) << xml; }
  Rows List(AccountType type) { return ListLocations(path_, type); }

  // The address found for `location`, "" when none. Both forms of the lookup
  // must agree, and the character form gets a buffer of exactly
  // capacity + 1 bytes so that any overrun trips AddressSanitizer.
  std::string Find(const std::string& location, std::size_t capacity = 128) {
    std::unique_ptr<char[]> out(new char[capacity + 1]);
    out[0] = 'x';
    const bool found = FindServerAddress(path_, location, out.get(), capacity);
    std::string address = "stale";
    EXPECT_EQ(FindServerAddress(path_, location, address, capacity), found);
    EXPECT_EQ(address, out.get());
    EXPECT_EQ(found, !address.empty());
    return address;
  }

  std::string dir_, path_;
};

TEST_F(ServerCatalogTest, NoUsableRootGivesNothing) {
  const std::string shared = Entry("shared", "Oslo", "no.example");
  const std::string cases[] = {
      "",                                                   // empty file
      "not xml at all",
      "<?xml version=\"1.0\"?>\n<!-- nothing else -->\n",
      "<other>\n" + shared + "</other>",                    // root of another name
      "<root><servers>\n" + shared + "</servers></root>",   // servers not at the top
      Catalog(Entry("shared", "Oslo", "no.example", "host")),  // no `server` element
  };
  EXPECT_EQ(List(AccountType::Shared), Rows{}) << "no file";
  EXPECT_EQ(Find("Oslo"), "") << "no file";
  for (const std::string& xml : cases) {
    Write(xml);
    EXPECT_EQ(List(AccountType::Shared), Rows{}) << xml;
    EXPECT_EQ(List(AccountType::Dedicated), Rows{}) << xml;
    EXPECT_EQ(Find("Oslo"), "") << xml;
  }
}

TEST_F(ServerCatalogTest, FirstTopLevelServersIsTheRoot) {
  Write("<?xml version=\"1.0\"?>\n<!-- list -->\n<other/>\n<servers>" +
        Entry("shared", "Oslo", "no.example") + "</servers>\n<servers>" +
        Entry("shared", "Rome", "it.example") + "</servers>\n");
  EXPECT_EQ(List(AccountType::Shared), Rows{"Oslo"});
  EXPECT_EQ(Find("Rome"), "");
}

TEST_F(ServerCatalogTest, TypeSelectsExactlyButLookupIgnoresIt) {
  Write(Catalog(Entry("shared", "Oslo", "no.example") + Entry("dedicated", "Rome", "it.example") +
                Entry("Shared", "Lima", "pe.example") + Entry(nullptr, "Kyiv", "ua.example") +
                Entry("shared", "Oslo", "no2.example") + Entry("shared", nullptr, "x.example")));
  EXPECT_EQ(List(AccountType::Shared), (Rows{"Oslo", "Oslo"}));
  EXPECT_EQ(List(AccountType::Dedicated), Rows{"Rome"});
  EXPECT_EQ(List(static_cast<AccountType>(2)), Rows{});
  EXPECT_EQ(Find("Lima"), "pe.example");
  EXPECT_EQ(Find("Kyiv"), "ua.example");
  EXPECT_EQ(Find("Oslo"), "no.example");
  EXPECT_EQ(Find("oslo"), "");
}

TEST_F(ServerCatalogTest, SameLocationUnderBothTypesFirstInFileWins) {
  for (const bool sharedFirst : {true, false}) {
    const std::string shared = Entry("shared", "Paris", "shared.example");
    const std::string dedicated = Entry("dedicated", "Paris", "dedicated.example");
    Write(Catalog(sharedFirst ? shared + dedicated : dedicated + shared));
    EXPECT_EQ(List(AccountType::Shared), Rows{"Paris"});
    EXPECT_EQ(List(AccountType::Dedicated), Rows{"Paris"});
    EXPECT_EQ(Find("Paris"), sharedFirst ? "shared.example" : "dedicated.example");
  }
}

TEST_F(ServerCatalogTest, BrokenOffInsideTheFifthEntry) {
  std::string whole;
  for (const char* city : {"Oslo", "Rome", "Lima", "Kyiv", "Bern"})
    whole += Entry("shared", city, (std::string(city) + ".example").c_str());
  whole = Catalog(whole);
  const std::size_t fifth = whole.find("<server type=\"shared\"><location>Bern");
  for (const char* cut : {"<serv", "<server type=\"sha", "<server type=\"shared\">",
                          "<location>Be", "</location><address>Bern.exa"}) {
    Write(whole.substr(0, whole.find(cut, fifth) + std::strlen(cut)));
    const Rows rows = List(AccountType::Shared);
    ASSERT_GE(rows.size(), 4u) << cut;
    EXPECT_EQ(Rows(rows.begin(), rows.begin() + 4), (Rows{"Oslo", "Rome", "Lima", "Kyiv"})) << cut;
    EXPECT_LE(rows.size(), 5u) << cut;
    for (const char* city : {"Oslo", "Rome", "Lima", "Kyiv"})
      EXPECT_EQ(Find(city), std::string(city) + ".example") << cut;
  }
}

TEST_F(ServerCatalogTest, UnusableAddressIsPassedOverForALaterOne) {
  const std::string tooLong(129, 'a');
  const char* unusable[] = {nullptr, "", "<![CDATA[]]>", "<!-- x -->a.example",
                            "<b>a.example</b>", tooLong.c_str()};
  for (const char* address : unusable) {
    const std::string first = Entry("Other", "Oslo", "elsewhere.example") +
                              Entry("shared", "Rome", address);
    Write(Catalog(first));
    EXPECT_EQ(Find("Rome"), "") << (address ? address : "(none)");
    Write(Catalog(first + Entry("dedicated", "Rome", "later.example")));
    EXPECT_EQ(Find("Rome"), "later.example") << (address ? address : "(none)");
  }
}

TEST_F(ServerCatalogTest, AddressMustFitTheBuffer) {
  struct Case { std::size_t length, capacity; bool found; };
  for (const Case& c : {Case{128, 128, true}, Case{129, 128, false}, Case{1, 0, false},
                        Case{1, 1, true}, Case{5, 4, false}, Case{5, 6, true}}) {
    const std::string address(c.length, 'h');
    Write(Catalog(Entry("shared", "Rome", address.c_str())));
    EXPECT_EQ(Find("Rome", c.capacity), c.found ? address : "")
        << c.length << " characters into " << c.capacity;
  }
}

TEST_F(ServerCatalogTest, WalkStartsAtTheFirstServerElement) {
  Write(Catalog(Entry("shared", "Before", "b.example", "group") +
                Entry("shared", "Oslo", "no.example") +
                "<!-- between -->\n" + Entry("shared", "After", "a.example", "group")));
  EXPECT_EQ(List(AccountType::Shared), (Rows{"Oslo", "After"}));
  EXPECT_EQ(Find("Before"), "");
  EXPECT_EQ(Find("After"), "a.example");
}

TEST_F(ServerCatalogTest, ChooseServerRowIsNoLocation) {
  Write(Catalog(Entry("shared", "Oslo", "no.example")));
  EXPECT_EQ(Find("choose server..."), "");
  Write(Catalog(Entry("shared", "choose server...", "odd.example")));
  EXPECT_EQ(Find("choose server..."), "odd.example");
}

TEST_F(ServerCatalogTest, ListedRowsFindTheirOwnEntries) {
  // Location texts as the file may carry them; whatever the row shows, the
  // lookup of that row must reach the same entry.
  const char* locations[] = {"  New \n  York  ", "<![CDATA[ Sao  Paulo ]]>", "Z&#252;rich",
                             "A &amp; B", "\tTab\t"};
  std::string entries;
  int n = 0;
  for (const char* location : locations)
    entries += Entry("shared", location, ("host" + std::to_string(n++) + ".example").c_str());
  entries += Entry("shared", "<!-- first -->Hidden", "hidden.example");
  Write(Catalog(entries));
  const Rows rows = List(AccountType::Shared);
  ASSERT_EQ(rows.size(), std::size(locations));
  for (std::size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(Find(rows[i]), "host" + std::to_string(i) + ".example") << rows[i];
  EXPECT_EQ(Find("Hidden"), "");
}

}  // namespace
}  // namespace norva
