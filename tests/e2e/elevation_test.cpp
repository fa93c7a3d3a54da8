// One program per user session: a standard user's start that needs rights
// for the phonebook, the copy it starts elevated, two starts at once, and
// the entry written only when it changes.
#include "driver.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace norva::e2e {
namespace {

using Lines = std::vector<std::string>;
constexpr char kCaption[] = "NORVA Connection Assistant";

// The one main window of the program, any copy's, once it shows.
Window MainWindow() {
  HWND found = nullptr;
  WaitFor([&] { return (found = FindWindowA("QUILLON", kCaption)) != nullptr && IsWindowVisible(found); }, 30000);
  return Window(found);
}

// The text of the program's next box, any copy's, dismissed.
std::string NextBoxOfAnyCopy() {
  Window box;
  if (!WaitFor([&] { return static_cast<bool>(box = Window(FindWindowA("#32770", kCaption))); }, 30000)) return "no box";
  const std::string text = box.Item(0xFFFF).Text();
  box.Post(WM_COMMAND, IDOK);
  WaitFor([&] { return !box; });
  return text;
}

TEST(Elevation, AStandardUsersFirstStartGetsOneElevatedCopyInTheProgramsFolder) {
  NorvaApp app;
  // Every write refused for lack of rights, as the all-users phonebook is to a
  // standard user, and under Wine to the copy started with "runas" too.
  app.SetScenario("[RasSetEntryPropertiesA]\nresult=5\n");
  app.LaunchAsStandardUser();  // from another folder than the program's
  EXPECT_EQ(NextBoxOfAnyCopy(),
            "The connection settings were not saved: this copy of the program was started to save "
            "them with administrator rights, but Windows did not give it those rights.");
  DWORD exitCode = 1;
  ASSERT_TRUE(app.WaitForExit(&exitCode));
  EXPECT_EQ(exitCode, 0u) << "the first copy ends once the elevated one is started";
  const Window main = MainWindow();
  ASSERT_TRUE(main);
  app.Adopt(main);
  EXPECT_TRUE(LogoShown(main)) << "the elevated copy runs in the program's folder";
  // Two copies, one relaunch: each wrote the PPTP entry, numbered with the site's host.
  const Lines writes = app.Calls("RasSetEntryPropertiesA");
  ASSERT_EQ(writes.size(), 2u);
  for (const std::string& line : writes) {
    EXPECT_EQ(Field(line, "vpnStrategy") + " " + Field(line, "phone"), "0x1 www.norva.invalid");
  }
}

TEST(Elevation, TheCopyStartedForABuildDoesItAndOptionsClosedWithNoChangeWriteNothing) {
  NorvaApp app;
  app.Launch(SW_SHOWNORMAL, "/build-entry 1");  // as a refused copy starts it
  const Window main = MainWindow();
  ASSERT_TRUE(main);
  EXPECT_EQ(main.Item(IDC_VPNTYPE).Selection(), 1);
  EXPECT_EQ(app.PhonebookValue("VpnStrategy"), "0x00000003");
  EXPECT_NE(app.StateText("credentials.ini").find("PreSharedKey="), std::string::npos);

  main.Item(IDC_OPTIONS).Click();
  const Window options = app.WaitForDialog(IDC_RUN_AT_STARTUP);
  ASSERT_TRUE(options);
  options.Item(IDOK).Click();
  // The entry and its key are read and found as they would be written.
  EXPECT_TRUE(WaitFor([&] { return app.Calls("RasGetCredentialsA").size() == 1; }));
  EXPECT_EQ(app.Calls("RasSetEntryPropertiesA").size(), 1u);
}

TEST(Elevation, OfTwoStartsAtOnceOneRunsAndAutoConnectsRaisedByTheOther) {
  NorvaApp app;
  app.SeedServers({{"shared", "Amsterdam", "203.0.113.1"}});
  app.SetScenario("[dial]\nstep_ms=20\n");
  app.WriteSetting("autoconnect", 1);
  app.WriteSetting("lastserver", 1);
  app.Launch(SW_HIDE);
  app.Launch(SW_HIDE);
  std::vector<DWORD> codes;
  EXPECT_TRUE(WaitFor([&] {
    codes = app.ExitCodes();
    std::sort(codes.begin(), codes.end());
    return codes == std::vector<DWORD>{0, STILL_ACTIVE};
  }, 30000)) << ::testing::PrintToString(codes);
  // Started hidden, its window shows: the other start raised it.
  const Window main = MainWindow();
  ASSERT_TRUE(main);
  ASSERT_TRUE(WaitFor([&] { return app.Calls("RasDialA").size() == 1; }, 30000));
  Sleep(1000);
  EXPECT_EQ(app.Calls("RasDialA").size(), 1u);
}

}  // namespace
}  // namespace norva::e2e
