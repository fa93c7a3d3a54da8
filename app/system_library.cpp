#include "app/system_library.h"

namespace norva {

HMODULE LoadSystemLibrary(const char* name) {
  HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;
  // A Windows 7 without KB2533623 knows no LOAD_LIBRARY_SEARCH_* flags: the
  // system folder's full path then.
  char path[MAX_PATH];
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  const int nameLength = lstrlenA(name);
  if (length == 0 || length + 1 + nameLength >= MAX_PATH) return nullptr;
  path[length] = '\\';
  lstrcpynA(path + length + 1, name, static_cast<int>(MAX_PATH - length - 1));
  return LoadLibraryA(path);
}

}  // namespace norva
