// Where the provider's server list is kept for this user.
#pragma once

#include <windows.h>

namespace norva {

// Fills `path` with %APPDATA%\NORVA\servers.xml, creating the NORVA folder
// when needed. False when the folder cannot be had or the path does not fit.
bool GetServerCatalogPath(char (&path)[MAX_PATH]);

}  // namespace norva
