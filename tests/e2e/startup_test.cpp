// Starting, showing, hiding and ending the program, its tray icon, and auto connect's countdown.
#include "driver.h"

#include <gtest/gtest.h>
#include <shellapi.h>

namespace norva::e2e {
namespace {

using Lines = std::vector<std::string>;

// The entry as the service stored it through the program's adapter.
std::string Entry(const NorvaApp& app) {
  std::string entry;
  for (const char* key : {"VpnStrategy", "Options", "Options2", "NetProtocols", "FramingProtocol",
                          "Type", "RedialCount", "DeviceName", "DeviceType", "LocalPhoneNumber"}) {
    entry += app.PhonebookValue(key) + " ";
  }
  const std::string credentials = app.StateText("credentials.ini");
  const size_t key = credentials.find("PreSharedKey=");
  return entry + (key == std::string::npos ? "-" : credentials.substr(key + 13, 8));
}

// Whether the shell has the program's icon: changing nothing succeeds only for one that is there.
bool TrayIcon(const Window& main, DWORD action = NIM_MODIFY) {
  NOTIFYICONDATAA icon = {};
  icon.cbSize = sizeof icon;
  icon.hWnd = main.handle();
  icon.uID = TRAY_ICON_ID;
  return Shell_NotifyIconA(action, &icon) != FALSE;
}

TEST(Startup, TheEntryComesFirstThenTheWindowTheListTheTrayAndOneInstanceOnly) {
  NorvaApp app;
  app.SeedServers({{"shared", "Amsterdam", "203.0.113.1"},
                   {"dedicated", "Berlin", "203.0.113.2"},
                   {"shared", "Chicago", "203.0.113.3"}});
  testing::WriteFileBytes(app.configIni(), "[servers]\r\nParis=192.0.2.10\r\nRome=192.0.2.20\r\n");
  const Window main = app.StartReady();
  ASSERT_TRUE(main);
  const char kPptp[] = "0x00000001 0x05001110 0x00000004 0x00000004 0x00000001 0x00000002 "
                       "0x00000003 WAN Miniprot (PPTP) vpn 192.0.2.10 -";
  EXPECT_EQ(Entry(app), kPptp);
  EXPECT_EQ(main.Item(IDC_VPNTYPE).Rows(), (Lines{"PPTP VPN", "L2TP IPSec VPN"}));
  EXPECT_EQ(main.Item(IDC_VPNTYPE).Selection(), 0);
  // A tunnel type picked rebuilds the same entry, with the key for L2TP/IPSec.
  main.Item(IDC_VPNTYPE).Pick(1);
  EXPECT_TRUE(WaitFor([&] { return Entry(app) == "0x00000003 0x05001310 0x00000014 0x00000004 "
                                                 "0x00000001 0x00000002 0x00000003 WAN Miniprot "
                                                 "(L2TP) vpn 192.0.2.10 58132470"; }))
      << Entry(app);
  EXPECT_TRUE(main.Item(IDC_SHARED).IsChecked());
  const Window list = main.Item(IDC_SERVER);
  EXPECT_EQ(list.Rows(), (Lines{"choose server...", "Amsterdam", "Chicago"}));
  list.Pick(2);

  // Closing hides; the tray icon brings the window back as it was.
  main.Post(WM_CLOSE);
  ASSERT_TRUE(main.WaitVisible(false));
  main.Post(WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(main.WaitVisible());
  main.Post(WM_SYSCOMMAND, SC_CLOSE);  // the caption's close box
  ASSERT_TRUE(main.WaitVisible(false));
  ASSERT_TRUE(app.ChooseFromTray(main, 0));  // "Open"
  ASSERT_TRUE(main.WaitVisible());
  EXPECT_EQ(list.Selection(), 2);

  // A restarted shell has no icons and says so to every top-level window.
  ASSERT_TRUE(TrayIcon(main));
  main.Post(WM_CLOSE);
  TrayIcon(main, NIM_DELETE);
  ASSERT_FALSE(TrayIcon(main));
  main.Post(RegisterWindowMessageA("TaskbarCreated"));
  EXPECT_TRUE(WaitFor([&] { return TrayIcon(main); }, 3000));

  // A second start shows the hidden window and ends at once, before the phonebook.
  const size_t callsBefore = app.Calls().size();
  app.Launch();
  ASSERT_EQ(app.WaitForExit(), 0u);
  EXPECT_TRUE(main.WaitVisible());
  EXPECT_EQ(app.Calls().size(), callsBefore);
}

TEST(Startup, AutoConnectCountsDownAtTheWindowsCornerThroughEnterAndDialsTheLastServer) {
  NorvaApp app;
  app.SeedServers({{"shared", "Amsterdam", "203.0.113.1"},
                   {"shared", "Chicago", "203.0.113.3"},
                   {"shared", "Dallas", "203.0.113.4"}});
  app.SetScenario("[dial]\nstep_ms=20\n");
  app.WriteSetting("autoconnect", 1);
  app.WriteSetting("lastserver", 3);
  const Window main = app.Start();
  const Window prompt = app.WaitForDialog(IDC_PROMPT_TEXT, IDC_RUN_AT_STARTUP, 30000);
  ASSERT_TRUE(prompt);
  EXPECT_EQ(main.Item(IDC_SERVER).Selection(), 3);
  POINT promptCorner = {0, 0}, mainCorner = {0, 0};  // not centred
  ClientToScreen(prompt.handle(), &promptCorner);
  ClientToScreen(main.handle(), &mainCorner);
  EXPECT_EQ(std::make_pair(promptCorner.x, promptCorner.y), std::make_pair(mainCorner.x, mainCorner.y));

  prompt.Post(WM_COMMAND, IDOK);  // what Enter sends: the countdown goes on
  Lines shown;
  WaitFor([&] {
    const std::string text = prompt.Item(IDC_PROMPT_TEXT).Text();
    if (!text.empty() && (shown.empty() || shown.back() != text)) shown.push_back(text);
    return !prompt;
  }, 9000);
  ASSERT_FALSE(prompt) << "the countdown did not end";
  ASSERT_GE(shown.size(), 4u) << ::testing::PrintToString(shown);
  EXPECT_EQ(shown.back(), "NORVA Auto Connect is enabled. connecting in 1 seconds.");
  ASSERT_TRUE(WaitFor([&] { return app.Calls("RasDialA").size() == 1; }));
  EXPECT_EQ(Field(app.Calls("RasDialA")[0], "phone"), "203.0.113.4");
}

}  // namespace
}  // namespace norva::e2e
