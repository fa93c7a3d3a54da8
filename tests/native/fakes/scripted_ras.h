// The remote access service as a test scripts it. Each call runs the handler
// the test set for it; a call without one fails the test. Every call is
// logged by name, in order.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "connection/remote_access.h"

namespace norva::testing {

class ScriptedRas final : public RemoteAccess {
 public:
  std::function<RasResult(const std::string& phonebook, const std::string& entry,
                          EntryProperties& out)>
      getEntryProperties;
  std::function<RasResult(const std::string& phonebook, const std::string& entry,
                          const EntryProperties& properties)>
      setEntryProperties;
  std::function<RasResult(const std::string& phonebook, const std::string& entry,
                          const Credentials& credentials, bool clear)>
      setCredentials;
  std::function<RasResult(const std::string& phonebook, const std::string& entry,
                          Credentials& inOut)>
      getCredentials;
  std::function<RasResult(const std::string& phonebook, DialParams& inOut, bool& passwordSaved)>
      getEntryDialParams;
  std::function<RasResult(const std::string& phonebook, const DialParams& params,
                          NotifierWindow notifier, ConnectionHandle& handle)>
      dial;
  std::function<RasResult(ConnectionHandle handle)> hangUp;
  std::function<RasResult(ConnectionHandle handle, ConnectionStatus& out)> getConnectStatus;
  std::function<RasResult(std::uint32_t& bufferBytes, std::vector<ActiveConnection>& out)>
      enumConnections;
  std::function<RasResult(std::uint32_t code, std::string& text)> getErrorString;

  std::vector<std::string> calls;

  RasResult GetEntryProperties(const std::string& p, const std::string& e,
                               EntryProperties& out) override {
    return Run("GetEntryProperties", getEntryProperties, p, e, out);
  }
  RasResult SetEntryProperties(const std::string& p, const std::string& e,
                               const EntryProperties& properties) override {
    return Run("SetEntryProperties", setEntryProperties, p, e, properties);
  }
  RasResult SetCredentials(const std::string& p, const std::string& e, const Credentials& c,
                           bool clear) override {
    return Run("SetCredentials", setCredentials, p, e, c, clear);
  }
  RasResult GetCredentials(const std::string& p, const std::string& e, Credentials& c) override {
    return Run("GetCredentials", getCredentials, p, e, c);
  }
  RasResult GetEntryDialParams(const std::string& p, DialParams& params, bool& saved) override {
    return Run("GetEntryDialParams", getEntryDialParams, p, params, saved);
  }
  RasResult Dial(const std::string& p, const DialParams& params, NotifierWindow notifier,
                 ConnectionHandle& handle) override {
    return Run("Dial", dial, p, params, notifier, handle);
  }
  RasResult HangUp(ConnectionHandle handle) override { return Run("HangUp", hangUp, handle); }
  RasResult GetConnectStatus(ConnectionHandle handle, ConnectionStatus& out) override {
    return Run("GetConnectStatus", getConnectStatus, handle, out);
  }
  RasResult EnumConnections(std::uint32_t& bytes, std::vector<ActiveConnection>& out) override {
    return Run("EnumConnections", enumConnections, bytes, out);
  }
  std::uint32_t ConnectionRecordBytes() const override { return 704; }
  RasResult GetErrorString(std::uint32_t code, std::string& text) override {
    return Run("GetErrorString", getErrorString, code, text);
  }

  // The calls logged so far, and a fresh log from here on.
  std::vector<std::string> Take() { return std::exchange(calls, {}); }

 private:
  template <class Handler, class... Args>
  RasResult Run(const char* name, Handler& handler, Args&&... args) {
    calls.push_back(name);
    if (!handler) {
      ADD_FAILURE() << "unexpected call of the service: " << name;
      return ras::kInvalidParameter;
    }
    return handler(std::forward<Args>(args)...);
  }
};

}  // namespace norva::testing
