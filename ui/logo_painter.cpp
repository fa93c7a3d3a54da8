#include "ui/logo_painter.h"

namespace norva {

LogoPalette PaletteFromColorTable(const ColorTableEntry* table, std::size_t count) {
  LogoPalette palette{};
  for (std::size_t i = 0; i < palette.size() && i < count; ++i) {
    palette[i] = PaletteColor{table[i].red, table[i].green, table[i].blue, 0};
  }
  return palette;
}

bool LoadLogo(LogoGdi& gdi, const char* fileName, LogoGdi::Bitmap*& bitmap,
              LogoGdi::Palette*& palette) {
  bitmap = nullptr;
  palette = nullptr;
  LogoGdi::Bitmap* loaded = gdi.LoadBitmapFile(fileName);
  if (loaded == nullptr) return false;
  int width = 0, height = 0, bitsPerPixel = 0;
  gdi.BitmapSize(loaded, width, height, bitsPerPixel);
  if (bitsPerPixel > 8) {
    palette = gdi.CreateScreenHalftonePalette();
  } else {
    LogoGdi::Dc* dc = gdi.CreateMemoryDc(nullptr);
    LogoGdi::Bitmap* previous = gdi.SelectBitmap(dc, loaded);
    ColorTableEntry table[256] = {};
    const std::size_t count = gdi.ColorTable(dc, table);
    palette = gdi.CreatePalette(PaletteFromColorTable(table, count));
    gdi.SelectBitmap(dc, previous);
    gdi.DeleteDc(dc);
  }
  bitmap = loaded;
  return true;
}

void PaintLogoFile(LogoGdi& gdi, const char* fileName, LogoGdi::Dc* target, int width,
                   int height) {
  LogoGdi::Bitmap* bitmap = nullptr;
  LogoGdi::Palette* palette = nullptr;
  if (!LoadLogo(gdi, fileName, bitmap, palette)) return;
  int bitmapWidth = 0, bitmapHeight = 0, bitsPerPixel = 0;
  gdi.BitmapSize(bitmap, bitmapWidth, bitmapHeight, bitsPerPixel);

  LogoGdi::Dc* memory = gdi.CreateMemoryDc(target);
  LogoGdi::Bitmap* previousBitmap = gdi.SelectBitmap(memory, bitmap);
  // A palette that could not be made leaves the item's palette as it is.
  LogoGdi::Palette* previousPalette = nullptr;
  if (palette != nullptr) {
    previousPalette = gdi.SelectPalette(target, palette);
    gdi.RealizePalette(target);
  }
  gdi.StretchCopy(target, width, height, memory, bitmapWidth, bitmapHeight);

  gdi.SelectBitmap(memory, previousBitmap);
  gdi.DeleteBitmap(bitmap);
  if (palette != nullptr) {
    gdi.SelectPalette(target, previousPalette);
    gdi.DeletePalette(palette);
  }
  gdi.DeleteDc(memory);
}

}  // namespace norva
