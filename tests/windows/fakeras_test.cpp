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

#include <cstddef>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

const char kEntry[] = "NORVA";
const char kStandIn[] = "****************";

template <typename Record>
Record Sized() {
  Record r{};
  r.dwSize = sizeof r;
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

std::string SetEntry(const std::string& phonebook, RASENTRYA entry = Complete()) {
  return std::to_string(RasSetEntryPropertiesA(phonebook.c_str(), kEntry, &entry, sizeof entry, 0, 0));
}

std::string SetCredentials(const std::string& phonebook, DWORD mask, const char* password,
                           const char* entry = kEntry) {
  RASCREDENTIALSA c = Sized<RASCREDENTIALSA>();
  c.dwMask = mask;
  std::strcpy(c.szUserName, "alice");
  std::strcpy(c.szPassword, password);
  return std::to_string(RasSetCredentialsA(phonebook.c_str(), entry, &c, FALSE));
}

// The link's state, or the call's error when it fails.
std::string State(HRASCONN handle) {
  RASCONNSTATUSA s = Sized<RASCONNSTATUSA>();
  const DWORD result = RasGetConnectStatusA(handle, &s);
  return std::to_string(result != 0 ? result : DWORD(s.rasconnstate));
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// The dial notifications handled: "state" or "state/error", "(posted)" when not sent.
std::string events;

LRESULT CALLBACK Notifier(HWND window, UINT message, WPARAM state, LPARAM error) {
  if (message != RegisterWindowMessageA(RASDIALEVENT)) return DefWindowProcA(window, message, state, error);
  events += (events.empty() ? "" : " ") + std::to_string(state) +
            (error != 0 ? "/" + std::to_string(error) : "") + (InSendMessage() ? "" : "(posted)");
  return TRUE;
}

// RasDialA's answer and the notifications handled until the dial has
// connected or failed and the service has logged them all.
std::string Dial(const norva::testing::FakeRasSession& service, const char* password,
                 HRASCONN* handle) {
  static HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Notifier));
  RASDIALPARAMSA params = Sized<RASDIALPARAMSA>();
  std::strcpy(params.szEntryName, kEntry);
  std::strcpy(params.szUserName, "alice");
  std::strcpy(params.szPassword, password);
  events.clear();
  const size_t logged = Count(service.CallLog(), "DialEvent");
  const DWORD answer = RasDialA(nullptr, service.Phonebook().c_str(), &params, 0xFFFFFFFF, window, handle);
  auto done = [&] {
    return (events.find('/') != std::string::npos || events.find("8192") != std::string::npos) &&
           Count(service.CallLog(), "DialEvent") == logged + Count(" " + events, " ");
  };
  for (const DWORD start = GetTickCount(); answer == 0 && !done() && GetTickCount() - start < 9000;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return std::to_string(answer) + (answer == 0 ? ": " + events : "");
}

// What Windows refuses or does otherwise than a kinder service, as documented
// (tools/fakeras/README.md names the pages); and the release the journeys rely on.
TEST(FakeRasTest, RefusesWhatWindowsRefuses) {
  norva::testing::FakeRasSession service;
  const std::string pbk = service.Phonebook();
  service.SetScenario("[dial]\nstep_ms=5\nuser=alice\npassword=secret\n[hangup]\nrelease_after_polls=1\n");
  struct Row { std::string what, got, expected; };
  std::vector<Row> rows;
  const std::string kInvalid = std::to_string(ERROR_INVALID_PARAMETER);
  const std::string kPortOpen = std::to_string(ERROR_PORT_ALREADY_OPEN);

  // The members the caller must supply, and the size.
#define FAKERAS_MEMBER(name) {#name, offsetof(RASENTRYA, name)}
  const std::pair<const char*, size_t> members[] = {
      FAKERAS_MEMBER(szLocalPhoneNumber), FAKERAS_MEMBER(szDeviceName), FAKERAS_MEMBER(szDeviceType),
      FAKERAS_MEMBER(dwFramingProtocol), FAKERAS_MEMBER(dwfOptions), FAKERAS_MEMBER(dwType),
      FAKERAS_MEMBER(dwSize)};
#undef FAKERAS_MEMBER
  for (const auto& [member, offset] : members) {
    RASENTRYA entry = Complete();
    std::memset(reinterpret_cast<char*>(&entry) + offset, 0, sizeof(DWORD));
    rows.push_back({std::string("entry without ") + member, SetEntry(pbk, entry),
                    offset == 0 ? std::to_string(ERROR_INVALID_SIZE) : kInvalid});
  }
  ASSERT_EQ(SetEntry(pbk), "0");
  ASSERT_EQ(SetCredentials(pbk, RASCM_UserName | RASCM_Password, "secret"), "0");
  ASSERT_EQ(SetCredentials(pbk, RASCM_PreSharedKey, "58132470"), "0");
  char text[10];
  rows.push_back({"credentials of a missing entry, key with the user, error text in 10 characters",
                  SetCredentials(pbk, RASCM_Password, "x", "GHOST") + " " +
                      SetCredentials(pbk, RASCM_PreSharedKey | RASCM_UserName, "x") + " " +
                      std::to_string(RasGetErrorStringA(691, text, sizeof text)),
                  kInvalid + " " + kInvalid + " " + std::to_string(ERROR_INSUFFICIENT_BUFFER)});

  // A saved password comes back as a stand-in, which stands for it; the key does not.
  RASDIALPARAMSA params = Sized<RASDIALPARAMSA>();
  std::strcpy(params.szEntryName, kEntry);
  BOOL saved = FALSE;
  RasGetEntryDialParamsA(pbk.c_str(), &params, &saved);
  std::string got = params.szPassword + std::to_string(saved);
  for (const DWORD mask : {DWORD(RASCM_Password), DWORD(RASCM_PreSharedKey)}) {
    RASCREDENTIALSA c = Sized<RASCREDENTIALSA>();
    c.dwMask = mask;
    RasGetCredentialsA(pbk.c_str(), kEntry, &c);
    got += std::string(" ") + c.szPassword;
  }
  SetCredentials(pbk, RASCM_UserName | RASCM_Password, kStandIn);
  const std::string stored = norva::testing::ReadFileBytes(service.dir().File("credentials.ini"));
  rows.push_back({"passwords read, then the stand-in stored",
                  got + stored.substr(stored.find("\nPassword="), 16),
                  kStandIn + std::string("1 ") + kStandIn + " 58132470\nPassword=secret"});

  // Notifications sent, each state on entry and again with its error; the
  // port held until the handle is released.
  HRASCONN failed = nullptr, again = nullptr, up = nullptr;
  got = Dial(service, "wrong", &failed);
  got += ", " + Dial(service, "secret", &again);
  RasHangUpA(failed);
  got += ", " + Dial(service, "secret", &again);
  got += ", " + State(failed);
  got += " " + State(failed);
  rows.push_back({"dial refused by the server; a dial after it, after its hang-up; its handle polled",
                  got, "0: 0 1 2 3 4 5 5/691, " + kPortOpen + ", " + kPortOpen + ", 8193 6"});
  got = Dial(service, kStandIn, &up);
  got += " " + std::to_string(Count(service.CallLog(), " returned=1\r"));
  RasHangUpA(up);
  rows.push_back({"stand-in dial after the release, answers logged; a dial after its hang-up",
                  got + ", " + Dial(service, "secret", &again),
                  "0: 0 1 2 3 4 5 6 10 14 18 8192 18, " + kPortOpen});

  // Writes to the all-users phonebook need an administrator; reads do not.
  char common[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common);
  const std::string shared = common + ("\\" + norva::testing::UniqueName("fakeras-") + ".pbk");
  got = SetEntry(shared);
  // A standard user: this thread with the process's token, the Administrators
  // group for deny only, as as-standard-user.exe gives a program.
  HANDLE token = nullptr, restricted = nullptr;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  SID_AND_ATTRIBUTES denyOnly = {nullptr, 0};
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &token) &&
              AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                                       0, 0, 0, 0, 0, 0, &denyOnly.Sid) &&
              CreateRestrictedToken(token, 0, 1, &denyOnly, 0, nullptr, 0, nullptr, &restricted) &&
              ImpersonateLoggedOnUser(restricted));
  RASENTRYA entry = Sized<RASENTRYA>();
  DWORD size = sizeof entry;
  got += " " + SetEntry(shared) + " " + SetCredentials(shared, RASCM_PreSharedKey, "58132470") +
         " " + std::to_string(RasGetEntryPropertiesA(shared.c_str(), kEntry, &entry, &size, 0, 0));
  RevertToSelf();
  for (HANDLE h : {token, restricted}) CloseHandle(h);
  FreeSid(denyOnly.Sid);
  DeleteFileA(shared.c_str());
  rows.push_back({"all-users entry by an administrator; entry, key and read by a standard user",
                  got, "0 5 5 0"});

  for (const Row& row : rows) EXPECT_EQ(row.got, row.expected) << row.what;
}

}  // namespace
