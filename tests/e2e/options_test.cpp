// The options dialog: what it shows, what each click stores, and the entry
// rebuilt when it closes.
#include <gtest/gtest.h>

#include "norva_app.h"

namespace norva::e2e {
namespace {

class OptionsTest : public ::testing::Test {
 protected:
  Window OpenOptions() {
    main = app.StartReady();
    main.Item(id::kOptions).Click();
    Window options;
    EXPECT_TRUE(WaitFor([&] {
      return static_cast<bool>(options = FindDialog(app.process().id(), id::kRunAtStartup));
    })) << "the options dialog did not open";
    return options;
  }

  // Presses OK and waits until the main window has rebuilt the entry.
  void CloseWithOk(const Window& options) {
    const size_t builds = app.Calls("RasSetEntryPropertiesA").size();
    options.Item(IDOK).Click();
    ASSERT_TRUE(WaitFor([&] { return !options; }));
    ASSERT_TRUE(WaitFor([&] { return app.Calls("RasSetEntryPropertiesA").size() == builds + 1; }));
  }

  NorvaApp app;
  Window main;
};

TEST_F(OptionsTest, FreshAccountShowsTheDefaults) {
  const Window options = OpenOptions();
  ASSERT_TRUE(options);

  EXPECT_FALSE(options.Item(id::kRunAtStartup).IsChecked());
  EXPECT_FALSE(options.Item(id::kAutoConnect).IsChecked());
  EXPECT_FALSE(options.Item(id::kAutoReconnect).IsChecked());
  EXPECT_TRUE(options.Item(id::kLcp).IsChecked());
  EXPECT_FALSE(options.Item(id::kSwCompress).IsChecked());
  EXPECT_FALSE(options.Item(id::kMultilink).IsChecked());
  EXPECT_TRUE(options.Item(id::kTypical).IsChecked());
  EXPECT_EQ(options.Text(), "");   // no caption
  EXPECT_FALSE(main.IsEnabled());  // modal

  EXPECT_TRUE(options.SaveScreenshot(NorvaApp::ScreenshotPath("options_dialog")));
}

TEST_F(OptionsTest, EachClickIsStoredAtOnce) {
  const Window options = OpenOptions();
  ASSERT_TRUE(options);

  struct Box {
    int id;
    const char* setting;
    DWORD stored;
  };
  for (const Box& box :
       {Box{id::kAutoConnect, "autoconnect", 1}, Box{id::kAutoReconnect, "autoreconnect", 1},
        Box{id::kLcp, "enablelcp", 0}, Box{id::kSwCompress, "enableswcompress", 1},
        Box{id::kMultilink, "multilink", 1}, Box{id::kTypical, "defaultsecurity", 0}}) {
    options.Item(box.id).Click();
    EXPECT_TRUE(WaitFor([&] { return app.ReadSetting(box.setting) == box.stored; })) << box.setting;
  }

  // The logon box writes the program's quoted path, and the second click
  // deletes it again.
  options.Item(id::kRunAtStartup).Click();
  EXPECT_TRUE(WaitFor([&] { return app.RunValue().has_value(); }));
  EXPECT_STRCASEEQ(app.RunValue().value_or("").c_str(), ("\"" + app.programPath() + "\"").c_str());
  options.Item(id::kRunAtStartup).Click();
  EXPECT_TRUE(WaitFor([&] { return !app.RunValue().has_value(); }));
}

TEST_F(OptionsTest, OkRebuildsThePptpEntryWithTheNewOptions) {
  const Window options = OpenOptions();
  ASSERT_TRUE(options);
  ASSERT_EQ(app.PhonebookValue("Options"), "0x05001110");

  options.Item(id::kLcp).Click();
  CloseWithOk(options);

  EXPECT_EQ(app.PhonebookValue("Options"), "0x05001130");
  EXPECT_EQ(app.PhonebookValue("VpnStrategy"), "0x00000001");
  EXPECT_TRUE(main.IsEnabled());
}

TEST_F(OptionsTest, PppOptionsLeaveAnL2tpEntryUnchanged) {
  main = app.StartReady();
  main.Item(id::kVpnType).Pick(1);
  ASSERT_TRUE(WaitFor([&] { return app.PhonebookValue("VpnStrategy") == "0x00000003"; }));
  EXPECT_EQ(app.PhonebookValue("Options"), "0x05001310");
  EXPECT_EQ(app.PhonebookValue("Options2"), "0x00000014");
  EXPECT_NE(app.CredentialsFile().find("PreSharedKey=58132470"), std::string::npos);

  main.Item(id::kOptions).Click();
  Window options;
  ASSERT_TRUE(WaitFor([&] {
    return static_cast<bool>(options = FindDialog(app.process().id(), id::kRunAtStartup));
  }));
  options.Item(id::kLcp).Click();
  options.Item(id::kMultilink).Click();
  CloseWithOk(options);

  EXPECT_EQ(app.PhonebookValue("VpnStrategy"), "0x00000003");
  EXPECT_EQ(app.PhonebookValue("Options"), "0x05001310");
  EXPECT_EQ(app.PhonebookValue("Options2"), "0x00000014");
}

TEST_F(OptionsTest, EscapeKeepsTheDialogOpen) {
  const Window options = OpenOptions();
  ASSERT_TRUE(options);
  options.PressKey(VK_ESCAPE);
  options.Post(WM_COMMAND, IDCANCEL);
  // A click queued behind them shows that they have been handled.
  options.Item(id::kTypical).Click();
  ASSERT_TRUE(WaitFor([&] { return app.ReadSetting("defaultsecurity") == 0u; }));

  EXPECT_TRUE(options);
  EXPECT_TRUE(options.IsVisible());
  EXPECT_FALSE(main.IsEnabled());
}

}  // namespace
}  // namespace norva::e2e
