#include "app/file_locations.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace norva {
namespace {

std::string PhonebookPath() {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_DEFAULT, path)) ||
      !PathAppendA(path, "Microsoft\\Network\\Connections\\Pbk\\norva.pbk")) {
    return {};
  }
  return path;
}

// `file` in the user's folder `folder` (a CSIDL).
std::string UserFilePath(int folder, const char* file) {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path)) ||
      !PathAppendA(path, file)) {
    return {};
  }
  return path;
}

std::string ConfigIniPath() {
  constexpr char kFileName[] = "config.ini";
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH || !PathRemoveFileSpecA(path) ||
      !PathAppendA(path, kFileName)) {
    return kFileName;
  }
  return path;
}

}  // namespace

FileLocations ProgramFileLocations() {
  return {PhonebookPath(), UserFilePath(CSIDL_APPDATA | CSIDL_FLAG_CREATE, "NORVA\\servers.xml"),
          ConfigIniPath(), UserFilePath(CSIDL_LOCAL_APPDATA, "NORVA\\norva.log")};
}

}  // namespace norva
