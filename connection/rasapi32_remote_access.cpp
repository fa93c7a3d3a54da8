// The records handed to the service carry the size of their Windows XP
// layout, which selects that version of each structure; the headers give
// those layouts when built for XP.
#undef WINVER
#undef _WIN32_WINNT
#define WINVER 0x0501
#define _WIN32_WINNT 0x0501

#include "connection/rasapi32_remote_access.h"

#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

#include "app/support_log.h"

namespace norva {
namespace {

#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(RASENTRYA) == 2884, "RASENTRYA must have its XP size");
static_assert(sizeof(RASDIALPARAMSA) == 1060, "RASDIALPARAMSA must have its XP size");
static_assert(sizeof(RASCREDENTIALSA) == 540, "RASCREDENTIALSA must have its XP size");
static_assert(sizeof(RASCONNA) == 704, "RASCONNA must have its XP size");
static_assert(sizeof(RASCONNSTATUSA) == 288, "RASCONNSTATUSA must have its XP size");
#endif

// Copies `text` into a fixed field with its NUL; false when it does not fit.
template <std::size_t N>
bool ToField(char (&field)[N], const std::string& text) {
  if (text.size() >= N) return false;
  std::memcpy(field, text.c_str(), text.size() + 1);
  return true;
}

template <std::size_t N>
std::string FromField(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

Guid FromGuid(const GUID& g) {
  Guid out;
  static_assert(sizeof(GUID) == 16, "GUID is 16 bytes");
  std::memcpy(out.bytes.data(), &g, 16);
  return out;
}

HRASCONN ToHandle(ConnectionHandle h) { return reinterpret_cast<HRASCONN>(h); }
ConnectionHandle FromHandle(HRASCONN h) { return reinterpret_cast<ConnectionHandle>(h); }

const char* PhonebookArg(const std::string& phonebook) {
  return phonebook.empty() ? nullptr : phonebook.c_str();
}

std::string Hex(std::uintptr_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

std::string HandleText(ConnectionHandle handle) {
  return Hex(reinterpret_cast<std::uintptr_t>(handle));
}

std::string TunnelName(std::uint32_t strategy) {
  switch (strategy) {
    case VS_PptpOnly: return "PPTP";
    case VS_L2tpOnly: return "L2TP/IPSec";
    default: return "strategy " + std::to_string(strategy);
  }
}

std::string StateName(std::uint32_t state) {
  switch (state) {
    case RASCS_OpenPort: return "OpenPort";
    case RASCS_PortOpened: return "PortOpened";
    case RASCS_ConnectDevice: return "ConnectDevice";
    case RASCS_DeviceConnected: return "DeviceConnected";
    case RASCS_AllDevicesConnected: return "AllDevicesConnected";
    case RASCS_Authenticate: return "Authenticate";
    case RASCS_AuthNotify: return "AuthNotify";
    case RASCS_AuthProject: return "AuthProject";
    case RASCS_Authenticated: return "Authenticated";
    case RASCS_Projected: return "Projected";
    case RASCS_Connected: return "Connected";
    case RASCS_Disconnected: return "Disconnected";
    default: return "state " + Hex(state);
  }
}

// The credential items a mask names, never their values.
std::string Items(std::uint32_t mask) {
  std::string items;
  const std::pair<std::uint32_t, const char*> names[] = {
      {RASCM_UserName, "user name"}, {RASCM_Password, "password"},
      {RASCM_Domain, "domain"}, {RASCM_PreSharedKey, "pre-shared key"}};
  for (const auto& [bit, name] : names) {
    if (mask & bit) items += (items.empty() ? "" : "+") + std::string(name);
  }
  return items.empty() ? "nothing" : items;
}

// "call what -> result" and what the answer says.
void LogCall(const char* call, const std::string& what, DWORD result,
             const std::string& answer = "") {
  Log("ras", std::string(call) + (what.empty() ? "" : " ") + what + " -> " +
                 std::to_string(result) + answer);
}

std::size_t CredentialsHash(const std::string& userName, const std::string& password) {
  const std::hash<std::string> hash;
  return (hash(userName) * 31) ^ hash(password) ^ 1;  // never 0, which is "none saved"
}

}  // namespace

RasResult Rasapi32RemoteAccess::GetEntryProperties(const std::string& phonebook,
                                                   const std::string& entry,
                                                   EntryProperties& out) {
  auto record = std::make_unique<RASENTRYA>();
  std::memset(record.get(), 0, sizeof(RASENTRYA));
  record->dwSize = sizeof(RASENTRYA);
  DWORD size = sizeof(RASENTRYA);
  const DWORD result = RasGetEntryPropertiesA(PhonebookArg(phonebook), entry.c_str(), record.get(),
                                              &size, nullptr, nullptr);
  LogCall("RasGetEntryPropertiesA", entry, result,
          result == 0 ? ", " + TunnelName(record->dwVpnStrategy) : "");
  if (result != 0) return result;
  strategy_ = record->dwVpnStrategy;
  out = EntryProperties{};
  out.options = record->dwfOptions;
  out.options2 = record->dwfOptions2;
  out.vpnStrategy = record->dwVpnStrategy;
  out.netProtocols = record->dwfNetProtocols;
  out.framingProtocol = record->dwFramingProtocol;
  out.type = record->dwType;
  out.redialCount = record->dwRedialCount;
  out.deviceName = FromField(record->szDeviceName);
  out.deviceType = FromField(record->szDeviceType);
  out.localPhoneNumber = FromField(record->szLocalPhoneNumber);
  out.guid = FromGuid(record->guidId);
  return 0;
}

RasResult Rasapi32RemoteAccess::SetEntryProperties(const std::string& phonebook,
                                                   const std::string& entry,
                                                   const EntryProperties& p) {
  auto record = std::make_unique<RASENTRYA>();
  std::memset(record.get(), 0, sizeof(RASENTRYA));
  record->dwSize = sizeof(RASENTRYA);
  record->dwfOptions = p.options;
  record->dwfOptions2 = p.options2;
  record->dwVpnStrategy = p.vpnStrategy;
  record->dwfNetProtocols = p.netProtocols;
  record->dwFramingProtocol = p.framingProtocol;
  record->dwType = p.type;
  record->dwRedialCount = p.redialCount;
  if (!ToField(record->szDeviceName, p.deviceName) ||
      !ToField(record->szDeviceType, p.deviceType) ||
      !ToField(record->szLocalPhoneNumber, p.localPhoneNumber)) {
    LogCall("RasSetEntryPropertiesA", "(not sent: a text too long)", ras::kInvalidParameter);
    return ras::kInvalidParameter;
  }
  const DWORD result = RasSetEntryPropertiesA(PhonebookArg(phonebook), entry.c_str(), record.get(),
                                              sizeof(RASENTRYA), nullptr, 0);
  LogCall("RasSetEntryPropertiesA", entry + " " + TunnelName(p.vpnStrategy), result);
  if (result == 0) strategy_ = p.vpnStrategy;
  return result;
}

RasResult Rasapi32RemoteAccess::SetCredentials(const std::string& phonebook,
                                               const std::string& entry,
                                               const Credentials& c, bool clear) {
  RASCREDENTIALSA record;
  std::memset(&record, 0, sizeof record);
  record.dwSize = sizeof record;
  record.dwMask = c.mask;
  if (!ToField(record.szUserName, c.userName) || !ToField(record.szPassword, c.password) ||
      !ToField(record.szDomain, c.domain)) {
    SecureZeroMemory(&record, sizeof record);
    LogCall("RasSetCredentialsA", "(not sent: a text too long)", ras::kInvalidParameter);
    return ras::kInvalidParameter;
  }
  const DWORD result =
      RasSetCredentialsA(PhonebookArg(phonebook), entry.c_str(), &record, clear ? TRUE : FALSE);
  SecureZeroMemory(&record, sizeof record);
  LogCall("RasSetCredentialsA", (clear ? "clear " : "store ") + Items(c.mask), result);
  return result;
}

RasResult Rasapi32RemoteAccess::GetCredentials(const std::string& phonebook,
                                               const std::string& entry, Credentials& inOut) {
  RASCREDENTIALSA record;
  std::memset(&record, 0, sizeof record);
  record.dwSize = sizeof record;
  record.dwMask = inOut.mask;
  const DWORD result = RasGetCredentialsA(PhonebookArg(phonebook), entry.c_str(), &record);
  LogCall("RasGetCredentialsA", Items(inOut.mask), result,
          result == 0 ? ", has " + Items(record.dwMask) : "");
  if (result == 0) {
    inOut.mask = record.dwMask;
    inOut.userName = FromField(record.szUserName);
    inOut.password = FromField(record.szPassword);
    inOut.domain = FromField(record.szDomain);
  }
  SecureZeroMemory(&record, sizeof record);
  return result;
}

namespace {

bool ToRecord(const DialParams& p, RASDIALPARAMSA& r) {
  r.dwSize = sizeof r;
  r.dwSubEntry = p.subEntry;
  r.dwCallbackId = p.callbackId;
  return ToField(r.szEntryName, p.entryName) && ToField(r.szPhoneNumber, p.phoneNumber) &&
         ToField(r.szCallbackNumber, p.callbackNumber) && ToField(r.szUserName, p.userName) &&
         ToField(r.szPassword, p.password) && ToField(r.szDomain, p.domain);
}

void FromRecord(const RASDIALPARAMSA& r, DialParams& p) {
  p.entryName = FromField(r.szEntryName);
  p.phoneNumber = FromField(r.szPhoneNumber);
  p.callbackNumber = FromField(r.szCallbackNumber);
  p.userName = FromField(r.szUserName);
  p.password = FromField(r.szPassword);
  p.domain = FromField(r.szDomain);
  p.subEntry = r.dwSubEntry;
  p.callbackId = r.dwCallbackId;
}

}  // namespace

RasResult Rasapi32RemoteAccess::GetEntryDialParams(const std::string& phonebook,
                                                   DialParams& inOut, bool& passwordSaved) {
  RASDIALPARAMSA record;
  std::memset(&record, 0, sizeof record);
  if (!ToRecord(inOut, record)) {
    SecureZeroMemory(&record, sizeof record);
    LogCall("RasGetEntryDialParamsA", "(not sent: a text too long)", ras::kInvalidParameter);
    return ras::kInvalidParameter;
  }
  BOOL saved = FALSE;
  const DWORD result = RasGetEntryDialParamsA(PhonebookArg(phonebook), &record, &saved);
  LogCall("RasGetEntryDialParamsA", inOut.entryName, result,
          result != 0 ? "" : saved ? ", password saved" : ", no password saved");
  if (result == 0) {
    FromRecord(record, inOut);
    passwordSaved = saved != FALSE;
    savedCredentials_ = saved ? CredentialsHash(inOut.userName, inOut.password) : 0;
  }
  SecureZeroMemory(&record, sizeof record);
  return result;
}

RasResult Rasapi32RemoteAccess::Dial(const std::string& phonebook, const DialParams& params,
                                     NotifierWindow notifier, ConnectionHandle& handle) {
  RASDIALPARAMSA record;
  std::memset(&record, 0, sizeof record);
  const std::string what = params.phoneNumber + ", " + TunnelName(strategy_) +
                         (savedCredentials_ == CredentialsHash(params.userName, params.password)
                              ? ", saved credentials"
                              : ", credentials as typed");
  if (!ToRecord(params, record)) {
    SecureZeroMemory(&record, sizeof record);
    Log("dial", "RasDialA (not sent: a text too long) -> 87");
    return ras::kInvalidParameter;
  }
  HRASCONN connection = ToHandle(handle);
  const DWORD result = RasDialA(nullptr, PhonebookArg(phonebook), &record, 0xFFFFFFFF,
                                reinterpret_cast<LPVOID>(notifier), &connection);
  handle = FromHandle(connection);
  SecureZeroMemory(&record, sizeof record);
  Log("dial", "RasDialA " + what + " -> " + std::to_string(result) +
                  (handle != nullptr ? ", handle " + HandleText(handle) : ""));
  return result;
}

RasResult Rasapi32RemoteAccess::HangUp(ConnectionHandle handle) {
  const DWORD result = RasHangUpA(ToHandle(handle));
  LogCall("RasHangUpA", HandleText(handle), result);
  return result;
}

RasResult Rasapi32RemoteAccess::GetConnectStatus(ConnectionHandle handle, ConnectionStatus& out) {
  RASCONNSTATUSA status;
  std::memset(&status, 0, sizeof status);
  status.dwSize = sizeof status;
  const DWORD result = RasGetConnectStatusA(ToHandle(handle), &status);
  const std::string answer = result != 0 ? "" : ", " + StateName(status.rasconnstate) +
                                                      ", error " + std::to_string(status.dwError);
  // The link watch asks every two seconds: only a change is worth a line.
  const std::string seen = HandleText(handle) + answer + " " + std::to_string(result);
  if (seen != lastStatus_) LogCall("RasGetConnectStatusA", HandleText(handle), result, answer);
  lastStatus_ = seen;
  if (result == 0) {
    out.state = static_cast<std::uint32_t>(status.rasconnstate);
    out.error = status.dwError;
    out.deviceType = FromField(status.szDeviceType);
    out.deviceName = FromField(status.szDeviceName);
    out.phoneNumber = FromField(status.szPhoneNumber);
  }
  return result;
}

std::uint32_t Rasapi32RemoteAccess::ConnectionRecordBytes() const { return sizeof(RASCONNA); }

RasResult Rasapi32RemoteAccess::EnumConnections(std::uint32_t& bufferBytes,
                                                std::vector<ActiveConnection>& out) {
  out.clear();
  if (bufferBytes < sizeof(RASCONNA)) bufferBytes = sizeof(RASCONNA);
  HANDLE heap = GetProcessHeap();
  auto* records = static_cast<RASCONNA*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, bufferBytes));
  if (records == nullptr) {
    LogCall("RasEnumConnectionsA", "(no memory for " + std::to_string(bufferBytes) + " bytes)",
            ras::kNotEnoughMemory);
    return ras::kNotEnoughMemory;
  }
  records[0].dwSize = sizeof(RASCONNA);
  DWORD size = bufferBytes;
  DWORD count = 0;
  const DWORD result = RasEnumConnectionsA(records, &size, &count);
  LogCall("RasEnumConnectionsA", "", result,
          result == ERROR_BUFFER_TOO_SMALL ? ", " + std::to_string(size) + " bytes needed"
                                           : ", " + std::to_string(count) + " connection(s)");
  if (result == ERROR_BUFFER_TOO_SMALL) {
    bufferBytes = size;
  } else if (result == 0) {
    const DWORD room = bufferBytes / sizeof(RASCONNA);
    for (DWORD i = 0; i < count && i < room; ++i) {
      ActiveConnection c;
      c.handle = FromHandle(records[i].hrasconn);
      c.entryName = FromField(records[i].szEntryName);
      c.phonebook = FromField(records[i].szPhonebook);
      c.entryGuid = FromGuid(records[i].guidEntry);
      out.push_back(std::move(c));
    }
  }
  HeapFree(heap, 0, records);
  return result;
}

RasResult Rasapi32RemoteAccess::GetErrorString(std::uint32_t code, std::string& text) {
  char buffer[512] = {};
  const DWORD result = RasGetErrorStringA(code, buffer, sizeof buffer);
  if (result == 0) text = FromField(buffer);
  // Only a failure: the text itself goes with what it explains.
  if (result != 0) LogCall("RasGetErrorStringA", std::to_string(code), result);
  return result;
}

void LogDialEvent(RemoteAccess& ras, std::uint32_t state, std::uint32_t error) {
  std::string text;
  if (error != 0 && ras.GetErrorString(error, text) != 0) text = "(no text)";
  Log("dial", "event " + StateName(state) +
                  (error != 0 ? ", error " + std::to_string(error) + ": " + text : ""));
}

}  // namespace norva
