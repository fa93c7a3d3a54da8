// The dial session: dials the phonebook entry with the chosen server's
// address, follows the dial's progress, stores changed credentials and the
// last server once a connection stands, hangs up on request, and finds a
// connection of the entry that is already up. Runs on the UI thread; the
// main window reaches it through its commands and the dial progress message.
#pragma once

#include <cstdint>
#include <string>

#include "connection/dial_window.h"
#include "connection/remote_access.h"
#include "serverlist/server_directory.h"
#include "settings/settings_store.h"

namespace norva {

// Time as the hang-up wait sees it.
class WaitClock {
 public:
  virtual ~WaitClock() = default;
  // Milliseconds from any fixed point; never goes backwards.
  virtual std::uint64_t NowMs() = 0;
  // Gives the rest of the thread's time slice to others (a zero-length sleep).
  virtual void GiveUpTimeSlice() = 0;
};

// The real clock: the steady clock and a yield of the thread.
class SystemWaitClock final : public WaitClock {
 public:
  std::uint64_t NowMs() override;
  void GiveUpTimeSlice() override;
};

// What the session dials and how it presents itself; fixed for the run.
struct DialSetup {
  std::string phonebook;         // full path of the program's phonebook file
  std::string entryName;         // the entry dialled, "NORVA"
  EntryProperties startupEntry;  // the entry as read at start-up
  std::string caption;           // the window caption, also the error boxes'
};

class DialSession {
 public:
  // How long Disconnect waits for the service to release a connection.
  static constexpr std::uint64_t kHangUpWaitMs = 20000;

  DialSession(RemoteAccess& ras, SettingsStore& settings, ServerDirectory& servers,
              WaitClock& clock, DialSetup setup);

  // Selects the start-up entry's tunnel type and fills the user name and
  // password fields with the entry's saved dial parameters, if any.
  void LoadDialParams(DialWindow& window);

  // Starts a dial of the chosen server. Progress arrives through OnDialEvent.
  void Connect(DialWindow& window);

  // Hangs up the current connection and waits until the service has
  // released it (at most kHangUpWaitMs).
  void Disconnect(DialWindow& window);

  // The Connect/Disconnect button: dials when it reads "Connect", else stops
  // the link watch and hangs up.
  void ToggleConnection(DialWindow& window);

  // One dial progress notification: the state reached and an error code
  // (0 for none).
  void OnDialEvent(DialWindow& window, std::uint32_t state, std::uint32_t error);

  // Tells the user of a remote access error code; nothing for 0.
  void ShowDialError(DialWindow& window, std::uint32_t code);

  // Locks (false) or unlocks (true) the inputs and labels the button
  // "Disconnect" or "Connect". The button's enabled state is left alone.
  void SetInputsEnabled(DialWindow& window, bool enabled);

  // A connection of the start-up entry that is up, or nullptr.
  ConnectionHandle FindActiveConnection();

  ConnectionHandle CurrentConnection() const { return current_; }
  void SetCurrentConnection(ConnectionHandle handle) { current_ = handle; }

 private:
  // Loads the entry's saved dial parameters into params_; params_ keeps what
  // it held when that fails.
  bool LoadSavedParams();
  void OnConnected(DialWindow& window);
  // Polls until the service reports the connection gone; false on time-out.
  bool WaitUntilReleased();

  RemoteAccess& ras_;
  SettingsStore& settings_;
  ServerDirectory& servers_;
  WaitClock& clock_;
  const DialSetup setup_;

  // The one record used for every dial, kept between dials.
  DialParams params_;
  ConnectionHandle current_ = nullptr;
};

}  // namespace norva
