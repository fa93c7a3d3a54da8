#include "serverlist/server_list_update.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_settings.h"

namespace norva {
namespace {

using Log = std::vector<std::string>;

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

struct FakeResponse : InternetResponse {
  FakeResponse(Reply reply, Log& log) : reply(std::move(reply)), log(log) {}
  ~FakeResponse() override { log.push_back("close"); }
  std::uint32_t StatusCode() override { return reply.status; }
  bool ContentLength(std::uint64_t* length) override {
    if (reply.length) *length = *reply.length;
    return reply.length.has_value();
  }
  bool Read(char* buffer, std::uint32_t size, std::uint32_t* read) override {
    const std::size_t n = std::min<std::size_t>({size, reply.piece, reply.body.size() - at});
    if (n > 0 && at + n > reply.failAt) return false;
    at += reply.body.copy(buffer, n, at);
    *read = static_cast<std::uint32_t>(n);
    log.push_back("read " + std::to_string(n));
    return true;
  }
  Reply reply;
  Log& log;
  std::size_t at = 0;
};

// The provider's site (a URL without a reply cannot be opened) and the list
// file, with one log to show how reads and writes interleave.
struct FakeSite : InternetClient, ServerListFile {
  std::unique_ptr<InternetResponse> Open(const char* url, InternetRequest what) override {
    EXPECT_EQ(what, url == kListUrl ? InternetRequest::kServerList : InternetRequest::kVersion);
    log.push_back(std::string("open ") + url);
    const auto it = replies.find(url);
    return it == replies.end() ? nullptr : std::make_unique<FakeResponse>(it->second, log);
  }
  bool Begin() override {
    log.push_back("begin");
    pending.clear();
    return open = fault != "begin";
  }
  bool Write(const char* data, std::uint32_t size) override {
    log.push_back("write " + std::to_string(size));
    pending.append(data, size);
    return fault != "write";
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
  std::string fault;  // the file step that fails: "begin", "write" or "commit"
  bool open = false;
  std::string pending, stored = "old list";
  Log log;
};

TEST(ServerListUpdateTest, VersionIsReadOnceAndCountsOnlyForOneToSevenBytesLikeAtoi) {
  const std::pair<std::optional<Reply>, std::uint32_t> cases[] = {
      {Reply{"12\r\n"}, 12}, {Reply{"1234567"}, 1234567}, {Reply{"-1"}, 4294967295u},
      {Reply{"+7"}, 7}, {Reply{" \t\n\v\f\r9"}, 9}, {Reply{"1 2"}, 1}, {Reply{"34x"}, 34},
      {Reply{std::string("12\0" "34", 5)}, 12}, {Reply{"v5"}, 0}, {Reply{"--5"}, 0},
      {Reply{"- 5"}, 0}, {Reply{""}, 0}, {Reply{"12345678"}, 0}, {Reply{std::string(300, '3')}, 0},
      {Reply{"5", 404}, 0}, {Reply{"42", 200, {}, SIZE_MAX, 1}, 4}, {Reply{"5", 200, {}, 0}, 0},
      {std::nullopt, 0},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& [reply, expected] = cases[i];
    FakeSite site;
    if (reply) site.replies[kVersionUrl] = *reply;
    EXPECT_EQ(FetchServerListVersion(site, kSite), expected) << "case " << i;
  }
}

TEST(ServerListUpdateTest, ContentLengthIsPlainDecimal) {
  const std::pair<const char*, std::optional<std::uint64_t>> cases[] = {
      {" 1300\t", 1300}, {"18446744073709551615", UINT64_MAX}, {"18446744073709551616", {}},
      {"", {}}, {"12a", {}}, {"-1", {}}, {"+5", {}}, {"1 2", {}},
  };
  for (const auto& [text, expected] : cases) {
    std::uint64_t length = 0;
    const bool read = ParseContentLength(text, &length);
    EXPECT_EQ(read ? std::optional<std::uint64_t>(length) : std::nullopt, expected) << text;
  }
}

TEST(ServerListUpdateTest, ListAndVersionAreStoredOnlyAfterAWholeDownloadOfANewerList) {
  const std::uint64_t cap = kMaxServerListBytes;
  const Reply list{"<servers/>"};
  const struct {
    const char* name;
    std::optional<std::uint32_t> stored;  // serverfile
    const char* published;                // version.txt; null: cannot be opened
    std::optional<Reply> list;            // servers.xml; none: cannot be opened
    const char* fault;                    // the list file's
    bool asksForList;
    std::uint32_t storesVersion;  // 0: stores nothing
  } cases[] = {
      {"nothing stored, published 1", {}, "1", list, "", false, 0},
      {"5 over 3", 3, "5", list, "", true, 5},
      {"5 over 5", 5, "5", list, "", false, 0},
      {"5 under 7", 7, "5", list, "", false, 0},
      {"-1 over 0x7fffffff, compared unsigned", 0x7fffffff, "-1", list, "", true, 4294967295u},
      {"version not fetched", 0, nullptr, list, "", false, 0},
      {"list at the cap", 3, "5", Reply{std::string(cap, 'x'), 200, cap}, "", true, 5},
      {"list cannot be opened", 3, "5", std::nullopt, "", true, 0},
      {"not found", 3, "5", Reply{"<html>missing</html>", 404}, "", true, 0},
      {"body cut short", 3, "5", Reply{std::string(1000, 'a'), 200, 1300}, "", true, 0},
      {"body longer than announced", 3, "5", Reply{std::string(11, 'a'), 200, 10}, "", true, 0},
      {"announced over the cap", 3, "5", Reply{"<servers/>", 200, cap + 1}, "", true, 0},
      {"over the cap, no length", 3, "5", Reply{std::string(cap + 1, 'x')}, "", true, 0},
      {"empty body", 3, "5", Reply{""}, "", true, 0},
      {"read fails mid-body", 3, "5", Reply{std::string(1300, 'a'), 200, {}, 700}, "", true, 0},
      {"file cannot be created", 3, "5", list, "begin", true, 0},
      {"write fails", 3, "5", list, "write", true, 0},
      {"list cannot be replaced", 3, "5", list, "commit", true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSite site;
    testing::FakeSettings settings;
    if (c.stored) settings.values["serverfile"] = *c.stored;
    if (c.published) site.replies[kVersionUrl] = Reply{c.published};
    if (c.list) site.replies[kListUrl] = *c.list;
    site.fault = c.fault;

    const bool stores = c.storesVersion != 0;
    EXPECT_EQ(UpdateServerList(site, site, settings, kSite), stores);
    EXPECT_EQ(std::count(site.log.begin(), site.log.end(), "open " + kListUrl), c.asksForList);
    EXPECT_FALSE(site.open) << "a download was left open";
    EXPECT_EQ(site.stored, stores ? c.list->body : "old list");
    using Writes = decltype(settings.writes);
    EXPECT_EQ(settings.writes, (stores ? Writes{{"serverfile", c.storesVersion}} : Writes{}));
  }
}

TEST(ServerListUpdateTest, ChunksAreWrittenBeforeTheNextRead) {
  std::string body(1300, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7 + 3);
  FakeSite site;
  site.replies[kListUrl] = Reply{body, 200, body.size()};

  ASSERT_TRUE(DownloadServerList(site, site, kSite));
  EXPECT_EQ(site.stored, body);
  EXPECT_EQ(site.log, (Log{"open " + kListUrl, "begin", "read 512", "write 512", "read 512",
                           "write 512", "read 276", "write 276", "read 0", "close", "commit"}));
}

}  // namespace
}  // namespace norva
