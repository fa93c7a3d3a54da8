// Connections: RasDialA with its progress messages, RasHangUpA,
// RasGetConnectStatusA and RasEnumConnectionsA.
//
// Connections are records in connections.ini of the state folder, so that a
// process started later, or another one, sees them too. A handle is a small
// number (0x1001, 0x1002, ...) handed out as an HRASCONN; the record's
// section is named after it.
#include "fakeras.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace fakeras {
namespace {

const char kConnectionsFile[] = "connections.ini";
const char kCounterSection[] = "connections";
const std::uintptr_t kFirstHandle = 0x1000;

struct Connection {
  std::uintptr_t handle = 0;
  std::string entry;
  std::string phonebook;
  std::string guid;
  std::string phone;
  std::string user;
  std::string deviceType;
  std::string deviceName;
  DWORD state = RASCS_OpenPort;
  DWORD error = 0;
  std::uint64_t connectedAt = 0;
  bool hangingUp = false;
  DWORD polls = 0;
  bool dropped = false;
};

std::string SectionOf(std::uintptr_t handle) { return Hex(handle); }

IniDocument LoadConnections(const std::string& stateDir) {
  std::string text;
  ReadFileText(JoinPath(stateDir, kConnectionsFile), text);
  return IniDocument::Parse(text);
}

bool SaveConnections(const std::string& stateDir, const IniDocument& doc) {
  return WriteFileText(JoinPath(stateDir, kConnectionsFile), doc.Serialize());
}

std::optional<Connection> ReadConnection(const IniDocument& doc, std::uintptr_t handle) {
  const IniSection* section = doc.Find(SectionOf(handle));
  if (!section) return std::nullopt;
  auto text = [&](const char* key) { return FindKey(*section, key).value_or(std::string()); };
  Connection c;
  c.handle = handle;
  c.entry = text("entry");
  c.phonebook = text("phonebook");
  c.guid = text("guid");
  c.phone = text("phone");
  c.user = text("user");
  c.deviceType = text("device_type");
  c.deviceName = text("device_name");
  c.state = ParseNumber(text("state"), RASCS_OpenPort);
  c.error = ParseNumber(text("error"), 0);
  c.connectedAt = std::strtoull(text("connected_at").c_str(), nullptr, 10);
  c.hangingUp = ParseNumber(text("hanging_up"), 0) != 0;
  c.polls = ParseNumber(text("polls"), 0);
  c.dropped = ParseNumber(text("dropped"), 0) != 0;
  return c;
}

void WriteConnection(IniDocument& doc, const Connection& c) {
  const std::string section = SectionOf(c.handle);
  doc.Set(section, "entry", c.entry);
  doc.Set(section, "phonebook", c.phonebook);
  doc.Set(section, "guid", c.guid);
  doc.Set(section, "phone", c.phone);
  doc.Set(section, "user", c.user);
  doc.Set(section, "device_type", c.deviceType);
  doc.Set(section, "device_name", c.deviceName);
  doc.Set(section, "state", Hex8(c.state));
  doc.Set(section, "error", Decimal(c.error));
  doc.Set(section, "connected_at", Decimal(c.connectedAt));
  doc.Set(section, "hanging_up", c.hangingUp ? "1" : "0");
  doc.Set(section, "polls", Decimal(c.polls));
  doc.Set(section, "dropped", c.dropped ? "1" : "0");
}

// Handles of all records, in the order they were made.
std::vector<std::uintptr_t> AllHandles(const IniDocument& doc) {
  std::vector<std::uintptr_t> handles;
  for (const IniSection& section : doc.Sections()) {
    const std::uint32_t handle = ParseNumber(section.name, 0);
    if (handle > kFirstHandle && SectionOf(handle) == section.name) handles.push_back(handle);
  }
  return handles;
}

std::uintptr_t HandleValue(HRASCONN handle) { return reinterpret_cast<std::uintptr_t>(handle); }

HRASCONN ToHandle(std::uintptr_t value) { return reinterpret_cast<HRASCONN>(value); }

// Whether the scenario's [link] says a connected link is gone by now. A drop
// once seen stays.
bool LinkDropped(const IniDocument& scenario, const Connection& c) {
  if (c.dropped) return true;
  if (c.state != RASCS_Connected || c.error != 0 || c.hangingUp) return false;
  if (auto after = scenario.Get("link", "drop_after_ms")) {
    if (NowMs() - c.connectedAt >= ParseNumber(*after, 0)) return true;
  }
  const std::string trigger = scenario.GetText("link", "drop_trigger_file");
  return !trigger.empty() && GetFileAttributesA(trigger.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Whether a connection of the entry holds its port: a dial that failed or a
// hang-up, not released yet. Its handle is released once a status query has
// answered 6.
bool PortHeld(const IniDocument& doc, const std::string& phonebook, const std::string& entry) {
  for (const std::uintptr_t handle : AllHandles(doc)) {
    auto c = ReadConnection(doc, handle);
    if (c && EqualsNoCase(c->entry, entry) &&
        EqualsNoCase(FullPath(c->phonebook), FullPath(phonebook)) &&
        (c->error != 0 || c->hangingUp)) {
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------
// The dial worker: sends the progress of one dial to the notifier window.

// The states a VPN dial passes through, in the order of RASCONNSTATE: one
// device (the VPN miniport) is connected, the user is authenticated and the
// network protocols are projected. Callback, retry, password change,
// multilink and the paused states do not arise.
const DWORD kVpnDialStates[] = {
    RASCS_OpenPort, RASCS_PortOpened, RASCS_ConnectDevice, RASCS_DeviceConnected,
    RASCS_AllDevicesConnected, RASCS_Authenticate, RASCS_AuthNotify, RASCS_AuthProject,
    RASCS_Authenticated, RASCS_Projected, RASCS_Connected};

struct DialJob {
  std::string stateDir;
  std::uintptr_t handle = 0;
  HWND window = nullptr;
  UINT message = 0;
  DWORD stepMs = 0;
  DWORD failState = 0;  // with failCode: the state whose event carries an error
  DWORD failCode = 0;
  bool credentialsRejected = false;
};

// Records that the dial reached `state`; false when the connection has been
// hung up or released meanwhile, and the dial is to end silently.
bool Advance(const DialJob& job, DWORD state, DWORD error) {
  StateLock lock;
  IniDocument doc = LoadConnections(job.stateDir);
  auto c = ReadConnection(doc, job.handle);
  if (!c || c->hangingUp) return false;
  c->state = state;
  c->error = error;
  if (state == RASCS_Connected && error == 0) c->connectedAt = NowMs();
  WriteConnection(doc, *c);
  SaveConnections(job.stateDir, doc);
  return true;
}

// Records the state and sends its notification, as Windows does: from this
// thread, waiting until the window's thread has handled it. The state lock
// is not held meanwhile, so the handler may call the service. False when the
// dial is to end silently.
bool Announce(const DialJob& job, DWORD state, DWORD error) {
  if (!Advance(job, state, error)) return false;
  std::string returned = "none";  // the window is gone: nobody to tell
  if (IsWindow(job.window)) {
    const LRESULT answer = SendMessageA(job.window, job.message, state, error);
    returned = answer < 0 ? "-" + Decimal(0 - static_cast<std::uint64_t>(answer)) : Decimal(answer);
  }
  AppendLog(job.stateDir, "DialEvent handle=" + Hex(job.handle) + " state=" + Hex(state) +
                              " error=" + Decimal(error) + " returned=" + returned);
  return true;
}

DWORD WINAPI DialWorker(LPVOID parameter) {
  std::unique_ptr<DialJob> job(static_cast<DialJob*>(parameter));
  try {
    std::vector<DWORD> steps(std::begin(kVpnDialStates), std::end(kVpnDialStates));
    if (job->failCode != 0 && std::find(steps.begin(), steps.end(), job->failState) == steps.end()) {
      steps.insert(std::upper_bound(steps.begin(), steps.end(), job->failState), job->failState);
    }
    // Each state is announced on entry; one that fails is announced again
    // with its error, which ends the dial.
    for (const DWORD state : steps) {
      Sleep(job->stepMs);
      DWORD error = 0;
      if (state == RASCS_Authenticate && job->credentialsRejected) error = ERROR_AUTHENTICATION_FAILURE;
      if (job->failCode != 0 && state == job->failState) error = job->failCode;
      if (!Announce(*job, state, 0)) return 0;
      if (error != 0) {
        Sleep(job->stepMs);
        Announce(*job, state, error);
        return 0;
      }
    }
  } catch (...) {
  }
  return 0;
}

}  // namespace
}  // namespace fakeras

using namespace fakeras;

extern "C" DWORD APIENTRY RasDialA(LPRASDIALEXTENSIONS lpRasDialExtensions, LPCSTR lpszPhonebook,
                                   LPRASDIALPARAMSA lpRasDialParams, DWORD dwNotifierType, LPVOID lpvNotifier,
                                   LPHRASCONN lphRasConn) {
  return RunCall("RasDialA", [&](Call& call) -> DWORD {
    const std::string phonebook = ArgText(lpszPhonebook);
    call.Text("phonebook", phonebook);
    call.Number("extensions", lpRasDialExtensions ? 1 : 0);
    if (lpRasDialParams) {
      call.Text("entry", FieldText(lpRasDialParams->szEntryName));
      call.Number("dwSize", lpRasDialParams->dwSize);
    }
    call.HexNumber("notifierType", dwNotifierType);
    call.HexNumber("notifier", reinterpret_cast<std::uintptr_t>(lpvNotifier));
    if (lpRasDialParams && lpRasDialParams->dwSize == sizeof(RASDIALPARAMSA)) {
      call.Text("phone", FieldText(lpRasDialParams->szPhoneNumber));
      call.Text("user", FieldText(lpRasDialParams->szUserName));
      call.Text("password", FieldText(lpRasDialParams->szPassword));
      call.Text("domain", FieldText(lpRasDialParams->szDomain));
    }
    if (auto fault = call.Fault()) return *fault;

    if (!lpRasDialParams || !lphRasConn) return ERROR_INVALID_PARAMETER;
    if (lpRasDialParams->dwSize != sizeof(RASDIALPARAMSA)) return ERROR_INVALID_SIZE;
    // Only window notification is simulated, and no paused dial is resumed:
    // the handle to fill must start out empty.
    HWND window = static_cast<HWND>(lpvNotifier);
    if (dwNotifierType != 0xFFFFFFFF || !window || !IsWindow(window)) return ERROR_INVALID_PARAMETER;
    if (*lphRasConn != nullptr) return ERROR_INVALID_PARAMETER;

    IniDocument book;
    const IniSection* entry = nullptr;
    if (const DWORD opened = OpenEntry(phonebook, FieldText(lpRasDialParams->szEntryName), book, entry)) {
      return opened;
    }

    const IniDocument& scenario = call.scenario();
    const std::string stateDir = call.context().stateDir;
    IniDocument connections = LoadConnections(stateDir);
    if (PortHeld(connections, phonebook, entry->name)) return ERROR_PORT_ALREADY_OPEN;
    auto newConnection = [&](DWORD error) {
      Connection c;
      const std::uint32_t next = connections.GetNumber(kCounterSection, "last", kFirstHandle) + 1;
      connections.Set(kCounterSection, "last", Hex(next));
      c.handle = next;
      c.entry = entry->name;
      c.phonebook = phonebook;
      c.guid = FindKey(*entry, "Guid").value_or(std::string());
      c.phone = FieldText(lpRasDialParams->szPhoneNumber);
      if (c.phone.empty()) c.phone = FindKey(*entry, "LocalPhoneNumber").value_or(std::string());
      c.user = FieldText(lpRasDialParams->szUserName);
      c.deviceType = FindKey(*entry, "DeviceType").value_or(std::string());
      if (c.deviceType.empty()) c.deviceType = "vpn";
      c.deviceName = FindKey(*entry, "DeviceName").value_or(std::string());
      c.error = error;
      WriteConnection(connections, c);
      return c.handle;
    };

    if (const DWORD refusal = scenario.GetNumber("dial", "immediate_error", 0)) {
      if (scenario.GetNumber("dial", "immediate_handle", 0) != 0) {
        const std::uintptr_t handle = newConnection(refusal);
        if (!SaveConnections(stateDir, connections)) return refusal;
        *lphRasConn = ToHandle(handle);
        call.HexNumber("handle", handle);
      }
      return refusal;
    }

    auto job = std::make_unique<DialJob>();
    job->stateDir = stateDir;
    job->window = window;
    job->message = RegisterWindowMessageA(RASDIALEVENT);
    if (job->message == 0) job->message = WM_RASDIALEVENT;
    job->stepMs = scenario.GetNumber("dial", "step_ms", 150);
    job->failState = scenario.GetNumber("dial", "error_state", 0);
    job->failCode = scenario.GetNumber("dial", "error_code", 0);
    const auto expectedUser = scenario.Get("dial", "user");
    const auto expectedPassword = scenario.Get("dial", "password");
    std::string password = FieldText(lpRasDialParams->szPassword);
    if (password == kSavedPasswordHandle) {
      password = SavedPassword(call.context(), phonebook, entry->name).value_or(password);
    }
    job->credentialsRejected =
        (expectedUser && *expectedUser != FieldText(lpRasDialParams->szUserName)) ||
        (expectedPassword && *expectedPassword != password);
    job->handle = newConnection(0);
    if (!SaveConnections(stateDir, connections)) return ERROR_CANNOT_WRITE_PHONEBOOK;

    // The worker waits for the state lock, which this call holds until it has
    // returned the handle, so its first event cannot overtake the answer.
    const std::uintptr_t handle = job->handle;
    HANDLE thread = CreateThread(nullptr, 0, DialWorker, job.get(), 0, nullptr);
    if (!thread) {
      connections.RemoveSection(SectionOf(handle));
      SaveConnections(stateDir, connections);
      return ERROR_NOT_ENOUGH_MEMORY;
    }
    job.release();
    CloseHandle(thread);
    *lphRasConn = ToHandle(handle);
    call.HexNumber("handle", handle);
    return 0;
  });
}

extern "C" DWORD APIENTRY RasHangUpA(HRASCONN hrasconn) {
  return RunCall("RasHangUpA", [&](Call& call) -> DWORD {
    call.HexNumber("handle", HandleValue(hrasconn));
    if (auto fault = call.Fault("hangup")) return *fault;

    const std::string& stateDir = call.context().stateDir;
    IniDocument connections = LoadConnections(stateDir);
    auto c = ReadConnection(connections, HandleValue(hrasconn));
    if (!c) return ERROR_INVALID_HANDLE;
    if (!c->hangingUp) {
      c->hangingUp = true;
      c->polls = 0;
      WriteConnection(connections, *c);
      SaveConnections(stateDir, connections);
    }
    return 0;
  });
}

extern "C" DWORD APIENTRY RasGetConnectStatusA(HRASCONN hrasconn, LPRASCONNSTATUSA lpRasConnStatus) {
  return RunCall("RasGetConnectStatusA", [&](Call& call) -> DWORD {
    call.HexNumber("handle", HandleValue(hrasconn));
    if (lpRasConnStatus) call.Number("dwSize", lpRasConnStatus->dwSize);
    if (auto fault = call.Fault()) return *fault;

    if (!lpRasConnStatus) return ERROR_INVALID_PARAMETER;
    if (lpRasConnStatus->dwSize != sizeof(RASCONNSTATUSA)) return ERROR_INVALID_SIZE;
    const std::string& stateDir = call.context().stateDir;
    const IniDocument& scenario = call.scenario();
    IniDocument connections = LoadConnections(stateDir);
    auto c = ReadConnection(connections, HandleValue(hrasconn));
    if (!c) return ERROR_INVALID_HANDLE;

    DWORD state = c->state;
    DWORD error = c->error;
    if (c->hangingUp) {
      // The service lets go of the handle only after a few more questions.
      if (++c->polls > scenario.GetNumber("hangup", "release_after_polls", 3)) {
        connections.RemoveSection(SectionOf(c->handle));
        SaveConnections(stateDir, connections);
        return ERROR_INVALID_HANDLE;
      }
      WriteConnection(connections, *c);
      SaveConnections(stateDir, connections);
      state = RASCS_Disconnected;
      error = 0;
    } else if (LinkDropped(scenario, *c)) {
      if (!c->dropped) {
        c->dropped = true;
        WriteConnection(connections, *c);
        SaveConnections(stateDir, connections);
      }
      if (const DWORD result = scenario.GetNumber("link", "drop_result", 0)) {
        if (result == ERROR_INVALID_HANDLE) {
          connections.RemoveSection(SectionOf(c->handle));
          SaveConnections(stateDir, connections);
        }
        return result;
      }
      state = RASCS_Disconnected;
      error = scenario.GetNumber("link", "drop_error", 0);
    }

    lpRasConnStatus->rasconnstate = static_cast<RASCONNSTATE>(state);
    lpRasConnStatus->dwError = error;
    PutText(lpRasConnStatus->szDeviceType, c->deviceType);
    PutText(lpRasConnStatus->szDeviceName, c->deviceName);
    PutText(lpRasConnStatus->szPhoneNumber, c->phone);
    call.HexNumber("state", state);
    call.Number("error", error);
    return 0;
  });
}

extern "C" DWORD APIENTRY RasEnumConnectionsA(LPRASCONNA lprasconn, LPDWORD lpcb, LPDWORD lpcConnections) {
  return RunCall("RasEnumConnectionsA", [&](Call& call) -> DWORD {
    // The first record's dwSize can be read only when the buffer holds it.
    const bool sizeReadable = lprasconn && lpcb && *lpcb >= sizeof(DWORD);
    if (sizeReadable) call.Number("dwSize", lprasconn->dwSize);
    if (lpcb) call.Number("cb", *lpcb);
    if (auto fault = call.Fault()) return *fault;

    if (!lpcb || !lpcConnections) return ERROR_INVALID_PARAMETER;
    if (lprasconn && (!sizeReadable || lprasconn->dwSize != sizeof(RASCONNA))) return ERROR_INVALID_SIZE;

    // Connections that are up or being dialled; not those that failed, were
    // hung up or lost their link.
    const std::string& stateDir = call.context().stateDir;
    IniDocument connections = LoadConnections(stateDir);
    std::vector<Connection> active;
    bool changed = false;
    for (const std::uintptr_t handle : AllHandles(connections)) {
      auto c = ReadConnection(connections, handle);
      if (!c || c->error != 0 || c->hangingUp) continue;
      if (LinkDropped(call.scenario(), *c)) {
        if (!c->dropped) {
          c->dropped = true;
          WriteConnection(connections, *c);
          changed = true;
        }
        continue;
      }
      active.push_back(*c);
    }
    if (changed) SaveConnections(stateDir, connections);

    const DWORD needed = static_cast<DWORD>(active.size() * sizeof(RASCONNA));
    *lpcConnections = static_cast<DWORD>(active.size());
    call.Number("count", active.size());
    call.Number("needed", needed);
    if (needed > 0 && (!lprasconn || *lpcb < needed)) {
      *lpcb = needed;
      return ERROR_BUFFER_TOO_SMALL;
    }
    for (std::size_t i = 0; i < active.size(); ++i) {
      RASCONNA& record = lprasconn[i];
      std::memset(&record, 0, sizeof record);
      record.dwSize = sizeof(RASCONNA);
      record.hrasconn = ToHandle(active[i].handle);
      PutText(record.szEntryName, active[i].entry);
      PutText(record.szDeviceType, active[i].deviceType);
      PutText(record.szDeviceName, active[i].deviceName);
      PutText(record.szPhonebook, active[i].phonebook);
      ParseGuid(active[i].guid, record.guidEntry);
      call.HexNumber("handle", active[i].handle);
    }
    *lpcb = needed;
    return 0;
  });
}
