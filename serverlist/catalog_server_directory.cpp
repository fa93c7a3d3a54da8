#include "serverlist/catalog_server_directory.h"

#include "serverlist/server_catalog.h"
#include "serverlist/server_catalog_path.h"

namespace norva {

bool CatalogServerDirectory::FindServerAddress(const std::string& location,
                                               std::string& address) {
  address.clear();
  char path[MAX_PATH];
  if (!GetServerCatalogPath(path)) return false;
  return norva::FindServerAddress(path, location, address, kMaxServerAddress);
}

}  // namespace norva
