// The options dialog and the server settings dialog.
#include "driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace norva::e2e {
namespace {

using Lines = std::vector<std::string>;

TEST(Dialogs, OptionsStoreEachClickAndRebuildTheEntryServerSettingsEditConfigIni) {
  NorvaApp app;
  const std::pair<int, const char*> boxes[] = {
      {IDC_AUTOCONNECT, "autoconnect"}, {IDC_AUTORECONNECT, "autoreconnect"},
      {IDC_LCP, "enablelcp"},           {IDC_SWCOMPRESS, "enableswcompress"},
      {IDC_MULTILINK, "multilink"},     {IDC_TYPICAL, "defaultsecurity"}};
  for (const auto& [id, setting] : boxes) app.WriteSetting(setting, id % 2);  // some on, some off
  const Window main = app.StartReady();
  main.Item(IDC_OPTIONS).Click();
  const Window options = app.WaitForDialog(IDC_RUN_AT_STARTUP);
  ASSERT_TRUE(options);
  // Each box shows its setting and stores its new state the moment it is clicked.
  for (const auto& [id, setting] : boxes) {
    EXPECT_EQ(options.Item(id).IsChecked(), id % 2 == 1) << setting;
    options.Item(id).Click();
    EXPECT_TRUE(WaitFor([&, id = id] { return app.ReadSetting(setting) == DWORD(1 - id % 2); }))
        << setting;
  }

  options.Send(WM_COMMAND, IDCANCEL);  // what Escape sends
  EXPECT_TRUE(options.IsVisible()) << "Escape leaves the options open";
  options.Item(IDOK).Click();
  // LCP off, software compression on, multilink off: the PPTP entry with those.
  ASSERT_TRUE(WaitFor([&] { return !options && app.PhonebookValue("Options") == "0x05001330"; }))
      << app.PhonebookValue("Options");

  // The server settings dialog: its "+/-" button is never shown; its command is sent instead.
  EXPECT_FALSE(main.Item(IDC_EDIT_SERVERS).IsVisible());
  main.Post(WM_COMMAND, MAKEWPARAM(IDC_EDIT_SERVERS, BN_CLICKED),
            reinterpret_cast<LPARAM>(main.Item(IDC_EDIT_SERVERS).handle()));
  const Window dialog = app.WaitForDialog(IDC_CUSTOM_IP);
  ASSERT_TRUE(dialog);
  const Window list = dialog.Item(IDC_CUSTOM_LIST);
  EXPECT_FALSE(list.IsEnabled()) << "no config.ini yet";

  const auto add = [&](const char* name, BYTE last) {
    dialog.Item(IDC_CUSTOM_NAME).Type(name);
    dialog.Item(IDC_CUSTOM_IP).Send(IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 0, 2, last));
    dialog.Item(IDC_CUSTOM_ADD).Click();
    WaitFor([&] { return dialog.Item(IDC_CUSTOM_NAME).Text().empty(); });
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
  EXPECT_TRUE(list.IsEnabled()) << "usable once Add has filled it";
  EXPECT_NE(dialog.Item(IDC_CUSTOM_IP).Send(IPM_ISBLANK), 0) << "the fields are emptied";
  add("London", 1);
  add("Rome", 3);
  add("PARIS", 99);  // a known name, in another case, keeps its place
  ASSERT_EQ(section().size(), 3u);
  EXPECT_STRCASEEQ(section()[0].c_str(), "Paris=192.0.2.99");
  EXPECT_EQ(list.Rows(), (Lines{"Paris", "London", "Rome"}));
  EXPECT_EQ(list.Selection(), 2);

  list.Pick(1);
  dialog.Item(IDC_CUSTOM_REMOVE).Click();
  ASSERT_TRUE(WaitFor([&] { return list.Rows().size() == 2; }));
  EXPECT_EQ(section(), (Lines{section()[0], "Rome=192.0.2.3"}));
}

}  // namespace
}  // namespace norva::e2e
