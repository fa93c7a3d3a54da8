// The options dialog: seven boxes, each stored the moment it is clicked.
#pragma once

#include <windows.h>

#include "settings/settings_store.h"
#include "settings/startup_autorun.h"

namespace norva {

// Runs the dialog modally, owned by `owner`. `supportUrl` is the support
// chat host (scheme://host); Help opens its "/messenger/norva.html".
void RunOptionsDialog(HINSTANCE instance, HWND owner, SettingsStore& settings,
                      const StartupAutorun& autorun, const char* supportUrl);

}  // namespace norva
