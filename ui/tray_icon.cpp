#include "ui/tray_icon.h"

namespace norva {

static_assert(WM_TRAYNOTIFY == WM_APP + 10);

#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(NOTIFYICONDATAA) == 508, "the full record, balloon icon included");
#endif

TrayIcon::TrayIcon(HINSTANCE instance, HWND window, NotifyIconFunction notify) : notify_(notify) {
  // LoadIcon would give the large size, which the shell scales down.
  loaded_ = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                          GetSystemMetrics(SM_CXSMICON),
                                          GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  data_.cbSize = sizeof data_;
  data_.hWnd = window;
  data_.uID = TRAY_ICON_ID;
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_INFO;  // no tooltip
  data_.uCallbackMessage = WM_TRAYNOTIFY;
  data_.hIcon = loaded_ != nullptr ? loaded_ : LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
  lstrcpynA(data_.szInfo, "NORVA Connection Assistant", sizeof data_.szInfo);
  data_.uTimeout = 4000;
  lstrcpynA(data_.szInfoTitle, "NORVA", sizeof data_.szInfoTitle);
  data_.dwInfoFlags = NIIF_INFO;
}

TrayIcon::~TrayIcon() {
  if (loaded_ != nullptr) DestroyIcon(loaded_);
}

bool TrayIcon::Add() { return notify_(NIM_ADD, &data_) || notify_(NIM_MODIFY, &data_); }

void TrayIcon::Remove() { notify_(NIM_DELETE, &data_); }

void TrayIcon::ShowBalloon(const char* title, const char* text, DWORD icon) {
  // A record of its own, so that the icon is added again as it was first.
  NOTIFYICONDATAA balloon = data_;
  balloon.uFlags = NIF_INFO;
  lstrcpynA(balloon.szInfo, text, sizeof balloon.szInfo);
  lstrcpynA(balloon.szInfoTitle, title, sizeof balloon.szInfoTitle);
  balloon.dwInfoFlags = icon;
  notify_(NIM_MODIFY, &balloon);
}

}  // namespace norva
