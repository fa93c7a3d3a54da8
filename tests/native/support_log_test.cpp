#include "app/support_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <thread>
#include <vector>

namespace norva {
namespace {

// Records what the log asks of its file; `fail` names the call that fails ("throw": Append throws).
struct FakeSink : LogSink {
  std::uint64_t size = 0;
  std::string fail;
  std::vector<std::string> calls, lines;

  LogTime Now() override { return {2026, 3, 9, 7, 5, 4, 21, 60}; }
  bool Size(std::uint64_t& bytes) override {
    calls.push_back("size");
    bytes = size;
    return fail != "size";
  }
  bool Append(const std::string& line) override {
    calls.push_back("append");
    lines.push_back(line);
    if (fail == "throw") throw std::bad_alloc();
    return fail != "append";
  }
  bool Rotate() override {
    calls.push_back("rotate");
    return fail != "rotate";
  }
};

TEST(SupportLogTest, OneLineWithTimeOffsetThreadAreaAndTextMadeSafe) {
  const struct { LogTime time; const char *thread, *area; std::string text, line; } cases[] = {
      {{2026, 12, 7, 9, 3, 7, 5, 60}, "ui", "dial", "RasDialA 203.0.113.3 -> 0",
       "2026-12-07 09:03:07.005 +01:00 ui   dial    RasDialA 203.0.113.3 -> 0\r\n"},
      {{2027, 1, 31, 23, 59, 59, 999, -210}, "list", "list", "line\r\nbreak\tand tab",
       "2027-01-31 23:59:59.999 -03:30 list list    line  break and tab\r\n"},
      {{2026, 6, 1, 0, 0, 0, 0, 0}, "ui", "options", std::string(kLogMaxText + 5, 'x'),
       "2026-06-01 00:00:00.000 +00:00 ui   options " + std::string(kLogMaxText, 'x') + "\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatLogLine(c.time, c.thread, c.area, c.text), c.line);
  }
}

TEST(SupportLogTest, ALineThatWouldPassTheLimitStartsANewFileAfterTheRename) {
  FakeSink sink;
  sink.size = kLogMaxBytes - 2 * FormatLogLine(sink.Now(), "ui", "ras", "x").size();
  SupportLog log(sink);
  for (int i = 0; i < 4; ++i) log.Write("ui", "ras", "x");
  EXPECT_EQ(sink.calls, (std::vector<std::string>{"size", "append", "append", "rotate", "append",
                                                  "append"}));
}

TEST(SupportLogTest, AFileThatFailsOnceIsGivenUpWithoutAThrow) {
  const std::pair<const char*, std::size_t> cases[] = {
      {"size", 1}, {"rotate", 2}, {"append", 3}, {"throw", 3}};  // calls up to the failure
  for (const auto& [fail, calls] : cases) {
    FakeSink sink;
    sink.fail = fail;
    sink.size = kLogMaxBytes;  // the first line rotates
    SupportLog log(sink);
    for (int i = 0; i < 3; ++i) EXPECT_NO_THROW(log.Write("ui", "ras", "x")) << fail;
    EXPECT_EQ(sink.calls.size(), calls) << fail << ": nothing after the failure";
  }
}

TEST(SupportLogTest, EachThreadWritesWholeLinesUnderItsOwnName) {
  FakeSink sink;
  SupportLog log(sink);
  StartSupportLog(&log);
  std::thread list([] {
    SetLogThreadName("list");
    for (int i = 0; i < 200; ++i) Log("list", "published version 5");
  });
  for (int i = 0; i < 200; ++i) Log("dial", "event Connected");
  list.join();
  StartSupportLog(nullptr);
  Log("exit", "not written");
  const auto count = [&](const char* thread, const char* area, const char* text) {
    return std::count(sink.lines.begin(), sink.lines.end(),
                      FormatLogLine(sink.Now(), thread, area, text));
  };
  EXPECT_EQ(count("ui", "dial", "event Connected"), 200);
  EXPECT_EQ(count("list", "list", "published version 5"), 200);
  EXPECT_EQ(sink.lines.size(), 400u);
}

}  // namespace
}  // namespace norva
