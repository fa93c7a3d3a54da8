// The main window: a modeless dialog whose procedure turns the messages that
// reach it into the main controller's events.
#pragma once

#include <windows.h>

#include <string>

#include "connection/phonebook_entry.h"
#include "connection/remote_access.h"
#include "settings/settings_store.h"
#include "settings/startup_autorun.h"
#include "ui/tray_icon.h"

namespace norva {

// What start-up lends the main window; alive for the run.
struct MainWindowContext {
  HINSTANCE instance;
  HMENU trayMenu;       // the popup shown at the tray icon
  const char* caption;  // the window caption, also the error boxes'
  SettingsStore& settings;
  StartupAutorun& autorun;
  RemoteAccess& ras;
  PhonebookEntry& entry;
  std::string serverList;  // servers.xml
  std::string configIni;   // the hand-kept server list
  const char* siteUrl;     // the provider's site, for the server list updater
  const char* supportUrl;  // the support chat host, for the options' Help
  NotifyIconFunction notifyIcon = Shell_NotifyIconA;  // the shell's, for the tray icon
};

// The dialog procedure of IDD_MAIN; the creation parameter is a
// MainWindowContext*. What the window keeps lives in its user data from
// WM_INITDIALOG until WM_NCDESTROY.
INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace norva
