// Starting, showing, hiding and ending the program as a user does, and the
// tray icon through a restart of the shell.
#include "norva_app.h"

#include <gtest/gtest.h>
#include <shellapi.h>

namespace norva::e2e {
namespace {

using Rows = std::vector<std::string>;

TEST(Startup, FirstStartBuildsTheEntryThenShowsTheWindowAndFillsTheList) {
  NorvaApp app;
  app.SeedServers({{"shared", "Amsterdam", "203.0.113.1"},
                   {"dedicated", "Berlin", "203.0.113.2"},
                   {"shared", "Chicago", "203.0.113.3"}});
  ASSERT_FALSE(app.PhonebookExists());
  const Window main = app.StartReady();
  ASSERT_TRUE(main);

  // Read (no phonebook), written as PPTP, read again, before the window.
  Rows calls;
  for (const std::string& line : app.Calls()) {
    if (calls.size() < 4) calls.push_back(line.substr(0, line.find(' ')) + line.substr(line.rfind(" ->")));
  }
  EXPECT_EQ(calls, (Rows{"RasGetEntryPropertiesA -> 621", "RasSetEntryPropertiesA -> 0",
                         "RasSetCredentialsA -> 0", "RasGetEntryPropertiesA -> 0"}));
  EXPECT_EQ(app.PhonebookValue("VpnStrategy"), "0x00000001");
  EXPECT_EQ(main.Item(IDC_VPNTYPE).Rows(), (Rows{"PPTP VPN", "L2TP IPSec VPN"}));
  EXPECT_EQ(main.Item(IDC_VPNTYPE).Selection(), 0);

  EXPECT_TRUE(main.Item(IDC_SHARED).IsChecked());
  EXPECT_EQ(main.Item(IDC_SERVER).Rows(), (Rows{"choose server...", "Amsterdam", "Chicago"}));
  EXPECT_EQ(main.Item(IDC_SERVER).Selection(), 0);
  EXPECT_TRUE(main.Item(IDC_SERVER).IsEnabled());
  EXPECT_TRUE(main.SaveScreenshot(NorvaApp::ScreenshotPath("main_window")));
}

TEST(Startup, TheWindowHidesToTheTrayAndComesBackAsItWas) {
  NorvaApp app;
  app.SeedServers({{"shared", "Amsterdam", "203.0.113.1"}, {"shared", "Chicago", "203.0.113.3"}});
  const Window main = app.StartReady();
  main.Item(IDC_SERVER).Pick(2);

  main.Post(WM_CLOSE);
  ASSERT_TRUE(WaitFor([&] { return !main.IsVisible(); }));
  main.Post(WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(WaitFor([&] { return main.IsVisible(); }));

  main.Post(WM_SYSCOMMAND, SC_CLOSE);  // the caption's close box
  ASSERT_TRUE(WaitFor([&] { return !main.IsVisible(); }));
  const Window menu = app.OpenTrayMenu(main);
  ASSERT_TRUE(menu) << "the tray menu did not open";
  ChooseMenuItem(menu, 0);  // "Open"
  ASSERT_TRUE(WaitFor([&] { return main.IsVisible(); }));

  EXPECT_EQ(app.process().ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(main.Item(IDC_SERVER).Selection(), 2);
}

TEST(Startup, ASecondStartShowsTheFirstAndEndsAtOnce) {
  NorvaApp app;
  const Window main = app.StartReady();
  main.Post(WM_CLOSE);
  ASSERT_TRUE(WaitFor([&] { return !main.IsVisible(); }));
  const size_t calls = app.Calls().size();

  Process& second = app.Start();
  ASSERT_TRUE(second.WaitForExit(10000));
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_TRUE(WaitFor([&] { return main.IsVisible(); }));
  EXPECT_EQ(app.Calls().size(), calls) << "the second start got as far as the phonebook";
}

NOTIFYICONDATAA IconOf(const Window& main) {
  NOTIFYICONDATAA icon = {};
  icon.cbSize = sizeof icon;
  icon.hWnd = main.handle();
  icon.uID = TRAY_ICON_ID;
  return icon;
}

// Whether the shell has the program's icon: changing nothing of an icon
// succeeds only for one that is there.
bool TrayHasIcon(const Window& main) {
  NOTIFYICONDATAA icon = IconOf(main);
  return Shell_NotifyIconA(NIM_MODIFY, &icon) != FALSE;
}

TEST(Startup, TheTrayIconComesBackWhenTheShellRestarts) {
  NorvaApp app;
  const Window main = app.StartReady();
  ASSERT_TRUE(TrayHasIcon(main));
  main.Post(WM_CLOSE);

  // A restarted shell has no icons and says so to every top-level window.
  NOTIFYICONDATAA icon = IconOf(main);
  Shell_NotifyIconA(NIM_DELETE, &icon);
  ASSERT_FALSE(TrayHasIcon(main));
  main.Post(RegisterWindowMessageA("TaskbarCreated"));
  EXPECT_TRUE(WaitFor([&] { return TrayHasIcon(main); }, 3000));
}

}  // namespace
}  // namespace norva::e2e
