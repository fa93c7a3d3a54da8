// The dial session: the remote access side of the program's one connection.
// It keeps the one dial record used for every dial and the handle of the
// current connection, dials the entry, stores credentials, hangs up and waits
// until the service has let the connection go, and finds a connection of the
// entry that is already up. It shows nothing: the main controller decides
// what the user sees.
#pragma once

#include <cstdint>
#include <string>

#include "connection/remote_access.h"

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

// What the session dials; fixed for the run.
struct DialSetup {
  std::string phonebook;  // full path of the program's phonebook file
  std::string entryName;  // the entry dialled, "NORVA"
  Guid entryGuid;         // the entry's identifier as read at start-up
  NotifierWindow notifier = nullptr;  // receives the dial progress messages
};

class DialSession {
 public:
  // How long a hang-up waits for the service to release the connection.
  static constexpr std::uint64_t kHangUpWaitMs = 20000;

  DialSession(RemoteAccess& ras, WaitClock& clock, DialSetup setup);

  // Loads the entry's saved dial parameters into the dial record. False when
  // the service has none; the record then keeps what it held.
  bool LoadSavedParams();
  const std::string& userName() const { return params_.userName; }
  const std::string& password() const { return params_.password; }

  // True when the service answers for the entry's stored user name and
  // password (whatever it has stored).
  bool HasStoredCredentials();

  // Dials `userName` and `password` instead of what the record holds.
  void UseCredentials(const std::string& userName, const std::string& password);

  // Starts an asynchronous dial of `address` with the dial record; progress
  // reaches the notifier. The handle the service hands back becomes the
  // current connection. A refused dial answers the service's code; a handle
  // handed back with the refusal stays current, to be hung up and waited
  // for like any other.
  RasResult Dial(const std::string& address);

  // Stores the user name and password with the entry; true when stored.
  bool StoreCredentials(const std::string& userName, const std::string& password);

  // Begins the hang-up of the current connection; on 0 the caller waits
  // with WaitUntilReleased. 6 (the service no longer knows the handle) means
  // it is released already: none is current then.
  RasResult BeginHangUp();
  // Polls until the service no longer knows the connection, giving up the
  // thread's time slice between polls, at most kHangUpWaitMs. True when it
  // was released; none is current then. False when the wait ran out; the
  // connection stays current.
  bool WaitUntilReleased();

  // The state of the current connection, as the service reports it.
  RasResult Status(ConnectionStatus& status);

  // The handle of a connection of the entry that is up, or nullptr; the
  // later one wins when the service lists two.
  ConnectionHandle FindActiveConnection();

  // The service's text for an error code, or "Unknown Connection\tError %d".
  std::string ErrorText(std::uint32_t code);

  ConnectionHandle current() const { return current_; }
  void Adopt(ConnectionHandle handle) { current_ = handle; }

 private:
  RemoteAccess& ras_;
  WaitClock& clock_;
  const DialSetup setup_;

  // The one record used for every dial, kept between dials.
  DialParams params_;
  ConnectionHandle current_ = nullptr;
};

}  // namespace norva
