// The updater's worker against a real HTTPS site on localhost, with WinINet, the registry and
// the file system for real; server_list_site.py runs it and describes the site in the environment.
#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <string>

#include "app/win32_log_file.h"
#include "serverlist/server_list_file.h"
#include "serverlist/server_list_worker.h"
#include "settings/registry_settings_store.h"
#include "support/servers_xml.h"
#include "wine_test_support.h"

namespace norva {
namespace {

using testing::Env;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

// Trusts the site's throwaway root certificate before the first request (the store is read once
// per process), and no more at the end, through the store's registry part (Wine's own ignores
// a deletion).
struct TrustedSite : ::testing::Environment {
  static bool Trust(bool trust) {
    const std::string der = ReadFileBytes(Env("NORVA_TEST_CA"));
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0,
                                    CERT_SYSTEM_STORE_CURRENT_USER, "Root");
    PCCERT_CONTEXT ca = nullptr;  // the store's own copy, added or found
    bool ok = root != nullptr &&
              CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING,
                                               reinterpret_cast<const BYTE*>(der.data()),
                                               DWORD(der.size()), CERT_STORE_ADD_USE_EXISTING, &ca);
    // Deleting it frees `ca` too.
    if (ok) ok = trust ? CertFreeCertificateContext(ca) : CertDeleteCertificateFromStore(ca);
    if (root != nullptr) CertCloseStore(root, 0);  // writes the registry
    return ok;
  }
  void SetUp() override { ASSERT_TRUE(Trust(true)); }
  void TearDown() override { EXPECT_TRUE(Trust(false)); }
};
[[maybe_unused]] const auto* const kTrustedSite =
    ::testing::AddGlobalTestEnvironment(new TrustedSite);

const std::string kServed = testing::WholeListOf(1300), kHeld = "<servers/>\r\n";

// What the window saw of each WM_SERVERLIST_DONE, and where the list is kept.
std::string g_done, g_listPath;

LRESULT CALLBACK DoneWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_SERVERLIST_DONE) return DefWindowProcA(hwnd, msg, wParam, lParam);
  const std::string list = ReadFileBytes(g_listPath);
  g_done += "wParam=" + std::to_string(wParam) + " lParam=" + std::to_string(lParam) +
            (InSendMessage() ? " sent" : " posted") + ", list " +
            (list == kServed ? "as served"
             : list == kHeld ? "as held" : std::to_string(list.size()) + " bytes") +
            ", serverfile=" + std::to_string(RegistrySettingsStore().ReadSetting("serverfile", 0));
  return 0;
}

// The worker's round trips: its own thread, the program's own settings (a scratch key would hide
// WinINet's; its one value `serverfile` is removed afterwards) and its message to a window here.
TEST(ServerListWorkerTest, OnlyAWholeNewerListFromTheCertifiedSiteIsStoredBeforeDone) {
  const std::string url = Env("NORVA_TEST_SITE_URL"), site = Env("NORVA_TEST_SITE_DIR") + "\\";
  std::string byAddress = url;
  byAddress.replace(byAddress.find("localhost"), 9, "127.0.0.1");
  const char* const both = "/serverlist/version.txt\n/serverlist/servers.xml\n";
  const std::string kept = "wParam=0 lParam=0 sent, list as held, serverfile=3";
  // The support log's lines after "update from URL"; the held list is version 3.
  const auto fetched = [](const char* stored) {
    return "version.txt: HTTP 200|version.txt: 3 bytes received|published version 5, stored "
           "version " + std::string(stored) + "|servers.xml: HTTP ";
  };
  // servers.xml is a 404 when empty; servers.xml.cut says where its body breaks off.
  const struct { const char *name, *requests; std::string url, list, cut, done, log; } cases[] = {
      {"newer list served whole", both, url, kServed, "",
       "wParam=1 lParam=0 sent, list as served, serverfile=5",
       fetched("0") + "200|servers.xml: 1300 bytes received|servers.xml stored|"},
      {"servers.xml missing (404)", both, url, "", "", kept,
       fetched("3") + "404|servers.xml: 0 bytes received|servers.xml not stored|"},
      {"cut after 700 bytes, no length, TLS closed properly", both, url, kServed, "700", kept,
       fetched("3") + "200|servers.xml: 700 bytes received|servers.xml not stored|"},
      {"by address: not the certificate's name", "", byAddress, kServed, "", kept,
       "version.txt: WinINet error 12038 at InternetOpenUrlA|"
       "published version 0, stored version 3|"},
  };
  testing::ScratchDir logDir;
  Win32LogFile logFile(logDir.File("norva.log"));
  SupportLog log(logFile);
  StartSupportLog(&log);
  size_t logSeen = 0;
  HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DoneWindowProc));
  for (const auto& c : cases) {
    testing::ScratchDir dir;
    g_listPath = dir.File("NORVA\\servers.xml");
    g_done.clear();
    // A list is held but in the first case, where the download makes its folder.
    if (&c != cases && CreateDirectoryA(dir.File("NORVA").c_str(), nullptr))
      WriteFileBytes(g_listPath, kHeld);
    WriteFileBytes(site + "version.txt", "5\r\n");
    WriteFileBytes(site + "servers.xml", c.list);
    WriteFileBytes(site + "servers.xml.cut", c.cut);
    WriteFileBytes(Env("NORVA_TEST_SITE_LOG"), "");
    RegistrySettingsStore().WriteSetting("serverfile", 3);
    EXPECT_TRUE(StartServerListWorker(window, c.url.c_str(), g_listPath)) << c.name;
    for (const DWORD start = GetTickCount(); g_done.empty() && GetTickCount() - start < 60000;) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    EXPECT_EQ(g_done, c.done) << c.name;
    EXPECT_EQ(ReadFileBytes(Env("NORVA_TEST_SITE_LOG")), c.requests) << c.name;
    EXPECT_FALSE(testing::FileExists(g_listPath + ".download")) << c.name;
    const std::string text = ReadFileBytes(logDir.File("norva.log"));
    std::string logged;  // this case's lines, without their time, thread and area
    for (size_t at = logSeen, end; (end = text.find("\r\n", at)) != std::string::npos;
         at = end + 2) {
      logged += text.substr(at + 44, end - at - 44) + "|";
    }
    logSeen = text.size();
    EXPECT_EQ(logged, "update from " + c.url + "|" + c.log) << c.name;
  }
  StartSupportLog(nullptr);
  RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\NORVA", "serverfile");
  DestroyWindow(window);
}

// A reader (the catalog, on the window's thread) keeps the list from being
// replaced; when it does not let go in time, the old list stays as it was.
TEST(ReplacingServerListFileTest, AListThatStaysOpenIsKeptByteForByte) {
  testing::ScratchDir dir;
  const std::string list = dir.File("servers.xml");
  WriteFileBytes(list, "<old/>");
  // Opened as the C runtime's fopen does: no delete sharing.
  HANDLE reader = CreateFileA(list.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ReplacingServerListFile file(list);
  EXPECT_FALSE(file.Begin() && file.Write("<new/>", 6) && file.Commit());
  CloseHandle(reader);
  EXPECT_EQ(ReadFileBytes(list), "<old/>");
  EXPECT_FALSE(testing::FileExists(list + ".download"));
}

}  // namespace
}  // namespace norva
