// DialWindow over the main window's own controls.
#pragma once

#include <windows.h>

#include "connection/dial_window.h"

namespace norva {

class Win32DialWindow final : public DialWindow {
 public:
  explicit Win32DialWindow(HWND window) : window_(window) {}

  std::string GetText(ControlId control, std::size_t capacity) override;
  void SetText(ControlId control, const std::string& text) override;
  bool IsModified(ControlId field) override;
  void ClearModified(ControlId field) override;
  int GetCount(ControlId list) override;
  int GetSelection(ControlId list) override;
  void SetSelection(ControlId list, int row) override;
  void SetEnabled(ControlId control, bool enabled) override;
  void Show() override;
  void Hide() override;
  bool StartTimer(TimerId id, unsigned milliseconds) override;
  void StopTimer(TimerId id) override;
  void ShowMessageBox(BoxOwner owner, const std::string& text,
                      const std::optional<std::string>& caption, MessageIcon icon) override;
  CursorHandle SetBusyCursor() override;
  void RestoreCursor(CursorHandle previous) override;
  NotifierWindow NativeHandle() override;

 private:
  HWND Item(ControlId control) const { return GetDlgItem(window_, control); }

  HWND window_;
};

}  // namespace norva
