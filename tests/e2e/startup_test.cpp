// Starting, showing, hiding and ending the program as a user does.
#include <gtest/gtest.h>

#include "norva_app.h"

namespace norva::e2e {
namespace {

const std::vector<Server> kServers = {
    {"shared", "Amsterdam", "203.0.113.1"},
    {"dedicated", "Berlin", "203.0.113.2"},
    {"shared", "Chicago", "203.0.113.3"},
    {"shared", "Dallas", "203.0.113.4"},
};

class StartupTest : public ::testing::Test {
 protected:
  NorvaApp app;
};

TEST_F(StartupTest, FirstStartCreatesThePptpEntryBeforeTheWindowShows) {
  ASSERT_FALSE(app.PhonebookExists());

  const Window main = app.WaitForMainWindow(app.Start());
  ASSERT_TRUE(main);

  // The entry was written while start-up had not yet made the window.
  EXPECT_TRUE(app.PhonebookExists());
  EXPECT_EQ(app.PhonebookValue("VpnStrategy"), "0x00000001");
  EXPECT_EQ(app.PhonebookValue("Options"), "0x05001110");
  const auto reads = app.Calls("RasGetEntryPropertiesA");
  ASSERT_GE(reads.size(), 2u);
  EXPECT_NE(reads[0].find("-> 621"), std::string::npos) << reads[0];
  EXPECT_NE(reads[1].find("-> 0"), std::string::npos) << reads[1];
  EXPECT_EQ(app.Calls("RasSetEntryPropertiesA").size(), 1u);
  EXPECT_EQ(main.Item(id::kVpnType).Rows(),
            (std::vector<std::string>{"PPTP VPN", "L2TP IPSec VPN"}));
  EXPECT_EQ(main.Item(id::kVpnType).Selection(), 0);
}

TEST_F(StartupTest, ServerListIsFilledForTheCheckedAccountTypeAfterTheUpdater) {
  app.SeedServers(kServers);
  const ULONGLONG started = GetTickCount64();
  const Window main = app.WaitForMainWindow(app.Start());
  ASSERT_TRUE(main);
  const ULONGLONG shown = GetTickCount64();
  const Window servers = main.Item(id::kServer);

  ASSERT_TRUE(WaitFor([&] { return !main.Item(id::kAnimation).IsVisible(); }, 30000));
  // How long the updater's failing fetch keeps the list waiting.
  std::printf("window after %llu ms, server list %llu ms later\n", shown - started,
              GetTickCount64() - shown);

  EXPECT_TRUE(main.Item(id::kShared).IsChecked());
  EXPECT_EQ(servers.Rows(),
            (std::vector<std::string>{"choose server...", "Amsterdam", "Chicago", "Dallas"}));
  EXPECT_EQ(servers.Selection(), 0);
  EXPECT_TRUE(servers.IsEnabled());

  EXPECT_TRUE(main.SaveScreenshot(NorvaApp::ScreenshotPath("main_window")));
}

TEST_F(StartupTest, ClosingHidesAndTheTrayIconBringsTheWindowBack) {
  app.SeedServers(kServers);
  const Window main = app.StartReady();
  main.Item(id::kServer).Pick(2);

  main.Post(WM_CLOSE);
  ASSERT_TRUE(WaitFor([&] { return !main.IsVisible(); }));
  main.Post(id::kTrayMessage, 1, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(WaitFor([&] { return main.IsVisible(); }));

  // The caption's close box does the same.
  main.Post(WM_SYSCOMMAND, SC_CLOSE);
  ASSERT_TRUE(WaitFor([&] { return !main.IsVisible(); }));
  main.Post(id::kTrayMessage, 1, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(WaitFor([&] { return main.IsVisible(); }));

  // Still running, in the same state.
  EXPECT_EQ(app.process().ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(main.Item(id::kServer).Selection(), 2);
  EXPECT_EQ(main.Item(id::kConnect).Text(), "Connect");
}

TEST_F(StartupTest, TrayMenuOpenShowsTheHiddenWindow) {
  const Window main = app.StartReady();
  main.Post(WM_CLOSE);
  ASSERT_TRUE(WaitFor([&] { return !main.IsVisible(); }));

  const Window menu = app.OpenTrayMenu(main);
  ASSERT_TRUE(menu) << "the tray menu did not open";
  ChooseMenuItem(menu, 0);  // "Open"

  ASSERT_TRUE(WaitFor([&] { return main.IsVisible(); }));
  EXPECT_FALSE(FindPopupMenu(app.process().id()));
}

TEST_F(StartupTest, SecondStartShowsTheFirstAndEndsAtOnce) {
  const Window main = app.StartReady();
  Process& first = app.process();
  main.Post(WM_CLOSE);
  ASSERT_TRUE(WaitFor([&] { return !main.IsVisible(); }));
  const size_t callsBefore = app.Calls().size();
  const std::string phonebookBefore = app.PhonebookText();

  Process& second = app.Start();
  ASSERT_TRUE(second.WaitForExit(10000));
  EXPECT_EQ(second.ExitCode(), 0u);

  EXPECT_TRUE(WaitFor([&] { return main.IsVisible(); }));
  EXPECT_EQ(first.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
  // The second start did not get as far as the phonebook.
  EXPECT_EQ(app.Calls().size(), callsBefore);
  EXPECT_EQ(app.PhonebookText(), phonebookBefore);
}

}  // namespace
}  // namespace norva::e2e
