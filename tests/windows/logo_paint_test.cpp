// The logo drawn by the real GDI from bitmaps of each colour depth.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "ui/gdi_logo.h"
#include "wine_test_support.h"

namespace norva {
namespace {

using testing::ScratchDir;
using testing::WriteFileBytes;

constexpr COLORREF kRed = RGB(0xE0, 0x10, 0x20);
constexpr COLORREF kBlue = RGB(0x10, 0x30, 0xD0);

template <typename T>
void Append(std::string& out, const T& value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// A 2 × 1 picture, red on the left and blue on the right, at `bits` per
// pixel; palettes hold the two colours (and black for the rest).
std::string TwoPixelBitmap(int bits) {
  const int paletteEntries = bits <= 8 ? (1 << bits) : 0;
  const int stride = ((2 * bits + 31) / 32) * 4;
  std::string pixels(stride, '\0');
  auto bgr = [](COLORREF c) {
    return std::string{static_cast<char>(GetBValue(c)), static_cast<char>(GetGValue(c)),
                       static_cast<char>(GetRValue(c))};
  };
  switch (bits) {
    case 1: pixels[0] = 0x40; break;                      // 0, 1
    case 4: pixels[0] = 0x01; break;                      // 0, 1
    case 8: pixels[0] = 0; pixels[1] = 1; break;
    case 24: pixels.replace(0, 6, bgr(kRed) + bgr(kBlue)); break;
    case 32: pixels.replace(0, 8, bgr(kRed) + '\0' + bgr(kBlue) + '\0'); break;
  }
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = 2;
  info.biHeight = 1;
  info.biPlanes = 1;
  info.biBitCount = static_cast<WORD>(bits);
  info.biCompression = BI_RGB;
  info.biClrUsed = paletteEntries;
  std::string table;
  for (int i = 0; i < paletteEntries; ++i) {
    const COLORREF c = i == 0 ? kRed : i == 1 ? kBlue : RGB(0, 0, 0);
    RGBQUAD q = {GetBValue(c), GetGValue(c), GetRValue(c), 0};
    Append(table, q);
  }
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info + table.size();
  file.bfSize = file.bfOffBits + pixels.size();
  std::string out;
  Append(out, file);
  Append(out, info);
  return out + table + pixels;
}

// A 32-bit target to paint into, and its pixels.
struct Target {
  Target(int w, int h) : width(w), height(h) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    previous = SelectObject(dc, bitmap);
    std::memset(bits, 0x77, static_cast<std::size_t>(w) * h * 4);
  }
  ~Target() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  COLORREF At(int x, int y) const {
    GdiFlush();
    const auto* p = static_cast<const BYTE*>(bits) + (static_cast<std::size_t>(y) * width + x) * 4;
    return RGB(p[2], p[1], p[0]);
  }

  int width, height;
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ previous;
  void* bits = nullptr;
};

// Pictures are written to a scratch folder and painted by their full path:
// Wine's LoadImage also looks beside the program, where the real logo.bmp is.
struct LogoPaint : ::testing::Test {
  void Paint(LogoGdi& gdi, Target& target) {
    PaintLogoFile(gdi, logo.c_str(), Win32LogoGdi::FromHdc(target.dc), target.width,
                  target.height);
  }

  ScratchDir dir;
  std::string logo = dir.File("logo.bmp");
};

TEST_F(LogoPaint, EveryDepthIsDrawnInItsOwnColoursOverTheWholeItem) {
  for (int bits : {1, 4, 8, 24, 32}) {
    WriteFileBytes(logo, TwoPixelBitmap(bits));
    Target target(8, 4);
    Win32LogoGdi gdi;
    Paint(gdi, target);
    // Stretched to the item: the left half red, the right half blue.
    for (int y = 0; y < 4; ++y) {
      EXPECT_EQ(target.At(0, y), kRed) << bits << " bits, row " << y;
      EXPECT_EQ(target.At(3, y), kRed) << bits << " bits, row " << y;
      EXPECT_EQ(target.At(4, y), kBlue) << bits << " bits, row " << y;
      EXPECT_EQ(target.At(7, y), kBlue) << bits << " bits, row " << y;
    }
  }
}

TEST_F(LogoPaint, WithoutTheFileTheItemStaysAsItWas) {
  Target target(4, 2);
  Win32LogoGdi gdi;
  Paint(gdi, target);
  EXPECT_EQ(target.At(0, 0), RGB(0x77, 0x77, 0x77));
  WriteFileBytes(logo, "not a bitmap");
  Paint(gdi, target);
  EXPECT_EQ(target.At(3, 1), RGB(0x77, 0x77, 0x77));
}

// Every object the painter makes, as the real GDI sees it afterwards.
class TrackingGdi final : public LogoGdi {
 public:
  std::vector<HGDIOBJ> made;
  std::vector<HDC> dcs;

  Bitmap* LoadBitmapFile(const char* name) override { return Keep(real_.LoadBitmapFile(name)); }
  void BitmapSize(Bitmap* b, int& w, int& h, int& bpp) override { real_.BitmapSize(b, w, h, bpp); }
  Palette* CreateScreenHalftonePalette() override { return Keep(real_.CreateScreenHalftonePalette()); }
  Dc* CreateMemoryDc(Dc* like) override {
    Dc* dc = real_.CreateMemoryDc(like);
    dcs.push_back(reinterpret_cast<HDC>(dc));
    return dc;
  }
  Bitmap* SelectBitmap(Dc* dc, Bitmap* b) override { return real_.SelectBitmap(dc, b); }
  std::size_t ColorTable(Dc* dc, ColorTableEntry (&t)[256]) override { return real_.ColorTable(dc, t); }
  Palette* CreatePalette(const LogoPalette& c) override { return Keep(real_.CreatePalette(c)); }
  Palette* SelectPalette(Dc* dc, Palette* p) override { return real_.SelectPalette(dc, p); }
  void RealizePalette(Dc* dc) override { real_.RealizePalette(dc); }
  void StretchCopy(Dc* t, int w, int h, Dc* s, int sw, int sh) override {
    real_.StretchCopy(t, w, h, s, sw, sh);
  }
  void DeleteBitmap(Bitmap* b) override { real_.DeleteBitmap(b); }
  void DeletePalette(Palette* p) override { real_.DeletePalette(p); }
  void DeleteDc(Dc* dc) override { real_.DeleteDc(dc); }

 private:
  template <typename T>
  T* Keep(T* object) {
    if (object != nullptr) made.push_back(reinterpret_cast<HGDIOBJ>(object));
    return object;
  }
  Win32LogoGdi real_;
};

TEST_F(LogoPaint, RepeatedPaintsLeaveNoObjectBehind) {
  for (int bits : {8, 24}) {
    WriteFileBytes(logo, TwoPixelBitmap(bits));
    Target target(8, 4);
    TrackingGdi gdi;
    for (int i = 0; i < 20; ++i) Paint(gdi, target);
    EXPECT_EQ(gdi.made.size(), 40u) << "a bitmap and a palette per paint";
    for (HGDIOBJ object : gdi.made) EXPECT_EQ(GetObjectType(object), 0u) << bits << " bits";
    for (HDC dc : gdi.dcs) EXPECT_EQ(GetObjectType(dc), 0u) << bits << " bits";
    // The item's own palette is back in place.
    EXPECT_EQ(GetCurrentObject(target.dc, OBJ_PAL), GetStockObject(DEFAULT_PALETTE));
  }
}

}  // namespace
}  // namespace norva
