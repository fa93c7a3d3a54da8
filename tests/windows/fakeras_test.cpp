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

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Handles = std::vector<HRASCONN>;
const char kEntry[] = "NORVA";

template <typename Record>
Record Sized(DWORD size = sizeof(Record)) {
  Record r{};
  r.dwSize = size;
  return r;
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
    EXPECT_EQ(bytes, count * sizeof(RASCONNA)) << "room for every connection";
    records.assign(bytes / sizeof(RASCONNA), Sized<RASCONNA>());
    result = RasEnumConnectionsA(records.data(), &bytes, &count);
  }
  EXPECT_EQ(result, 0u);
  Handles handles;
  for (DWORD i = 0; i < count && i < records.size(); ++i) handles.push_back(records[i].hrasconn);
  return handles;
}

// Dials the entry and waits until the service reports the link up.
HRASCONN DialConnected(const std::string& phonebook) {
  static HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
  RASDIALPARAMSA params = Sized<RASDIALPARAMSA>();
  std::strcpy(params.szEntryName, kEntry);
  HRASCONN handle = nullptr;
  EXPECT_EQ(RasDialA(nullptr, phonebook.c_str(), &params, 0xFFFFFFFF, window, &handle), 0u);
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(5)) {
    if (State(handle) == RASCS_Connected) return handle;
  }
  ADD_FAILURE() << "the dial did not connect";
  return handle;
}

TEST(FakeRasTest, RecordsOfAnotherSizeAreRefused) {
  norva::testing::FakeRasSession service;
  const std::string pbk = service.Phonebook();
  RASENTRYA entry = Sized<RASENTRYA>(sizeof(RASENTRYA) - 4);
  RASCREDENTIALSA credentials = Sized<RASCREDENTIALSA>(sizeof(RASCREDENTIALSA) + 4);
  RASCONNSTATUSA status = Sized<RASCONNSTATUSA>(sizeof(RASCONNSTATUSA) - 1);
  // The other bitness's sizes.
  RASDIALPARAMSA params = Sized<RASDIALPARAMSA>(1060 + 1064 - sizeof(RASDIALPARAMSA));
  RASCONNA connection = Sized<RASCONNA>(704 + 708 - sizeof(RASCONNA));
  DWORD bytes = sizeof connection, count = 0;
  HRASCONN handle = nullptr;
  const struct { const char* call; DWORD result; } cases[] = {
      {"RasSetEntryPropertiesA",
       RasSetEntryPropertiesA(pbk.c_str(), kEntry, &entry, sizeof entry, nullptr, 0)},
      {"RasSetCredentialsA", RasSetCredentialsA(pbk.c_str(), kEntry, &credentials, FALSE)},
      {"RasDialA", RasDialA(nullptr, pbk.c_str(), &params, 0xFFFFFFFF, HWND_MESSAGE, &handle)},
      {"RasGetConnectStatusA", RasGetConnectStatusA(HRASCONN(0x1001), &status)},
      {"RasEnumConnectionsA", RasEnumConnectionsA(&connection, &bytes, &count)},
  };
  for (const auto& c : cases) EXPECT_EQ(c.result, DWORD(ERROR_INVALID_SIZE)) << c.call;
  EXPECT_EQ(handle, nullptr);
}

// Two connections listed; the first hung up: unlisted at once, released after two polls; the
// second's link dropped for good, while a later dial holds. (That a connection outlives the
// program that dialled it is the connect journey's: its next start adopts it.)
TEST(FakeRasTest, ConnectionsAreListedUntilHungUpOrDropped) {
  norva::testing::FakeRasSession service;
  const std::string phonebook = service.Phonebook(), dropTrigger = service.dir().File("drop.now");
  service.SetScenario("[dial]\nstep_ms=10\n[hangup]\nrelease_after_polls=2\n"
                      "[link]\ndrop_trigger_file=" + dropTrigger + "\n");
  RASENTRYA entry = Sized<RASENTRYA>();
  ASSERT_EQ(RasSetEntryPropertiesA(phonebook.c_str(), kEntry, &entry, sizeof entry, nullptr, 0),
            0u);
  const HRASCONN first = DialConnected(phonebook), second = DialConnected(phonebook);
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
  DeleteFileA(dropTrigger.c_str());
  const HRASCONN third = DialConnected(phonebook);
  EXPECT_EQ(Listed(), Handles{third});
  EXPECT_EQ(State(second), DWORD(RASCS_Disconnected));
  EXPECT_EQ(RasHangUpA(third), 0u);
}

}  // namespace
