// The updater's worker thread.
#pragma once

#include <windows.h>

#include <string>

#include "serverlist/server_list_messages.h"

namespace norva {

// Starts the server list updater on a thread of its own and returns at once.
// The thread runs UpdateServerList against `siteUrl` (the provider's site,
// scheme://host[:port]) with WinINet, the registry settings and the list at
// `serverListPath`, then sends WM_SERVERLIST_DONE to `mainWindow` and waits until
// it has been handled. Nothing waits for the thread or stops it.
//
// When the thread cannot be started the message is posted with wParam 0
// instead, so the window still fills its list from the stored file; the
// result is then false.
bool StartServerListWorker(HWND mainWindow, const char* siteUrl, const std::string& serverListPath);

}  // namespace norva
