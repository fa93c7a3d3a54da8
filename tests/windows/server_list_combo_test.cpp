#include "serverlist/server_list_combo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serverlist/catalog_server_directory.h"
#include "serverlist/server_catalog_path.h"
#include "wine_test_support.h"

namespace norva {
namespace {

using Rows = std::vector<std::string>;

std::string Catalog(const std::string& entries) {
  return "<?xml version=\"1.0\"?>\r\n<servers>\r\n" + entries + "</servers>\r\n";
}

std::string Entry(const char* type, const char* location, const std::string& address) {
  return std::string("<server type=\"") + type + "\"><location>" + location +
         "</location><address>" + address + "</address></server>\r\n";
}

// The real servers.xml of the prefix's user, put back as it was afterwards,
// and a drop-down list in a hidden window.
class ServerListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(GetServerCatalogPath(path_));
    hadFile_ = testing::FileExists(path_);
    if (hadFile_) saved_ = testing::ReadFileBytes(path_);
    DeleteFileA(path_);

    parent_ = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 300, 300, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent_, nullptr);
    list_ = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 0,
                            200, 200, parent_, reinterpret_cast<HMENU>(1000),
                            GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(list_, nullptr);
    // Left over from an earlier fill: must all go.
    SendMessageA(list_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("stale"));
    SendMessageA(list_, CB_SETCURSEL, 0, 0);
  }

  void TearDown() override {
    if (parent_ != nullptr) DestroyWindow(parent_);
    if (hadFile_) {
      testing::WriteFileBytes(path_, saved_);
    } else {
      DeleteFileA(path_);
    }
  }

  void Write(const std::string& xml) { testing::WriteFileBytes(path_, xml); }

  Rows Shown() {
    Rows rows;
    const LRESULT count = SendMessageA(list_, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      std::string text(SendMessageA(list_, CB_GETLBTEXTLEN, i, 0), '\0');
      text.resize(SendMessageA(list_, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&text[0])));
      rows.push_back(text);
    }
    return rows;
  }
  LRESULT Selected() { return SendMessageA(list_, CB_GETCURSEL, 0, 0); }
  bool Enabled() { return IsWindowEnabled(list_) != FALSE; }

  char path_[MAX_PATH] = {};
  bool hadFile_ = false;
  std::string saved_;
  HWND parent_ = nullptr;
  HWND list_ = nullptr;
};

TEST_F(ServerListTest, WithoutAFileOnlyTheChooseRowStaysDisabled) {
  for (AccountType type : {AccountType::Shared, AccountType::Dedicated}) {
    EnableWindow(list_, TRUE);
    FillServerList(list_, type);
    EXPECT_EQ(Shown(), Rows{"choose server..."});
    EXPECT_EQ(Selected(), CB_ERR);
    EXPECT_FALSE(Enabled());
  }
}

TEST_F(ServerListTest, RowsFollowTheFileForTheAccountType) {
  const std::string mixed = Catalog(Entry("shared", "Zurich", "ch.example") +
                                    Entry("dedicated", "Rome", "it.example") +
                                    Entry("shared", "Amsterdam", "nl.example") +
                                    Entry("Shared", "Lima", "pe.example"));
  struct Case {
    std::string xml;
    AccountType type;
    Rows rows;
  };
  const Case cases[] = {
      {mixed, AccountType::Shared, {"choose server...", "Zurich", "Amsterdam"}},
      {mixed, AccountType::Dedicated, {"choose server...", "Rome"}},
      {Catalog(Entry("shared", "Oslo", "no.example")), AccountType::Shared,
       {"choose server...", "Oslo"}},
      {Catalog(Entry("shared", "Oslo", "no.example")), AccountType::Dedicated,
       {"choose server..."}},
      {"<other>" + Entry("shared", "Oslo", "no.example") + "</other>", AccountType::Shared,
       {"choose server..."}},
  };
  for (const Case& c : cases) {
    Write(c.xml);
    EnableWindow(list_, c.rows.size() == 1);  // the opposite of what must come out
    FillServerList(list_, c.type);
    EXPECT_EQ(Shown(), c.rows) << c.xml;
    EXPECT_EQ(Selected(), c.rows.size() > 1 ? 0 : CB_ERR) << c.xml;
    EXPECT_EQ(Enabled(), c.rows.size() > 1) << c.xml;
  }
}

TEST_F(ServerListTest, EveryFillAndLookupReadsTheFileAfresh) {
  CatalogServerDirectory directory;
  std::string address = "stale";
  Write(Catalog(Entry("shared", "Oslo", "no.example")));
  FillServerList(list_, AccountType::Shared);
  ASSERT_TRUE(directory.FindServerAddress("Oslo", address));
  EXPECT_EQ(address, "no.example");

  Write(Catalog(Entry("shared", "Bern", "ch.example") + Entry("shared", "Oslo", "no2.example")));
  FillServerList(list_, AccountType::Shared);
  EXPECT_EQ(Shown(), (Rows{"choose server...", "Bern", "Oslo"}));
  ASSERT_TRUE(directory.FindServerAddress("Oslo", address));
  EXPECT_EQ(address, "no2.example");
}

TEST_F(ServerListTest, DirectoryRefusesAddressesTheDiallerCannotHold) {
  CatalogServerDirectory directory;
  std::string address = "stale";
  EXPECT_FALSE(directory.FindServerAddress("Oslo", address)) << "no file";
  EXPECT_EQ(address, "");

  Write(Catalog(Entry("shared", "Oslo", std::string(129, 'a')) +
                Entry("shared", "Rome", std::string(128, 'b'))));
  EXPECT_FALSE(directory.FindServerAddress("Oslo", address));
  EXPECT_EQ(address, "");
  EXPECT_TRUE(directory.FindServerAddress("Rome", address));
  EXPECT_EQ(address, std::string(128, 'b'));
}

}  // namespace
}  // namespace norva
