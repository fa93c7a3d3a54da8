// The updater against a real HTTPS site on localhost, with WinINet, the
// registry and the file system for real. server_list_site.py starts the site,
// runs this program and describes the site in the environment.
#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "serverlist/server_list_file.h"
#include "serverlist/server_list_update.h"
#include "serverlist/server_list_worker.h"
#include "serverlist/wininet_client.h"
#include "settings/registry_key.h"
#include "settings/registry_settings_store.h"
#include "wine_test_support.h"

namespace norva {
namespace {

using testing::FileExists;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

struct Site {
  std::string url = Env("NORVA_TEST_SITE_URL");
  std::string dir = Env("NORVA_TEST_SITE_DIR");
  std::string log = Env("NORVA_TEST_SITE_LOG");

  void Put(const std::string& name, const std::string& bytes) const {
    WriteFileBytes(dir + "\\" + name, bytes);
  }
  // Starts afresh: no file served, nothing requested.
  void Clear() const {
    for (const char* name : {"version.txt", "servers.xml", "servers.xml.cut"}) {
      DeleteFileA((dir + "\\" + name).c_str());
    }
    WriteFileBytes(log, "");
  }
  std::string Requests() const { return ReadFileBytes(log); }
};

const char kVersionOnly[] = "/serverlist/version.txt\n";
const char kVersionThenList[] = "/serverlist/version.txt\n/serverlist/servers.xml\n";

// 1,300 bytes that no shift, truncation or text conversion leaves unchanged.
std::string ListOf1300Bytes() {
  std::string list = "<servers>\r\n";
  for (int i = 0; list.size() < 1300; ++i) list += static_cast<char>(i * 37 + 11);
  return list;
}

// Compares without printing kilobytes of binary on a mismatch.
::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << actual.size() << " bytes where " << expected.size()
                                       << " were expected";
}

// Puts the site's throwaway CA into the current user's Root store of this
// Wine prefix before the first HTTPS request (the chain engine reads the store
// once per process) and takes it out at the end. The store's registry part is
// used directly: Wine does not pass a deletion through the system store.
class TrustedSiteEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(Change(true)); }
  void TearDown() override { EXPECT_TRUE(Change(false)); }

 private:
  static bool Change(bool trust) {
    const std::string der = ReadFileBytes(Env("NORVA_TEST_CA"));
    PCCERT_CONTEXT ca = CertCreateCertificateContext(
        X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
        static_cast<DWORD>(der.size()));
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0,
                                    CERT_SYSTEM_STORE_CURRENT_USER, "Root");
    if (ca == nullptr || root == nullptr) return false;
    PCCERT_CONTEXT found =
        CertFindCertificateInStore(root, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, ca, nullptr);
    bool ok = true;
    if (trust && found == nullptr) {
      ok = CertAddCertificateContextToStore(root, ca, CERT_STORE_ADD_NEW, nullptr) != FALSE;
    } else if (!trust && found != nullptr) {
      ok = CertDeleteCertificateFromStore(found) != FALSE;
      found = nullptr;
    }
    if (found != nullptr) CertFreeCertificateContext(found);
    CertCloseStore(root, 0);  // writes the registry
    CertFreeCertificateContext(ca);
    return ok;
  }
};

[[maybe_unused]] const auto* const kTrustedSite =
    ::testing::AddGlobalTestEnvironment(new TrustedSiteEnvironment);

TEST(SiteCertificateTest, OnlyTheNameInTheCertificateIsAccepted) {
  Site site;
  site.Clear();
  site.Put("version.txt", "9");
  std::string byAddress = site.url;
  byAddress.replace(byAddress.find("localhost"), 9, "127.0.0.1");
  WinInetClient internet;
  EXPECT_EQ(FetchServerListVersion(internet, byAddress.c_str()), 0u);
  EXPECT_EQ(site.Requests(), "");
  EXPECT_EQ(FetchServerListVersion(internet, site.url.c_str()), 9u);
}

class ServerListUpdateWinTest : public ::testing::Test {
 protected:
  // A fresh run: the site serves `published` (none when null) and the
  // 1,300-byte list (none when !listServed, cut as `listCut` says when set).
  void Prepare(const char* published, bool listServed, const char* listCut,
               std::uint32_t stored) {
    site.Clear();
    if (published != nullptr) site.Put("version.txt", published);
    if (listServed) site.Put("servers.xml", ListOf1300Bytes());
    if (listCut != nullptr) site.Put("servers.xml.cut", listCut);
    WriteFileBytes(listPath, kOldList);
    settings.WriteSetting("serverfile", stored);
  }
  bool Update() { return UpdateServerList(internet, file, settings, site.url.c_str()); }
  std::uint32_t StoredVersion() { return settings.ReadSetting("serverfile", 0); }

  const std::string kOldList = "<servers><server type=\"shared\"/></servers>";
  Site site;
  testing::ScratchDir dir;
  testing::ScratchKey key;
  std::string listPath = dir.File("servers.xml");
  WinInetClient internet;
  ReplacingServerListFile file{listPath};
  RegistrySettingsStore settings{key.path()};
};

TEST_F(ServerListUpdateWinTest, NewerVersionReplacesTheListByteForByte) {
  Prepare("5\r\n", true, nullptr, 3);
  EXPECT_TRUE(Update());
  EXPECT_EQ(site.Requests(), kVersionThenList);
  EXPECT_TRUE(SameBytes(ReadFileBytes(listPath), ListOf1300Bytes()));
  EXPECT_EQ(StoredVersion(), 5u);
  EXPECT_FALSE(FileExists(listPath + ".download"));
}

TEST_F(ServerListUpdateWinTest, FailuresAndOlderVersionsKeepListAndVersion) {
  const struct {
    const char* name;
    const char* published;
    bool listServed;
    const char* listCut;
    std::uint32_t stored;
    const char* requests;
  } cases[] = {
      {"equal version", "5", true, nullptr, 5, kVersionOnly},
      {"lower version", "5", true, nullptr, 7, kVersionOnly},
      {"version.txt missing", nullptr, true, nullptr, 3, kVersionOnly},
      {"servers.xml missing (404)", "5", false, nullptr, 3, kVersionThenList},
      {"cut after 700 bytes, TLS closed properly", "5", true, "700 close", 3, kVersionThenList},
      {"cut after 512 bytes, TLS closed properly", "5", true, "512 close", 3, kVersionThenList},
      {"cut after 700 bytes, connection reset", "5", true, "700 reset", 3, kVersionThenList},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Prepare(c.published, c.listServed, c.listCut, c.stored);
    EXPECT_FALSE(Update());
    EXPECT_EQ(site.Requests(), c.requests);
    EXPECT_TRUE(SameBytes(ReadFileBytes(listPath), kOldList));
    EXPECT_EQ(StoredVersion(), c.stored);
    EXPECT_FALSE(FileExists(listPath + ".download"));
  }
}

TEST_F(ServerListUpdateWinTest, ReplacingWaitsBrieflyForAReader) {
  const DWORD patience =
      ReplacingServerListFile::kReplaceAttempts * ReplacingServerListFile::kReplaceRetryMs;
  for (const DWORD holdMs : {patience / 3, patience * 3}) {
    SCOPED_TRACE(holdMs);
    WriteFileBytes(listPath, kOldList);
    // Opened as the C runtime's fopen does: no delete sharing, so the list
    // cannot be replaced while it is open.
    HANDLE reader = CreateFileA(listPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    std::thread release([reader, holdMs] {
      Sleep(holdMs);
      CloseHandle(reader);
    });
    ASSERT_TRUE(file.Begin());
    ASSERT_TRUE(file.Write("<new/>", 6));
    const bool replaced = file.Commit();
    release.join();
    EXPECT_EQ(replaced, holdMs < patience);
    EXPECT_TRUE(SameBytes(ReadFileBytes(listPath), replaced ? "<new/>" : kOldList));
    EXPECT_FALSE(FileExists(listPath + ".download"));
  }
}

// The whole round trip on the worker thread: the settings of a scratch key
// in place of the current user's, the list in a scratch folder, and the
// message to a window of this thread.
struct Done {
  int count = 0;
  WPARAM wParam = 99;
  bool onThisThread = false;
  std::string list;  // as stored when the message came
  std::uint32_t version = 0;
};
Done g_done;
DWORD g_testThread = 0;
std::string g_listPath;

LRESULT CALLBACK DoneWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_SERVERLIST_DONE) return DefWindowProcA(hwnd, msg, wParam, lParam);
  ++g_done.count;
  g_done.wParam = wParam;
  g_done.onThisThread = GetCurrentThreadId() == g_testThread && lParam == 0;
  g_done.list = ReadFileBytes(g_listPath);
  g_done.version = RegistrySettingsStore().ReadSetting("serverfile", 0);
  return 0;
}

TEST(ServerListWorkerWinTest, SendsDoneWithWhetherANewListWasStored) {
  g_testThread = GetCurrentThreadId();
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DoneWindowProc;
  wc.lpszClassName = "NorvaUpdaterTestWindow";
  RegisterClassA(&wc);
  HWND window = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  Site site;

  const struct {
    const char* published;
    WPARAM wParam;
    std::uint32_t version;
  } cases[] = {{"1", 0, 0}, {"2\n", 1, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.published);
    testing::ScratchDir dir;
    testing::ScratchKey user;
    RegistryKey userKey;
    ASSERT_EQ(userKey.Create(HKEY_CURRENT_USER, user.path().c_str(), KEY_ALL_ACCESS), ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, userKey.get()), ERROR_SUCCESS);
    g_listPath = dir.File("NORVA\\servers.xml");  // a folder the download makes
    site.Clear();
    site.Put("version.txt", c.published);
    site.Put("servers.xml", ListOf1300Bytes());
    g_done = Done();

    ASSERT_TRUE(StartServerListWorker(window, site.url.c_str(), g_listPath));
    for (const DWORD start = GetTickCount(); g_done.count == 0 && GetTickCount() - start < 60000;) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    EXPECT_EQ(g_done.count, 1);
    EXPECT_EQ(g_done.wParam, c.wParam);
    EXPECT_TRUE(g_done.onThisThread);
    // The worker waits in SendMessage, so its results are in place by then.
    EXPECT_TRUE(SameBytes(g_done.list, c.wParam ? ListOf1300Bytes() : ""));
    EXPECT_EQ(g_done.version, c.version);
  }
  DestroyWindow(window);
}

}  // namespace
}  // namespace norva
