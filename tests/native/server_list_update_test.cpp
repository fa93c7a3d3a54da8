#include "serverlist/server_list_update.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "fakes/fake_settings.h"
#include "support/servers_xml.h"

namespace norva {
namespace {

using Log = std::vector<std::string>;
using namespace std::string_literals;

constexpr char kSite[] = "https://site.test/";  // the slash is not doubled
const std::string kVersionUrl = std::string("https://site.test") + kVersionPath;
const std::string kListUrl = std::string("https://site.test") + kServerListPath;

// What the fake site answers for one URL.
struct Reply {
  std::string body;
  std::uint32_t status = 200;
  std::optional<std::uint64_t> length = std::nullopt;  // Content-Length, when sent
  std::size_t failAt = SIZE_MAX;     // a read that would pass this offset fails
  std::uint32_t piece = UINT32_MAX;  // the most one read gives
};

struct FakeResponse : InternetResponse, Reply {
  FakeResponse(const Reply& reply, Log& log) : Reply(reply), log(log) {}
  ~FakeResponse() override { log.push_back("close"); }
  std::uint32_t StatusCode() override { return status; }
  bool ContentLength(std::uint64_t* announced) override {
    if (length) *announced = *length;
    return length.has_value();
  }
  bool Read(char* buffer, std::uint32_t size, std::uint32_t* read) override {
    const std::size_t n = std::min<std::size_t>({size, piece, body.size() - at});
    if (n > 0 && at + n > failAt) return false;
    at += body.copy(buffer, n, at);
    *read = static_cast<std::uint32_t>(n);
    log.push_back("read " + std::to_string(n));
    return true;
  }
  Log& log;
  std::size_t at = 0;
};

// The provider's site (a URL without a reply cannot be opened) and the list
// file, with one log to show how reads and writes interleave.
struct FakeSite : InternetClient, ServerListFile {
  ~FakeSite() override { unlink(path.c_str()); }
  std::unique_ptr<InternetResponse> Open(const char* url, InternetRequest what) override {
    EXPECT_EQ(what, url == kListUrl ? InternetRequest::kServerList : InternetRequest::kVersion);
    log.push_back(std::string("open ") + url);
    const auto it = replies.find(url);
    return it == replies.end() ? nullptr : std::make_unique<FakeResponse>(it->second, log);
  }
  bool Exists() override { return fault != "exists"; }
  bool Begin() override {
    log.push_back("begin");
    return open = fault != "begin";
  }
  bool Write(const char* data, std::uint32_t size) override {
    log.push_back("write " + std::to_string(size));
    pending.append(data, size);
    return fault != "write";
  }
  std::string DownloadPath() override {
    std::ofstream(path, std::ios::binary) << pending;
    return path;
  }
  bool Commit() override {
    log.push_back("commit");
    open = false;
    if (fault != "commit") stored = pending;
    return fault != "commit";
  }
  void Discard() override {
    EXPECT_TRUE(open);
    open = false;
  }

  std::map<std::string, Reply> replies;
  std::string fault;  // the file step that fails: "exists", "begin", "write" or "commit"
  bool open = false;
  std::string pending, stored = "old list";
  Log log;
  const std::string path = ::testing::TempDir() + "download-" + std::to_string(getpid()) + ".xml";
};

TEST(ServerListUpdateTest, VersionIsReadLikeAtoiAndContentLengthIsPlainDecimal) {
  // A text; its value as the whole of version.txt (1 to 7 bytes, else 0) and as a
  // Content-Length header (none: refused).
  const std::tuple<std::string, std::uint32_t, std::optional<std::uint64_t>> cases[] = {
      {"12\r\n", 12, {}}, {"1234567", 1234567, 1234567}, {" 1300\t", 1300, 1300},
      {"-1", 4294967295u, {}}, {"+7", 7, {}}, {" \t\n\v\f\r9", 9, {}}, {"1 2", 1, {}},
      {"34x", 34, {}}, {"12\0" "34"s, 12, 12}, {"v5", 0, {}}, {"--5", 0, {}}, {"- 5", 0, {}},
      {"", 0, {}}, {"12345678", 0, 12345678}, {std::string(300, '3'), 0, {}},
      {"18446744073709551615", 0, UINT64_MAX}, {"18446744073709551616", 0, {}},
  };
  for (const auto& [text, version, length] : cases) {
    FakeSite site;
    site.replies[kVersionUrl] = Reply{text};
    EXPECT_EQ(FetchServerListVersion(site, kSite), version) << text;
    std::uint64_t parsed = 0;
    const bool read = ParseContentLength(text.c_str(), &parsed);
    EXPECT_EQ(read ? std::optional<std::uint64_t>(parsed) : std::nullopt, length) << text;
  }
}

TEST(ServerListUpdateTest, ListAndVersionAreStoredOnlyAfterAWholeDownloadOfANewerList) {
  const std::uint64_t cap = kMaxServerListBytes;
  const Reply list{"<servers/>"};
  // stored: serverfile; published: version.txt and list: servers.xml (none: cannot be opened);
  // fault: the list file's step that fails; storesVersion: 0 stores nothing.
  const struct { const char* name; std::optional<std::uint32_t> stored;
                 std::optional<Reply> published, list; const char* fault;
                 std::uint32_t storesVersion; } cases[] = {
      {"nothing stored, published 1", {}, Reply{"1"}, list, "", 0},
      {"no list there, published 1", 1, Reply{"1"}, list, "exists", 1},
      {"5 over 3", 3, Reply{"5"}, list, "", 5},
      {"5 over 5", 5, Reply{"5"}, list, "", 0},
      {"5 under 7", 7, Reply{"5"}, list, "", 0},
      {"-1 over 0x7fffffff, compared unsigned", 0x7fffffff, Reply{"-1"}, list, "", 4294967295u},
      {"version not fetched", 0, {}, list, "", 0},
      {"version not found", 3, Reply{"5", 404}, list, "", 0},
      {"version read fails", 3, Reply{"5", 200, {}, 0}, list, "", 0},
      {"only the version's first read counts", 3, Reply{"42", 200, {}, SIZE_MAX, 1}, list, "", 4},
      {"list at the cap", 3, Reply{"5"},
       Reply{"<servers>" + std::string(cap - 19, ' ') + "</servers>", 200, cap}, "", 5},
      {"list cannot be opened", 3, Reply{"5"}, std::nullopt, "", 0},
      {"not found", 3, Reply{"5"}, Reply{"<html>missing</html>", 404}, "", 0},
      {"body cut short", 3, Reply{"5"}, Reply{"<servers/>", 200, 11}, "", 0},
      {"announced over the cap", 3, Reply{"5"}, Reply{"<servers/>", 200, cap + 1}, "", 0},
      {"over the cap, no length", 3, Reply{"5"}, Reply{std::string(cap + 1, 'x')}, "", 0},
      {"announced empty, longer", 3, Reply{"5"}, Reply{"<servers/>", 200, 0}, "", 0},
      {"broken off, no length", 3, Reply{"5"}, Reply{"<servers><server/>"}, "", 0},
      {"not a server list", 3, Reply{"5"}, Reply{"<html>sorry</html>"}, "", 0},
      {"read fails mid-body", 3, Reply{"5"}, Reply{std::string(1300, 'a'), 200, {}, 700}, "", 0},
      {"file cannot be created", 3, Reply{"5"}, list, "begin", 0},
      {"write fails", 3, Reply{"5"}, list, "write", 0},
      {"list cannot be replaced", 3, Reply{"5"}, list, "commit", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSite site;
    testing::FakeSettings settings;
    if (c.stored) settings.values["serverfile"] = *c.stored;
    if (c.published) site.replies[kVersionUrl] = *c.published;
    if (c.list) site.replies[kListUrl] = *c.list;
    site.fault = c.fault;

    const bool stores = c.storesVersion != 0;
    EXPECT_EQ(UpdateServerList(site, site, settings, kSite), stores);
    EXPECT_FALSE(site.open) << "a download was left open";
    EXPECT_EQ(site.stored, stores ? c.list->body : "old list");
    using Writes = decltype(settings.writes);
    EXPECT_EQ(settings.writes, (stores ? Writes{{"serverfile", c.storesVersion}} : Writes{}));
  }
}

TEST(ServerListUpdateTest, ChunksAreWrittenBeforeTheNextRead) {
  const std::string body = testing::WholeListOf(1300);
  FakeSite site;
  site.replies[kListUrl] = Reply{body, 200, body.size()};

  ASSERT_TRUE(DownloadServerList(site, site, kSite));
  EXPECT_EQ(site.stored, body);
  EXPECT_EQ(site.log, (Log{"open " + kListUrl, "begin", "read 512", "write 512", "read 512",
                           "write 512", "read 276", "write 276", "read 0", "close", "commit"}));
}

}  // namespace
}  // namespace norva
