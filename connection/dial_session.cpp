#include "connection/dial_session.h"

#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "app/support_log.h"

namespace norva {
namespace {

constexpr std::uint32_t kUserAndPassword = ras::kCredUserName | ras::kCredPassword;

}  // namespace

std::uint64_t SystemWaitClock::NowMs() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SystemWaitClock::GiveUpTimeSlice() { std::this_thread::yield(); }

DialSession::DialSession(RemoteAccess& ras, WaitClock& clock, DialSetup setup)
    : ras_(ras), clock_(clock), setup_(std::move(setup)) {}

bool DialSession::LoadSavedParams() {
  DialParams loaded = params_;
  loaded.entryName = setup_.entryName;
  bool passwordSaved = false;
  if (ras_.GetEntryDialParams(setup_.phonebook, loaded, passwordSaved) != ras::kOk) return false;
  params_ = std::move(loaded);
  return true;
}

bool DialSession::HasStoredCredentials() {
  Credentials stored;
  stored.mask = kUserAndPassword;
  return ras_.GetCredentials(setup_.phonebook, setup_.entryName, stored) == ras::kOk;
}

void DialSession::UseCredentials(const std::string& userName, const std::string& password) {
  params_.userName = userName;
  params_.password = password;
}

RasResult DialSession::Dial(const std::string& address) {
  // The record may never have been loaded (no saved parameters at start);
  // without its entry name the service would dial the bare number.
  params_.entryName = setup_.entryName;
  params_.phoneNumber = address;
  current_ = nullptr;
  return ras_.Dial(setup_.phonebook, params_, setup_.notifier, current_);
}

bool DialSession::StoreCredentials(const std::string& userName, const std::string& password) {
  Credentials typed;
  typed.mask = kUserAndPassword;
  typed.userName = userName;
  typed.password = password;
  return ras_.SetCredentials(setup_.phonebook, setup_.entryName, typed, false) == ras::kOk;
}

RasResult DialSession::BeginHangUp() {
  if (current_ == nullptr) return ras::kInvalidHandle;
  const RasResult result = ras_.HangUp(current_);
  if (result == ras::kInvalidHandle) current_ = nullptr;
  return result;
}

bool DialSession::WaitUntilReleased() {
  const std::uint64_t start = clock_.NowMs();
  ConnectionStatus status;
  while (ras_.GetConnectStatus(current_, status) != ras::kInvalidHandle) {
    if (clock_.NowMs() - start >= kHangUpWaitMs) {
      Log("ras", "not released after " + std::to_string(kHangUpWaitMs) + " ms");
      return false;
    }
    clock_.GiveUpTimeSlice();
  }
  Log("ras", "released after " + std::to_string(clock_.NowMs() - start) + " ms");
  current_ = nullptr;
  return true;
}

RasResult DialSession::Status(ConnectionStatus& status) {
  return ras_.GetConnectStatus(current_, status);
}

ConnectionHandle DialSession::FindActiveConnection() {
  // The service tells how much room it needs; a list that keeps growing
  // between attempts gives up after a few.
  constexpr int kAttempts = 5;
  std::uint32_t bufferBytes = ras_.ConnectionRecordBytes();
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::vector<ActiveConnection> connections;
    const RasResult result = ras_.EnumConnections(bufferBytes, connections);
    if (result == ras::kBufferTooSmall) continue;
    if (result != ras::kOk) return nullptr;

    ConnectionHandle found = nullptr;
    for (const ActiveConnection& connection : connections) {
      if (connection.entryGuid == setup_.entryGuid) found = connection.handle;
    }
    return found;
  }
  return nullptr;
}

std::string DialSession::ErrorText(std::uint32_t code) {
  std::string text;
  if (ras_.GetErrorString(code, text) != ras::kOk) {
    text = "Unknown Connection\tError " + std::to_string(static_cast<std::int32_t>(code));
  }
  return text;
}

}  // namespace norva
