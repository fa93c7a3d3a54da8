// RemoteAccess over the Windows Remote Access Service (rasapi32, ANSI calls).
#pragma once

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
};

}  // namespace norva
