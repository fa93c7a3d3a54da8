// The options dialog: what it shows, what each click stores, and the entry
// rebuilt when it closes.
#include <gtest/gtest.h>

#include "norva_app.h"

namespace norva::e2e {
namespace {

class Options : public ::testing::Test {
 protected:
  Window Open() {
    main.Item(IDC_OPTIONS).Click();
    Window options;
    EXPECT_TRUE(WaitFor([&] { return static_cast<bool>(options = FindDialog(app.process().id(), IDC_RUN_AT_STARTUP)); }))
        << "the options dialog did not open";
    return options;
  }
  // Presses OK and waits until the main window has rebuilt the entry.
  void CloseWithOk(const Window& options) {
    const size_t builds = app.Calls("RasSetEntryPropertiesA").size();
    options.Item(IDOK).Click();
    ASSERT_TRUE(WaitFor([&] { return !options && app.Calls("RasSetEntryPropertiesA").size() == builds + 1; }));
  }
  std::string Entry() const {
    return app.PhonebookValue("VpnStrategy") + " " + app.PhonebookValue("Options") + " " +
           app.PhonebookValue("Options2");
  }

  NorvaApp app;
  Window main = app.StartReady();
};

TEST_F(Options, ShowsTheDefaultsStoresEachClickAtOnceAndStaysOpenOnEscape) {
  const Window options = Open();
  ASSERT_TRUE(options);
  EXPECT_FALSE(main.IsEnabled());  // modal
  EXPECT_TRUE(options.SaveScreenshot(NorvaApp::ScreenshotPath("options_dialog")));

  struct Box {
    int id;
    const char* setting;
    bool checked;  // on a fresh account
  } boxes[] = {{IDC_AUTOCONNECT, "autoconnect", false}, {IDC_AUTORECONNECT, "autoreconnect", false},
               {IDC_LCP, "enablelcp", true},            {IDC_SWCOMPRESS, "enableswcompress", false},
               {IDC_MULTILINK, "multilink", false},     {IDC_TYPICAL, "defaultsecurity", true}};
  EXPECT_FALSE(options.Item(IDC_RUN_AT_STARTUP).IsChecked());
  for (const Box& box : boxes) {
    EXPECT_EQ(options.Item(box.id).IsChecked(), box.checked) << box.setting;
    options.Item(box.id).Click();
    EXPECT_TRUE(WaitFor([&] { return app.ReadSetting(box.setting) == DWORD{!box.checked}; })) << box.setting;
  }

  // The logon box writes the program's quoted path; a second click deletes it.
  options.Item(IDC_RUN_AT_STARTUP).Click();
  EXPECT_TRUE(WaitFor([&] { return app.RunValue().has_value(); }));
  EXPECT_STRCASEEQ(app.RunValue().value_or("").c_str(), ("\"" + app.programPath() + "\"").c_str());
  options.Item(IDC_RUN_AT_STARTUP).Click();
  EXPECT_TRUE(WaitFor([&] { return !app.RunValue().has_value(); }));

  options.PressKey(VK_ESCAPE);
  options.Item(IDC_TYPICAL).Click();  // queued behind Escape: it has been handled once this is
  ASSERT_TRUE(WaitFor([&] { return app.ReadSetting("defaultsecurity") == 1u; }));
  EXPECT_TRUE(options.IsVisible());
}

TEST_F(Options, OkRebuildsTheEntryWithPppOptionsForPptpOnly) {
  ASSERT_EQ(Entry(), "0x00000001 0x05001110 0x00000004");
  Window options = Open();
  options.Item(IDC_LCP).Click();
  CloseWithOk(options);
  EXPECT_EQ(Entry(), "0x00000001 0x05001130 0x00000004");
  EXPECT_TRUE(main.IsEnabled());

  main.Item(IDC_VPNTYPE).Pick(1);
  ASSERT_TRUE(WaitFor([&] { return app.PhonebookValue("VpnStrategy") == "0x00000003"; }));
  EXPECT_EQ(Entry(), "0x00000003 0x05001310 0x00000014");
  EXPECT_NE(app.StateText("credentials.ini").find("PreSharedKey=58132470"), std::string::npos);
  options = Open();
  options.Item(IDC_MULTILINK).Click();
  CloseWithOk(options);
  EXPECT_EQ(Entry(), "0x00000003 0x05001310 0x00000014");
}

}  // namespace
}  // namespace norva::e2e
