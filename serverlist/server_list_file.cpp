#include "serverlist/server_list_file.h"

#include <shlwapi.h>

#include <cstring>

namespace norva {

namespace {

constexpr char kScratchSuffix[] = ".download";

bool IsHeldByReader(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
         error == ERROR_LOCK_VIOLATION;
}

}  // namespace

ReplacingServerListFile::ReplacingServerListFile(const std::string& listPath) {
  // A path that leaves no room for the scratch file's suffix is not taken,
  // and Begin then fails.
  const std::size_t length = std::strlen(listPath.c_str());
  if (length + sizeof kScratchSuffix <= sizeof scratchPath_) {
    std::memcpy(listPath_, listPath.c_str(), length + 1);
    std::memcpy(scratchPath_, listPath.c_str(), length);
    std::memcpy(scratchPath_ + length, kScratchSuffix, sizeof kScratchSuffix);
  }
}

ReplacingServerListFile::~ReplacingServerListFile() { Discard(); }

bool ReplacingServerListFile::Exists() {
  const DWORD attributes = GetFileAttributesA(listPath_);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool ReplacingServerListFile::Begin() {
  Discard();
  if (listPath_[0] == '\0') return false;
  // The list's folder is made by the first download, not at start-up.
  char folder[MAX_PATH];
  std::memcpy(folder, listPath_, sizeof folder);
  if (PathRemoveFileSpecA(folder)) CreateDirectoryA(folder, nullptr);  // an existing one is fine
  // A scratch file left by a run that ended mid-download is simply replaced.
  // It is shared for reading, so that it can be parsed before the move.
  scratch_ = CreateFileA(scratchPath_, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
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
