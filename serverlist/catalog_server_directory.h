// The server directory of the running program: servers.xml in the user's
// application-data folder, read afresh on every lookup.
#pragma once

#include "serverlist/server_directory.h"

namespace norva {

class CatalogServerDirectory final : public ServerDirectory {
 public:
  // False also when the folder of the catalog cannot be had.
  bool FindServerAddress(const std::string& location, std::string& address) override;
};

}  // namespace norva
