// Connecting and disconnecting from the main window, and what a running
// connection means for Exit and for the next start.
#include <gtest/gtest.h>

#include "norva_app.h"

namespace norva::e2e {
namespace {

const std::vector<Server> kServers = {
    {"shared", "Amsterdam", "203.0.113.1"},
    {"shared", "Chicago", "203.0.113.3"},
    {"dedicated", "Berlin", "203.0.113.2"},
};

class ConnectTest : public ::testing::Test {
 protected:
  void SetUp() override { app.SeedServers(kServers); }

  // Picks a server, types the credentials and presses Connect.
  static void Dial(const Window& main, int row, const std::string& user,
                   const std::string& password) {
    main.Item(id::kServer).Pick(row);
    main.Item(id::kUserName).Type(user);
    main.Item(id::kPassword).Type(password);
    main.Item(id::kConnect).Click();
  }

  static bool WaitConnected(const Window& main) {
    return WaitFor([&] {
      return main.Item(id::kStatus).Text() == "Connected." && !main.IsVisible() &&
             main.Item(id::kConnect).IsEnabled();
    });
  }

  static void ShowFromTray(const Window& main) {
    main.Post(id::kTrayMessage, 1, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(WaitFor([&] { return main.IsVisible(); }));
  }

  // The inputs that a connection locks; the server list is left out, as
  // the list's fill after the updater enables it by its own rule.
  static void ExpectInputsEnabled(const Window& main, bool enabled) {
    for (const int control : {id::kVpnType, id::kUserName, id::kPassword, id::kOptions}) {
      EXPECT_EQ(main.Item(control).IsEnabled(), enabled) << "control " << control;
    }
  }

  NorvaApp app;
};

TEST_F(ConnectTest, PlaceholderRowAsksForAValidServerAndDoesNotDial) {
  const Window main = app.StartReady();
  ASSERT_EQ(main.Item(id::kServer).Selection(), 0);

  main.Item(id::kConnect).Click();

  Window box;
  ASSERT_TRUE(WaitFor([&] { return static_cast<bool>(box = FindMessageBox(app.process().id())); }));
  const MessageBoxSeen seen = ReadMessageBox(box);
  EXPECT_EQ(seen.text, "Please Select Valid Server");
  EXPECT_EQ(seen.caption, "Error");  // what Wine shows for a box without a caption
  Dismiss(box);
  ASSERT_TRUE(WaitFor([&] { return !FindMessageBox(app.process().id()); }));

  EXPECT_TRUE(app.Calls("RasDialA").empty());
  EXPECT_EQ(main.Item(id::kConnect).Text(), "Connect");
  EXPECT_TRUE(main.Item(id::kConnect).IsEnabled());
  ExpectInputsEnabled(main, true);
  EXPECT_TRUE(main.Item(id::kServer).IsEnabled());
}

TEST_F(ConnectTest, ConnectShowsProgressHidesTheWindowAndStoresTheChoices) {
  app.SetScenario("[dial]\nstep_ms=250\n");
  const Window main = app.StartReady();

  Dial(main, 2, "alice", "secret");

  // Every progress text shows in turn.
  std::vector<std::string> shown;
  ASSERT_TRUE(WaitFor([&] {
    const std::string status = main.Item(id::kStatus).Text();
    if (shown.empty() || shown.back() != status) shown.push_back(status);
    return status == "Connected.";
  })) << ::testing::PrintToString(shown);
  std::vector<std::string> progress;
  for (const std::string& s : shown) {
    if (!s.empty()) progress.push_back(s);
  }
  EXPECT_EQ(progress, (std::vector<std::string>{"Openning...", "Connecting...", "Authenticating...",
                                                "Authenticated.", "Connected."}));

  ASSERT_TRUE(WaitConnected(main));
  EXPECT_EQ(main.Item(id::kConnect).Text(), "Disconnect");
  ExpectInputsEnabled(main, false);
  EXPECT_FALSE(main.Item(id::kServer).IsEnabled());

  const auto dials = app.Calls("RasDialA");
  ASSERT_EQ(dials.size(), 1u);
  EXPECT_EQ(Field(dials[0], "phone"), "203.0.113.3");
  EXPECT_EQ(Field(dials[0], "user"), "alice");
  EXPECT_EQ(Field(dials[0], "password"), "secret");

  EXPECT_EQ(app.ReadSetting("lastserver"), 2u);
  const auto stored = app.Calls("RasSetCredentialsA");
  ASSERT_FALSE(stored.empty());
  EXPECT_EQ(Field(stored.back(), "mask"), "0x3");
  EXPECT_EQ(Field(stored.back(), "user"), "alice");
  const std::string credentials = app.CredentialsFile();
  EXPECT_NE(credentials.find("UserName=alice"), std::string::npos) << credentials;
  EXPECT_NE(credentials.find("Password=secret"), std::string::npos) << credentials;
}

TEST_F(ConnectTest, DialErrorShowsTheServiceTextAndGivesTheInputsBack) {
  app.SetScenario("[dial]\nstep_ms=50\nuser=demo\npassword=demo\n");
  const Window main = app.StartReady();

  Dial(main, 1, "alice", "wrong");

  Window box;
  ASSERT_TRUE(WaitFor([&] { return static_cast<bool>(box = FindMessageBox(app.process().id())); }));
  const MessageBoxSeen seen = ReadMessageBox(box);
  EXPECT_EQ(seen.caption, "NORVA Connection Assistant");
  EXPECT_EQ(seen.text,
            "Access was denied because the username and/or password was invalid on the domain.");
  EXPECT_EQ(main.Item(id::kStatus).Text(), "");
  Dismiss(box);

  ASSERT_TRUE(WaitFor([&] { return main.Item(id::kConnect).IsEnabled(); }));
  EXPECT_EQ(main.Item(id::kConnect).Text(), "Connect");
  ExpectInputsEnabled(main, true);
  EXPECT_TRUE(main.Item(id::kServer).IsEnabled());
  EXPECT_TRUE(main.IsVisible());
  EXPECT_EQ(app.Calls("RasHangUpA").size(), 1u);
  // A failed dial stores nothing.
  EXPECT_EQ(app.CredentialsFile().find("UserName="), std::string::npos);
  EXPECT_EQ(app.ReadSetting("lastserver"), std::nullopt);
}

TEST_F(ConnectTest, DisconnectHangsUpAndUnlocksTheInputs) {
  app.SetScenario("[dial]\nstep_ms=20\n[hangup]\nrelease_after_polls=2\n");
  const Window main = app.StartReady();
  Dial(main, 1, "alice", "secret");
  ASSERT_TRUE(WaitConnected(main));
  ShowFromTray(main);

  main.Item(id::kConnect).Click();

  ASSERT_TRUE(WaitFor([&] { return main.Item(id::kConnect).Text() == "Connect"; }));
  const auto hangUps = app.Calls("RasHangUpA");
  ASSERT_EQ(hangUps.size(), 1u);
  EXPECT_EQ(Field(hangUps[0], "handle"), Field(app.Calls("RasDialA")[0], "handle"));
  EXPECT_EQ(main.Item(id::kStatus).Text(), "");
  ExpectInputsEnabled(main, true);
  EXPECT_TRUE(main.Item(id::kServer).IsEnabled());
  EXPECT_TRUE(main.IsVisible());
  // The service has let go of the connection.
  EXPECT_EQ(app.ConnectionsFile().find("entry=NORVA"), std::string::npos);
}

TEST_F(ConnectTest, ExitFromTheTrayMenuLeavesTheConnectionUp) {
  app.SetScenario("[dial]\nstep_ms=20\n");
  const Window main = app.StartReady();
  Dial(main, 1, "alice", "secret");
  ASSERT_TRUE(WaitConnected(main));

  // While the window is hidden.
  const Window menu = app.OpenTrayMenu(main);
  ASSERT_TRUE(menu) << "the tray menu did not open";
  ChooseMenuItem(menu, 1);  // "Exit"

  Process& process = app.process();
  ASSERT_TRUE(process.WaitForExit(10000));
  EXPECT_EQ(process.ExitCode(), 0u);
  EXPECT_TRUE(app.Calls("RasHangUpA").empty());
  const std::string connections = app.ConnectionsFile();
  EXPECT_NE(connections.find("entry=NORVA"), std::string::npos) << connections;
  EXPECT_NE(connections.find("state=0x00002000"), std::string::npos) << connections;
}

TEST_F(ConnectTest, ConnectionUpAtStartIsAdopted) {
  app.SetScenario("[dial]\nstep_ms=20\n");
  {
    const Window main = app.StartReady();
    Dial(main, 1, "alice", "secret");
    ASSERT_TRUE(WaitConnected(main));
    ShowFromTray(main);
    main.Item(id::kExit).Click();
    ASSERT_TRUE(app.process().WaitForExit(10000));
  }

  const Window main = app.StartReady();

  EXPECT_TRUE(main.IsVisible());
  EXPECT_EQ(main.Item(id::kConnect).Text(), "Disconnect");
  EXPECT_TRUE(main.Item(id::kConnect).IsEnabled());
  ExpectInputsEnabled(main, false);
  EXPECT_TRUE(main.Item(id::kShared).IsEnabled());
  EXPECT_TRUE(main.Item(id::kDedicated).IsEnabled());
  EXPECT_EQ(app.Calls("RasDialA").size(), 1u);
}

}  // namespace
}  // namespace norva::e2e
