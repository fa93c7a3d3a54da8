// The server settings dialog: adds named server addresses to config.ini and
// removes them, writing each change at once.
#pragma once

#include <windows.h>

namespace norva {

// Runs the dialog modally, owned by `owner`.
void RunServerSettingsDialog(HINSTANCE instance, HWND owner);

}  // namespace norva
