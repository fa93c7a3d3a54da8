// The program's icon in the notification area.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "resources/resource.h"

namespace norva {

// Shell_NotifyIconA's signature; the tests hand in a shell of their own.
using NotifyIconFunction = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAA data);

class TrayIcon {
 public:
  // The icon of `window`: the program's icon at the small-icon size the
  // system asks for (it grows with the display's scale), no tooltip, and a
  // welcome balloon each time it is added.
  TrayIcon(HINSTANCE instance, HWND window, NotifyIconFunction notify = Shell_NotifyIconA);
  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Adds the icon, also again after the shell has restarted and lost it.
  // False when the shell has not taken it: at logon the taskbar may not be
  // there yet. A shell too busy to answer in time may have taken it all the
  // same; such an icon is found by changing it, which shows the balloon too.
  bool Add();
  void Remove();
  // A balloon on the icon that is there; `icon` is NIIF_WARNING, NIIF_INFO...
  void ShowBalloon(const char* title, const char* text, DWORD icon);

 private:
  NotifyIconFunction notify_;
  HICON loaded_ = nullptr;  // the icon as loaded at the small size; destroyed with this
  NOTIFYICONDATAA data_{};
};

}  // namespace norva
