#include "connection/phonebook_path.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace norva {

std::string PhonebookPath() {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_DEFAULT, path))) {
    return {};
  }
  if (!PathAppendA(path, "Microsoft\\Network\\Connections\\Pbk\\norva.pbk")) return {};
  return path;
}

}  // namespace norva
