// The support log: one line per event the program passes through, for the
// user and the provider's support to read after something went wrong. The
// Windows file is %LOCALAPPDATA%\NORVA\norva.log (Win32LogFile,
// app/win32_log_file.h); tests use fakes.
//
// A line is "YYYY-MM-DD HH:MM:SS.mmm +HH:MM thread area text" and CR LF: the
// local time with its offset from UTC, the thread that wrote it ("ui" or
// "list", padded to 4), a short word for the part of the program ("ras",
// "dial", "list", ..., padded to 7), and the text, in which every control
// character (a line break, a tab) becomes a space and which is cut at
// kLogMaxText characters. Callers never hand it a password, the pre-shared
// key or a user name.
//
// Each line reaches the file in one append, under a lock, so the two threads
// never mix their lines. Before a line that would take the file past
// kLogMaxBytes, the file is renamed to norva.log.1 (an older one is replaced)
// and the line starts a new one. The first failure of the file (its size,
// an append, the rename) ends the log for the rest of the run, silently:
// logging never fails, throws or slows the program.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace norva {

inline constexpr std::uint64_t kLogMaxBytes = 1024 * 1024;
inline constexpr std::size_t kLogMaxText = 1000;

struct LogTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
  int utcOffsetMinutes = 0;  // local time minus UTC
};

// What the log needs of the platform: the clock and the current log file.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual LogTime Now() = 0;
  // The size of the current file in bytes, 0 when there is none yet. False
  // when it cannot be had.
  virtual bool Size(std::uint64_t& bytes) = 0;
  // Appends `line` to the current file, made with its folder when missing,
  // in one write. False when not all of it was written.
  virtual bool Append(const std::string& line) = 0;
  // Renames the current file to the old file's name, replacing that one; the
  // next Append starts a new file. False when the rename failed.
  virtual bool Rotate() = 0;
};

std::string FormatLogLine(const LogTime& time, const char* thread, const char* area,
                          const std::string& text);

class SupportLog {
 public:
  explicit SupportLog(LogSink& sink) : sink_(sink) {}
  SupportLog(const SupportLog&) = delete;
  SupportLog& operator=(const SupportLog&) = delete;

  void Write(const char* thread, const char* area, const std::string& text) noexcept;

 private:
  // Sizes, rotates and appends; false at the first failure.
  bool Append(const std::string& line);

  std::mutex mutex_;
  LogSink& sink_;
  bool failed_ = false;
  bool sized_ = false;  // the file's size is asked once, then counted
  std::uint64_t size_ = 0;
};

// The process's log, set once at start-up before any other thread starts;
// until then, and with nullptr, Log writes nothing.
void StartSupportLog(SupportLog* log);
// Names the calling thread in its lines ("ui" unless named); `name` must
// live for the run (a literal).
void SetLogThreadName(const char* name);
// Writes one line to the process's log.
void Log(const char* area, const std::string& text) noexcept;

}  // namespace norva
