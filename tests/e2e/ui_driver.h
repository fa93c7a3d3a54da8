// Works another process's windows the way a user (or the shell) would:
// clicks, picks, typing, reading what is shown, waiting for things to
// appear. Clicks and picks are posted, never sent, because the command
// behind them may open a modal box and would then block the caller.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace norva::e2e {

// Polls `done` until it holds or `timeoutMs` has passed; answers its last
// result.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 10000);

class Window {
 public:
  Window() = default;
  explicit Window(HWND handle) : handle_(handle) {}

  HWND handle() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr && IsWindow(handle_); }
  Window Item(int id) const { return Window(GetDlgItem(handle_, id)); }
  DWORD ProcessId() const;

  std::string Text() const;
  bool IsVisible() const { return IsWindowVisible(handle_) != FALSE; }
  bool IsEnabled() const { return IsWindowEnabled(handle_) != FALSE; }
  bool IsChecked() const { return Send(BM_GETCHECK) == BST_CHECKED; }
  std::vector<std::string> Rows() const;  // of a drop-down list
  int Selection() const { return static_cast<int>(Send(CB_GETCURSEL)); }

  // Selects `row` and tells the parent as the list does for a user's pick.
  void Pick(int row) const;
  void Click() const { Post(BM_CLICK); }
  // Replaces the field's text by typing, so the field counts as edited.
  void Type(const std::string& text) const;
  // Presses a key where the keyboard focus of the window's thread is.
  void PressKey(WORD key) const;
  // Returns once the window's thread takes messages again.
  void Sync() const { Send(WM_NULL); }

  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  void Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

  // Saves what the screen shows of the window as a 24-bit BMP file.
  bool SaveScreenshot(const std::string& path) const;

 private:
  HWND handle_ = nullptr;
};

// The program's main window, by its class and caption.
Window FindMainWindow();
// A visible dialog of the process that has `withControl` and not
// `withoutControl` (several dialogs reuse identifiers).
Window FindDialog(DWORD processId, int withControl, int withoutControl = 0);
// A message box of the process; its caption and text.
Window FindMessageBox(DWORD processId);
std::string BoxText(const Window& box);
// The process's open popup menu, such as the tray menu, and a choice in it.
Window FindPopupMenu(DWORD processId);
void ChooseMenuItem(const Window& menu, int index);

}  // namespace norva::e2e
