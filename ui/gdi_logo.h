// LogoGdi over the Windows GDI, and the main window's paint of its logo item.
#pragma once

#include <windows.h>

#include "ui/logo_painter.h"

namespace norva {

class Win32LogoGdi final : public LogoGdi {
 public:
  Bitmap* LoadBitmapFile(const char* fileName) override;
  void BitmapSize(Bitmap* bitmap, int& width, int& height, int& bitsPerPixel) override;
  Palette* CreateScreenHalftonePalette() override;
  Dc* CreateMemoryDc(Dc* like) override;
  Bitmap* SelectBitmap(Dc* dc, Bitmap* bitmap) override;
  std::size_t ColorTable(Dc* dc, ColorTableEntry (&table)[256]) override;
  Palette* CreatePalette(const LogoPalette& colors) override;
  Palette* SelectPalette(Dc* dc, Palette* palette) override;
  void RealizePalette(Dc* dc) override;
  void StretchCopy(Dc* target, int width, int height, Dc* source, int sourceWidth,
                   int sourceHeight) override;
  void DeleteBitmap(Bitmap* bitmap) override;
  void DeletePalette(Palette* palette) override;
  void DeleteDc(Dc* dc) override;

  static Dc* FromHdc(HDC dc) { return reinterpret_cast<Dc*>(dc); }
};

// Paints "logo.bmp" over the whole owner-drawn item.
void PaintLogo(const DRAWITEMSTRUCT& item);

}  // namespace norva
