#include "ui/gdi_logo.h"

#include <cstring>

namespace norva {
namespace {

static_assert(sizeof(ColorTableEntry) == sizeof(RGBQUAD), "RGBQUAD layout");
static_assert(sizeof(PaletteColor) == sizeof(PALETTEENTRY), "PALETTEENTRY layout");

HDC Hdc(LogoGdi::Dc* dc) { return reinterpret_cast<HDC>(dc); }
HBITMAP Hbitmap(LogoGdi::Bitmap* bitmap) { return reinterpret_cast<HBITMAP>(bitmap); }
HPALETTE Hpalette(LogoGdi::Palette* palette) { return reinterpret_cast<HPALETTE>(palette); }
LogoGdi::Bitmap* FromHbitmap(HGDIOBJ bitmap) { return reinterpret_cast<LogoGdi::Bitmap*>(bitmap); }
LogoGdi::Palette* FromHpalette(HPALETTE p) { return reinterpret_cast<LogoGdi::Palette*>(p); }

}  // namespace

LogoGdi::Bitmap* Win32LogoGdi::LoadBitmapFile(const char* fileName) {
  return FromHbitmap(LoadImageA(nullptr, fileName, IMAGE_BITMAP, 0, 0,
                                LR_CREATEDIBSECTION | LR_DEFAULTSIZE | LR_LOADFROMFILE));
}

void Win32LogoGdi::BitmapSize(Bitmap* bitmap, int& width, int& height, int& bitsPerPixel) {
  BITMAP info = {};
  GetObjectA(Hbitmap(bitmap), sizeof info, &info);
  width = info.bmWidth;
  height = info.bmHeight;
  bitsPerPixel = info.bmPlanes * info.bmBitsPixel;
}

LogoGdi::Palette* Win32LogoGdi::CreateScreenHalftonePalette() {
  HDC screen = GetDC(nullptr);
  HPALETTE palette = CreateHalftonePalette(screen);
  ReleaseDC(nullptr, screen);
  return FromHpalette(palette);
}

LogoGdi::Dc* Win32LogoGdi::CreateMemoryDc(Dc* like) { return FromHdc(CreateCompatibleDC(Hdc(like))); }

LogoGdi::Bitmap* Win32LogoGdi::SelectBitmap(Dc* dc, Bitmap* bitmap) {
  return FromHbitmap(SelectObject(Hdc(dc), Hbitmap(bitmap)));
}

std::size_t Win32LogoGdi::ColorTable(Dc* dc, ColorTableEntry (&table)[256]) {
  RGBQUAD quads[256] = {};
  const UINT count = GetDIBColorTable(Hdc(dc), 0, 256, quads);
  std::memcpy(table, quads, sizeof quads);
  return count;
}

LogoGdi::Palette* Win32LogoGdi::CreatePalette(const LogoPalette& colors) {
  // LOGPALETTE declares one entry; the other 255 follow it.
  struct {
    LOGPALETTE header;
    PALETTEENTRY more[255];
  } logical = {};
  logical.header.palVersion = 0x300;
  logical.header.palNumEntries = 256;
  std::memcpy(logical.header.palPalEntry, colors.data(), sizeof(PALETTEENTRY) * 256);
  return FromHpalette(::CreatePalette(&logical.header));
}

LogoGdi::Palette* Win32LogoGdi::SelectPalette(Dc* dc, Palette* palette) {
  return FromHpalette(::SelectPalette(Hdc(dc), Hpalette(palette), FALSE));
}

void Win32LogoGdi::RealizePalette(Dc* dc) { ::RealizePalette(Hdc(dc)); }

void Win32LogoGdi::StretchCopy(Dc* target, int width, int height, Dc* source, int sourceWidth,
                               int sourceHeight) {
  StretchBlt(Hdc(target), 0, 0, width, height, Hdc(source), 0, 0, sourceWidth, sourceHeight,
             SRCCOPY);
}

void Win32LogoGdi::DeleteBitmap(Bitmap* bitmap) { DeleteObject(Hbitmap(bitmap)); }

void Win32LogoGdi::DeletePalette(Palette* palette) { DeleteObject(Hpalette(palette)); }

void Win32LogoGdi::DeleteDc(Dc* dc) { DeleteDC(Hdc(dc)); }

void PaintLogo(const DRAWITEMSTRUCT& item) {
  Win32LogoGdi gdi;
  PaintLogo(gdi, Win32LogoGdi::FromHdc(item.hDC), item.rcItem.right - item.rcItem.left,
            item.rcItem.bottom - item.rcItem.top);
}

}  // namespace norva
