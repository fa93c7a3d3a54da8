// The running program's state and every decision about it: the connection's
// life (none, dialling, up, hanging up, lost), auto connect once the server
// list is ready, the link watch and the re-dial after a loss, the countdown
// prompt, the modal dialogs and Exit. The main window turns its messages
// into the events below and carries out what the controller asks of it
// through MainView.
//
// Events may arrive nested: a modal dialog or box opened by one event runs a
// message loop in which the window still takes its messages. The controller
// keeps one prompt at a time, starts auto connect only once no other event
// is half-way through (so never inside a dialog), and after Exit does
// nothing more.
#pragma once

#include <cstdint>
#include <string>

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

  void OnConnectButton();
  void OnTunnelTypePicked();
  void OnAccountTypePicked(AccountType type);
  void OnOptions();
  void OnServerSettings();
  void OnOpenWindow();  // the tray icon's double click or its Open
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
    kLost,           // the link watch found it gone; a re-dial may follow
    kHangUpRefused,  // the service refused to hang up; the button dials again
  };
  enum class DialStart { kNoServer, kRefused, kDialling };

  void LoadDialParams();
  void FillServers(AccountType type);
  void SetInputsEnabled(bool enabled);
  DialStart Connect();
  void OnConnected();
  void Disconnect();
  // Hangs up the current connection and waits for its release. `lost`: the
  // link is already gone, so a service that no longer knows the handle has
  // released it. True when released; otherwise the user has been told.
  bool Release(bool lost);
  // Tells the user that the link is gone; `released`: the connection was let
  // go, so the form is the user's again.
  void ReportLoss(bool released);
  void ShowDialError(std::uint32_t code);
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
  AccountType accountType_ = AccountType::Shared;
  bool listHasServers_ = false;
  bool promptOpen_ = false;
  bool autoConnectDue_ = false;
  bool exiting_ = false;
  bool trayIcon_ = false;     // the shell has the tray icon
  bool trayRetrying_ = false;
  bool hidden_ = false;       // hidden to the tray by this controller
  int depth_ = 0;  // events under way, nested ones included
};

}  // namespace norva
