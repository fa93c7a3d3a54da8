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

template <typename T>
std::string Bytes(const T& value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

// A 2 × 1 picture, red on the left and blue on the right, at `bits` per
// pixel; a colour table holds the two colours, and black for the rest.
std::string TwoPixelBitmap(int bits) {
  const int entries = bits <= 8 ? 1 << bits : 0;
  std::string table, pixels((2 * bits + 31) / 32 * 4, '\0');
  for (int i = 0; i < entries; ++i) {
    const COLORREF c = i == 0 ? kRed : i == 1 ? kBlue : 0;
    table += Bytes(RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0});
  }
  const auto bgr = [bits](COLORREF c) {
    return std::string{char(GetBValue(c)), char(GetGValue(c)), char(GetRValue(c))} +
           std::string(bits == 32 ? 1 : 0, '\0');
  };
  if (bits < 8) pixels[0] = char(1 << (8 - 2 * bits));  // indexes 0 and 1
  if (bits == 8) pixels[1] = 1;
  if (bits > 8) pixels.replace(0, bgr(kRed).size() * 2, bgr(kRed) + bgr(kBlue));
  const BITMAPINFOHEADER info = {sizeof info, 2, 1, 1, WORD(bits), BI_RGB, 0, 0, 0, DWORD(entries), 0};
  const DWORD offset = DWORD(sizeof(BITMAPFILEHEADER) + sizeof info + table.size());
  const BITMAPFILEHEADER file = {0x4D42, DWORD(offset + pixels.size()), 0, 0, offset};
  return Bytes(file) + Bytes(info) + table + pixels;
}

// An item of 8 × 4 pixels in 32 bits, grey before any paint.
struct Item {
  static constexpr int kWidth = 8, kHeight = 4;
  Item() {
    RECT all = {0, 0, kWidth, kHeight};
    FillRect(dc, &all, grey);
  }
  ~Item() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteObject(grey);
    DeleteDC(dc);
  }
  COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }

  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(kWidth, kHeight, 1, 32, nullptr);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  HBRUSH grey = CreateSolidBrush(kUnpainted);
};

// Pictures are painted from a scratch folder by their full path: Wine's
// LoadImage also looks beside the program, where the real logo.bmp is.
struct LogoPaint : ::testing::Test {
  testing::ScratchDir dir;
  std::string logo = dir.File("logo.bmp");
};

COLORREF ColorOf(const PALETTEENTRY& e) { return RGB(e.peRed, e.peGreen, e.peBlue) | (e.peFlags << 24); }

TEST_F(LogoPaint, EveryDepthFillsTheWholeItemInItsOwnColours) {
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
    // Up to 8 bits the palette is the picture's colour table, black after
    // it; above, the system's halftone palette.
    for (int i = 0; i < 256; ++i) {
      const COLORREF expected = bits > 8 ? ColorOf(halftone[i]) : i == 0 ? kRed : i == 1 ? kBlue : 0;
      ASSERT_EQ(ColorOf(made.colors[i]), expected) << bits << " bits, palette entry " << i;
    }
    for (int y = 0; y < Item::kHeight; ++y) {
      for (int x = 0; x < Item::kWidth; ++x) {
        EXPECT_EQ(item.At(x, y), x < Item::kWidth / 2 ? kRed : kBlue)
            << bits << " bits, pixel " << x << "," << y;
      }
    }
  }
}

TEST_F(LogoPaint, AFileThatCannotBeLoadedLeavesTheItemAlone) {
  for (const char* content : {static_cast<const char*>(nullptr), "not a bitmap"}) {
    if (content != nullptr) testing::WriteFileBytes(logo, content);
    Item item;
    LogoPaintObjects made;
    PaintLogoFile(logo.c_str(), item.dc, Item::kWidth, Item::kHeight, &made);
    EXPECT_EQ(item.At(0, 0), kUnpainted) << (content ? content : "no file");
    EXPECT_EQ(made.memoryDc, nullptr) << (content ? content : "no file");
  }
}

TEST_F(LogoPaint, RepeatedPaintsLeaveNoObjectBehind) {
  for (int bits : {8, 24}) {
    testing::WriteFileBytes(logo, TwoPixelBitmap(bits));
    Item item;
    for (int i = 0; i < 20; ++i) {
      LogoPaintObjects made;
      PaintLogoFile(logo.c_str(), item.dc, Item::kWidth, Item::kHeight, &made);
      ASSERT_NE(made.bitmap, nullptr) << bits << " bits";
      ASSERT_NE(made.palette, nullptr) << bits << " bits";
      ASSERT_NE(made.memoryDc, nullptr) << bits << " bits";
      ASSERT_EQ(made.tableDc != nullptr, bits <= 8) << bits << " bits";
      for (HGDIOBJ object : {HGDIOBJ(made.bitmap), HGDIOBJ(made.palette), HGDIOBJ(made.memoryDc),
                             HGDIOBJ(made.tableDc)}) {
        EXPECT_EQ(GetObjectType(object), 0u) << bits << " bits, paint " << i;
      }
    }
    EXPECT_EQ(GetCurrentObject(item.dc, OBJ_PAL), GetStockObject(DEFAULT_PALETTE)) << bits;
    EXPECT_EQ(item.At(7, 3), kBlue) << bits << " bits";
  }
}

}  // namespace
}  // namespace norva
