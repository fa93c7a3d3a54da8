// What the dial session needs of the main window. The main window implements
// it on its own controls; tests use a recording fake.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "connection/control_ids.h"
#include "connection/remote_access.h"

namespace norva {

enum class MessageIcon { kInformation, kError, kWarning };

// Who owns a message box: the main window, or nobody.
enum class BoxOwner { kNone, kWindow };

// An opaque cursor (an HCURSOR); nullptr is a valid "no cursor".
struct CursorTag;
using CursorHandle = CursorTag*;

// Every call is made on the UI thread. Controls are named by the ids in
// control_ids.h; the implementation may treat any other id as a no-op.
class DialWindow {
 public:
  virtual ~DialWindow() = default;

  // The control's text, cut to at most `capacity` - 1 characters (a capacity
  // of 0 or 1 gives an empty text).
  virtual std::string GetText(ControlId control, std::size_t capacity) = 0;
  virtual void SetText(ControlId control, const std::string& text) = 0;

  // The modified flag of control::kUserName or control::kPassword; the
  // user's typing sets it, ClearModified resets it.
  virtual bool IsModified(ControlId field) = 0;
  virtual void ClearModified(ControlId field) = 0;

  // Rows of a drop-down list. GetSelection answers -1 when no row is chosen.
  virtual int GetCount(ControlId list) = 0;
  virtual int GetSelection(ControlId list) = 0;
  virtual void SetSelection(ControlId list, int row) = 0;

  virtual void SetEnabled(ControlId control, bool enabled) = 0;

  // Shows or hides the main window; the tray icon stays either way.
  virtual void Show() = 0;
  virtual void Hide() = 0;

  // A timer of the main window; true when it runs. Starting a running timer
  // again restarts it.
  virtual bool StartTimer(TimerId id, unsigned milliseconds) = 0;
  virtual void StopTimer(TimerId id) = 0;

  // A modal box with an OK button; returns once the user has closed it.
  // Without a caption the system's default caption is shown.
  // (Not called MessageBox: <windows.h> defines that name as a macro.)
  virtual void ShowMessageBox(BoxOwner owner, const std::string& text,
                              const std::optional<std::string>& caption, MessageIcon icon) = 0;

  // Shows the system's busy cursor and returns the cursor it replaced, to be
  // handed back to RestoreCursor.
  virtual CursorHandle SetBusyCursor() = 0;
  virtual void RestoreCursor(CursorHandle previous) = 0;

  // The window that receives the dial progress messages.
  virtual NotifierWindow NativeHandle() = 0;
};

}  // namespace norva
