// A small driver that works another process's windows the way a user (or
// the shell) would: it clicks buttons, picks list rows, types into fields,
// reads what is shown and waits for things to appear. Clicks and picks are
// posted, never sent, because the command behind them may open a modal box
// and would then block the caller.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

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
  Window Parent() const { return Window(GetAncestor(handle_, GA_PARENT)); }
  DWORD ProcessId() const;
  std::string ClassName() const;

  // What the user sees.
  std::string Text() const;
  bool IsVisible() const { return IsWindowVisible(handle_) != FALSE; }
  bool IsEnabled() const { return IsWindowEnabled(handle_) != FALSE; }
  bool IsChecked() const { return Send(BM_GETCHECK) == BST_CHECKED; }

  // Drop-down lists.
  std::vector<std::string> Rows() const;
  int Selection() const { return static_cast<int>(Send(CB_GETCURSEL)); }
  // Selects `row` and tells the parent as the list does for a user's pick.
  void Pick(int row) const;

  // What the user does.
  void Click() const { Post(BM_CLICK); }
  // Replaces the field's text by typing, so the field counts as edited.
  void Type(const std::string& text) const;
  // Presses a key where the keyboard focus of the window's thread is.
  void PressKey(WORD key) const;

  // Returns once the window's thread takes messages again, so whatever it
  // was doing in the handler that ran last is done.
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

// A message box of the process: a dialog with the message text item.
struct MessageBoxSeen {
  std::string caption;
  std::string text;
};
Window FindMessageBox(DWORD processId);
MessageBoxSeen ReadMessageBox(const Window& box);
void Dismiss(const Window& box);

// The process's open popup menu ("#32768"), such as the tray menu.
Window FindPopupMenu(DWORD processId);
// Chooses the item at `index` of an open popup menu with the keyboard.
void ChooseMenuItem(const Window& menu, int index);

// A dialog of the process recognised by a control it has and, optionally,
// one it lacks (several dialogs reuse identifiers).
Window FindDialog(DWORD processId, int withControl, int withoutControl = 0);

}  // namespace norva::e2e
