// The simulated remote access service (tools/fakeras), called as the program calls
// the system's: through <ras.h>, with the Windows XP records.
#undef WINVER
#undef _WIN32_WINNT
#undef NTDDI_VERSION
#define WINVER 0x0501
#define _WIN32_WINNT 0x0501

#include "wine_test_support.h"

#include <ras.h>
#include <raserror.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Handles = std::vector<HRASCONN>;
const char kEntry[] = "NORVA";
const char kStandIn[] = "****************";

template <typename Record>
Record Sized(DWORD size = sizeof(Record)) {
  Record r{};
  r.dwSize = size;
  return r;
}

// An entry with every member the caller must supply.
RASENTRYA Complete() {
  RASENTRYA e = Sized<RASENTRYA>();
  std::strcpy(e.szLocalPhoneNumber, "192.0.2.1");
  std::strcpy(e.szDeviceName, "WAN Miniport (PPTP)");
  std::strcpy(e.szDeviceType, RASDT_Vpn);
  e.dwFramingProtocol = RASFP_Ppp;
  e.dwfOptions = RASEO_RemoteDefaultGateway;
  e.dwType = RASET_Vpn;
  return e;
}

DWORD SetEntry(const std::string& phonebook, RASENTRYA entry = Complete()) {
  return RasSetEntryPropertiesA(phonebook.c_str(), kEntry, &entry, sizeof entry, nullptr, 0);
}

DWORD SetCredentials(const std::string& phonebook, DWORD mask, const char* password) {
  RASCREDENTIALSA c = Sized<RASCREDENTIALSA>();
  c.dwMask = mask;
  std::strcpy(c.szUserName, "alice");
  std::strcpy(c.szPassword, password);
  return RasSetCredentialsA(phonebook.c_str(), kEntry, &c, FALSE);
}

// The link's state, or the call's error when it fails.
DWORD State(HRASCONN handle) {
  RASCONNSTATUSA s = Sized<RASCONNSTATUSA>();
  const DWORD result = RasGetConnectStatusA(handle, &s);
  return result != 0 ? result : DWORD(s.rasconnstate);
}

// The connections listed, growing the buffer as the service asks.
Handles Listed() {
  std::vector<RASCONNA> records(1, Sized<RASCONNA>());
  DWORD bytes = sizeof(RASCONNA), count = 0;
  DWORD result = RasEnumConnectionsA(records.data(), &bytes, &count);
  if (result == ERROR_BUFFER_TOO_SMALL) {
    records.assign(bytes / sizeof(RASCONNA), Sized<RASCONNA>());
    result = RasEnumConnectionsA(records.data(), &bytes, &count);
  }
  EXPECT_EQ(result, 0u);
  Handles handles;
  for (DWORD i = 0; i < count && i < records.size(); ++i) handles.push_back(records[i].hrasconn);
  return handles;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// The dial notifications handled so far: "state" or "state/error", marked
// "(posted)" when one was not sent.
std::string events;

LRESULT CALLBACK Notifier(HWND window, UINT message, WPARAM state, LPARAM error) {
  if (message != RegisterWindowMessageA(RASDIALEVENT)) {
    return DefWindowProcA(window, message, state, error);
  }
  events += (events.empty() ? "" : " ") + std::to_string(state) +
            (error != 0 ? "/" + std::to_string(error) : "") + (InSendMessage() ? "" : "(posted)");
  return TRUE;
}

// Dials the entry, handling its notifications until it connected or failed;
// `result` is RasDialA's answer. The handle.
HRASCONN Dial(const norva::testing::FakeRasSession& service, const char* password,
              DWORD* result = nullptr) {
  static HWND window = [] {
    WNDCLASSA c = {};
    c.lpfnWndProc = Notifier;
    c.lpszClassName = "fakeras-test";
    RegisterClassA(&c);
    return CreateWindowA(c.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
  }();
  RASDIALPARAMSA params = Sized<RASDIALPARAMSA>();
  std::strcpy(params.szEntryName, kEntry);
  std::strcpy(params.szUserName, "alice");
  std::strcpy(params.szPassword, password);
  HRASCONN handle = nullptr;
  events.clear();
  const size_t logged = Count(service.CallLog(), "DialEvent");
  const DWORD answer =
      RasDialA(nullptr, service.Phonebook().c_str(), &params, 0xFFFFFFFF, window, &handle);
  if (result != nullptr) *result = answer;
  // Until the last notification is handled and the service has logged them all.
  auto done = [&] {
    return (events.find('/') != std::string::npos || events.find("8192") != std::string::npos) &&
           Count(service.CallLog(), "DialEvent") == logged + Count(" " + events, " ");
  };
  const DWORD start = GetTickCount();
  while (answer == 0 && !done() && GetTickCount() - start < 9000) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return handle;
}

// Polls the handle until the service has released it.
void AwaitRelease(HRASCONN handle) {
  for (int i = 0; i < 100 && State(handle) != ERROR_INVALID_HANDLE; ++i) Sleep(5);
}

// The answer of the last logged call of that name.
std::string LastResult(const std::string& log, const std::string& call) {
  const size_t line = log.rfind("\n" + call + " ");
  if (line == std::string::npos) return "none";
  const size_t answer = log.find("-> ", line) + 3;
  return log.substr(answer, log.find('\r', answer) - answer);
}

// The writes, and a read, of an all-users phonebook that the test makes as a
// standard user: this program, started through as-standard-user.exe.
void StandardUserCalls(const char* phonebook) {
  SetEntry(phonebook);
  SetCredentials(phonebook, RASCM_PreSharedKey, "58132470");
  RASENTRYA entry = Sized<RASENTRYA>();
  DWORD size = sizeof entry;
  RasGetEntryPropertiesA(phonebook, kEntry, &entry, &size, nullptr, nullptr);
}

// What Windows refuses, or does otherwise than a kinder service would, each
// as its documentation says (tools/fakeras/README.md names the pages).
TEST(FakeRasTest, RefusesWhatWindowsRefuses) {
  norva::testing::FakeRasSession service;
  const std::string pbk = service.Phonebook();
  service.SetScenario("[dial]\nstep_ms=5\nuser=alice\npassword=secret\n"
                      "[hangup]\nrelease_after_polls=1\n");
  struct Row {
    std::string what, got, expected;
  };
  std::vector<Row> rows;
  auto code = [](DWORD result) { return std::to_string(result); };

  // 1. The members the caller must supply.
  const std::vector<std::pair<const char*, void (*)(RASENTRYA&)>> unfilled = {
      {"szLocalPhoneNumber", [](RASENTRYA& e) { e.szLocalPhoneNumber[0] = '\0'; }},
      {"szDeviceName", [](RASENTRYA& e) { e.szDeviceName[0] = '\0'; }},
      {"szDeviceType", [](RASENTRYA& e) { e.szDeviceType[0] = '\0'; }},
      {"dwFramingProtocol", [](RASENTRYA& e) { e.dwFramingProtocol = 0; }},
      {"dwfOptions", [](RASENTRYA& e) { e.dwfOptions = 0; }},
      {"dwType", [](RASENTRYA& e) { e.dwType = 0; }},
      {"dwSize", [](RASENTRYA& e) { e.dwSize -= 4; }}};
  for (const auto& [member, clear] : unfilled) {
    RASENTRYA entry = Complete();
    clear(entry);
    const bool size = std::strcmp(member, "dwSize") == 0;
    rows.push_back({std::string("entry without ") + member, code(SetEntry(pbk, entry)),
                    code(size ? ERROR_INVALID_SIZE : ERROR_INVALID_PARAMETER)});
  }
  ASSERT_EQ(SetEntry(pbk), 0u);
  ASSERT_EQ(SetCredentials(pbk, RASCM_UserName | RASCM_Password, "secret"), 0u);
  ASSERT_EQ(SetCredentials(pbk, RASCM_PreSharedKey, "58132470"), 0u);
  RASCREDENTIALSA ghost = Sized<RASCREDENTIALSA>();
  char text[10];
  rows.push_back({"credentials of a missing entry, error text in 10 characters",
                  code(RasSetCredentialsA(pbk.c_str(), "GHOST", &ghost, FALSE)) + " " +
                      code(RasGetErrorStringA(ERROR_AUTHENTICATION_FAILURE, text, sizeof text)),
                  code(ERROR_INVALID_PARAMETER) + " " + code(ERROR_INSUFFICIENT_BUFFER)});
  rows.push_back({"pre-shared key with another item",
                  code(SetCredentials(pbk, RASCM_PreSharedKey | RASCM_UserName, "k")),
                  code(ERROR_INVALID_PARAMETER)});

  // 5. A saved password comes back as a stand-in, which stands for it.
  RASDIALPARAMSA params = Sized<RASDIALPARAMSA>();
  std::strcpy(params.szEntryName, kEntry);
  BOOL saved = FALSE;
  RasGetEntryDialParamsA(pbk.c_str(), &params, &saved);
  rows.push_back({"dial parameters' saved password", params.szPassword + std::to_string(saved),
                  kStandIn + std::string("1")});
  for (const DWORD mask : {DWORD(RASCM_Password), DWORD(RASCM_PreSharedKey)}) {
    RASCREDENTIALSA c = Sized<RASCREDENTIALSA>();
    c.dwMask = mask;
    RasGetCredentialsA(pbk.c_str(), kEntry, &c);
    rows.push_back({"credentials read, mask " + code(mask), c.szPassword,
                    mask == RASCM_Password ? kStandIn : "58132470"});
  }
  SetCredentials(pbk, RASCM_UserName | RASCM_Password, kStandIn);
  const std::string stored = norva::testing::ReadFileBytes(service.dir().File("credentials.ini"));
  rows.push_back({"stand-in set as the password", stored.substr(stored.find("\nPassword="), 16),
                  "\nPassword=secret"});

  // 3. and 4. Notifications sent, each state on entry and again with its
  // error; the port held until the handle is released.
  DWORD result = 0;
  const HRASCONN failed = Dial(service, "wrong");
  rows.push_back({"dial refused by the server", events, "0 1 2 3 4 5 5/691"});
  Dial(service, "secret", &result);
  rows.push_back({"dial after a failed dial", code(result), code(ERROR_PORT_ALREADY_OPEN)});
  RasHangUpA(failed);
  Dial(service, "secret", &result);
  rows.push_back({"dial after a hang-up, unreleased", code(result), code(ERROR_PORT_ALREADY_OPEN)});
  AwaitRelease(failed);
  const HRASCONN connected = Dial(service, kStandIn, &result);
  rows.push_back({"dial with the stand-in after the release", code(result) + ": " + events,
                  "0: 0 1 2 3 4 5 6 10 14 18 8192"});
  RasHangUpA(connected);
  const size_t answers = Count(service.CallLog(), " returned=1\r");
  rows.push_back({"handlers' answers logged", std::to_string(answers), "18"});

  // 2. Writes to the all-users phonebook need an administrator; reads do not.
  char common[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common);
  const std::string folder = common + std::string("\\") + norva::testing::UniqueName("fakeras-");
  const std::string shared = folder + "\\norva.pbk";
  rows.push_back({"all-users entry written by an administrator", code(SetEntry(shared)), "0"});
  const std::string self = norva::testing::ProgramPath();
  std::string command = "\"" + self.substr(0, self.rfind('\\')) + "\\as-standard-user.exe\" \"" +
                        self + "\" --standard-user \"" + shared + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &child));
  WaitForSingleObject(child.hProcess, 30000);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  const std::string childLog = service.CallLog();
  DeleteFileA(shared.c_str());
  RemoveDirectoryA(folder.c_str());
  for (const char* call :
       {"RasSetEntryPropertiesA", "RasSetCredentialsA", "RasGetEntryPropertiesA"}) {
    rows.push_back({std::string("all-users phonebook, standard user: ") + call,
                    LastResult(childLog, call), call[3] == 'S' ? code(ERROR_ACCESS_DENIED) : "0"});
  }

  for (const Row& row : rows) EXPECT_EQ(row.got, row.expected) << row.what;
}

// Two connections listed; the first hung up: unlisted at once, released after two polls; the
// second's link dropped: unlisted. (That a connection outlives the program that dialled it is
// the connect journey's: its next start adopts it.)
TEST(FakeRasTest, ConnectionsAreListedUntilHungUpOrDropped) {
  norva::testing::FakeRasSession service;
  const std::string dropTrigger = service.dir().File("drop.now");
  service.SetScenario("[dial]\nstep_ms=1\n[hangup]\nrelease_after_polls=2\n"
                      "[link]\ndrop_trigger_file=" + dropTrigger + "\n");
  ASSERT_EQ(SetEntry(service.Phonebook()), 0u);
  const HRASCONN first = Dial(service, ""), second = Dial(service, "");
  EXPECT_EQ(Listed(), (Handles{first, second}));
  ASSERT_EQ(RasHangUpA(first), 0u);
  EXPECT_EQ(Listed(), Handles{second});
  const DWORD kGone = ERROR_INVALID_HANDLE;
  const std::vector<DWORD> polls = {State(first), State(first), State(first), State(first)};
  EXPECT_EQ(polls, (std::vector<DWORD>{RASCS_Disconnected, RASCS_Disconnected, kGone, kGone}));
  EXPECT_EQ(RasHangUpA(first), kGone);

  norva::testing::WriteFileBytes(dropTrigger, "");
  EXPECT_EQ(State(second), DWORD(RASCS_Disconnected));
  EXPECT_EQ(Listed(), Handles{});
  EXPECT_EQ(RasHangUpA(second), 0u);
}

}  // namespace

// Started with --standard-user PHONEBOOK (through as-standard-user.exe), the
// program makes the calls of a standard user instead of running the tests.
int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--standard-user") {
    StandardUserCalls(argv[2]);
    return 0;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
