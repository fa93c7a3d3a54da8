#include "ui/logo_painter.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace norva {
namespace {

// Hands out numbered objects, tracks what each DC holds, and fails the test
// when an object is used after release, released twice, or left behind.
class CountingGdi final : public LogoGdi {
 public:
  ~CountingGdi() override {
    for (const auto& [id, kind] : live_) ADD_FAILURE() << kind << " " << id << " left behind";
  }

  int bitsPerPixel = 24;
  int width = 344, height = 80;
  bool fileExists = true;
  std::size_t tableEntries = 256;
  std::vector<std::string> calls;
  LogoPalette lastPalette{};
  int stretchWidth = 0, stretchHeight = 0, stretchSourceWidth = 0, stretchSourceHeight = 0;

  Bitmap* LoadBitmapFile(const char* fileName) override {
    calls.push_back(std::string("load ") + fileName);
    return fileExists ? Make<Bitmap>("bitmap") : nullptr;
  }
  void BitmapSize(Bitmap* bitmap, int& w, int& h, int& bpp) override {
    Use(bitmap);
    w = width;
    h = height;
    bpp = bitsPerPixel;
  }
  Palette* CreateScreenHalftonePalette() override {
    calls.push_back("halftone");
    return Make<Palette>("palette");
  }
  Dc* CreateMemoryDc(Dc* like) override {
    if (like != nullptr && like != target()) Use(like);
    return Make<Dc>("dc");
  }
  Bitmap* SelectBitmap(Dc* dc, Bitmap* bitmap) override {
    Use(dc);
    if (bitmap != kStockBitmap) Use(bitmap);
    Bitmap*& held = heldBitmap_[dc];
    Bitmap* previous = held != nullptr ? held : kStockBitmap;
    held = bitmap == kStockBitmap ? nullptr : bitmap;
    return previous;
  }
  std::size_t ColorTable(Dc* dc, ColorTableEntry (&table)[256]) override {
    Use(dc);
    for (std::size_t i = 0; i < tableEntries; ++i) {
      table[i] = ColorTableEntry{static_cast<std::uint8_t>(i), 0x22, 0x33, 0x44};
    }
    return tableEntries;
  }
  Palette* CreatePalette(const LogoPalette& colors) override {
    lastPalette = colors;
    calls.push_back("palette");
    return Make<Palette>("palette");
  }
  Palette* SelectPalette(Dc* dc, Palette* palette) override {
    EXPECT_EQ(dc, target());
    if (palette != kStockPalette) Use(palette);
    Palette* previous = targetPalette_ != nullptr ? targetPalette_ : kStockPalette;
    targetPalette_ = palette == kStockPalette ? nullptr : palette;
    return previous;
  }
  void RealizePalette(Dc* dc) override { EXPECT_EQ(dc, target()); }
  void StretchCopy(Dc* dest, int w, int h, Dc* source, int sw, int sh) override {
    EXPECT_EQ(dest, target());
    Use(source);
    EXPECT_NE(heldBitmap_[source], nullptr) << "the bitmap must be selected into the source";
    stretchWidth = w;
    stretchHeight = h;
    stretchSourceWidth = sw;
    stretchSourceHeight = sh;
  }
  void DeleteBitmap(Bitmap* bitmap) override {
    for (const auto& [dc, held] : heldBitmap_) {
      EXPECT_NE(held, bitmap) << "a bitmap still selected into a DC is deleted";
    }
    Release(bitmap);
  }
  void DeletePalette(Palette* palette) override {
    EXPECT_NE(targetPalette_, palette) << "a palette still selected is deleted";
    Release(palette);
  }
  void DeleteDc(Dc* dc) override {
    EXPECT_EQ(heldBitmap_[dc], nullptr) << "a DC is deleted with the logo still in it";
    heldBitmap_.erase(dc);
    Release(dc);
  }

  Dc* target() { return reinterpret_cast<Dc*>(&targetStorage_); }
  bool TargetPaletteRestored() const { return targetPalette_ == nullptr; }

 private:
  inline static Bitmap* const kStockBitmap = reinterpret_cast<Bitmap*>(0x1);
  inline static Palette* const kStockPalette = reinterpret_cast<Palette*>(0x2);

  template <typename T>
  T* Make(const char* kind) {
    const auto id = ++next_;
    live_[id] = kind;
    return reinterpret_cast<T*>(id * 16);
  }
  template <typename T>
  void Use(T* object) {
    const auto id = reinterpret_cast<std::uintptr_t>(object) / 16;
    EXPECT_TRUE(live_.count(id)) << "object " << id << " used after release or never made";
  }
  template <typename T>
  void Release(T* object) {
    Use(object);
    live_.erase(reinterpret_cast<std::uintptr_t>(object) / 16);
  }

  std::uintptr_t next_ = 0;
  std::map<std::uintptr_t, std::string> live_;
  std::map<Dc*, Bitmap*> heldBitmap_;
  Palette* targetPalette_ = nullptr;
  int targetStorage_ = 0;
};

TEST(LogoPalette, ColoursLandInTheirPlaces) {
  ColorTableEntry table[2] = {{0x01, 0x02, 0x03, 0xEE}, {0xB0, 0xC0, 0xD0, 0xFF}};
  const LogoPalette palette = PaletteFromColorTable(table, 2);
  EXPECT_EQ(palette[0].red, 0x03);
  EXPECT_EQ(palette[0].green, 0x02);
  EXPECT_EQ(palette[0].blue, 0x01);
  EXPECT_EQ(palette[0].flags, 0);
  EXPECT_EQ(palette[1].red, 0xD0);
  EXPECT_EQ(palette[1].blue, 0xB0);
  EXPECT_EQ(palette[1].flags, 0) << "the reserved byte is not a flag";
  for (std::size_t i = 2; i < palette.size(); ++i) {
    EXPECT_EQ(palette[i].red | palette[i].green | palette[i].blue | palette[i].flags, 0) << i;
  }
}

TEST(LogoPaint, DepthChoosesThePaletteAndEverythingIsReleased) {
  const struct {
    int bitsPerPixel;
    std::size_t tableEntries;
    const char* paletteCall;
  } cases[] = {{1, 2, "palette"},   {4, 16, "palette"},   {8, 256, "palette"},
               {8, 20, "palette"},  {16, 0, "halftone"},  {24, 0, "halftone"},
               {32, 0, "halftone"}};
  for (const auto& c : cases) {
    CountingGdi gdi;
    gdi.bitsPerPixel = c.bitsPerPixel;
    gdi.tableEntries = c.tableEntries;
    PaintLogo(gdi, gdi.target(), 229, 49);
    EXPECT_EQ(gdi.calls.at(0), "load logo.bmp");
    EXPECT_EQ(gdi.calls.at(1), c.paletteCall) << c.bitsPerPixel;
    EXPECT_TRUE(gdi.TargetPaletteRestored());
    if (c.tableEntries > 0) {
      EXPECT_EQ(gdi.lastPalette[c.tableEntries - 1].blue, c.tableEntries - 1);
      if (c.tableEntries < 256) {
        EXPECT_EQ(gdi.lastPalette[c.tableEntries].red, 0);
      }
    }
  }  // each CountingGdi fails the test if anything was left behind
}

TEST(LogoPaint, StretchesTheWholePictureOverTheWholeItem) {
  CountingGdi gdi;
  gdi.width = 100;
  gdi.height = 20;
  PaintLogo(gdi, gdi.target(), 344, 80);
  EXPECT_EQ(gdi.stretchWidth, 344);
  EXPECT_EQ(gdi.stretchHeight, 80);
  EXPECT_EQ(gdi.stretchSourceWidth, 100);
  EXPECT_EQ(gdi.stretchSourceHeight, 20);
}

TEST(LogoPaint, AMissingFileDrawsNothingAndEveryPaintTriesAgain) {
  CountingGdi gdi;
  gdi.fileExists = false;
  PaintLogo(gdi, gdi.target(), 344, 80);
  PaintLogo(gdi, gdi.target(), 344, 80);
  EXPECT_EQ(gdi.calls, (std::vector<std::string>{"load logo.bmp", "load logo.bmp"}));
  EXPECT_EQ(gdi.stretchWidth, 0);

  LogoGdi::Bitmap* bitmap = reinterpret_cast<LogoGdi::Bitmap*>(0x99);
  LogoGdi::Palette* palette = reinterpret_cast<LogoGdi::Palette*>(0x99);
  EXPECT_FALSE(LoadLogo(gdi, "logo.bmp", bitmap, palette));
  EXPECT_EQ(bitmap, nullptr);
  EXPECT_EQ(palette, nullptr);
}

TEST(LogoPaint, RepeatedPaintsLeaveNothingBehind) {
  CountingGdi gdi;
  gdi.bitsPerPixel = 8;
  for (int i = 0; i < 50; ++i) PaintLogo(gdi, gdi.target(), 229, 49);
  EXPECT_TRUE(gdi.TargetPaletteRestored());
}

}  // namespace
}  // namespace norva
