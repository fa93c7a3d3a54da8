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

#include "serverlist/server_catalog.h"
#include "serverlist/server_list_file.h"
#include "serverlist/server_list_update.h"
#include "serverlist/server_list_worker.h"
#include "serverlist/wininet_client.h"
#include "settings/registry_settings_store.h"
#include "support/servers_xml.h"
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

// 1,300 bytes that no shift, truncation or text conversion leaves unchanged.
std::string ListOf1300Bytes() {
  std::string list = "<servers>\r\n";
  for (int i = 0; list.size() < 1300; ++i) list += static_cast<char>(i * 37 + 11);
  return list;
}

// Puts the site's throwaway self-signed certificate into the current user's
// Root store of this Wine prefix before the first HTTPS request (the chain
// engine reads the store once per process) and takes it out at the end. The
// store's registry part is used directly: Wine does not pass a deletion
// through the system store.
class TrustedSiteEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(Trust(true)); }
  void TearDown() override { EXPECT_TRUE(Trust(false)); }

 private:
  static bool Trust(bool trust) {
    const std::string der = ReadFileBytes(Env("NORVA_TEST_CA"));
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0,
                                    CERT_SYSTEM_STORE_CURRENT_USER, "Root");
    PCCERT_CONTEXT ca = nullptr;  // the store's own copy, added or found
    bool ok = root != nullptr &&
              CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING,
                                               reinterpret_cast<const BYTE*>(der.data()),
                                               DWORD(der.size()), CERT_STORE_ADD_USE_EXISTING, &ca);
    if (ok && !trust) {
      ok = CertDeleteCertificateFromStore(ca) != FALSE;  // frees `ca`
    } else if (ca != nullptr) {
      CertFreeCertificateContext(ca);
    }
    if (root != nullptr) CertCloseStore(root, 0);  // writes the registry
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

// The updater's runs, each in a scratch folder and key.
struct ServerListUpdateWinTest : ::testing::Test {
  Site site;
  testing::ScratchKey key;
  RegistrySettingsStore settings{key.path()};
  WinInetClient internet;
};

TEST_F(ServerListUpdateWinTest, OnlyAWholeNewerListIsStored) {
  const struct {
    const char* name;
    bool listServed;
    const char* cut;  // servers.xml.cut: where and how the body breaks off
    bool stored;
  } cases[] = {
      {"newer list served whole", true, nullptr, true},
      {"servers.xml missing (404)", false, nullptr, false},
      {"cut after 700 bytes, TLS closed properly", true, "700 close", false},
  };
  for (const auto& c : cases) {
    testing::ScratchDir dir;
    const std::string list = dir.File("NORVA\\servers.xml");  // a folder the download makes
    site.Clear();
    site.Put("version.txt", "5\r\n");
    if (c.listServed) site.Put("servers.xml", ListOf1300Bytes());
    if (c.cut != nullptr) site.Put("servers.xml.cut", c.cut);
    settings.WriteSetting("serverfile", 3);
    ReplacingServerListFile file(list);
    EXPECT_EQ(UpdateServerList(internet, file, settings, site.url.c_str()), c.stored) << c.name;
    EXPECT_EQ(site.Requests(), "/serverlist/version.txt\n/serverlist/servers.xml\n") << c.name;
    EXPECT_TRUE(ReadFileBytes(list) == (c.stored ? ListOf1300Bytes() : "")) << c.name;
    EXPECT_EQ(settings.ReadSetting("serverfile", 0), c.stored ? 5u : 3u) << c.name;
    EXPECT_FALSE(FileExists(list + ".download")) << c.name;
  }
}

TEST(ReplacingServerListFileTest, ReplacingWaitsBrieflyForAReader) {
  testing::ScratchDir dir;
  const std::string list = dir.File("servers.xml");
  const DWORD patience =
      ReplacingServerListFile::kReplaceAttempts * ReplacingServerListFile::kReplaceRetryMs;
  for (const DWORD holdMs : {patience / 3, patience * 3}) {
    WriteFileBytes(list, "<old/>");
    // Opened as the C runtime's fopen does: no delete sharing, so the list
    // cannot be replaced while it is open.
    HANDLE reader = CreateFileA(list.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    std::thread release([reader, holdMs] {
      Sleep(holdMs);
      CloseHandle(reader);
    });
    ReplacingServerListFile file(list);
    const bool replaced = file.Begin() && file.Write("<new/>", 6) && file.Commit();
    release.join();
    EXPECT_EQ(replaced, holdMs < patience) << "held for " << holdMs << " ms";
    EXPECT_EQ(ReadFileBytes(list), replaced ? "<new/>" : "<old/>") << "held for " << holdMs << " ms";
    EXPECT_FALSE(FileExists(list + ".download")) << "held for " << holdMs << " ms";
  }
}

// The worker's round trip: its own thread, the program's own settings (the
// one value the worker keeps, `serverfile`, is removed before and after: a
// scratch key in HKEY_CURRENT_USER's place would also hide WinINet's and the
// certificate store's settings) and the message to a window of this thread,
// sent once the new list is stored.
struct Done {
  int count = 0;
  WPARAM wParam = 0;
  bool sentFromTheWorker = false;      // which waits until it has been handled
  std::vector<std::string> locations;  // in the stored list at that time
  std::uint32_t version = 0;
} g_done;
std::string g_listPath;

LRESULT CALLBACK DoneWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_SERVERLIST_DONE) return DefWindowProcA(hwnd, msg, wParam, lParam);
  g_done = {g_done.count + 1, wParam, InSendMessage() && lParam == 0,
            ListLocations(g_listPath, AccountType::Dedicated),
            RegistrySettingsStore().ReadSetting("serverfile", 0)};
  return 0;
}

TEST_F(ServerListUpdateWinTest, WorkerSendsDoneOnceTheNewListIsStored) {
  HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DoneWindowProc));
  testing::ScratchDir dir;
  g_listPath = dir.File("NORVA\\servers.xml");
  site.Clear();
  site.Put("version.txt", "2\n");
  site.Put("servers.xml", testing::ServersXml({{"shared", "Oslo", "no.example"},
                                               {"dedicated", "Rome", "it.example"}}));
  RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\NORVA", "serverfile");

  const bool started = StartServerListWorker(window, site.url.c_str(), g_listPath);
  for (const DWORD start = GetTickCount(); g_done.count == 0 && GetTickCount() - start < 60000;) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\NORVA", "serverfile");
  DestroyWindow(window);
  EXPECT_TRUE(started);
  EXPECT_EQ(g_done.count, 1);
  EXPECT_EQ(g_done.wParam, 1u) << "a new list was stored";
  EXPECT_TRUE(g_done.sentFromTheWorker);
  EXPECT_EQ(g_done.locations, std::vector<std::string>{"Rome"});
  EXPECT_EQ(g_done.version, 2u);
}

}  // namespace
}  // namespace norva
