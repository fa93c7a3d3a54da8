// Dialling on its own: the link watch after a connection drops, and the
// auto connect after start-up, each behind the cancellable countdown.
#include <gtest/gtest.h>

#include <regex>

#include "norva_app.h"

namespace norva::e2e {
namespace {

const std::vector<Server> kServers = {
    {"shared", "Amsterdam", "203.0.113.1"},
    {"shared", "Chicago", "203.0.113.3"},
    {"shared", "Dallas", "203.0.113.4"},
};

// The link watch ticks every two seconds; the countdown runs five.
constexpr DWORD kWatchTimeoutMs = 6000;
constexpr DWORD kPromptTimeoutMs = 9000;

class ReconnectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app.SeedServers(kServers);
    app.SetScenario("[dial]\nstep_ms=20\n[link]\ndrop_trigger_file=" + dropFile + "\n");
  }

  Window StartConnected() {
    const Window main = app.StartReady();
    main.Item(id::kServer).Pick(2);
    main.Item(id::kUserName).Type("alice");
    main.Item(id::kPassword).Type("secret");
    main.Item(id::kConnect).Click();
    EXPECT_TRUE(WaitFor(
        [&] { return main.Item(id::kStatus).Text() == "Connected." && !main.IsVisible(); }));
    return main;
  }

  // The service loses the link; a new dial is not dropped again.
  void DropLink() const { testing::WriteFileBytes(dropFile, ""); }
  void RestoreLink() const { DeleteFileA(dropFile.c_str()); }

  Window WaitForPrompt() const {
    Window prompt;
    WaitFor(
        [&] {
          prompt = FindDialog(app.process().id(), id::kPromptText, id::kRunAtStartup);
          return static_cast<bool>(prompt);
        },
        kWatchTimeoutMs);
    return prompt;
  }

  bool WatchSawTheDrop() const {
    for (const std::string& line : app.Calls("RasGetConnectStatusA")) {
      if (Field(line, "state") == "0x2001") return true;
    }
    return false;
  }

  NorvaApp app;
  const std::string dropFile = app.StateFile("link-dropped");
};

TEST_F(ReconnectTest, LostLinkWithoutAutoReconnectIsReleasedAndReported) {
  const Window main = StartConnected();

  DropLink();
  ASSERT_TRUE(WaitFor([&] { return main.Item(id::kStatus).Text() == "Connection lost."; },
                      kWatchTimeoutMs));
  EXPECT_EQ(app.Calls("RasHangUpA").size(), 1u);
  EXPECT_EQ(main.Item(id::kConnect).Text(), "Connect");
  EXPECT_TRUE(main.Item(id::kUserName).IsEnabled());
  EXPECT_FALSE(main.IsVisible());
  EXPECT_FALSE(FindDialog(app.process().id(), id::kPromptText));
  RestoreLink();
  main.Item(id::kConnect).Click();
  EXPECT_TRUE(WaitFor([&] { return app.Calls("RasDialA").size() == 2; }));
}

TEST_F(ReconnectTest, LostLinkWithAutoReconnectCountsDownAndDialsAgain) {
  app.WriteSetting("autoreconnect", 1);
  const Window main = StartConnected();

  DropLink();
  const Window prompt = WaitForPrompt();
  ASSERT_TRUE(prompt);
  RestoreLink();
  const std::regex text("NORVA Auto Re Connect is enabled\\. re-connecting in [1-5] seconds\\.");
  EXPECT_TRUE(std::regex_match(prompt.Item(id::kPromptText).Text(), text))
      << prompt.Item(id::kPromptText).Text();
  std::vector<std::string> counted;
  WaitFor(
      [&] {
        const std::string shown = prompt.Item(id::kPromptText).Text();
        if (!shown.empty() && (counted.empty() || counted.back() != shown))
          counted.push_back(shown);
        return !prompt;
      },
      kPromptTimeoutMs);
  ASSERT_FALSE(prompt) << "the countdown did not end";
  EXPECT_GE(counted.size(), 4u) << ::testing::PrintToString(counted);
  EXPECT_EQ(counted.back(), "NORVA Auto Re Connect is enabled. re-connecting in 1 seconds.");

  ASSERT_TRUE(WaitFor([&] { return app.Calls("RasDialA").size() == 2; }));
  const auto dials = app.Calls("RasDialA");
  EXPECT_EQ(Field(dials[1], "phone"), "203.0.113.3");
  EXPECT_EQ(Field(dials[1], "user"), "alice");
  EXPECT_TRUE(WaitFor([&] { return main.Item(id::kConnect).IsEnabled(); }));
  EXPECT_EQ(main.Item(id::kStatus).Text(), "Connected.");
}

TEST_F(ReconnectTest, CancelOnTheReconnectPromptDoesNotDial) {
  app.WriteSetting("autoreconnect", 1);
  const Window main = StartConnected();

  DropLink();
  const Window prompt = WaitForPrompt();
  ASSERT_TRUE(prompt);
  prompt.Item(IDCANCEL).Click();

  ASSERT_TRUE(WaitFor([&] { return !prompt; }));
  // A dial would start right after the prompt, in the same handler.
  main.Sync();
  EXPECT_EQ(app.Calls("RasDialA").size(), 1u);
  EXPECT_EQ(main.Item(id::kConnect).Text(), "Connect");
  EXPECT_EQ(main.Item(id::kStatus).Text(), "Connection lost.");
}

TEST_F(ReconnectTest, OkDoesNothingAndEscapeCancelsTheAutoConnectPrompt) {
  app.WriteSetting("autoconnect", 1);
  app.WriteSetting("lastserver", 1);
  const Window main = app.WaitForMainWindow(app.Start());
  ASSERT_TRUE(main);
  const Window prompt = WaitForPrompt();
  ASSERT_TRUE(prompt);

  // IDOK, the command the Enter key sends, leaves the countdown running.
  const std::string before = prompt.Item(id::kPromptText).Text();
  prompt.Post(WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitFor([&] { return prompt && prompt.Item(id::kPromptText).Text() != before; },
                      kPromptTimeoutMs))
      << "the countdown stopped";

  prompt.PressKey(VK_ESCAPE);
  ASSERT_TRUE(WaitFor([&] { return !prompt; }));
  main.Sync();
  EXPECT_TRUE(app.Calls("RasDialA").empty());
  EXPECT_EQ(main.Item(id::kConnect).Text(), "Connect");
}

TEST_F(ReconnectTest, AutoConnectAfterStartDialsTheLastServer) {
  app.WriteSetting("autoconnect", 1);
  app.WriteSetting("lastserver", 3);
  const Window main = app.WaitForMainWindow(app.Start());
  ASSERT_TRUE(main);

  const Window prompt = WaitForPrompt();
  ASSERT_TRUE(prompt);
  const std::string text = prompt.Item(id::kPromptText).Text();
  EXPECT_TRUE(std::regex_match(
      text, std::regex("NORVA Auto Connect is enabled\\. connecting in [1-5] seconds\\.")))
      << text;
  EXPECT_EQ(main.Item(id::kServer).Selection(), 3);
  // Not centred: its client area starts where the main window's does.
  POINT promptCorner = {0, 0};
  POINT mainCorner = {0, 0};
  ClientToScreen(prompt.handle(), &promptCorner);
  ClientToScreen(main.handle(), &mainCorner);
  EXPECT_EQ(promptCorner.x, mainCorner.x);
  EXPECT_EQ(promptCorner.y, mainCorner.y);
  EXPECT_TRUE(prompt.SaveScreenshot(NorvaApp::ScreenshotPath("auto_connect_prompt")));
  EXPECT_TRUE(app.Calls("RasDialA").empty());

  ASSERT_TRUE(WaitFor([&] { return !prompt; }, kPromptTimeoutMs));
  ASSERT_TRUE(WaitFor([&] { return app.Calls("RasDialA").size() == 1; }));
  EXPECT_EQ(Field(app.Calls("RasDialA")[0], "phone"), "203.0.113.4");
  EXPECT_TRUE(WaitFor([&] { return main.Item(id::kStatus).Text() == "Connected."; }));
}

}  // namespace
}  // namespace norva::e2e
