#include "serverlist/server_list_file.h"

#include <cstring>

#include "serverlist/server_catalog_path.h"

namespace norva {

namespace {

constexpr char kScratchSuffix[] = ".download";

// Copies `from` into `to` when it fits with its NUL; else leaves `to` empty.
template <std::size_t N>
bool CopyPath(char (&to)[N], const char* from) {
  const std::size_t length = std::strlen(from);
  if (length >= N) {
    to[0] = '\0';
    return false;
  }
  std::memcpy(to, from, length + 1);
  return true;
}

bool IsHeldByReader(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
         error == ERROR_LOCK_VIOLATION;
}

}  // namespace

ReplacingServerListFile::ReplacingServerListFile(const char* listPath) {
  if (listPath != nullptr) {
    pathGiven_ = true;
    CopyPath(listPath_, listPath);  // a path that does not fit makes Begin fail
  }
}

ReplacingServerListFile::~ReplacingServerListFile() { Discard(); }

bool ReplacingServerListFile::ResolvePaths() {
  if (!pathGiven_ && !GetServerCatalogPath(listPath_)) return false;
  if (listPath_[0] == '\0') return false;
  const std::size_t length = std::strlen(listPath_);
  if (length + sizeof kScratchSuffix > sizeof scratchPath_) return false;
  std::memcpy(scratchPath_, listPath_, length);
  std::memcpy(scratchPath_ + length, kScratchSuffix, sizeof kScratchSuffix);
  return true;
}

bool ReplacingServerListFile::Begin() {
  Discard();
  if (!ResolvePaths()) return false;
  // A scratch file left by a run that ended mid-download is simply replaced.
  scratch_ = CreateFileA(scratchPath_, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return scratch_ != INVALID_HANDLE_VALUE;
}

bool ReplacingServerListFile::Write(const char* data, std::uint32_t size) {
  if (scratch_ == INVALID_HANDLE_VALUE) return false;
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(scratch_, data, size, &written, nullptr) || written == 0 || written > size) {
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

bool ReplacingServerListFile::Commit() {
  if (scratch_ == INVALID_HANDLE_VALUE) return false;
  // On disk before it takes the list's name, so that a crash right after the
  // move cannot leave an empty list behind.
  const bool flushed = FlushFileBuffers(scratch_) != FALSE;
  CloseHandle(scratch_);
  scratch_ = INVALID_HANDLE_VALUE;
  if (flushed) {
    for (int attempt = 1;; ++attempt) {
      if (MoveFileExA(scratchPath_, listPath_, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
      }
      if (attempt == kReplaceAttempts || !IsHeldByReader(GetLastError())) break;
      Sleep(kReplaceRetryMs);
    }
  }
  DeleteFileA(scratchPath_);
  return false;
}

void ReplacingServerListFile::Discard() {
  if (scratch_ == INVALID_HANDLE_VALUE) return;
  CloseHandle(scratch_);
  scratch_ = INVALID_HANDLE_VALUE;
  DeleteFileA(scratchPath_);
}

}  // namespace norva
