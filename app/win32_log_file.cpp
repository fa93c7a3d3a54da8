#include "app/win32_log_file.h"

namespace norva {

LogTime Win32LogFile::Now() {
  FILETIME utc, local;
  SYSTEMTIME t = {};
  GetSystemTimeAsFileTime(&utc);
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &t)) return {};
  const auto ticks = [](const FILETIME& f) {
    return static_cast<long long>((ULONGLONG{f.dwHighDateTime} << 32) | f.dwLowDateTime);
  };
  constexpr long long kTicksPerMinute = 600000000;  // 100-ns ticks
  // The local time is the UTC reading converted, so they differ by whole minutes.
  const long long offset = ticks(local) - ticks(utc);
  return {t.wYear,   t.wMonth,  t.wDay,          t.wHour,
          t.wMinute, t.wSecond, t.wMilliseconds, static_cast<int>(offset / kTicksPerMinute)};
}

bool Win32LogFile::Size(std::uint64_t& bytes) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path_.empty()) return false;
  if (!GetFileAttributesExA(path_.c_str(), GetFileExInfoStandard, &data)) {
    const DWORD error = GetLastError();
    bytes = 0;
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  bytes = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  return true;
}

bool Win32LogFile::Append(const std::string& line) {
  if (file_ == INVALID_HANDLE_VALUE && !path_.empty()) {
    const std::string folder = path_.substr(0, path_.find_last_of('\\'));
    CreateDirectoryA(folder.c_str(), nullptr);  // already there is fine
    // Others may read it, and rename or remove it, while it is open.
    file_ = CreateFileA(path_.c_str(), FILE_APPEND_DATA,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (file_ == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  return WriteFile(file_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
         written == line.size();
}

bool Win32LogFile::Rotate() {
  Close();
  return !path_.empty() &&
         MoveFileExA(path_.c_str(), (path_ + ".1").c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

void Win32LogFile::Close() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
}

}  // namespace norva
