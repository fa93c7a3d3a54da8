// The support log's file on Windows: norva.log, kept open for appending
// from the first line on, and its one older copy norva.log.1 beside it.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "app/support_log.h"

namespace norva {

class Win32LogFile final : public LogSink {
 public:
  // `path`: the log file, its folder made by the first Append when missing;
  // "" makes every call fail.
  explicit Win32LogFile(std::string path) : path_(std::move(path)) {}
  ~Win32LogFile() override { Close(); }
  Win32LogFile(const Win32LogFile&) = delete;
  Win32LogFile& operator=(const Win32LogFile&) = delete;

  // The local time, with the offset from UTC in force now.
  LogTime Now() override;
  bool Size(std::uint64_t& bytes) override;
  // The file is opened with FILE_APPEND_DATA only, so that every write,
  // from this process or another copy of the program, lands at its end.
  bool Append(const std::string& line) override;
  bool Rotate() override;

 private:
  void Close();

  std::string path_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

}  // namespace norva
