// The server directory of the running program: its servers.xml, read afresh
// on every lookup.
#pragma once

#include <string>
#include <utility>

#include "serverlist/server_directory.h"

namespace norva {

class CatalogServerDirectory final : public ServerDirectory {
 public:
  // `path`: the list's file; "" when it could not be worked out, and then
  // every lookup fails.
  explicit CatalogServerDirectory(std::string path) : path_(std::move(path)) {}

  bool FindServerAddress(const std::string& location, std::string& address) override;

 private:
  std::string path_;
};

}  // namespace norva
