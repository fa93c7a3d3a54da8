// The simulated remote access service (tools/fakeras) in what the program
// and its journeys rely on, called as the program calls the system's:
// through <ras.h>, with the Windows XP records.
#undef WINVER
#undef _WIN32_WINNT
#undef NTDDI_VERSION
#define WINVER 0x0501
#define _WIN32_WINNT 0x0501

#include "wine_test_support.h"

#include <ras.h>
#include <raserror.h>

#include <gtest/gtest.h>
#include <process.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kEntry[] = "NORVA";

template <typename Record>
Record Sized() {
  Record r;
  std::memset(&r, 0, sizeof r);
  r.dwSize = sizeof r;
  return r;
}

// A dial record for the entry, with nothing else in it.
RASDIALPARAMSA DialParams() {
  RASDIALPARAMSA p = Sized<RASDIALPARAMSA>();
  std::strcpy(p.szEntryName, kEntry);
  return p;
}

// The link's state, or the call's error when it fails.
DWORD State(HRASCONN handle) {
  RASCONNSTATUSA s = Sized<RASCONNSTATUSA>();
  const DWORD result = RasGetConnectStatusA(handle, &s);
  return result != 0 ? result : DWORD(s.rasconnstate);
}

// The connections listed, growing the buffer as the service asks.
std::vector<HRASCONN> Listed() {
  std::vector<RASCONNA> records(1, Sized<RASCONNA>());
  DWORD bytes = sizeof(RASCONNA), count = 0;
  DWORD result = RasEnumConnectionsA(records.data(), &bytes, &count);
  if (result == ERROR_BUFFER_TOO_SMALL) {
    EXPECT_EQ(bytes, count * sizeof(RASCONNA)) << "room for every connection";
    records.assign(bytes / sizeof(RASCONNA), Sized<RASCONNA>());
    result = RasEnumConnectionsA(records.data(), &bytes, &count);
  }
  EXPECT_EQ(result, 0u);
  std::vector<HRASCONN> handles;
  for (DWORD i = 0; i < count && i < records.size(); ++i) handles.push_back(records[i].hrasconn);
  return handles;
}

// Dials the entry, with progress messages to a window of this thread that
// nobody reads, and waits until the service reports the link up.
HRASCONN DialConnected(const std::string& phonebook) {
  static HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
  RASDIALPARAMSA params = DialParams();
  HRASCONN handle = nullptr;
  EXPECT_EQ(RasDialA(nullptr, phonebook.c_str(), &params, 0xFFFFFFFF, window, &handle), 0u);
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(5)) {
    if (State(handle) == RASCS_Connected) return handle;
  }
  ADD_FAILURE() << "the dial did not connect";
  return handle;
}

struct FakeRasTest : ::testing::Test {
  void SetUp() override {
    RASENTRYA entry = Sized<RASENTRYA>();
    ASSERT_EQ(RasSetEntryPropertiesA(phonebook.c_str(), kEntry, &entry, sizeof entry, nullptr, 0),
              0u);
    service.SetScenario("[dial]\nstep_ms=10\n[hangup]\nrelease_after_polls=2\n");
  }

  norva::testing::FakeRasSession service;
  std::string phonebook = service.Phonebook();
};

TEST_F(FakeRasTest, RecordsOfAnotherSizeAreRefused) {
  RASENTRYA entry = Sized<RASENTRYA>();
  entry.dwSize -= 4;
  RASCREDENTIALSA credentials = Sized<RASCREDENTIALSA>();
  credentials.dwSize += 4;
  RASDIALPARAMSA params = DialParams();
  params.dwSize = 1060 + 1064 - sizeof params;  // the other bitness's size
  RASCONNSTATUSA status = Sized<RASCONNSTATUSA>();
  status.dwSize -= 1;
  RASCONNA connection = Sized<RASCONNA>();
  connection.dwSize = 704 + 708 - sizeof connection;
  DWORD entrySize = sizeof entry, bytes = sizeof connection, count = 0;
  BOOL saved = FALSE;
  HRASCONN handle = nullptr;
  const struct {
    const char* call;
    DWORD result;
  } cases[] = {
      {"RasSetEntryPropertiesA",
       RasSetEntryPropertiesA(phonebook.c_str(), kEntry, &entry, sizeof entry, nullptr, 0)},
      {"RasGetEntryPropertiesA",
       RasGetEntryPropertiesA(phonebook.c_str(), kEntry, &entry, &entrySize, nullptr, nullptr)},
      {"RasSetCredentialsA", RasSetCredentialsA(phonebook.c_str(), kEntry, &credentials, FALSE)},
      {"RasGetCredentialsA", RasGetCredentialsA(phonebook.c_str(), kEntry, &credentials)},
      {"RasGetEntryDialParamsA", RasGetEntryDialParamsA(phonebook.c_str(), &params, &saved)},
      {"RasDialA", RasDialA(nullptr, phonebook.c_str(), &params, 0xFFFFFFFF, HWND_MESSAGE, &handle)},
      {"RasGetConnectStatusA", RasGetConnectStatusA(HRASCONN(0x1001), &status)},
      {"RasEnumConnectionsA", RasEnumConnectionsA(&connection, &bytes, &count)},
  };
  for (const auto& c : cases) EXPECT_EQ(c.result, DWORD(ERROR_INVALID_SIZE)) << c.call;
  EXPECT_EQ(handle, nullptr);
}

TEST_F(FakeRasTest, EnumerationAsksForRoomForEveryConnection) {
  HRASCONN first = DialConnected(phonebook);
  HRASCONN second = DialConnected(phonebook);
  ASSERT_NE(first, second);
  EXPECT_EQ(Listed(), (std::vector<HRASCONN>{first, second}));
  ASSERT_EQ(RasHangUpA(first), 0u);
  EXPECT_EQ(Listed(), std::vector<HRASCONN>{second}) << "one being hung up is not listed";
}

TEST_F(FakeRasTest, HangUpReleasesTheHandleAfterSomePolls) {
  HRASCONN handle = DialConnected(phonebook);
  ASSERT_EQ(RasHangUpA(handle), 0u);
  std::vector<DWORD> polls;
  for (int i = 0; i < 4; ++i) polls.push_back(State(handle));
  EXPECT_EQ(polls, (std::vector<DWORD>{RASCS_Disconnected, RASCS_Disconnected,
                                       ERROR_INVALID_HANDLE, ERROR_INVALID_HANDLE}));
  EXPECT_EQ(RasHangUpA(handle), DWORD(ERROR_INVALID_HANDLE));
}

TEST_F(FakeRasTest, ALinkDropStaysWhileNewDialsHold) {
  const std::string trigger = service.dir().File("drop.now");
  service.SetScenario("[dial]\nstep_ms=10\n[link]\ndrop_trigger_file=" + trigger + "\n");
  HRASCONN dropped = DialConnected(phonebook);
  EXPECT_EQ(State(dropped), DWORD(RASCS_Connected));
  norva::testing::WriteFileBytes(trigger, "");
  EXPECT_EQ(State(dropped), DWORD(RASCS_Disconnected));
  EXPECT_EQ(Listed(), std::vector<HRASCONN>{});
  DeleteFileA(trigger.c_str());
  HRASCONN redialled = DialConnected(phonebook);
  EXPECT_EQ(State(dropped), DWORD(RASCS_Disconnected));
  EXPECT_EQ(State(redialled), DWORD(RASCS_Connected));
}

// The first process of ConnectionsOutliveTheProcessThatDialled.
TEST(FakeRasLaterProcess, DialsAndEnds) {
  const char* phonebook = std::getenv("NORVA_DIAL_PHONEBOOK");
  if (phonebook == nullptr) GTEST_SKIP() << "started by ConnectionsOutliveTheProcessThatDialled";
  DialConnected(phonebook);
}

TEST_F(FakeRasTest, ConnectionsOutliveTheProcessThatDialled) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  SetEnvironmentVariableA("NORVA_DIAL_PHONEBOOK", phonebook.c_str());
  const intptr_t exitCode = _spawnl(_P_WAIT, self, ("\"" + std::string(self) + "\"").c_str(),
                                    "--gtest_filter=FakeRasLaterProcess.*", nullptr);
  SetEnvironmentVariableA("NORVA_DIAL_PHONEBOOK", nullptr);
  ASSERT_EQ(exitCode, 0) << "the dialling process failed";
  const std::vector<HRASCONN> listed = Listed();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(State(listed[0]), DWORD(RASCS_Connected));
  EXPECT_EQ(RasHangUpA(listed[0]), 0u);
}

}  // namespace
