// The main window's parts for real: the logo drawn by GDI from pictures of each colour depth, and
// the tray icon against a shell of the test's own, late as at logon.
#include "ui/logo.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <string>

#include "app/win32_entry_host.h"
#include "connection/rasapi32_remote_access.h"
#include "native/fakes/fake_settings.h"
#include "ui/main_window.h"
#include "wine_test_support.h"

namespace norva {
namespace {

constexpr COLORREF kRed = RGB(0xE0, 0x10, 0x20);
constexpr COLORREF kBlue = RGB(0x10, 0x30, 0xD0);
constexpr COLORREF kUnpainted = RGB(0x77, 0x77, 0x77);

// The pictures' colour table: red, blue, and black for the rest.
COLORREF TableColor(int i) { return i == 0 ? kRed : i == 1 ? kBlue : 0; }

template <typename T>
std::string Bytes(const T& value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

std::string Quad(COLORREF c) { return Bytes(RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0}); }

// A 2 × 1 picture, red on the left and blue on the right, at `bits` per pixel.
std::string TwoPixelBitmap(int bits) {
  const int entries = bits <= 8 ? 1 << bits : 0;
  std::string table, pixels;
  for (int i = 0; i < entries; ++i) table += Quad(TableColor(i));
  for (COLORREF c : {kRed, kBlue}) pixels += bits > 8 ? Quad(c).substr(0, bits / 8) : "";
  pixels.resize((2 * bits + 31) / 32 * 4, '\0');  // rows are whole DWORDs
  if (bits <= 8) pixels[(2 * bits - 1) / 8] = char(0x80 >> (2 * bits - 1) % 8);  // 0, then 1
  const BITMAPINFOHEADER info = {sizeof info, 2, 1, 1, WORD(bits), BI_RGB, 0, 0, 0,
                                 DWORD(entries), 0};
  const DWORD offset = DWORD(sizeof(BITMAPFILEHEADER) + sizeof info + table.size());
  const BITMAPFILEHEADER file = {0x4D42, DWORD(offset + pixels.size()), 0, 0, offset};
  return Bytes(file) + Bytes(info) + table + pixels;
}

// An item of 8 × 4 pixels in 32 bits, grey before any paint.
struct Item {
  static constexpr int kWidth = 8, kHeight = 4;
  Item() {
    const RECT all = {0, 0, kWidth, kHeight};
    SetDCBrushColor(dc, kUnpainted);
    FillRect(dc, &all, HBRUSH(GetStockObject(DC_BRUSH)));
  }
  ~Item() {
    DeleteObject(SelectObject(dc, previous));
    DeleteDC(dc);
  }

  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, CreateBitmap(kWidth, kHeight, 1, 32, nullptr));
};

// Painted from a scratch folder by full path: Wine's LoadImage also looks beside the program.
struct LogoPaint : ::testing::Test {
  testing::ScratchDir dir;
  std::string logo = dir.File("logo.bmp");
};

COLORREF Color(PALETTEENTRY e) { return RGB(e.peRed, e.peGreen, e.peBlue) | e.peFlags << 24; }

TEST_F(LogoPaint, EveryDepthFillsTheItemInItsOwnColoursAndLeavesNoObject) {
  PALETTEENTRY halftone[256] = {};
  HDC screen = GetDC(nullptr);
  HPALETTE reference = CreateHalftonePalette(screen);
  GetPaletteEntries(reference, 0, 256, halftone);
  DeleteObject(reference);
  ReleaseDC(nullptr, screen);
  for (int bits : {1, 4, 8, 24, 32}) {
    testing::WriteFileBytes(logo, TwoPixelBitmap(bits));
    Item item;
    LogoPaintObjects made;
    PaintLogoFile(logo.c_str(), item.dc, Item::kWidth, Item::kHeight, &made);
    for (int i = 0; i < 256; ++i) {
      const COLORREF expected = bits > 8 ? Color(halftone[i]) : TableColor(i);
      ASSERT_EQ(Color(made.colors[i]), expected) << bits << " bits, palette entry " << i;
    }
    // Corner to corner, blended in between by the halftone stretch.
    std::string row;
    for (int x = 0; x < Item::kWidth; ++x) {
      const COLORREF c = GetPixel(item.dc, x, Item::kHeight - 1);
      row += c == kRed ? 'R' : c == kBlue ? 'B' : c == kUnpainted ? '-' : 'm';
    }
    EXPECT_TRUE(row.front() == 'R' && row.back() == 'B' && row.find('m') != row.npos)
        << bits << " bits: " << row;
    // The bitmap, palette and memory DC, and up to 8 bits the colour table's DC.
    std::string objects;
    for (HGDIOBJ o : {HGDIOBJ(made.bitmap), HGDIOBJ(made.palette), HGDIOBJ(made.memoryDc),
                      HGDIOBJ(made.tableDc)}) {
      objects += !o ? " none" : GetObjectType(o) != 0 ? " left behind" : " deleted";
    }
    EXPECT_EQ(objects, std::string(" deleted deleted deleted") + (bits <= 8 ? " deleted" : " none"))
        << bits << " bits";
    EXPECT_EQ(GetCurrentObject(item.dc, OBJ_PAL), GetStockObject(DEFAULT_PALETTE)) << bits;
    EXPECT_EQ(GetStretchBltMode(item.dc), BLACKONWHITE) << bits;  // a new DC's, put back
  }
}

TEST_F(LogoPaint, AFileThatCannotBeLoadedLeavesTheItemAlone) {
  for (const char* content : {static_cast<const char*>(nullptr), "not a bitmap"}) {
    if (content != nullptr) testing::WriteFileBytes(logo, content);
    Item item;
    LogoPaintObjects made;
    PaintLogoFile(logo.c_str(), item.dc, Item::kWidth, Item::kHeight, &made);
    EXPECT_EQ(GetPixel(item.dc, 0, 0), kUnpainted) << (content ? content : "no file");
    EXPECT_EQ(made.memoryDc, nullptr) << (content ? content : "no file");
  }
}

TEST_F(LogoPaint, TheCurrentFolderIsLookedInFirstThenTheProgramsOwnFolder) {
  const std::string folder = testing::ProgramPath().erase(testing::ProgramPath().rfind('\\') + 1);
  SetCurrentDirectoryA(dir.path().c_str());
  const std::string elsewhere = FindLogoFile();
  testing::WriteFileBytes(logo, "");
  const std::string here = FindLogoFile();
  SetCurrentDirectoryA(folder.c_str());  // out of the scratch folder, which goes
  EXPECT_EQ(elsewhere, folder + "logo.bmp");
  EXPECT_EQ(here, logo);
}

// Refuses the next `refusals` calls: all of them until the taskbar is up.
struct Shell {
  int refusals = 1000;
  std::string calls;  // each message, "b" for a balloon, "s" for an icon of the small size
} shell;

BOOL WINAPI ScriptedShell(DWORD message, PNOTIFYICONDATAA data) {
  ICONINFO icon = {};
  GetIconInfo(data->hIcon, &icon);
  BITMAP color = {};
  GetObjectA(icon.hbmColor, sizeof color, &color);
  shell.calls += std::to_string(message) + (data->uFlags & NIF_INFO ? "b" : "") +
                 (color.bmWidth == GetSystemMetrics(SM_CXSMICON) ? "s " : " ");
  return shell.refusals-- <= 0;
}

TEST(MainWindow, IsNotHiddenUntilALateShellHasTheTrayIcon) {
  testing::FakeRasSession ras;
  testing::FakeSettings settings;
  StartupAutorun autorun;
  Rasapi32RemoteAccess remote;
  Win32EntryHost host(ras.dir().File("config.ini"), "NORVA Connection Assistant");
  PhonebookEntry entry(remote, settings, host, ras.Phonebook(), "https://site.example");
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  const WNDCLASSA dialogClass = {0, DefDlgProcA, 0, DLGWINDOWEXTRA, instance, nullptr,
                                 nullptr, nullptr, nullptr, "QUILLON"};
  RegisterClassA(&dialogClass);
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_ANIMATE_CLASS | ICC_INTERNET_CLASSES};
  InitCommonControlsEx(&controls);
  const char* const site = "https://127.0.0.1:1";  // refused at once
  MainWindowContext context{instance, nullptr, "NORVA", settings, autorun, remote, entry,
                            ras.dir().File("servers.xml"), ras.dir().File("config.ini"), site,
                            site, ScriptedShell};
  const HWND main = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                       MainWindowProc, reinterpret_cast<LPARAM>(&context));
  SendMessageA(main, WM_CLOSE, 0, 0);  // no icon to hide to: to the taskbar button
  EXPECT_TRUE(IsWindowVisible(main) && IsIconic(main));

  // Up, but too late with its answer to the retry's add: it has the icon all the same.
  shell.refusals = 1;
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 4500; Sleep(10)) {  // 2 ticks
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  EXPECT_EQ(shell.calls, "0bs 1bs 0bs 1bs ");
  SendMessageA(main, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(IsWindowVisible(main) && !IsIconic(main) && GetForegroundWindow() == main);
  SendMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(main));
  DestroyWindow(main);
}

}  // namespace
}  // namespace norva
