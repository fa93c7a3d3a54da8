// The five-second prompt before the program dials on its own after start-up;
// Enter and Exit while it counts.
#include "driver.h"

#include <gtest/gtest.h>

namespace norva::e2e {
namespace {

class Prompts : public ::testing::Test {
 protected:
  void SetUp() override {
    app.SeedServers({{"shared", "Amsterdam", "203.0.113.1"},
                     {"shared", "Chicago", "203.0.113.3"},
                     {"shared", "Dallas", "203.0.113.4"}});
    app.SetScenario("[dial]\nstep_ms=20\n");
  }
  // The prompt: the countdown's text item, and not the options' logon box.
  Window WaitForPrompt() const { return app.WaitForDialog(IDC_PROMPT_TEXT, IDC_RUN_AT_STARTUP); }
  // Auto connect on, to the server in `row`; the main window once it shows.
  Window StartAutoConnect(DWORD row) {
    app.WriteSetting("autoconnect", 1);
    app.WriteSetting("lastserver", row);
    return app.Start();
  }

  NorvaApp app;
};

TEST_F(Prompts, AutoConnectCountsDownAtTheWindowsCornerThroughEnterAndDialsTheLastServer) {
  const Window main = StartAutoConnect(3);
  Window prompt;
  ASSERT_TRUE(WaitFor([&] { return static_cast<bool>(prompt = WaitForPrompt()); }, 30000));
  EXPECT_EQ(main.Item(IDC_SERVER).Selection(), 3);
  POINT promptCorner = {0, 0}, mainCorner = {0, 0};  // not centred
  ClientToScreen(prompt.handle(), &promptCorner);
  ClientToScreen(main.handle(), &mainCorner);
  EXPECT_EQ(std::make_pair(promptCorner.x, promptCorner.y), std::make_pair(mainCorner.x, mainCorner.y));

  prompt.Post(WM_COMMAND, IDOK);  // what Enter sends: the countdown goes on
  std::vector<std::string> shown;
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

TEST_F(Prompts, ExitFromTheTrayDuringThePromptEndsTheProgramWithoutADial) {
  const Window main = StartAutoConnect(1);
  ASSERT_TRUE(WaitFor([&] { return static_cast<bool>(WaitForPrompt()); }, 30000));
  ASSERT_TRUE(app.ChooseFromTray(main, 1));  // "Exit"
  DWORD exitCode = 1;
  ASSERT_TRUE(app.WaitForExit(&exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_TRUE(app.Calls("RasDialA").empty());
}

}  // namespace
}  // namespace norva::e2e
