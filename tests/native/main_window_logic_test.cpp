#include <gtest/gtest.h>

#include <string>

#include "ui/main_commands.h"
#include "ui/prompt_countdown.h"

namespace norva {
namespace {

TEST(PromptCountdownTest, CountsFiveToOneAndRunsOutAtTheFifthTick) {
  PromptCountdown countdown(PromptKind::kAutoConnect);
  std::vector<std::string> shown{countdown.Text()};
  int ticks = 0;
  while (!countdown.Tick()) {
    shown.push_back(countdown.Text());
    ++ticks;
  }
  EXPECT_EQ(ticks + 1, 5) << "the fifth tick ends the prompt";
  ASSERT_EQ(shown.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(shown[i], "NORVA Auto Connect is enabled. connecting in " + std::to_string(5 - i) +
                            " seconds.");
  }
}

TEST(PromptCountdownTest, ReconnectHasItsOwnText) {
  PromptCountdown countdown(PromptKind::kReconnect);
  EXPECT_EQ(countdown.Text(), "NORVA Auto Re Connect is enabled. re-connecting in 5 seconds.");
}

TEST(PromptCountdownTest, OnlyCancelStopsTheDial) {
  EXPECT_TRUE(PromptAllowsDial(kPromptTimedOut));
  EXPECT_TRUE(PromptAllowsDial(-1)) << "a prompt that could not be shown still dials";
  EXPECT_TRUE(PromptAllowsDial(1)) << "IDOK";
  EXPECT_FALSE(PromptAllowsDial(kPromptCancelled));
}

TEST(MainCommandTable, EachCommandAndWhatTheWindowReportsForIt) {
  const struct {
    int id;
    unsigned notification;
    MainCommand command;
    bool handled;
  } cases[] = {
      {1, 0, MainCommand::kToggleConnection, true},
      {2, 0, MainCommand::kExit, true},
      {1004, 9, MainCommand::kBuildEntry, true},   // CBN_SELENDOK
      {1004, 1, MainCommand::kNone, true},         // CBN_SELCHANGE: nothing, still handled
      {1004, 10, MainCommand::kNone, true},        // CBN_SELENDCANCEL
      {1006, 0, MainCommand::kOpenOptions, false},
      {1013, 0, MainCommand::kOpenServerSettings, false},
      {1018, 0, MainCommand::kFillShared, false},
      {1019, 0, MainCommand::kFillDedicated, false},
      {32776, 0, MainCommand::kShowWindow, false},
      {1000, 9, MainCommand::kNone, false},        // the server list: read only at dial time
      {1001, 0x300, MainCommand::kNone, false},    // EN_CHANGE of the user name
      {104, 1, MainCommand::kNone, false},         // accelerator commands have no handler
      {32771, 1, MainCommand::kNone, false},
  };
  for (const auto& c : cases) {
    const CommandAction action = ClassifyCommand(c.id, c.notification);
    EXPECT_EQ(action.command, c.command) << c.id << "/" << c.notification;
    EXPECT_EQ(action.handled, c.handled) << c.id << "/" << c.notification;
  }
}

TEST(TrayCallback, DoubleClickShowsRightButtonOpensTheMenu) {
  EXPECT_EQ(ClassifyTrayMessage(0x0203), TrayAction::kShowWindow);  // WM_LBUTTONDBLCLK
  EXPECT_EQ(ClassifyTrayMessage(0x0205), TrayAction::kOpenMenu);    // WM_RBUTTONUP
  for (unsigned other : {0x0200u, 0x0201u, 0x0202u, 0x0204u, 0x0206u, 0x0400u}) {
    EXPECT_EQ(ClassifyTrayMessage(other), TrayAction::kNone) << other;
  }
}

TEST(LinkWatchReading, InvalidHandleOrAnyStateButConnectedIsALoss) {
  const struct {
    RasResult result;
    std::uint32_t state;
    bool lost;
  } cases[] = {
      {ras::kOk, ras::kConnected, false},
      {ras::kOk, ras::kDisconnected, true},
      {ras::kOk, ras::kAuthenticate, true},
      {ras::kOk, 0, true},
      {ras::kInvalidHandle, ras::kConnected, true},
      {ras::kInvalidHandle, 0, true},
      {ras::kBufferTooSmall, 0, false},  // other failures say nothing
      {ras::kInvalidSize, ras::kDisconnected, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LinkLost(c.result, c.state), c.lost) << c.result << "/" << c.state;
  }
}

}  // namespace
}  // namespace norva
