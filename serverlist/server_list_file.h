// ServerListFile on the Windows file system: the download goes to a scratch
// file beside servers.xml ("servers.xml.download") and is moved over the
// stored list only when it is complete.
#pragma once

#include <windows.h>

#include <string>

#include "serverlist/server_list_update.h"

namespace norva {

class ReplacingServerListFile : public ServerListFile {
 public:
  // A reader (the catalog parsing the list on the UI thread) keeps the list
  // from being replaced while it has it open; the move is tried this many
  // times, this far apart, before the download is given up.
  static constexpr int kReplaceAttempts = 5;
  static constexpr DWORD kReplaceRetryMs = 100;

  // `listPath` names the stored list. Begin makes its folder when it is
  // missing; an empty path, or one too long for the scratch file's name,
  // makes Begin fail.
  explicit ReplacingServerListFile(const std::string& listPath);
  ~ReplacingServerListFile() override;  // discards a download left open
  ReplacingServerListFile(const ReplacingServerListFile&) = delete;
  ReplacingServerListFile& operator=(const ReplacingServerListFile&) = delete;

  bool Exists() override;
  bool Begin() override;
  bool Write(const char* data, std::uint32_t size) override;
  std::string DownloadPath() override { return scratchPath_; }
  bool Commit() override;
  void Discard() override;

 private:
  char listPath_[MAX_PATH] = {};
  char scratchPath_[MAX_PATH] = {};
  HANDLE scratch_ = INVALID_HANDLE_VALUE;
};

}  // namespace norva
