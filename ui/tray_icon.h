// The program's icon in the notification area.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "resources/resource.h"

namespace norva {

class TrayIcon {
 public:
  // The icon of `window`: no tooltip, and a welcome balloon each time it is
  // added.
  TrayIcon(HINSTANCE instance, HWND window);

  // Adds the icon, also again after the shell has restarted and lost it. The
  // result is not looked at: without a tray the window works as before.
  void Add();
  void Remove();
  // A balloon on the icon that is there; `icon` is NIIF_WARNING, NIIF_INFO...
  void ShowBalloon(const char* title, const char* text, DWORD icon);

 private:
  NOTIFYICONDATAA data_{};
};

}  // namespace norva
