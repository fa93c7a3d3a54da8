// The simulated remote access service (tools/fakeras), called the way the
// program calls the system's: through <ras.h>, with the Windows XP records.
#undef WINVER
#undef _WIN32_WINNT
#undef NTDDI_VERSION
#define WINVER 0x0501
#define _WIN32_WINNT 0x0501

#include "wine_test_support.h"

#include <ras.h>
#include <raserror.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace {

using norva::testing::FakeRasSession;

const char kEntry[] = "NORVA";

RASENTRYA PptpEntry(const char* phone = "") {
  RASENTRYA e;
  std::memset(&e, 0, sizeof e);
  e.dwSize = sizeof e;
  e.dwfOptions = 0x05001110;
  e.dwfOptions2 = 0x4;
  e.dwVpnStrategy = VS_PptpOnly;
  e.dwfNetProtocols = RASNP_Ip;
  e.dwFramingProtocol = RASFP_Ppp;
  e.dwType = RASET_Vpn;
  e.dwRedialCount = 3;
  std::strcpy(e.szDeviceName, "WAN Miniport (PPTP)");
  std::strcpy(e.szDeviceType, "vpn");
  std::strcpy(e.szLocalPhoneNumber, phone);
  return e;
}

RASCREDENTIALSA Credentials(DWORD mask, const char* user = "", const char* password = "") {
  RASCREDENTIALSA c;
  std::memset(&c, 0, sizeof c);
  c.dwSize = sizeof c;
  c.dwMask = mask;
  std::strcpy(c.szUserName, user);
  std::strcpy(c.szPassword, password);
  return c;
}

RASDIALPARAMSA DialParams(const char* phone, const char* user, const char* password) {
  RASDIALPARAMSA p;
  std::memset(&p, 0, sizeof p);
  p.dwSize = sizeof p;
  std::strcpy(p.szEntryName, kEntry);
  std::strcpy(p.szPhoneNumber, phone);
  std::strcpy(p.szUserName, user);
  std::strcpy(p.szPassword, password);
  return p;
}

RASCONNSTATUSA Status(HRASCONN handle, DWORD& result) {
  RASCONNSTATUSA s;
  std::memset(&s, 0, sizeof s);
  s.dwSize = sizeof s;
  result = RasGetConnectStatusA(handle, &s);
  return s;
}

// A hidden window that receives dial progress; its events are collected by
// pumping the thread's queue.
class DialNotifier {
 public:
  DialNotifier()
      : window_(CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)),
        message_(RegisterWindowMessageA(RASDIALEVENT)) {}
  ~DialNotifier() { DestroyWindow(window_); }

  HWND window() const { return window_; }
  const std::vector<std::pair<DWORD, DWORD>>& events() const { return events_; }

  // Pumps until an event carries `state` or an error, or the time is up.
  bool WaitFor(DWORD state, DWORD timeoutMs = 10000) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == message_ && msg.hwnd == window_) {
          events_.emplace_back(static_cast<DWORD>(msg.wParam), static_cast<DWORD>(msg.lParam));
          if (msg.wParam == state || msg.lParam != 0) return msg.wParam == state;
        } else {
          DispatchMessageA(&msg);
        }
      }
      Sleep(5);
    }
    return false;
  }

 private:
  HWND window_;
  UINT message_;
  std::vector<std::pair<DWORD, DWORD>> events_;
};

class FakeRasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(notifier_.window(), nullptr);
    phonebook_ = fake_.Phonebook();
  }

  DWORD SetEntry(const RASENTRYA& entry, const std::string& name = kEntry) {
    RASENTRYA copy = entry;
    return RasSetEntryPropertiesA(phonebook_.c_str(), name.c_str(), &copy, sizeof copy, nullptr, 0);
  }

  DWORD GetEntry(RASENTRYA& out, const std::string& name = kEntry) {
    std::memset(&out, 0, sizeof out);
    out.dwSize = sizeof out;
    DWORD size = sizeof out;
    return RasGetEntryPropertiesA(phonebook_.c_str(), name.c_str(), &out, &size, nullptr, nullptr);
  }

  // Dials the entry and returns the handle; the result goes to `result`.
  HRASCONN Dial(const char* user, const char* password, DWORD& result) {
    RASDIALPARAMSA params = DialParams("203.0.113.7", user, password);
    HRASCONN handle = nullptr;
    result = RasDialA(nullptr, phonebook_.c_str(), &params, 0xFFFFFFFF, notifier_.window(), &handle);
    return handle;
  }

  HRASCONN DialConnected() {
    DWORD result = 1;
    HRASCONN handle = Dial("alice", "secret", result);
    EXPECT_EQ(result, 0u);
    EXPECT_TRUE(notifier_.WaitFor(RASCS_Connected));
    return handle;
  }

  FakeRasSession fake_;
  std::string phonebook_;
  DialNotifier notifier_;
};

TEST_F(FakeRasTest, RecordsOfAnotherSizeAreRefused) {
  ASSERT_EQ(SetEntry(PptpEntry()), 0u);

  RASENTRYA entry = PptpEntry();
  entry.dwSize = sizeof entry - 4;
  EXPECT_EQ(RasSetEntryPropertiesA(phonebook_.c_str(), kEntry, &entry, sizeof entry, nullptr, 0),
            static_cast<DWORD>(ERROR_INVALID_SIZE));
  DWORD size = sizeof entry;
  EXPECT_EQ(RasGetEntryPropertiesA(phonebook_.c_str(), kEntry, &entry, &size, nullptr, nullptr),
            static_cast<DWORD>(ERROR_INVALID_SIZE));

  // The size argument: too small for a read answers the size needed.
  entry.dwSize = sizeof entry;
  size = 100;
  EXPECT_EQ(RasGetEntryPropertiesA(phonebook_.c_str(), kEntry, &entry, &size, nullptr, nullptr),
            static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
  EXPECT_EQ(size, sizeof(RASENTRYA));
  EXPECT_EQ(RasSetEntryPropertiesA(phonebook_.c_str(), kEntry, &entry, 100, nullptr, 0),
            static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));

  RASCREDENTIALSA credentials = Credentials(RASCM_UserName, "alice");
  credentials.dwSize = sizeof credentials + 4;
  EXPECT_EQ(RasSetCredentialsA(phonebook_.c_str(), kEntry, &credentials, FALSE),
            static_cast<DWORD>(ERROR_INVALID_SIZE));
  EXPECT_EQ(RasGetCredentialsA(phonebook_.c_str(), kEntry, &credentials),
            static_cast<DWORD>(ERROR_INVALID_SIZE));

  RASDIALPARAMSA params = DialParams("203.0.113.7", "alice", "secret");
  params.dwSize = 1064 + 1060 - sizeof params;  // the other bitness's size
  BOOL saved = FALSE;
  EXPECT_EQ(RasGetEntryDialParamsA(phonebook_.c_str(), &params, &saved), static_cast<DWORD>(ERROR_INVALID_SIZE));
  HRASCONN handle = nullptr;
  EXPECT_EQ(RasDialA(nullptr, phonebook_.c_str(), &params, 0xFFFFFFFF, notifier_.window(), &handle),
            static_cast<DWORD>(ERROR_INVALID_SIZE));
  EXPECT_EQ(handle, nullptr);

  RASCONNSTATUSA status;
  std::memset(&status, 0, sizeof status);
  status.dwSize = sizeof status - 1;
  EXPECT_EQ(RasGetConnectStatusA(reinterpret_cast<HRASCONN>(0x1001), &status),
            static_cast<DWORD>(ERROR_INVALID_SIZE));

  RASCONNA connections[1];
  std::memset(connections, 0, sizeof connections);
  connections[0].dwSize = 704 + 708 - sizeof(RASCONNA);
  DWORD bytes = sizeof connections, count = 0;
  EXPECT_EQ(RasEnumConnectionsA(connections, &bytes, &count), static_cast<DWORD>(ERROR_INVALID_SIZE));
}

TEST_F(FakeRasTest, MissingPhonebookOrEntryIsReported) {
  RASENTRYA entry;
  EXPECT_EQ(GetEntry(entry), static_cast<DWORD>(ERROR_CANNOT_OPEN_PHONEBOOK));
  DWORD size = sizeof entry;
  EXPECT_EQ(RasGetEntryPropertiesA(nullptr, kEntry, &entry, &size, nullptr, nullptr),
            static_cast<DWORD>(ERROR_CANNOT_OPEN_PHONEBOOK));

  ASSERT_EQ(SetEntry(PptpEntry()), 0u);
  EXPECT_EQ(GetEntry(entry, "OTHER"), static_cast<DWORD>(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY));
  EXPECT_EQ(GetEntry(entry, "norva"), 0u) << "entry names compare without regard to case";

  RASCREDENTIALSA credentials = Credentials(RASCM_UserName | RASCM_Password);
  EXPECT_EQ(RasGetCredentialsA(phonebook_.c_str(), "OTHER", &credentials),
            static_cast<DWORD>(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY));
  RASDIALPARAMSA params = DialParams("", "", "");
  std::strcpy(params.szEntryName, "OTHER");
  BOOL saved = FALSE;
  EXPECT_EQ(RasGetEntryDialParamsA(phonebook_.c_str(), &params, &saved),
            static_cast<DWORD>(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY));
  HRASCONN handle = nullptr;
  EXPECT_EQ(RasDialA(nullptr, phonebook_.c_str(), &params, 0xFFFFFFFF, notifier_.window(), &handle),
            static_cast<DWORD>(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY));
  const std::string nowhere = fake_.dir().File("none.pbk");
  std::strcpy(params.szEntryName, kEntry);
  EXPECT_EQ(RasDialA(nullptr, nowhere.c_str(), &params, 0xFFFFFFFF, notifier_.window(), &handle),
            static_cast<DWORD>(ERROR_CANNOT_OPEN_PHONEBOOK));
  EXPECT_EQ(handle, nullptr);
}

TEST_F(FakeRasTest, ScenarioFaultsAndCallLog) {
  fake_.SetScenario("[RasSetEntryPropertiesA]\nresult=5\n[RasGetCredentialsA]\nresult=0x26D\n");
  EXPECT_EQ(SetEntry(PptpEntry()), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  RASENTRYA entry;
  EXPECT_EQ(GetEntry(entry), static_cast<DWORD>(ERROR_CANNOT_OPEN_PHONEBOOK)) << "a fault does not act";
  RASCREDENTIALSA asked = Credentials(RASCM_UserName | RASCM_Password);
  EXPECT_EQ(RasGetCredentialsA(phonebook_.c_str(), kEntry, &asked), 621u);

  // The scenario is read at every call.
  fake_.SetScenario("");
  EXPECT_EQ(SetEntry(PptpEntry()), 0u);

  const std::string log = fake_.CallLog();
  const std::string failed = "RasSetEntryPropertiesA phonebook=\"" + phonebook_ +
                             "\" entry=\"NORVA\" dwSize=2884 size=2884 vpnStrategy=0x1 options=0x5001110 "
                             "options2=0x4 phone=\"\" -> 5";
  EXPECT_NE(log.find(failed + "\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("RasGetCredentialsA phonebook=\"" + phonebook_ + "\" entry=\"NORVA\" dwSize=540 mask=0x3 -> 621"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("options2=0x4 phone=\"\" guid=\"{"), std::string::npos) << log;
}

TEST_F(FakeRasTest, DialFailures) {
  ASSERT_EQ(SetEntry(PptpEntry()), 0u);

  // Credentials other than the expected ones fail at authentication.
  fake_.SetScenario("[dial]\nstep_ms=10\nuser=alice\npassword=secret\n");
  DWORD result = 1;
  HRASCONN handle = Dial("alice", "wrong", result);
  ASSERT_EQ(result, 0u);
  EXPECT_FALSE(notifier_.WaitFor(RASCS_Connected));
  ASSERT_FALSE(notifier_.events().empty());
  EXPECT_EQ(notifier_.events().back(), std::make_pair(DWORD(RASCS_Authenticate), DWORD(691)));
  EXPECT_EQ(notifier_.events().size(), 3u);
  RASCONNSTATUSA status = Status(handle, result);
  ASSERT_EQ(result, 0u);
  EXPECT_EQ(status.dwError, 691u);
  EXPECT_EQ(RasHangUpA(handle), 0u);

  // A failure at a chosen state, also one outside the usual sequence.
  fake_.SetScenario("[dial]\nstep_ms=10\nerror_state=3\nerror_code=678\n");
  DialNotifier second;
  RASDIALPARAMSA params = DialParams("203.0.113.7", "alice", "secret");
  handle = nullptr;
  ASSERT_EQ(RasDialA(nullptr, phonebook_.c_str(), &params, 0xFFFFFFFF, second.window(), &handle), 0u);
  EXPECT_FALSE(second.WaitFor(RASCS_Connected));
  const std::vector<std::pair<DWORD, DWORD>> upToFailure = {
      {RASCS_PortOpened, 0}, {RASCS_ConnectDevice, 0}, {RASCS_DeviceConnected, 678}};
  EXPECT_EQ(second.events(), upToFailure);

  // Refused at once, with or without a handle to release.
  fake_.SetScenario("[dial]\nimmediate_error=800\n");
  handle = Dial("alice", "secret", result);
  EXPECT_EQ(result, 800u);
  EXPECT_EQ(handle, nullptr);
  fake_.SetScenario("[dial]\nimmediate_error=800\nimmediate_handle=1\n");
  handle = Dial("alice", "secret", result);
  EXPECT_EQ(result, 800u);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(RasHangUpA(handle), 0u);

  // Only a window notifier and an empty handle are accepted.
  params = DialParams("203.0.113.7", "alice", "secret");
  handle = nullptr;
  EXPECT_EQ(RasDialA(nullptr, phonebook_.c_str(), &params, 1, notifier_.window(), &handle),
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  handle = reinterpret_cast<HRASCONN>(0x1001);
  EXPECT_EQ(RasDialA(nullptr, phonebook_.c_str(), &params, 0xFFFFFFFF, notifier_.window(), &handle),
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  // None of the failed dials is listed as a connection.
  RASCONNA record;
  std::memset(&record, 0, sizeof record);
  record.dwSize = sizeof record;
  DWORD bytes = sizeof record, count = 5;
  EXPECT_EQ(RasEnumConnectionsA(&record, &bytes, &count), 0u);
  EXPECT_EQ(count, 0u);
}

TEST_F(FakeRasTest, HangUpReleasesTheHandleAfterSomePolls) {
  ASSERT_EQ(SetEntry(PptpEntry()), 0u);
  fake_.SetScenario("[dial]\nstep_ms=10\n[hangup]\nrelease_after_polls=2\n");
  HRASCONN handle = DialConnected();

  EXPECT_EQ(RasHangUpA(reinterpret_cast<HRASCONN>(0x7777)), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  fake_.SetScenario("[dial]\nstep_ms=10\n[RasHangUpA]\nresult=5\n");
  EXPECT_EQ(RasHangUpA(handle), 5u);
  DWORD result = 1;
  EXPECT_EQ(Status(handle, result).rasconnstate, RASCS_Connected);

  fake_.SetScenario("[hangup]\nrelease_after_polls=2\n");
  ASSERT_EQ(RasHangUpA(handle), 0u);
  for (int poll = 0; poll < 2; ++poll) {
    RASCONNSTATUSA status = Status(handle, result);
    ASSERT_EQ(result, 0u) << "poll " << poll;
    EXPECT_EQ(status.rasconnstate, RASCS_Disconnected);
  }
  Status(handle, result);
  EXPECT_EQ(result, static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(RasHangUpA(handle), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(FakeRasTest, EnumerationAsksForRoomForEveryConnection) {
  ASSERT_EQ(SetEntry(PptpEntry()), 0u);
  fake_.SetScenario("[dial]\nstep_ms=10\n");
  HRASCONN first = DialConnected();
  HRASCONN second = DialConnected();
  ASSERT_NE(first, second);

  std::vector<RASCONNA> buffer(1);
  std::memset(buffer.data(), 0, sizeof(RASCONNA));
  buffer[0].dwSize = sizeof(RASCONNA);
  DWORD bytes = sizeof(RASCONNA), count = 0;
  ASSERT_EQ(RasEnumConnectionsA(buffer.data(), &bytes, &count), static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
  EXPECT_EQ(bytes, 2 * sizeof(RASCONNA));
  EXPECT_EQ(count, 2u);

  buffer.resize(bytes / sizeof(RASCONNA));
  std::memset(buffer.data(), 0, bytes);
  buffer[0].dwSize = sizeof(RASCONNA);
  ASSERT_EQ(RasEnumConnectionsA(buffer.data(), &bytes, &count), 0u);
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(buffer[0].hrasconn, first);
  EXPECT_EQ(buffer[1].hrasconn, second);
  EXPECT_EQ(buffer[1].dwSize, sizeof(RASCONNA));

  // A connection being hung up is no longer listed.
  ASSERT_EQ(RasHangUpA(first), 0u);
  ASSERT_EQ(RasEnumConnectionsA(buffer.data(), &bytes, &count), 0u);
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(buffer[0].hrasconn, second);
}

TEST_F(FakeRasTest, LinkDropIsSeenByStatusAndEnumeration) {
  ASSERT_EQ(SetEntry(PptpEntry()), 0u);
  const std::string trigger = fake_.dir().File("drop.now");
  fake_.SetScenario("[dial]\nstep_ms=10\n[link]\ndrop_trigger_file=" + trigger + "\n");
  HRASCONN handle = DialConnected();
  DWORD result = 1;
  EXPECT_EQ(Status(handle, result).rasconnstate, RASCS_Connected);

  norva::testing::WriteFileBytes(trigger, "x");
  EXPECT_EQ(Status(handle, result).rasconnstate, RASCS_Disconnected);
  EXPECT_EQ(result, 0u);
  DeleteFileA(trigger.c_str());
  EXPECT_EQ(Status(handle, result).rasconnstate, RASCS_Disconnected) << "a drop stays";
  RASCONNA record;
  std::memset(&record, 0, sizeof record);
  record.dwSize = sizeof record;
  DWORD bytes = sizeof record, count = 5;
  ASSERT_EQ(RasEnumConnectionsA(&record, &bytes, &count), 0u);
  EXPECT_EQ(count, 0u);

  // Dropped after a time, answering that the handle is gone.
  fake_.SetScenario("[dial]\nstep_ms=10\n[link]\ndrop_after_ms=500\ndrop_result=6\n");
  DialNotifier other;
  RASDIALPARAMSA params = DialParams("203.0.113.7", "alice", "secret");
  handle = nullptr;
  ASSERT_EQ(RasDialA(nullptr, phonebook_.c_str(), &params, 0xFFFFFFFF, other.window(), &handle), 0u);
  ASSERT_TRUE(other.WaitFor(RASCS_Connected));
  EXPECT_EQ(Status(handle, result).rasconnstate, RASCS_Connected);
  Sleep(700);
  Status(handle, result);
  EXPECT_EQ(result, static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(FakeRasTest, ErrorTexts) {
  char text[512];
  ASSERT_EQ(RasGetErrorStringA(691, text, sizeof text), 0u);
  EXPECT_STREQ(text, "Access was denied because the username and/or password was invalid on the domain.");
  for (UINT code : {619u, 623u, 628u, 629u, 651u, 678u, 718u, 720u, 721u, 734u, 741u, 742u, 769u, 789u,
                    800u, 806u, 807u, 809u, 812u, 868u}) {
    text[0] = '\0';
    EXPECT_EQ(RasGetErrorStringA(code, text, sizeof text), 0u) << code;
    EXPECT_GT(std::strlen(text), 10u) << code;
  }

  std::strcpy(text, "untouched");
  EXPECT_EQ(RasGetErrorStringA(12345, text, sizeof text), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_STREQ(text, "untouched");
  EXPECT_EQ(RasGetErrorStringA(691, text, 20), static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
  EXPECT_STREQ(text, "untouched");
}

}  // namespace
