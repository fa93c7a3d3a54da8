// The running program's state and every decision about it: the connection's
// life (none, dialling, up, hanging up, lost, waiting to try again), auto
// connect once the server list is ready, the link watch and the re-dial after
// a loss, the tries of the program's own dials, the countdown prompt, the
// modal dialogs and Exit. The main window turns its messages
// into the events below and carries out what the controller asks of it
// through MainView.
//
// Events may arrive nested: a modal dialog or box opened by one event runs a
// message loop in which the window still takes its messages. The controller
// keeps one prompt at a time, starts auto connect only once no other event
// is half-way through (so never inside a dialog or the tray menu), settles
// its state before it opens anything modal, and after Exit does nothing more.
//
// A dial of the program's own (auto connect, the re-dial after a loss) that
// fails with an error a later try can get past is tried again after a wait
// that grows (5 s, 10 s, 20 s, 40 s, then every 60 s), at once when the
// network comes back, until it connects or the user presses Disconnect or
// Exit. Every try dials the server dialled before, whatever the list shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "connection/dial_session.h"
#include "connection/phonebook_entry.h"
#include "settings/settings_store.h"
#include "ui/main_view.h"

namespace norva {

class MainController {
 public:
  // `serverList` is the path of servers.xml.
  MainController(MainView& view, SettingsStore& settings, DialSession& session,
                 PhonebookEntry& entry, std::string serverList);

  // The window has been created: fills the form, adds the tray icon, starts
  // the updater and adopts a connection of the entry that is already up.
  void Start();

  // The updater is done (whether or not it stored a new list).
  void OnServerListReady();
  // A tick of the link watch.
  void OnLinkWatchTick();
  // A dial progress notification: the state reached and an error code.
  void OnDialEvent(std::uint32_t state, std::uint32_t error);
  // The wait before the next try has run out.
  void OnRetryDue();
  // The network has changed or the computer has resumed: a try that waits
  // is made at once.
  void OnNetworkChanged();

  void OnConnectButton();
  void OnTunnelTypePicked();
  void OnAccountTypePicked(AccountType type);
  void OnOptions();
  void OnServerSettings();
  void OnOpenWindow();  // the tray icon's double click or its Open
  void OnTrayMenu();    // the tray icon's right click
  void OnClose();       // the window's close box
  void OnShellRestarted();
  // A tick of the retry that runs while the shell has not taken the tray icon.
  void OnTrayRetryTick();
  void OnExit();

 private:
  class EventScope;
  enum class Link {
    kNone,           // no connection
    kDialling,       // a dial is under way
    kUp,             // dialled in this run or found at start
    kHangingUp,      // waiting for the service to release it
    kLost,           // the link is gone; a re-dial may follow
    kHangUpRefused,  // the service refused to hang up; the button dials again
    kWaitingToRetry, // a dial of the program's own failed; the next try waits
  };
  enum class Origin { kUser, kAutoConnect, kReconnect };
  enum class Release { kDone, kRefused, kTimedOut };
  // A server as dialled: its row, the row's text and the address it stands
  // for.
  struct Server {
    int row = -1;
    std::string location;
    std::string address;
  };

  void LoadDialParams();
  void FillServers(AccountType type);
  int RowOf(const std::string& location) const;  // -1 when not listed
  void SetInputsEnabled(bool enabled);
  // The chosen row's server; false when no valid one is chosen.
  bool ChosenServer(Server& server);
  void ShowNoValidServer();
  void Dial(const Server& server, Origin origin);
  void DialFailed(std::uint32_t code);  // 0: the dial ended without a code
  void WaitToRetry();
  void OnConnected();
  void Disconnect();  // of a connection, or of a try of the program's own
  void LinkLost();
  // Hangs up the current connection and waits, bounded, until the service
  // has released it. A hang-up answered with 6 finds it released already.
  Release ReleaseCurrent();
  // The release ran out of time: the connection is still current, watched
  // again so that a later release is noticed, and the button hangs up.
  void KeepWatching();
  // Tells the user that the link is gone; `released`: the connection was let
  // go, so the form is the user's again.
  void ReportLoss(bool released);
  bool AskToDial(PromptKind kind);
  void TryAutoConnect();
  // Adds the tray icon; while the shell does not take it, the window is
  // never hidden and the add is retried.
  void AddTrayIcon();
  void HideToTray();

  MainView& view_;
  SettingsStore& settings_;
  DialSession& session_;
  PhonebookEntry& entry_;
  const std::string serverList_;

  Link link_ = Link::kNone;
  Server dialled_;  // of the dial under way or the connection, or the last one
  Origin origin_ = Origin::kUser;
  int failedTries_ = 0;  // of the program's own dial, since it last connected
  AccountType accountType_ = AccountType::Shared;
  std::vector<std::string> listed_;  // the locations the list shows
  bool promptOpen_ = false;
  bool autoConnectDue_ = false;
  bool exiting_ = false;
  bool trayIcon_ = false;     // the shell has the tray icon
  bool trayRetrying_ = false;
  bool hidden_ = false;       // hidden to the tray by this controller
  int depth_ = 0;  // events under way, nested ones included
};

}  // namespace norva
