// One program per session: a standard user's start, the copy it starts elevated, two at once.
#include "driver.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace norva::e2e {
namespace {

using Lines = std::vector<std::string>;
constexpr char kStillRefused[] =
    "NORVA Connection Assistant: The connection settings were not saved: this copy of the program "
    "was started to save them with administrator rights, but Windows did not give it those rights.";

// The one main window of the program, any copy's, once it shows.
Window MainWindow() { return WaitForWindow("QUILLON", IDC_EDIT_SERVERS); }

// The entry writes: the tunnel strategy, the number and the service's answer of each.
Lines Writes(const NorvaApp& app) {
  Lines writes;
  for (const std::string& line : app.Calls("RasSetEntryPropertiesA")) {
    writes.push_back(Field(line, "vpnStrategy") + " " + Field(line, "phone") +
                     line.substr(line.rfind(" ->")));
  }
  return writes;
}

TEST(Elevation, AStandardUsersFirstStartGetsOneElevatedCopyInTheProgramsFolder) {
  NorvaApp app;
  // Refused to a standard user, and under Wine the "runas" copy is one too: every write is.
  testing::ScratchDir elsewhere;  // empty, and kept while a program runs in it
  app.LaunchAsStandardUser(elsewhere.path());
  EXPECT_EQ(app.NextBox(), kStillRefused);
  EXPECT_EQ(app.WaitForExit(), 0u) << "the first copy ends once the elevated one is started";
  const Window main = MainWindow();
  ASSERT_TRUE(main);
  app.Adopt(main);
  EXPECT_TRUE(RemoveDirectoryA(elsewhere.path().c_str()))
      << "the elevated copy runs in the program's folder, where it finds logo.bmp";
  // Two copies, one relaunch: each wrote the PPTP entry, numbered with the site's host.
  EXPECT_EQ(Writes(app), Lines(2, "0x1 www.norva.invalid -> 5"));
}

TEST(Elevation, AStandardUsersPickGoesToTheElevatedCopyAndTheFirstEndsAsByExit) {
  NorvaApp app;
  const Window administrators = app.Start();  // writes the PPTP entry
  ASSERT_TRUE(administrators);
  administrators.Post(WM_COMMAND, IDCANCEL);
  ASSERT_EQ(app.WaitForExit(), 0u);
  app.LaunchAsStandardUser(testing::Env("TEMP"));
  MainWindow().Item(IDC_VPNTYPE).Pick(1);  // L2TP/IPSec, refused
  EXPECT_EQ(app.NextBox(), kStillRefused);
  EXPECT_EQ(app.WaitForExit(), 0u);
  app.Adopt(MainWindow());
  const std::string pick = "0x3 www.norva.invalid -> 5";  // by both copies
  EXPECT_EQ(Writes(app), (Lines{"0x1 www.norva.invalid -> 0", pick, pick}));
}

TEST(Elevation, TheCopyStartedForABuildTakesOverAndDoesIt) {
  NorvaApp app;
  const Window first = app.Start();
  ASSERT_TRUE(first);
  // The copy a refused build starts, while the copy that started it is ending.
  app.Launch("/build-entry 1 /after " + std::to_string(app.processId()));
  Sleep(2000);
  first.Post(WM_COMMAND, IDCANCEL);  // Exit
  ASSERT_TRUE(WaitFor([&] { return !first; }));
  const Window main = MainWindow();
  ASSERT_TRUE(main);
  EXPECT_EQ(app.PhonebookValue("VpnStrategy"), "0x00000003");
  EXPECT_EQ(app.Calls("RasSetEntryPropertiesA").size(), 2u) << "the first start's and the build";
}

TEST(Elevation, OfTwoStartsAtOnceOneRunsRaisedByTheOtherAndExitsFromTheTrayDuringAutoConnect) {
  NorvaApp app;
  app.SeedServers({{"shared", "Amsterdam", "203.0.113.1"}});
  app.SetScenario("[dial]\nstep_ms=20\n");
  app.WriteSetting("autoconnect", 1);
  app.WriteSetting("lastserver", 1);
  app.LaunchAtOnce(2, SW_HIDE);
  EXPECT_TRUE(WaitFor([&] {
    std::vector<DWORD> codes = app.ExitCodes();
    std::sort(codes.begin(), codes.end());
    return codes == std::vector<DWORD>{0, STILL_ACTIVE};
  }, 30000)) << "one ends at once, the other runs";
  // Started hidden, its window shows: the other start raised it.
  const Window main = MainWindow();
  ASSERT_TRUE(main);
  app.Adopt(main);
  // Exit from the tray while the auto connect prompt is open ends it without a dial.
  ASSERT_TRUE(app.WaitForDialog(IDC_PROMPT_TEXT, IDC_RUN_AT_STARTUP, 30000));
  ASSERT_TRUE(app.ChooseFromTray(main, 1));  // "Exit"
  ASSERT_EQ(app.WaitForExit(), 0u);
  EXPECT_TRUE(app.Calls("RasDialA").empty());
}

}  // namespace
}  // namespace norva::e2e
