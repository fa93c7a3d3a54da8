// The support log after a session: the events in order with the service's codes, no secrets.
#include <shlobj.h>

#include <gtest/gtest.h>

#include "driver.h"

namespace norva::e2e {
namespace {

constexpr char kUser[] = "Kestrel-User-4471", kPassword[] = "Ochre#Pass-9902";

// Each of `expected` begins a line of `thread` in `log`, in this order.
void ExpectInOrder(const std::string& log, const char* thread,
                   const std::vector<std::string>& expected) {
  size_t at = 0;
  for (const std::string& start : expected) {
    at = log.find(" " + std::string(thread) + " " + start, at);
    ASSERT_NE(at, std::string::npos) << "no \"" << start << "\" after the lines before in\n" << log;
  }
}

TEST(SupportLog, HoldsTheSessionsEventsInOrderWithTheServicesCodesAndNoSecret) {
  char folder[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
  const std::string logPath = folder + std::string("\\NORVA\\norva.log");
  DeleteFileA(logPath.c_str());
  NorvaApp app;
  app.SeedServers({{"shared", "Amsterdam", "203.0.113.1"}, {"shared", "Chicago", "203.0.113.3"}});
  const std::string accepted =
      "[dial]\nstep_ms=20\nuser=" + std::string(kUser) + "\npassword=" + kPassword + "\n";
  app.SetScenario(accepted);
  const Window main = app.StartReady();
  main.Item(IDC_VPNTYPE).Pick(1);  // L2TP/IPSec: the key is stored
  ASSERT_TRUE(WaitFor([&] { return app.Calls("RasSetCredentialsA").size() == 2; }));

  main.Item(IDC_SERVER).Pick(2);
  main.Item(IDC_USERNAME).Type(kUser);
  main.Item(IDC_PASSWORD).Type(kPassword);
  main.Item(IDOK).Click();
  ASSERT_TRUE(WaitFor([&] { return main.Item(IDC_STATUS).Text() == "Connected."; }));
  main.Post(WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDBLCLK);
  main.Item(IDOK).Click();  // Disconnect
  ASSERT_TRUE(WaitFor([&] { return main.Item(IDOK).Text() == "Connect"; }));

  app.SetScenario(accepted + "error_state=2\nerror_code=678\n");
  main.Item(IDOK).Click();  // with the credentials saved at the connection
  EXPECT_EQ(app.NextBox(), "NORVA Connection Assistant: The remote computer did not respond.");

  main.Item(IDC_OPTIONS).Click();
  const Window options = app.WaitForDialog(IDC_RUN_AT_STARTUP);
  ASSERT_TRUE(options);
  options.Item(IDC_AUTORECONNECT).Click();
  options.Item(IDOK).Click();
  ASSERT_TRUE(WaitFor([&] { return !options; }));
  main.Post(WM_COMMAND, IDCANCEL);  // Exit
  ASSERT_EQ(app.WaitForExit(), 0u);

  const std::string log = testing::ReadFileBytes(logPath);
  ExpectInOrder(log, "ui  ",
                {"start   NORVA Connection Assistant ", "start   Windows ",
                 "ras     RasGetEntryPropertiesA NORVA -> 621", "entry   build PPTP",
                 "ras     RasSetEntryPropertiesA NORVA PPTP -> 0",
                 "ras     RasSetCredentialsA clear pre-shared key -> 0",
                 "entry   build L2TP/IPSec", "ras     RasSetCredentialsA store pre-shared key -> 0",
                 "dial    location Chicago",
                 "dial    RasDialA 203.0.113.3, L2TP/IPSec, credentials as typed -> 0, handle 0x",
                 "dial    event Connected",
                 "ras     RasSetCredentialsA store user name+password -> 0",
                 "ras     RasHangUpA 0x", "ras     RasGetConnectStatusA 0x1001 -> 0, Disconnected",
                 "ras     RasGetConnectStatusA 0x1001 -> 6", "ras     released after ",
                 "dial    RasDialA 203.0.113.3, L2TP/IPSec, saved credentials -> 0",
                 "dial    event ConnectDevice, error 678: The remote computer did not respond.",
                 "ras     RasHangUpA 0x", "ui      error box: The remote computer did not respond.",
                 "options autoreconnect = 1", "entry   build L2TP/IPSec",
                 "exit    Exit, exit code 0"});
  ExpectInOrder(log, "list",
                {"list    update from https://", "list    version.txt: WinINet error ",
                 "list    published version 0, stored version 1"});
  const char kPolled[] = "RasGetConnectStatusA 0x1001 -> 0, Disconnected";
  EXPECT_EQ(log.find(kPolled, log.find(kPolled) + 1), std::string::npos)
      << "the release's three polls answered alike: one line";
  for (const char* secret : {kUser, kPassword, "58132470"}) {
    EXPECT_EQ(log.find(secret), std::string::npos) << secret << " in\n" << log;
  }
}

}  // namespace
}  // namespace norva::e2e
