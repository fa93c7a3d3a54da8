// The message by which the server list updater reports to the main window.
#pragma once

namespace norva {

// WM_USER + 20. Sent once per run, whatever the outcome; wParam is 1 when a
// new servers.xml was stored in this run, else 0; lParam is 0. The updater
// waits until the main window has handled it.
inline constexpr unsigned int WM_SERVERLIST_DONE = 0x0400 + 20;

}  // namespace norva
