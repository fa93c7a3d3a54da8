// The logo drawn by the real GDI from pictures of each colour depth.
#include "ui/logo.h"

#include <gtest/gtest.h>

#include <string>

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

// Pictures are painted from a scratch folder by their full path: Wine's
// LoadImage also looks beside the program, where the real logo.bmp is.
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
    // Edge to edge; halftone stretching blends the colours in between.
    for (int y = 0; y < Item::kHeight; ++y) {
      EXPECT_EQ(GetPixel(item.dc, 0, y), kRed) << bits << " bits, row " << y;
      EXPECT_EQ(GetPixel(item.dc, Item::kWidth - 1, y), kBlue) << bits << " bits, row " << y;
    }
    // The bitmap, palette and memory DC, and up to 8 bits the colour table's DC.
    std::string objects;
    for (HGDIOBJ o : {HGDIOBJ(made.bitmap), HGDIOBJ(made.palette), HGDIOBJ(made.memoryDc),
                      HGDIOBJ(made.tableDc)}) {
      objects += !o ? " none" : GetObjectType(o) != 0 ? " left behind" : " deleted";
    }
    EXPECT_EQ(objects, std::string(" deleted deleted deleted") + (bits <= 8 ? " deleted" : " none"))
        << bits << " bits";
    EXPECT_EQ(GetCurrentObject(item.dc, OBJ_PAL), GetStockObject(DEFAULT_PALETTE)) << bits;
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

TEST_F(LogoPaint, StretchedInHalftoneWithTheItemsStretchModeAndBrushOriginPutBack) {
  testing::WriteFileBytes(logo, TwoPixelBitmap(24));
  Item item;
  SetStretchBltMode(item.dc, COLORONCOLOR);
  SetBrushOrgEx(item.dc, 3, 2, nullptr);
  PaintLogoFile(logo.c_str(), item.dc, Item::kWidth, Item::kHeight);
  int blended = 0;
  for (int x = 0; x < Item::kWidth; ++x) {
    const COLORREF c = GetPixel(item.dc, x, 0);
    blended += c != kRed && c != kBlue && GetRValue(c) > GetRValue(kBlue) &&
               GetBValue(c) > GetBValue(kRed);
  }
  POINT origin = {};
  GetBrushOrgEx(item.dc, &origin);
  EXPECT_GT(blended, 0) << "red and blue side by side, not blended";
  EXPECT_EQ(GetStretchBltMode(item.dc), COLORONCOLOR);
  EXPECT_EQ(origin.x * 10 + origin.y, 32);
}

// Started at logon the program has the system folder as its current folder.
TEST_F(LogoPaint, TheCurrentFolderIsLookedInFirstThenTheProgramsOwnFolder) {
  const std::string program = testing::ProgramPath();
  const std::string beside = program.substr(0, program.rfind('\\') + 1) + "logo.bmp";
  ASSERT_TRUE(testing::FileExists(beside));
  char before[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, before);
  ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
  Item elsewhere;
  DRAWITEMSTRUCT draw = {};
  draw.rcItem = {0, 0, Item::kWidth, Item::kHeight};
  draw.hDC = elsewhere.dc;
  PaintLogo(draw);
  const std::string foundElsewhere = FindLogoFile();
  testing::WriteFileBytes(logo, TwoPixelBitmap(24));
  const std::string foundHere = FindLogoFile();
  Item here;
  draw.hDC = here.dc;
  PaintLogo(draw);
  SetCurrentDirectoryA(before);
  EXPECT_EQ(foundElsewhere, beside);
  EXPECT_NE(GetPixel(elsewhere.dc, 0, 0), kUnpainted);
  EXPECT_EQ(foundHere, logo);
  EXPECT_EQ(GetPixel(here.dc, 0, 0), kRed);
}

}  // namespace
}  // namespace norva
