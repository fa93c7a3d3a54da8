// Connecting and disconnecting from the main window, what goes wrong on the
// way, and what a running connection means for Exit and the next start.
#include <gtest/gtest.h>

#include "norva_app.h"

namespace norva::e2e {
namespace {

class Connect : public ::testing::Test {
 protected:
  void SetUp() override {
    app.SeedServers({{"shared", "Amsterdam", "203.0.113.1"},
                     {"shared", "Chicago", "203.0.113.3"},
                     {"dedicated", "Berlin", "203.0.113.2"}});
  }

  // Picks a server, types the credentials and presses Connect.
  static void Dial(const Window& main, int row, const std::string& user, const std::string& password) {
    main.Item(IDC_SERVER).Pick(row);
    main.Item(IDC_USERNAME).Type(user);
    main.Item(IDC_PASSWORD).Type(password);
    main.Item(IDOK).Click();
  }
  static bool WaitConnected(const Window& main) {
    return WaitFor([&] {
      return main.Item(IDC_STATUS).Text() == "Connected." && !main.IsVisible() &&
             main.Item(IDOK).IsEnabled();
    });
  }
  // Whether the inputs a connection locks are enabled, and the button's label.
  static std::string Form(const Window& main) {
    std::string form = main.Item(IDOK).Text();
    for (int id : {IDC_SERVER, IDC_VPNTYPE, IDC_USERNAME, IDC_PASSWORD, IDC_OPTIONS}) {
      form += main.Item(id).IsEnabled() ? " on" : " off";
    }
    return form;
  }

  NorvaApp app;
};

TEST_F(Connect, ProgressShowsThenTheWindowHidesAndTheChoicesAreStored) {
  app.SetScenario("[dial]\nstep_ms=250\n");
  const Window main = app.StartReady();
  Dial(main, 2, "alice", "secret");

  std::vector<std::string> shown;
  ASSERT_TRUE(WaitFor([&] {
    const std::string status = main.Item(IDC_STATUS).Text();
    if (!status.empty() && (shown.empty() || shown.back() != status)) shown.push_back(status);
    return status == "Connected.";
  }));
  EXPECT_EQ(shown, (std::vector<std::string>{"Openning...", "Connecting...", "Authenticating...",
                                             "Authenticated.", "Connected."}));
  ASSERT_TRUE(WaitConnected(main));
  EXPECT_EQ(Form(main), "Disconnect off off off off off");

  const auto dials = app.Calls("RasDialA");
  ASSERT_EQ(dials.size(), 1u);
  EXPECT_EQ(Field(dials[0], "phone") + " " + Field(dials[0], "user") + " " +
                Field(dials[0], "password"),
            "203.0.113.3 alice secret");
  EXPECT_EQ(app.ReadSetting("lastserver"), 2u);
  const std::string credentials = app.StateText("credentials.ini");
  EXPECT_NE(credentials.find("UserName=alice"), std::string::npos) << credentials;
  EXPECT_NE(credentials.find("Password=secret"), std::string::npos) << credentials;
}

TEST_F(Connect, BoxesSayWhatWentWrongAndTheFormIsUsableAgain) {
  app.SetScenario("[dial]\nstep_ms=50\nuser=demo\npassword=demo\n");
  const Window main = app.StartReady();

  main.Item(IDOK).Click();  // "choose server..." is chosen
  EXPECT_EQ(app.NextBox(), "Error: Please Select Valid Server");  // Wine's default caption
  EXPECT_TRUE(app.Calls("RasDialA").empty());

  Dial(main, 1, "alice", "wrong");
  EXPECT_EQ(app.NextBox(),
            "NORVA Connection Assistant: Access was denied because the username and/or password "
            "was invalid on the domain.");
  ASSERT_TRUE(WaitFor([&] { return main.Item(IDOK).IsEnabled(); }));
  EXPECT_EQ(Form(main), "Connect on on on on on");
  EXPECT_EQ(main.Item(IDC_STATUS).Text(), "");
  EXPECT_EQ(app.Calls("RasHangUpA").size(), 1u);
  EXPECT_EQ(app.StateText("credentials.ini").find("UserName="), std::string::npos);
  EXPECT_EQ(app.ReadSetting("lastserver"), std::nullopt);
}

TEST_F(Connect, DisconnectReleasesExitLeavesUpAndTheNextStartAdopts) {
  app.SetScenario("[dial]\nstep_ms=20\n[hangup]\nrelease_after_polls=2\n");
  const Window main = app.StartReady();
  Dial(main, 1, "alice", "secret");
  ASSERT_TRUE(WaitConnected(main));
  main.Post(WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(WaitFor([&] { return main.IsVisible(); }));

  main.Item(IDOK).Click();
  ASSERT_TRUE(WaitFor([&] { return main.Item(IDOK).Text() == "Connect"; }));
  EXPECT_EQ(Field(app.Calls("RasHangUpA").at(0), "handle"), Field(app.Calls("RasDialA")[0], "handle"));
  EXPECT_EQ(Form(main), "Connect on on on on on");
  EXPECT_EQ(app.StateText("connections.ini").find("entry=NORVA"), std::string::npos);

  // Connected again, then Exit from the tray while the window is hidden.
  main.Item(IDOK).Click();
  ASSERT_TRUE(WaitConnected(main));
  const Window menu = app.OpenTrayMenu(main);
  ASSERT_TRUE(menu) << "the tray menu did not open";
  ChooseMenuItem(menu, 1);  // "Exit"
  ASSERT_TRUE(app.process().WaitForExit(10000));
  EXPECT_EQ(app.process().ExitCode(), 0u);
  EXPECT_EQ(app.Calls("RasHangUpA").size(), 1u);
  EXPECT_NE(app.StateText("connections.ini").find("state=0x00002000"), std::string::npos);

  const Window again = app.StartReady();
  EXPECT_TRUE(again.IsVisible());
  EXPECT_EQ(Form(again), "Disconnect on off off off off");  // the list follows its fill
  EXPECT_TRUE(again.Item(IDC_DEDICATED).IsEnabled());
  EXPECT_EQ(app.Calls("RasDialA").size(), 2u);
}

}  // namespace
}  // namespace norva::e2e
