// Dialling on its own: after a lost link and after start-up, each behind
// the cancellable countdown; and a lost link reported when nothing re-dials.
#include <gtest/gtest.h>

#include <regex>

#include "norva_app.h"

namespace norva::e2e {
namespace {

// The link watch ticks every two seconds; the countdown runs five.
constexpr DWORD kWatchTimeoutMs = 6000;
constexpr DWORD kPromptTimeoutMs = 9000;

class Reconnect : public ::testing::Test {
 protected:
  void SetUp() override {
    app.SeedServers({{"shared", "Amsterdam", "203.0.113.1"},
                     {"shared", "Chicago", "203.0.113.3"},
                     {"shared", "Dallas", "203.0.113.4"}});
    app.SetScenario("[dial]\nstep_ms=20\n[link]\ndrop_trigger_file=" + dropFile + "\n");
  }

  Window StartConnected() {
    const Window main = app.StartReady();
    main.Item(IDC_SERVER).Pick(2);
    main.Item(IDC_USERNAME).Type("alice");
    main.Item(IDC_PASSWORD).Type("secret");
    main.Item(IDOK).Click();
    EXPECT_TRUE(WaitFor([&] { return main.Item(IDC_STATUS).Text() == "Connected." && !main.IsVisible(); }));
    return main;
  }
  // The service loses the link; while the file is there every link drops.
  void DropLink(bool dropped = true) const {
    dropped ? testing::WriteFileBytes(dropFile, "") : void(DeleteFileA(dropFile.c_str()));
  }
  Window WaitForPrompt(DWORD timeoutMs = kWatchTimeoutMs) const {
    Window prompt;
    WaitFor([&] { return static_cast<bool>(prompt = FindDialog(app.process().id(), IDC_PROMPT_TEXT, IDC_RUN_AT_STARTUP)); },
            timeoutMs);
    return prompt;
  }
  // The prompt's texts until it closes.
  static std::vector<std::string> CountDown(const Window& prompt) {
    std::vector<std::string> shown;
    WaitFor(
        [&] {
          const std::string text = prompt.Item(IDC_PROMPT_TEXT).Text();
          if (!text.empty() && (shown.empty() || shown.back() != text)) shown.push_back(text);
          return !prompt;
        },
        kPromptTimeoutMs);
    return shown;
  }

  NorvaApp app;
  const std::string dropFile = app.StateFile("link-dropped");
};

TEST_F(Reconnect, ALostLinkIsReleasedReportedAndTheFormIsUsableAgain) {
  const Window main = StartConnected();
  DropLink();
  ASSERT_TRUE(WaitFor([&] { return main.Item(IDC_STATUS).Text() == "Connection lost."; }, kWatchTimeoutMs));
  EXPECT_EQ(Field(app.Calls("RasHangUpA").at(0), "handle"), Field(app.Calls("RasDialA")[0], "handle"));
  EXPECT_EQ(main.Item(IDOK).Text(), "Connect");
  EXPECT_TRUE(main.Item(IDC_USERNAME).IsEnabled() && main.Item(IDC_OPTIONS).IsEnabled());
  EXPECT_FALSE(main.IsVisible());
  EXPECT_FALSE(FindDialog(app.process().id(), IDC_PROMPT_TEXT));

  DropLink(false);
  main.Item(IDOK).Click();
  EXPECT_TRUE(WaitFor([&] { return main.Item(IDC_STATUS).Text() == "Connected."; }));
  EXPECT_EQ(app.Calls("RasDialA").size(), 2u);
}

TEST_F(Reconnect, ALostLinkWithAutoReconnectCountsDownAndDialsAgain) {
  app.WriteSetting("autoreconnect", 1);
  const Window main = StartConnected();
  DropLink();
  const Window prompt = WaitForPrompt();
  ASSERT_TRUE(prompt);
  DropLink(false);
  const std::vector<std::string> shown = CountDown(prompt);
  ASSERT_FALSE(prompt) << "the countdown did not end";
  ASSERT_GE(shown.size(), 4u) << ::testing::PrintToString(shown);
  EXPECT_TRUE(std::regex_match(shown[0], std::regex("NORVA Auto Re Connect is enabled\\. re-connecting in [45] seconds\\.")));
  EXPECT_EQ(shown.back(), "NORVA Auto Re Connect is enabled. re-connecting in 1 seconds.");

  ASSERT_TRUE(WaitFor([&] { return main.Item(IDC_STATUS).Text() == "Connected."; }));
  // The lost connection was let go before the new dial.
  std::vector<std::string> order;
  for (const std::string& line : app.Calls()) {
    if (line.rfind("RasDialA", 0) == 0 || line.rfind("RasHangUpA", 0) == 0) order.push_back(line.substr(0, line.find(' ')));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"RasDialA", "RasHangUpA", "RasDialA"}));
  EXPECT_EQ(Field(app.Calls("RasDialA")[1], "phone") + " " + Field(app.Calls("RasDialA")[1], "user"),
            "203.0.113.3 alice");
}

TEST_F(Reconnect, AutoConnectAfterStartCountsDownAtTheWindowsCornerAndDialsTheLastServer) {
  app.WriteSetting("autoconnect", 1);
  app.WriteSetting("lastserver", 3);
  app.Start();
  const Window main = app.WaitForMainWindow();
  const Window prompt = WaitForPrompt(30000);
  ASSERT_TRUE(prompt);
  EXPECT_EQ(main.Item(IDC_SERVER).Selection(), 3);
  POINT promptCorner = {0, 0}, mainCorner = {0, 0};  // not centred
  ClientToScreen(prompt.handle(), &promptCorner);
  ClientToScreen(main.handle(), &mainCorner);
  EXPECT_EQ(promptCorner.x * 10000 + promptCorner.y, mainCorner.x * 10000 + mainCorner.y);
  EXPECT_TRUE(prompt.SaveScreenshot(NorvaApp::ScreenshotPath("auto_connect_prompt")));
  EXPECT_TRUE(app.Calls("RasDialA").empty());

  const std::vector<std::string> shown = CountDown(prompt);
  EXPECT_EQ(shown.back(), "NORVA Auto Connect is enabled. connecting in 1 seconds.");
  ASSERT_TRUE(WaitFor([&] { return app.Calls("RasDialA").size() == 1; }));
  EXPECT_EQ(Field(app.Calls("RasDialA")[0], "phone"), "203.0.113.4");
}

TEST_F(Reconnect, EnterLeavesThePromptCountingAndEscapeCancelsIt) {
  app.WriteSetting("autoconnect", 1);
  app.WriteSetting("lastserver", 1);
  app.Start();
  const Window main = app.WaitForMainWindow();
  const Window prompt = WaitForPrompt(30000);
  ASSERT_TRUE(prompt);
  const std::string before = prompt.Item(IDC_PROMPT_TEXT).Text();
  prompt.Post(WM_COMMAND, IDOK, 0);  // what the Enter key sends
  ASSERT_TRUE(WaitFor([&] { return prompt && prompt.Item(IDC_PROMPT_TEXT).Text() != before; }, kPromptTimeoutMs))
      << "the countdown stopped";

  prompt.PressKey(VK_ESCAPE);
  ASSERT_TRUE(WaitFor([&] { return !prompt; }));
  main.Sync();
  EXPECT_TRUE(app.Calls("RasDialA").empty());
  EXPECT_EQ(main.Item(IDOK).Text(), "Connect");
}

TEST_F(Reconnect, ExitFromTheTrayDuringThePromptEndsTheProgramWithoutADial) {
  app.WriteSetting("autoconnect", 1);
  app.WriteSetting("lastserver", 1);
  app.Start();
  const Window main = app.WaitForMainWindow();
  ASSERT_TRUE(WaitForPrompt(30000));

  const Window menu = app.OpenTrayMenu(main);
  ASSERT_TRUE(menu) << "the tray menu did not open";
  ChooseMenuItem(menu, 1);  // "Exit"
  ASSERT_TRUE(app.process().WaitForExit(10000));
  EXPECT_EQ(app.process().ExitCode(), 0u);
  EXPECT_TRUE(app.Calls("RasDialA").empty());
}

}  // namespace
}  // namespace norva::e2e
