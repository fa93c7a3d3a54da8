// Paints the banner at the top of the main window from "logo.bmp", read
// afresh at every paint from the current directory and released within the
// paint. The drawing goes through LogoGdi so that it can be checked for
// every object it makes and releases.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace norva {

// A bitmap's colour table entry (RGBQUAD): blue, green, red, reserved.
struct ColorTableEntry {
  std::uint8_t blue, green, red, reserved;
};

// A logical palette entry (PALETTEENTRY): red, green, blue, flags.
struct PaletteColor {
  std::uint8_t red, green, blue, flags;
};

using LogoPalette = std::array<PaletteColor, 256>;

// The 256-entry palette of a picture of 8 bits per pixel or fewer: entry i
// takes the colours of table entry i; entries past `count` are black.
LogoPalette PaletteFromColorTable(const ColorTableEntry* table, std::size_t count);

// GDI as the logo needs it. Handles are opaque; null means "none". Every
// object a Create/Load call returns is released by exactly one Delete call.
class LogoGdi {
 public:
  struct Bitmap;
  struct Palette;
  struct Dc;

  virtual ~LogoGdi() = default;

  // The file as a DIB section of its own depth, or null.
  virtual Bitmap* LoadBitmapFile(const char* fileName) = 0;
  virtual void BitmapSize(Bitmap* bitmap, int& width, int& height, int& bitsPerPixel) = 0;
  virtual Palette* CreateScreenHalftonePalette() = 0;
  // A memory DC compatible with `like` (null: the screen).
  virtual Dc* CreateMemoryDc(Dc* like) = 0;
  virtual Bitmap* SelectBitmap(Dc* dc, Bitmap* bitmap) = 0;
  // Up to 256 entries of the colour table of the bitmap selected into `dc`.
  virtual std::size_t ColorTable(Dc* dc, ColorTableEntry (&table)[256]) = 0;
  virtual Palette* CreatePalette(const LogoPalette& colors) = 0;
  virtual Palette* SelectPalette(Dc* dc, Palette* palette) = 0;  // as foreground palette
  virtual void RealizePalette(Dc* dc) = 0;
  virtual void StretchCopy(Dc* target, int width, int height, Dc* source, int sourceWidth,
                           int sourceHeight) = 0;
  virtual void DeleteBitmap(Bitmap* bitmap) = 0;
  virtual void DeletePalette(Palette* palette) = 0;
  virtual void DeleteDc(Dc* dc) = 0;
};

inline constexpr char kLogoFileName[] = "logo.bmp";

// Loads `fileName` and a palette for it: the halftone palette above 8 bits
// per pixel, else one built from its colour table. False, with both outputs
// null, when the file cannot be loaded; otherwise the caller deletes both.
bool LoadLogo(LogoGdi& gdi, const char* fileName, LogoGdi::Bitmap*& bitmap,
              LogoGdi::Palette*& palette);

// Draws the picture in `fileName` stretched over the item's whole `width` ×
// `height` in `target`, and releases everything it made. Nothing is drawn
// when the file cannot be loaded.
void PaintLogoFile(LogoGdi& gdi, const char* fileName, LogoGdi::Dc* target, int width,
                   int height);

// The main window's logo: "logo.bmp" from the current directory.
inline void PaintLogo(LogoGdi& gdi, LogoGdi::Dc* target, int width, int height) {
  PaintLogoFile(gdi, kLogoFileName, target, width, height);
}

}  // namespace norva
