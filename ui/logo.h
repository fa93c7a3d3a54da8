// The banner at the top of the main window. The picture is read from
// "logo.bmp" at every paint, given a palette that suits its colour depth,
// stretched over the whole item and released again: nothing is kept between
// paints, and a file that cannot be read leaves the item empty without a
// word.
#pragma once

#include <windows.h>

#include <string>

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
// `height`, stretched in halftone (each pixel the average of the picture's
// pixels it covers, which keeps the logo smooth at any display scale). The
// target's stretch mode and brush origin are put back afterwards. The
// palette is the system's halftone palette above 8 bits per pixel, else 256
// entries from the picture's colour table (black past its end); it is
// selected into `target` as the foreground palette and realised for the
// copy, and the previous one is put back afterwards.
void PaintLogoFile(const char* file, HDC target, int width, int height,
                   LogoPaintObjects* made = nullptr);

// "logo.bmp" in the current folder, else the one beside the program: started
// at logon from the Run key, the program has the system folder as its
// current folder. "" when neither is there.
std::string FindLogoFile();

// The main window's owner-drawn logo item: FindLogoFile over the whole item.
void PaintLogo(const DRAWITEMSTRUCT& item);

}  // namespace norva
