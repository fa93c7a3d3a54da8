// The server settings dialog, which edits the hand-kept server list in
// config.ini beside the program. The main window's "+/-" button that opens
// it is never shown, so the tests send its command as the button would.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "norva_app.h"

namespace norva::e2e {
namespace {

class ServerSettingsTest : public ::testing::Test {
 protected:
  Window OpenServerSettings() {
    main = app.StartReady();
    EXPECT_FALSE(main.Item(id::kEditServers).IsVisible());
    main.Post(WM_COMMAND, MAKEWPARAM(id::kEditServers, BN_CLICKED),
              reinterpret_cast<LPARAM>(main.Item(id::kEditServers).handle()));
    Window dialog;
    EXPECT_TRUE(WaitFor([&] {
      return static_cast<bool>(dialog = FindDialog(app.process().id(), id::kCustomIp));
    })) << "the server settings dialog did not open";
    return dialog;
  }

  static void Add(const Window& dialog, const std::string& name, BYTE a, BYTE b, BYTE c, BYTE d) {
    dialog.Item(id::kCustomName).Type(name);
    dialog.Item(id::kCustomIp).Send(IPM_SETADDRESS, 0, MAKEIPADDRESS(a, b, c, d));
    dialog.Item(id::kCustomAdd).Click();
  }

  // The lines of the [servers] section, as name=address.
  std::vector<std::string> Section() const {
    char buffer[4096] = {};
    const DWORD n =
        GetPrivateProfileSectionA("servers", buffer, sizeof buffer, app.configIni().c_str());
    std::vector<std::string> lines;
    for (const char* line = buffer; line < buffer + n && *line != '\0';
         line += lstrlenA(line) + 1) {
      lines.emplace_back(line);
    }
    return lines;
  }

  void SeedConfig(const std::string& text) const { testing::WriteFileBytes(app.configIni(), text); }

  NorvaApp app;
  Window main;
};

TEST_F(ServerSettingsTest, AddCreatesTheMissingConfigFile) {
  ASSERT_FALSE(testing::FileExists(app.configIni()));
  const Window dialog = OpenServerSettings();
  ASSERT_TRUE(dialog);
  EXPECT_EQ(dialog.Text(), "Server Settings");
  const Window list = dialog.Item(id::kCustomList);
  EXPECT_TRUE(list.Rows().empty());
  EXPECT_FALSE(list.IsEnabled());

  Add(dialog, "Paris", 192, 0, 2, 10);

  ASSERT_TRUE(WaitFor([&] { return list.Rows().size() == 1; }));
  EXPECT_EQ(Section(), (std::vector<std::string>{"Paris=192.0.2.10"}));
  EXPECT_EQ(list.Rows(), (std::vector<std::string>{"Paris"}));
  EXPECT_EQ(list.Selection(), 0);
  // A list disabled for an empty section is usable again once Add filled it.
  EXPECT_TRUE(list.IsEnabled());
  // The fields are emptied for the next one.
  EXPECT_EQ(dialog.Item(id::kCustomName).Text(), "");
  EXPECT_NE(dialog.Item(id::kCustomIp).Send(IPM_ISBLANK), 0);

  EXPECT_TRUE(dialog.SaveScreenshot(NorvaApp::ScreenshotPath("server_settings_dialog")));
}

TEST_F(ServerSettingsTest, AddingAKnownNameInAnotherCaseReplacesItsAddress) {
  SeedConfig("[servers]\r\nLondon=198.51.100.1\r\nParis=192.0.2.10\r\nRome=198.51.100.3\r\n");
  const Window dialog = OpenServerSettings();
  ASSERT_TRUE(dialog);
  const Window list = dialog.Item(id::kCustomList);
  ASSERT_EQ(list.Rows(), (std::vector<std::string>{"London", "Paris", "Rome"}));

  Add(dialog, "PARIS", 192, 0, 2, 99);

  ASSERT_TRUE(WaitFor([&] { return dialog.Item(id::kCustomName).Text().empty(); }));
  const std::vector<std::string> lines = Section();
  ASSERT_EQ(lines.size(), 3u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[0], "London=198.51.100.1");
  EXPECT_STRCASEEQ(lines[1].c_str(), "Paris=192.0.2.99");
  EXPECT_EQ(lines[2], "Rome=198.51.100.3");
  EXPECT_EQ(list.Rows().size(), 3u);
  EXPECT_EQ(list.Selection(), 2);
}

TEST_F(ServerSettingsTest, RemoveDeletesTheSelectedServer) {
  SeedConfig("[servers]\r\nLondon=198.51.100.1\r\nParis=192.0.2.10\r\nRome=198.51.100.3\r\n");
  const Window dialog = OpenServerSettings();
  ASSERT_TRUE(dialog);
  const Window list = dialog.Item(id::kCustomList);
  ASSERT_EQ(list.Selection(), 2);

  list.Pick(1);
  dialog.Item(id::kCustomRemove).Click();

  ASSERT_TRUE(WaitFor([&] { return list.Rows().size() == 2; }));
  EXPECT_EQ(list.Rows(), (std::vector<std::string>{"London", "Rome"}));
  EXPECT_EQ(list.Selection(), 1);
  EXPECT_EQ(Section(), (std::vector<std::string>{"London=198.51.100.1", "Rome=198.51.100.3"}));
}

}  // namespace
}  // namespace norva::e2e
