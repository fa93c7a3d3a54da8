#include "ui/tray_icon.h"

#include <cstring>

#include "resources/resource.h"

namespace norva {

#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(NOTIFYICONDATAA) == 508, "the full record, balloon icon included");
#endif

void TrayIcon::Add(HINSTANCE instance, HWND window) {
  std::memset(&data_, 0, sizeof data_);
  data_.cbSize = sizeof data_;
  data_.hWnd = window;
  data_.uID = 1;
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_INFO;  // no tooltip
  data_.uCallbackMessage = WM_TRAYNOTIFY;
  data_.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
  lstrcpynA(data_.szInfo, "NORVA Connection Assistant", sizeof data_.szInfo);
  data_.uTimeout = 4000;
  lstrcpynA(data_.szInfoTitle, "NORVA", sizeof data_.szInfoTitle);
  data_.dwInfoFlags = NIIF_INFO;
  Shell_NotifyIconA(NIM_ADD, &data_);
}

void TrayIcon::Remove() { Shell_NotifyIconA(NIM_DELETE, &data_); }

}  // namespace norva
