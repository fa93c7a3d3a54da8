// The banner at the top of the main window. The picture is read from
// "logo.bmp" in the current directory at every paint, given a palette that
// suits its colour depth, stretched over the whole item and released again:
// nothing is kept between paints, and a file that cannot be read leaves the
// item empty without a word.
#pragma once

#include <windows.h>

namespace norva {

// The GDI objects one paint made. All of them are released before the paint
// returns; the handles are handed out only so that this can be checked.
struct LogoPaintObjects {
  HBITMAP bitmap = nullptr;
  HPALETTE palette = nullptr;
  HDC tableDc = nullptr;   // read the colour table of a picture of 8 bits per pixel or fewer
  HDC memoryDc = nullptr;  // held the picture for the copy onto the item
  PALETTEENTRY colors[256] = {};  // the palette's entries
};

// Paints the picture in `file` over `target`'s area from 0, 0 to `width` ×
// `height`. The palette is the system's halftone palette above 8 bits per
// pixel, else 256 entries from the picture's colour table (black past its
// end); it is selected into `target` as the foreground palette and
// realised for the copy, and the previous one is put back afterwards.
void PaintLogoFile(const char* file, HDC target, int width, int height,
                   LogoPaintObjects* made = nullptr);

// The main window's owner-drawn logo item: "logo.bmp" over the whole item.
void PaintLogo(const DRAWITEMSTRUCT& item);

}  // namespace norva
