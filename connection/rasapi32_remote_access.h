// RemoteAccess over the Windows Remote Access Service (rasapi32, ANSI calls).
// Every call goes to the support log with its result code, never with a
// user name, password or key; a status query only when its answer differs
// from the one before. Used on one thread.
#pragma once

#include <cstddef>

#include "connection/remote_access.h"

namespace norva {

class Rasapi32RemoteAccess final : public RemoteAccess {
 public:
  RasResult GetEntryProperties(const std::string& phonebook, const std::string& entry,
                               EntryProperties& out) override;
  RasResult SetEntryProperties(const std::string& phonebook, const std::string& entry,
                               const EntryProperties& properties) override;
  RasResult SetCredentials(const std::string& phonebook, const std::string& entry,
                           const Credentials& credentials, bool clear) override;
  RasResult GetCredentials(const std::string& phonebook, const std::string& entry,
                           Credentials& inOut) override;
  RasResult GetEntryDialParams(const std::string& phonebook, DialParams& inOut,
                               bool& passwordSaved) override;
  RasResult Dial(const std::string& phonebook, const DialParams& params, NotifierWindow notifier,
                 ConnectionHandle& handle) override;
  RasResult HangUp(ConnectionHandle handle) override;
  RasResult GetConnectStatus(ConnectionHandle handle, ConnectionStatus& out) override;
  RasResult EnumConnections(std::uint32_t& bufferBytes,
                            std::vector<ActiveConnection>& out) override;
  std::uint32_t ConnectionRecordBytes() const override;
  RasResult GetErrorString(std::uint32_t code, std::string& text) override;

 private:
  // What the log says of a dial: the entry's tunnel type (its strategy as
  // last read or written) and whether the credentials dialled are the ones
  // the service had saved (known by a hash, never kept).
  std::uint32_t strategy_ = 0;
  std::size_t savedCredentials_ = 0;
  // The last status query's answer, as logged.
  std::string lastStatus_;
};

// Logs a "RasDialEvent" notification: the state, and for an error its code
// and the service's text for it.
void LogDialEvent(RemoteAccess& ras, std::uint32_t state, std::uint32_t error);

}  // namespace norva
