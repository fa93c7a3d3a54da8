// The server settings dialog: adds named server addresses to config.ini and
// removes them, writing each change at once.
#pragma once

#include <windows.h>

#include <string>

namespace norva {

// Runs the dialog modally, owned by `owner`, over the file `configIni`.
void RunServerSettingsDialog(HINSTANCE instance, HWND owner, const std::string& configIni);

}  // namespace norva
