#include "serverlist/server_list_update.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_settings.h"

namespace norva {
namespace {

constexpr char kSite[] = "https://site.test";
const std::string kVersionUrl = std::string(kSite) + kVersionPath;
const std::string kListUrl = std::string(kSite) + kServerListPath;

// What the fake site answers for one URL: Body("...").Status(404)...
struct Reply {
  bool opens = true;
  std::uint32_t status = 200;
  std::optional<std::uint64_t> length;  // Content-Length, when sent
  std::string body;
  std::size_t failReadAt = SIZE_MAX;  // a read that would pass this offset fails
  std::uint32_t maxPerRead = UINT32_MAX;

  Reply& Status(std::uint32_t s) { status = s; return *this; }
  Reply& Length(std::uint64_t n) { length = n; return *this; }
  Reply& FailReadAt(std::size_t n) { failReadAt = n; return *this; }
  Reply& MaxPerRead(std::uint32_t n) { maxPerRead = n; return *this; }
};
Reply Body(std::string body) {
  Reply r;
  r.body = std::move(body);
  return r;
}
Reply NoAnswer() {
  Reply r;
  r.opens = false;
  return r;
}

// Reads and writes of the fakes in order, to see how they interleave.
using EventLog = std::vector<std::string>;

class FakeResponse : public InternetResponse {
 public:
  FakeResponse(const Reply& reply, EventLog& log) : reply_(reply), log_(log) {}
  std::uint32_t StatusCode() override { return reply_.status; }
  bool ContentLength(std::uint64_t* length) override {
    if (reply_.length) *length = *reply_.length;
    return reply_.length.has_value();
  }
  bool Read(char* buffer, std::uint32_t size, std::uint32_t* read) override {
    const std::size_t n = std::min<std::size_t>(
        {size, reply_.maxPerRead, reply_.body.size() - offset_});
    if (n > 0 && offset_ + n > reply_.failReadAt) return false;
    reply_.body.copy(buffer, n, offset_);
    offset_ += n;
    *read = static_cast<std::uint32_t>(n);
    log_.push_back("read " + std::to_string(n));
    return true;
  }

 private:
  Reply reply_;
  EventLog& log_;
  std::size_t offset_ = 0;
};

class FakeInternet : public InternetClient {
 public:
  explicit FakeInternet(EventLog& log) : log_(log) {}
  std::unique_ptr<InternetResponse> Open(const char* url, InternetRequest what) override {
    requests.emplace_back(url, what);
    const auto it = replies.find(url);
    if (it == replies.end() || !it->second.opens) return nullptr;
    return std::make_unique<FakeResponse>(it->second, log_);
  }
  std::size_t ListRequests() const {
    return std::count_if(requests.begin(), requests.end(),
                         [](const auto& r) { return r.first == kListUrl; });
  }

  std::map<std::string, Reply> replies;
  std::vector<std::pair<std::string, InternetRequest>> requests;

 private:
  EventLog& log_;
};

enum FileFault { kNoFault, kBeginFails, kWriteFails, kCommitFails };

class FakeListFile : public ServerListFile {
 public:
  explicit FakeListFile(EventLog& log) : log_(log) {}
  bool Begin() override {
    log_.push_back("begin");
    open = fault != kBeginFails;
    pending.clear();
    return open;
  }
  bool Write(const char* data, std::uint32_t size) override {
    EXPECT_TRUE(open);
    log_.push_back("write " + std::to_string(size));
    pending.append(data, size);
    return fault != kWriteFails;
  }
  bool Commit() override {
    EXPECT_TRUE(open);
    log_.push_back("commit");
    open = false;
    if (fault == kCommitFails) return false;
    stored = pending;
    return true;
  }
  void Discard() override {
    EXPECT_TRUE(open);
    open = false;
  }

  FileFault fault = kNoFault;
  bool open = false;
  std::string pending;
  std::string stored = "old list";

 private:
  EventLog& log_;
};

class ServerListUpdateTest : public ::testing::Test {
 protected:
  EventLog log;
  FakeInternet internet{log};
  FakeListFile file{log};
  testing::FakeSettings settings;
};

TEST(ParseVersionTest, ReadsLikeAtoiTakenUnsigned) {
  const std::pair<std::string, std::uint32_t> cases[] = {
      {"12\r\n", 12},     {"", 0},    {"v5", 0},   {"-1", 4294967295u}, {"+7", 7},
      {" \t\n\v\f\r9", 9}, {"--5", 0}, {"- 5", 0},  {"1 2", 1},          {"34x", 34},
      {std::string("12\0" "34", 5), 12},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(ParseVersion(text.data(), text.size()), expected) << '"' << text << '"';
  }
}

TEST(ParseContentLengthTest, AcceptsOnlyPlainDecimal) {
  std::uint64_t n = 0;
  EXPECT_TRUE(ParseContentLength(" 1300\t", &n));
  EXPECT_EQ(n, 1300u);
  EXPECT_TRUE(ParseContentLength("18446744073709551615", &n));
  EXPECT_EQ(n, UINT64_MAX);
  for (const char* bad : {"", "12a", "-1", "+5", "1 2", "18446744073709551616"}) {
    EXPECT_FALSE(ParseContentLength(bad, &n)) << bad;
  }
}

TEST_F(ServerListUpdateTest, VersionCountsOnlyFromOneReadOfOneToSevenBytes) {
  const std::pair<Reply, std::uint32_t> cases[] = {
      {Body("12\r\n"), 12},
      {Body("1234567"), 1234567},
      {Body("12345678"), 0},
      {Body(std::string(300, '3')), 0},
      {Body(""), 0},
      {Body("x5"), 0},
      {Body("42").MaxPerRead(1), 4},  // one read only
      {Body("5").FailReadAt(0), 0},
      {Body("5").Status(404), 0},
      {NoAnswer(), 0},
  };
  for (const auto& [reply, expected] : cases) {
    internet.replies[kVersionUrl] = reply;
    EXPECT_EQ(FetchServerListVersion(internet, kSite), expected) << reply.body;
  }
}

TEST_F(ServerListUpdateTest, DownloadsOnlyWhenPublishedIsHigher) {
  const struct {
    const char* name;
    std::optional<std::uint32_t> stored;
    Reply version;
    bool downloads;
    std::uint32_t storedAfter;
  } cases[] = {
      {"nothing stored, published 1", std::nullopt, Body("1"), false, 1},
      {"5 over 3", 3, Body("5"), true, 5},
      {"5 over 5", 5, Body("5"), false, 5},
      {"5 under 7", 7, Body("5"), false, 7},
      {"-1 over anything", 0x7fffffff, Body("-1"), true, 4294967295u},
      {"version not fetched", 0, NoAnswer(), false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    settings = testing::FakeSettings();
    if (c.stored) settings.values["serverfile"] = *c.stored;
    internet.requests.clear();
    internet.replies[kVersionUrl] = c.version;
    internet.replies[kListUrl] = Body("<servers/>");
    file.stored = "old list";

    EXPECT_EQ(UpdateServerList(internet, file, settings, kSite), c.downloads);
    EXPECT_EQ(internet.ListRequests(), c.downloads ? 1u : 0u);
    EXPECT_EQ(internet.requests.back().second,
              c.downloads ? InternetRequest::kServerList : InternetRequest::kVersion);
    EXPECT_EQ(file.stored, c.downloads ? "<servers/>" : "old list");
    EXPECT_EQ(settings.ReadSetting("serverfile", 1), c.storedAfter);
    EXPECT_EQ(settings.writes.size(), c.downloads ? 1u : 0u);
  }
}

TEST_F(ServerListUpdateTest, MinusOneIsDownloadedOnceOnly) {
  internet.replies[kVersionUrl] = Body("-1");
  internet.replies[kListUrl] = Body("<servers/>");
  EXPECT_TRUE(UpdateServerList(internet, file, settings, kSite));
  EXPECT_FALSE(UpdateServerList(internet, file, settings, kSite));
  EXPECT_EQ(internet.ListRequests(), 1u);
}

TEST_F(ServerListUpdateTest, FailedDownloadKeepsListAndVersion) {
  const std::uint64_t cap = kMaxServerListBytes;
  const struct {
    const char* name;
    Reply list;
    FileFault fault;
  } cases[] = {
      {"list cannot be opened", NoAnswer(), kNoFault},
      {"not found", Body("<html>missing</html>").Status(404), kNoFault},
      {"body cut short", Body(std::string(1000, 'a')).Length(1300), kNoFault},
      {"body longer than announced", Body(std::string(11, 'a')).Length(10), kNoFault},
      {"announced over the cap", Body("<servers/>").Length(cap + 1), kNoFault},
      {"unreadable length", Body("<servers/>").Length(kUnreadableLength), kNoFault},
      {"over the cap, no length", Body(std::string(cap + 1, 'x')), kNoFault},
      {"empty body", Body(""), kNoFault},
      {"read fails mid-body", Body(std::string(1300, 'a')).FailReadAt(700), kNoFault},
      {"file cannot be created", Body("<servers/>"), kBeginFails},
      {"write fails", Body("<servers/>"), kWriteFails},
      {"list cannot be replaced", Body("<servers/>"), kCommitFails},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    settings = testing::FakeSettings();
    settings.values["serverfile"] = 3;
    internet.replies[kVersionUrl] = Body("5");
    internet.replies[kListUrl] = c.list;
    file.fault = c.fault;

    EXPECT_FALSE(UpdateServerList(internet, file, settings, kSite));
    EXPECT_EQ(file.stored, "old list");
    EXPECT_FALSE(file.open) << "a download was left open";
    EXPECT_EQ(settings.ReadSetting("serverfile", 1), 3u);
    EXPECT_TRUE(settings.writes.empty());
  }
}

TEST_F(ServerListUpdateTest, ListAtTheCapIsTaken) {
  internet.replies[kListUrl] =
      Body(std::string(kMaxServerListBytes, 'x')).Length(kMaxServerListBytes);
  EXPECT_TRUE(DownloadServerList(internet, file, kSite));
  EXPECT_EQ(file.stored.size(), kMaxServerListBytes);
}

TEST_F(ServerListUpdateTest, CopiesInChunksEachWrittenBeforeTheNextRead) {
  std::string body(1300, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7 + 3);
  internet.replies[kListUrl] = Body(body).Length(body.size());

  ASSERT_TRUE(DownloadServerList(internet, file, kSite));
  EXPECT_EQ(file.stored, body);
  const EventLog expected = {"begin",    "read 512",  "write 512", "read 512", "write 512",
                             "read 276", "write 276", "read 0",    "commit"};
  EXPECT_EQ(log, expected);
}

}  // namespace
}  // namespace norva
