// The remote access service as a test scripts it: each call, logged by name, runs the handler
// the test set for it; a call without one fails the test.
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
  using Text = const std::string&;

  std::function<RasResult(Text phonebook, Text entry, EntryProperties&)> getEntryProperties;
  std::function<RasResult(Text phonebook, Text entry, const EntryProperties&)> setEntryProperties;
  std::function<RasResult(Text phonebook, Text entry, const Credentials&, bool clear)>
      setCredentials;
  std::function<RasResult(Text phonebook, Text entry, Credentials&)> getCredentials;
  std::function<RasResult(Text phonebook, DialParams&, bool& passwordSaved)> getEntryDialParams;
  std::function<RasResult(Text phonebook, const DialParams&, NotifierWindow, ConnectionHandle&)>
      dial;
  std::function<RasResult(ConnectionHandle)> hangUp;
  std::function<RasResult(ConnectionHandle, ConnectionStatus&)> getConnectStatus;
  std::function<RasResult(std::uint32_t& bufferBytes, std::vector<ActiveConnection>&)>
      enumConnections;
  std::function<RasResult(std::uint32_t code, std::string& text)> getErrorString;

  std::vector<std::string> calls;

  // The calls logged so far, and a fresh log from here on.
  std::vector<std::string> Take() { return std::exchange(calls, {}); }

  RasResult GetEntryProperties(Text p, Text e, EntryProperties& out) override {
    return Run("GetEntryProperties", getEntryProperties, p, e, out);
  }
  RasResult SetEntryProperties(Text p, Text e, const EntryProperties& in) override {
    return Run("SetEntryProperties", setEntryProperties, p, e, in);
  }
  RasResult SetCredentials(Text p, Text e, const Credentials& c, bool clear) override {
    return Run("SetCredentials", setCredentials, p, e, c, clear);
  }
  RasResult GetCredentials(Text p, Text e, Credentials& c) override {
    return Run("GetCredentials", getCredentials, p, e, c);
  }
  RasResult GetEntryDialParams(Text p, DialParams& params, bool& saved) override {
    return Run("GetEntryDialParams", getEntryDialParams, p, params, saved);
  }
  RasResult Dial(Text p, const DialParams& params, NotifierWindow n, ConnectionHandle& h) override {
    return Run("Dial", dial, p, params, n, h);
  }
  RasResult HangUp(ConnectionHandle h) override { return Run("HangUp", hangUp, h); }
  RasResult GetConnectStatus(ConnectionHandle h, ConnectionStatus& out) override {
    return Run("GetConnectStatus", getConnectStatus, h, out);
  }
  RasResult EnumConnections(std::uint32_t& bytes, std::vector<ActiveConnection>& out) override {
    return Run("EnumConnections", enumConnections, bytes, out);
  }
  std::uint32_t ConnectionRecordBytes() const override { return 704; }
  RasResult GetErrorString(std::uint32_t code, std::string& text) override {
    return Run("GetErrorString", getErrorString, code, text);
  }

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
