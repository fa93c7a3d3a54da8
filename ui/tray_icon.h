// The program's icon in the notification area.
#pragma once

#include <windows.h>
#include <shellapi.h>

namespace norva {

// WM_APP + 10: the tray icon's mouse messages reach the main window as this.
inline constexpr UINT WM_TRAYNOTIFY = WM_APP + 10;

class TrayIcon {
 public:
  // Adds the icon to `window`'s tray and shows the balloon once. The result
  // is not looked at: without a tray the window works as before.
  void Add(HINSTANCE instance, HWND window);
  // Removes the icon again.
  void Remove();

 private:
  NOTIFYICONDATAA data_{};
};

}  // namespace norva
