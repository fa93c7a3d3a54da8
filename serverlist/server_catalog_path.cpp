#include "serverlist/server_catalog_path.h"

#include <shlobj.h>
#include <shlwapi.h>

namespace norva {

bool GetServerCatalogPath(char (&path)[MAX_PATH]) {
  path[0] = '\0';
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                              SHGFP_TYPE_CURRENT, path))) {
    path[0] = '\0';
    return false;
  }
  if (!PathAppendA(path, "NORVA")) return false;
  CreateDirectoryA(path, nullptr);  // an existing folder is fine
  if (!PathFileExistsA(path)) return false;
  return PathAppendA(path, "servers.xml") != FALSE;
}

}  // namespace norva
