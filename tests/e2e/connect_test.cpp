// A session: what goes wrong on the way, connect, disconnect, a lost link, Exit with the link up.
#include "driver.h"

#include <gtest/gtest.h>

namespace norva::e2e {
namespace {

// Picks a server, types the credentials and presses Connect.
void Dial(const Window& main, int row, const std::string& password) {
  main.Item(IDC_SERVER).Pick(row);
  main.Item(IDC_USERNAME).Type("alice");
  main.Item(IDC_PASSWORD).Type(password);
  main.Item(IDOK).Click();
}

bool WaitConnected(const Window& main) {
  return WaitFor([&] {
    return main.Item(IDC_STATUS).Text() == "Connected." && !main.IsVisible() &&
           main.Item(IDOK).IsEnabled();
  });
}

// The button's label and whether the inputs a connection locks are enabled.
std::string Form(const Window& main) {
  std::string form = main.Item(IDOK).Text();
  for (int id : {IDC_SERVER, IDC_VPNTYPE, IDC_USERNAME, IDC_PASSWORD, IDC_OPTIONS}) {
    form += main.Item(id).IsEnabled() ? " on" : " off";
  }
  return form;
}

TEST(Connect, BoxesConnectDisconnectALostLinkAndExitWithTheConnectionUp) {
  NorvaApp app;
  const std::string dropped = app.StateFile("dropped");
  app.SeedServers({{"shared", "Amsterdam", "203.0.113.1"}, {"shared", "Chicago", "203.0.113.3"}});
  const std::string accepted = "[dial]\nstep_ms=20\nuser=alice\npassword=secret\n";
  app.SetScenario(accepted + "[link]\ndrop_trigger_file=" + dropped + "\n");
  Window main = app.StartReady();
  // "choose server..." is chosen: only the box (the next dial needs the form as it was).
  main.Item(IDOK).Click();
  EXPECT_EQ(app.NextBox(), "Error: Please Select Valid Server");  // Wine's default caption
  Dial(main, 1, "wrong");
  EXPECT_EQ(app.NextBox(),
            "NORVA Connection Assistant: Access was denied because the username and/or password "
            "was invalid on the domain.");
  ASSERT_TRUE(WaitFor([&] { return Form(main) == "Connect on on on on on"; }));

  Dial(main, 2, "secret");
  ASSERT_TRUE(WaitConnected(main));
  EXPECT_EQ(Form(main), "Disconnect off off off off off");
  const std::string dial = app.Calls("RasDialA").back();
  EXPECT_EQ(Field(dial, "phone") + " " + Field(dial, "user") + " " + Field(dial, "password"),
            "203.0.113.3 alice secret");
  EXPECT_NE(app.StateText("credentials.ini").find("Password=secret"), std::string::npos);

  main.Post(WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDBLCLK);
  ASSERT_TRUE(main.WaitVisible());
  main.Item(IDOK).Click();  // Disconnect
  ASSERT_TRUE(WaitFor([&] { return Form(main) == "Connect on on on on on"; }));
  EXPECT_EQ(app.StateText("connections.ini").find("[" + Field(dial, "handle") + "]"),
            std::string::npos) << "hung up and released";

  // The link drops: released and reported; the form is usable again.
  main.Item(IDOK).Click();
  ASSERT_TRUE(WaitConnected(main));
  testing::WriteFileBytes(dropped, "");
  ASSERT_TRUE(WaitFor([&] { return main.Item(IDC_STATUS).Text() == "Connection lost."; }, 6000));
  EXPECT_EQ(Field(app.Calls("RasHangUpA").back(), "handle"),
            Field(app.Calls("RasDialA").back(), "handle"));
  EXPECT_EQ(Form(main), "Connect on on on on on");
  EXPECT_FALSE(main.IsVisible());

  // With auto reconnect on, Escape on its prompt leaves the link lost.
  DeleteFileA(dropped.c_str());
  app.WriteSetting("autoreconnect", 1);
  main.Item(IDOK).Click();
  ASSERT_TRUE(WaitConnected(main));
  testing::WriteFileBytes(dropped, "");
  const Window prompt = app.WaitForDialog(IDC_PROMPT_TEXT, IDC_RUN_AT_STARTUP);
  ASSERT_TRUE(prompt);
  EXPECT_EQ(prompt.Item(IDC_PROMPT_TEXT).Text().substr(0, 51),
            "NORVA Auto Re Connect is enabled. re-connecting in ");
  prompt.Post(WM_COMMAND, IDCANCEL);  // what Escape sends
  ASSERT_TRUE(WaitFor([&] { return !prompt && main.Item(IDC_STATUS).Text() == "Connection lost."; }));
  EXPECT_EQ(app.Calls("RasDialA").size(), 4u) << "no dial after the cancelled prompt";

  // Dropped again, the prompt runs out while the network is away: two tries fail, each wait cut
  // short by a resume from sleep, and the third connects, with no box and the window hidden.
  DeleteFileA(dropped.c_str());
  main.Item(IDOK).Click();
  ASSERT_TRUE(WaitConnected(main));
  app.SetScenario(accepted + "error_state=2\nerror_code=800\n[link]\ndrop_trigger_file=" + dropped);
  testing::WriteFileBytes(dropped, "");
  ASSERT_TRUE(app.WaitForDialog(IDC_PROMPT_TEXT, IDC_RUN_AT_STARTUP));
  DeleteFileA(dropped.c_str());
  for (const std::string status :
       {"Reconnecting in 5 seconds (try 2).", "Reconnecting in 10 seconds (try 3)."}) {
    ASSERT_TRUE(WaitFor([&] { return main.Item(IDC_STATUS).Text() == status; })) << status;
    if (status.find("try 3") != std::string::npos) app.SetScenario(accepted);
    main.Post(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC);
  }
  ASSERT_TRUE(WaitConnected(main));
  EXPECT_FALSE(app.WaitForDialog(0xFFFF, 0, 100)) << "a message box";
  const std::vector<std::string> calls = app.Calls();
  std::string released = Field(app.Calls("RasDialA").at(4), "handle"), tries;
  for (const std::string& line : calls) {
    if (line.rfind("RasGetConnectStatusA handle=" + released + " ", 0) == 0 &&
        Field(line, "state").empty()) {
      released += " released";
    } else if (line.rfind("RasDialA", 0) == 0 && released.find(" released") != std::string::npos) {
      tries += Field(line, "phone") + " ";
      released = Field(line, "handle");
    }
  }
  EXPECT_EQ(tries, "203.0.113.3 203.0.113.3 203.0.113.3 ") << "each try after the last one's release";

  // Exit from the tray while hidden: the connection stays up, and the next start adopts it.
  const size_t hangUps = app.Calls("RasHangUpA").size();
  ASSERT_TRUE(app.ChooseFromTray(main, 1));  // "Exit"
  ASSERT_EQ(app.WaitForExit(), 0u);
  EXPECT_EQ(app.Calls("RasHangUpA").size(), hangUps) << "Exit hangs up nothing";
  main = app.StartReady();
  EXPECT_TRUE(main.IsVisible());
  EXPECT_EQ(Form(main), "Disconnect on off off off off");  // the list follows its fill
  EXPECT_TRUE(main.Item(IDC_DEDICATED).IsEnabled());
  EXPECT_EQ(app.Calls("RasDialA").size(), 8u);
}

}  // namespace
}  // namespace norva::e2e
