#include "serverlist/catalog_server_directory.h"

#include "serverlist/server_catalog.h"

namespace norva {

bool CatalogServerDirectory::FindServerAddress(const std::string& location,
                                               std::string& address) {
  address.clear();
  if (path_.empty()) return false;
  return norva::FindServerAddress(path_, location, address, kMaxServerAddress);
}

}  // namespace norva
