#include "ui/win32_dial_window.h"

#include <vector>

#include "resources/resource.h"

namespace norva {

static_assert(control::kOk == IDOK && control::kServer == IDC_SERVER &&
                  control::kUserName == IDC_USERNAME && control::kPassword == IDC_PASSWORD &&
                  control::kVpnType == IDC_VPNTYPE && control::kStatus == IDC_STATUS &&
                  control::kOptions == IDC_OPTIONS && control::kEditServers == IDC_EDIT_SERVERS,
              "the dial session's control ids must match the dialog template");

std::string Win32DialWindow::GetText(ControlId control, std::size_t capacity) {
  if (capacity == 0) return {};
  std::vector<char> text(capacity, '\0');
  const int n = GetWindowTextA(Item(control), text.data(), static_cast<int>(capacity));
  return std::string(text.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
}

void Win32DialWindow::SetText(ControlId control, const std::string& text) {
  SetWindowTextA(Item(control), text.c_str());
}

bool Win32DialWindow::IsModified(ControlId field) {
  return SendMessageA(Item(field), EM_GETMODIFY, 0, 0) != 0;
}

void Win32DialWindow::ClearModified(ControlId field) {
  SendMessageA(Item(field), EM_SETMODIFY, FALSE, 0);
}

int Win32DialWindow::GetCount(ControlId list) {
  return static_cast<int>(SendMessageA(Item(list), CB_GETCOUNT, 0, 0));
}

int Win32DialWindow::GetSelection(ControlId list) {
  return static_cast<int>(SendMessageA(Item(list), CB_GETCURSEL, 0, 0));
}

void Win32DialWindow::SetSelection(ControlId list, int row) {
  SendMessageA(Item(list), CB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

void Win32DialWindow::SetEnabled(ControlId control, bool enabled) {
  EnableWindow(Item(control), enabled ? TRUE : FALSE);
}

void Win32DialWindow::Show() { ShowWindow(window_, SW_SHOW); }

void Win32DialWindow::Hide() { ShowWindow(window_, SW_HIDE); }

bool Win32DialWindow::StartTimer(TimerId id, unsigned milliseconds) {
  return SetTimer(window_, id, milliseconds, nullptr) != 0;
}

void Win32DialWindow::StopTimer(TimerId id) { KillTimer(window_, id); }

void Win32DialWindow::ShowMessageBox(BoxOwner owner, const std::string& text,
                                     const std::optional<std::string>& caption,
                                     MessageIcon icon) {
  UINT style = MB_OK;
  switch (icon) {
    case MessageIcon::kInformation: style |= MB_ICONINFORMATION; break;
    case MessageIcon::kError: style |= MB_ICONERROR; break;
    case MessageIcon::kWarning: style |= MB_ICONWARNING; break;
  }
  MessageBoxA(owner == BoxOwner::kWindow ? window_ : nullptr, text.c_str(),
              caption ? caption->c_str() : nullptr, style);
}

CursorHandle Win32DialWindow::SetBusyCursor() {
  return reinterpret_cast<CursorHandle>(SetCursor(LoadCursorA(nullptr, IDC_WAIT)));
}

void Win32DialWindow::RestoreCursor(CursorHandle previous) {
  SetCursor(reinterpret_cast<HCURSOR>(previous));
}

NotifierWindow Win32DialWindow::NativeHandle() { return reinterpret_cast<NotifierWindow>(window_); }

}  // namespace norva
