// What the main controller asks of the main window, in the program's own
// terms: the form, the window and its tray icon, the link watch, the modal
// dialogs and boxes. The Windows implementation works the dialog's controls;
// tests use a recording stub.
//
// Every call is made on the UI thread. The modal calls (RunPrompt,
// RunOptions, RunServerSettings, ShowError, ShowNotice) return only once the
// user has closed what they opened; meanwhile the window still receives its
// messages, so the controller may be called again before they return.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "connection/phonebook_entry.h"
#include "serverlist/account_type.h"
#include "ui/prompt_countdown.h"

namespace norva {

enum class ButtonLabel { kConnect, kDisconnect };

enum class PromptOutcome {
  kGoAhead,    // the countdown ran out (or the prompt could not be shown)
  kCancelled,  // Cancel or Escape, or the prompt was closed by ClosePrompt
};

class MainView {
 public:
  virtual ~MainView() = default;

  // --- The connection form
  virtual void ShowAccountType(AccountType type) = 0;  // checks its radio button
  virtual void ShowTunnelType(VpnType type) = 0;       // selects its row
  // The tunnel type whose row is selected; none when no row is.
  virtual std::optional<VpnType> ChosenTunnelType() = 0;

  virtual void ShowCredentials(const std::string& userName, const std::string& password) = 0;
  // The fields' texts, each at most 256 characters (the longest the service
  // takes); a longer text is cut.
  virtual std::string UserName() = 0;
  virtual std::string Password() = 0;
  // Whether the user has typed into either field since ForgetEdits.
  virtual bool CredentialsEdited() = 0;
  virtual void ForgetEdits() = 0;

  // Replaces the destination list by the row "choose server..." followed by
  // `locations`, with no row chosen. Rows count from 0, the placeholder.
  virtual void ShowServers(const std::vector<std::string>& locations) = 0;
  // Chooses a row; a row past the last one leaves none chosen.
  virtual void ChooseServer(int row) = 0;
  // The chosen row, -1 when none is.
  virtual int ChosenServer() = 0;
  // The chosen row's text, cut to 127 characters; "" when none is chosen.
  virtual std::string ChosenLocation() = 0;
  virtual void EnableServerList(bool enabled) = 0;
  // The tunnel type, user name, password, Options and "+/-" (the server list
  // and the account type are not among them).
  virtual void EnableInputs(bool enabled) = 0;

  virtual void LabelButton(ButtonLabel label) = 0;  // the Connect/Disconnect button
  virtual void EnableButton(bool enabled) = 0;
  virtual void ShowStatus(const std::string& text) = 0;

  // The download animation beside the list while the updater runs; once
  // stopped it is hidden for the rest of the run.
  virtual void StartDownloadAnimation() = 0;
  virtual void StopDownloadAnimation() = 0;

  // --- The window and its tray icon
  virtual void ShowWindow() = 0;
  // Shows the window, restored when it was minimised, and brings it to the
  // foreground.
  virtual void RaiseWindow() = 0;
  virtual void Minimize() = 0;  // to its taskbar button
  virtual void HideToTray() = 0;
  // Adds the tray icon (again, after the shell restarted) and shows its
  // welcome balloon; false when the shell has not taken it (at logon the
  // taskbar may not be there yet).
  virtual bool AddTrayIcon() = 0;
  // Calls OnTrayRetryTick every two seconds until StopTrayRetry.
  virtual void StartTrayRetry() = 0;
  virtual void StopTrayRetry() = 0;
  virtual void RemoveTrayIcon() = 0;
  // A balloon with a warning icon on the tray icon.
  virtual void ShowTrayWarning(const std::string& title, const std::string& text) = 0;
  // A balloon with an information icon on the tray icon.
  virtual void ShowTrayNotice(const std::string& title, const std::string& text) = 0;
  // The tray icon's menu (Open, Exit), modal until the user has chosen or
  // closed it; the command chosen arrives as its own event afterwards.
  virtual void RunTrayMenu() = 0;

  // --- Work that goes on while the user waits
  // Starts checking the link every two seconds (OnLinkWatchTick); false
  // when the timer cannot run.
  virtual bool StartLinkWatch() = 0;
  virtual void StopLinkWatch() = 0;
  // Waits `seconds` before the next try of a dial of the program's own
  // (OnRetryDue), and meanwhile listens for the network coming back or the
  // computer resuming (OnNetworkChanged). Replaces a wait under way.
  virtual void WaitBeforeRetry(unsigned seconds) = 0;
  // Ends such a wait; nothing when none is under way.
  virtual void StopRetryWait() = 0;
  // Starts the server list updater's thread; it reports OnServerListReady.
  virtual void StartServerListUpdate() = 0;
  virtual void ShowBusy() = 0;  // the system's busy cursor
  virtual void EndBusy() = 0;   // the cursor from before ShowBusy

  // --- Modal dialogs and boxes
  // The five-second countdown before a dial of the program's own.
  virtual PromptOutcome RunPrompt(PromptKind kind) = 0;
  // Ends an open prompt as cancelled; nothing when none is open.
  virtual void ClosePrompt() = 0;
  virtual void RunOptions() = 0;
  virtual void RunServerSettings() = 0;
  // An error box owned by the window, captioned with the window caption.
  virtual void ShowError(const std::string& text) = 0;
  // An information box of its own, with the system's default caption.
  virtual void ShowNotice(const std::string& text) = 0;

  // Ends the window and the program's message loop.
  virtual void EndProgram() = 0;
};

}  // namespace norva
