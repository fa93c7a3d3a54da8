#include "app/support_log.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace norva {
namespace {

std::atomic<SupportLog*> g_log{nullptr};
thread_local const char* t_threadName = "ui";

}  // namespace

std::string FormatLogLine(const LogTime& t, const char* thread, const char* area,
                          const std::string& text) {
  const int offset = std::abs(t.utcOffsetMinutes);
  char head[80];
  const int length = std::snprintf(
      head, sizeof head, "%04d-%02d-%02d %02d:%02d:%02d.%03d %c%02d:%02d %-4s %-7s ", t.year,
      t.month, t.day, t.hour, t.minute, t.second, t.millisecond, t.utcOffsetMinutes < 0 ? '-' : '+',
      offset / 60, offset % 60, thread, area);
  std::string line(head, length > 0 ? static_cast<std::size_t>(length) : 0);
  line.append(text, 0, kLogMaxText);
  for (std::size_t i = static_cast<std::size_t>(length); i < line.size(); ++i) {
    if (static_cast<unsigned char>(line[i]) < 0x20 || line[i] == 0x7F) line[i] = ' ';
  }
  return line + "\r\n";
}

bool SupportLog::Append(const std::string& line) {
  if (!sized_) {
    sized_ = true;
    if (!sink_.Size(size_)) return false;
  }
  if (size_ > 0 && size_ + line.size() > kLogMaxBytes) {
    size_ = 0;
    if (!sink_.Rotate()) return false;
  }
  size_ += line.size();
  return sink_.Append(line);
}

void SupportLog::Write(const char* thread, const char* area, const std::string& text) noexcept {
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    try {
      if (!failed_) failed_ = !Append(FormatLogLine(sink_.Now(), thread, area, text));
    } catch (...) {
      failed_ = true;  // out of memory, or a file that threw
    }
  } catch (...) {
    // The lock could not be had: this line is lost.
  }
}

void StartSupportLog(SupportLog* log) { g_log.store(log); }

void SetLogThreadName(const char* name) { t_threadName = name; }

void Log(const char* area, const std::string& text) noexcept {
  if (SupportLog* log = g_log.load()) log->Write(t_threadName, area, text);
}

}  // namespace norva
