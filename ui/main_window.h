// The main window: the connection form, the tray icon and its menu, and the
// dispatch of every message that reaches the window.
#pragma once

#include <windows.h>

#include "app/file_locations.h"
#include "connection/dial_session.h"
#include "connection/phonebook_entry.h"
#include "connection/remote_access.h"
#include "settings/settings_store.h"
#include "settings/startup_autorun.h"

namespace norva {

// What the main window works with; made by start-up and alive for the run.
struct MainWindowContext {
  HINSTANCE instance;
  HMENU trayMenu;  // the popup shown at the tray icon
  SettingsStore& settings;
  StartupAutorun& autorun;
  RemoteAccess& ras;
  PhonebookEntry& entry;
  DialSession& dial;
  const char* siteUrl;     // the provider's site, for the server list updater
  const char* supportUrl;  // the support chat host, for the options' Help
  const FileLocations& files;
};

// The dialog procedure of IDD_MAIN; the creation parameter is a
// MainWindowContext*.
INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace norva
