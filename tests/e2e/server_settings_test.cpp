// The server settings dialog, which edits the hand-kept server list in
// config.ini beside the program. The main window's "+/-" button that opens
// it is never shown, so the test sends its command as the button would.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "norva_app.h"

namespace norva::e2e {
namespace {

using Lines = std::vector<std::string>;

TEST(ServerSettings, AddAndRemoveEditConfigIniAtOnce) {
  NorvaApp app;
  const Window main = app.StartReady();
  EXPECT_FALSE(main.Item(IDC_EDIT_SERVERS).IsVisible());
  main.Post(WM_COMMAND, MAKEWPARAM(IDC_EDIT_SERVERS, BN_CLICKED),
            reinterpret_cast<LPARAM>(main.Item(IDC_EDIT_SERVERS).handle()));
  Window dialog;
  ASSERT_TRUE(WaitFor([&] { return static_cast<bool>(dialog = FindDialog(app.process().id(), IDC_CUSTOM_IP)); }));
  const Window list = dialog.Item(IDC_CUSTOM_LIST);
  EXPECT_FALSE(list.IsEnabled()) << "no config.ini yet";

  const auto add = [&](const char* name, BYTE last) {
    const size_t rows = list.Rows().size();
    dialog.Item(IDC_CUSTOM_NAME).Type(name);
    dialog.Item(IDC_CUSTOM_IP).Send(IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 0, 2, last));
    dialog.Item(IDC_CUSTOM_ADD).Click();
    WaitFor([&] { return dialog.Item(IDC_CUSTOM_NAME).Text().empty() && list.Rows().size() >= rows; });
  };
  const auto section = [&] {
    char buffer[4096] = {};
    const DWORD n = GetPrivateProfileSectionA("servers", buffer, sizeof buffer, app.configIni().c_str());
    Lines lines;
    for (const char* line = buffer; line < buffer + n && *line; line += lstrlenA(line) + 1) lines.emplace_back(line);
    return lines;
  };

  add("Paris", 10);
  EXPECT_EQ(section(), Lines{"Paris=192.0.2.10"});
  EXPECT_EQ(list.Rows(), Lines{"Paris"});
  EXPECT_TRUE(list.IsEnabled()) << "usable once Add has filled it";
  EXPECT_NE(dialog.Item(IDC_CUSTOM_IP).Send(IPM_ISBLANK), 0) << "the fields are emptied";
  EXPECT_TRUE(dialog.SaveScreenshot(NorvaApp::ScreenshotPath("server_settings_dialog")));

  add("London", 1);
  add("Rome", 3);
  add("PARIS", 99);  // a known name, in another case, keeps its place
  ASSERT_EQ(section().size(), 3u);
  EXPECT_STRCASEEQ(section()[0].c_str(), "Paris=192.0.2.99");
  EXPECT_EQ(list.Selection(), 2);

  list.Pick(1);
  dialog.Item(IDC_CUSTOM_REMOVE).Click();
  ASSERT_TRUE(WaitFor([&] { return list.Rows().size() == 2; }));
  EXPECT_EQ(list.Rows()[1], "Rome");
  EXPECT_EQ(section()[1], "Rome=192.0.2.3");
}

}  // namespace
}  // namespace norva::e2e
