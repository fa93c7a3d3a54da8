#include "ui/logo.h"

namespace norva {
namespace {

// Owns a bitmap or a palette from the moment it is given one, and deletes it.
template <typename Handle>
class GdiObject {
 public:
  GdiObject() = default;
  ~GdiObject() {
    if (handle_ != nullptr) DeleteObject(handle_);
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  void Take(Handle handle) { handle_ = handle; }
  Handle get() const { return handle_; }

 private:
  Handle handle_ = nullptr;
};

// Owns a memory device context and deletes it.
class MemoryDc {
 public:
  MemoryDc() = default;
  ~MemoryDc() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;

  // A memory DC compatible with `like` (null: the screen).
  HDC Create(HDC like) { return dc_ = CreateCompatibleDC(like); }
  HDC get() const { return dc_; }

 private:
  HDC dc_ = nullptr;
};

// The screen's device context for as long as it is needed.
class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ~ScreenDc() {
    if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;

  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// A bitmap selected into a device context; the one it replaced goes back in.
class BitmapSelection {
 public:
  BitmapSelection() = default;
  ~BitmapSelection() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  BitmapSelection(const BitmapSelection&) = delete;
  BitmapSelection& operator=(const BitmapSelection&) = delete;

  void Select(HDC dc, HBITMAP bitmap) {
    dc_ = dc;
    previous_ = SelectObject(dc, bitmap);
  }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// A palette selected into a device context as its foreground palette; the
// one it replaced goes back in the same way, not realised.
class PaletteSelection {
 public:
  PaletteSelection() = default;
  ~PaletteSelection() {
    if (previous_ != nullptr) SelectPalette(dc_, previous_, FALSE);
  }
  PaletteSelection(const PaletteSelection&) = delete;
  PaletteSelection& operator=(const PaletteSelection&) = delete;

  void Select(HDC dc, HPALETTE palette) {
    dc_ = dc;
    previous_ = SelectPalette(dc, palette, FALSE);
  }

 private:
  HDC dc_ = nullptr;
  HPALETTE previous_ = nullptr;
};

// Halftone stretching in a device context, with the brush origin set as it
// needs; the mode and origin it replaced go back in.
class HalftoneStretch {
 public:
  explicit HalftoneStretch(HDC dc) : dc_(dc), previousMode_(SetStretchBltMode(dc, HALFTONE)) {
    SetBrushOrgEx(dc, 0, 0, &previousOrigin_);
  }
  ~HalftoneStretch() {
    SetBrushOrgEx(dc_, previousOrigin_.x, previousOrigin_.y, nullptr);
    if (previousMode_ != 0) SetStretchBltMode(dc_, previousMode_);
  }
  HalftoneStretch(const HalftoneStretch&) = delete;
  HalftoneStretch& operator=(const HalftoneStretch&) = delete;

 private:
  HDC dc_;
  int previousMode_;
  POINT previousOrigin_ = {};
};

bool IsFile(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

BITMAP Describe(HBITMAP bitmap) {
  BITMAP info = {};
  GetObjectA(bitmap, sizeof info, &info);
  return info;
}

// 256 entries from the colour table of `bitmap`; entries past the end of
// the table stay black.
HPALETTE PaletteFromColorTable(HBITMAP bitmap, LogoPaintObjects& made) {
  MemoryDc dc;
  made.tableDc = dc.Create(nullptr);
  BitmapSelection selection;
  selection.Select(dc.get(), bitmap);
  RGBQUAD table[256] = {};
  GetDIBColorTable(dc.get(), 0, 256, table);

  // LOGPALETTE declares one entry; the other 255 follow it.
  struct {
    LOGPALETTE header;
    PALETTEENTRY more[255];
  } logical = {};
  logical.header.palVersion = 0x300;
  logical.header.palNumEntries = 256;
  PALETTEENTRY* entries = logical.header.palPalEntry;
  for (int i = 0; i < 256; ++i) {
    entries[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
  }
  return CreatePalette(&logical.header);
}

// Loads `file` at its own size and depth, and a palette for it. False when
// the file cannot be loaded; then neither owner holds anything.
bool LoadLogo(const char* file, GdiObject<HBITMAP>& bitmap, GdiObject<HPALETTE>& palette,
              LogoPaintObjects& made) {
  made.bitmap = static_cast<HBITMAP>(LoadImageA(
      nullptr, file, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_DEFAULTSIZE | LR_LOADFROMFILE));
  if (made.bitmap == nullptr) return false;
  bitmap.Take(made.bitmap);
  const BITMAP info = Describe(bitmap.get());
  if (info.bmPlanes * info.bmBitsPixel > 8) {
    ScreenDc screen;
    made.palette = CreateHalftonePalette(screen.get());
  } else {
    made.palette = PaletteFromColorTable(bitmap.get(), made);
  }
  palette.Take(made.palette);
  return true;
}

}  // namespace

void PaintLogoFile(const char* file, HDC target, int width, int height, LogoPaintObjects* made) {
  LogoPaintObjects objects;
  // Declared in the reverse order of their release: the bitmap is put back
  // out of the memory DC and deleted, then the item's palette is put back
  // and the logo's deleted, then the memory DC goes.
  MemoryDc memory;
  GdiObject<HPALETTE> palette;
  PaletteSelection paletteSelection;
  GdiObject<HBITMAP> bitmap;
  BitmapSelection bitmapSelection;

  const bool loaded = LoadLogo(file, bitmap, palette, objects);
  if (made != nullptr && palette.get() != nullptr) {
    GetPaletteEntries(palette.get(), 0, 256, objects.colors);
  }
  if (loaded) {
    const BITMAP info = Describe(bitmap.get());
    objects.memoryDc = memory.Create(target);
    bitmapSelection.Select(memory.get(), bitmap.get());
    // A palette that could not be made leaves the item's palette as it is.
    if (palette.get() != nullptr) {
      paletteSelection.Select(target, palette.get());
      RealizePalette(target);
    }
    HalftoneStretch halftone(target);
    StretchBlt(target, 0, 0, width, height, memory.get(), 0, 0, info.bmWidth, info.bmHeight,
               SRCCOPY);
  }
  if (made != nullptr) *made = objects;
}

std::string FindLogoFile() {
  constexpr char kName[] = "logo.bmp";
  // A full path: given a bare name, LoadImage may look beside the program first.
  char path[MAX_PATH] = {};
  DWORD length = GetFullPathNameA(kName, MAX_PATH, path, nullptr);
  if (length > 0 && length < MAX_PATH && IsFile(path)) return path;
  length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};  // none, or cut short
  std::string file(path, length);
  file.replace(file.find_last_of('\\') + 1, std::string::npos, kName);
  return IsFile(file.c_str()) ? file : std::string();
}

void PaintLogo(const DRAWITEMSTRUCT& item) {
  const std::string file = FindLogoFile();
  if (file.empty()) return;
  PaintLogoFile(file.c_str(), item.hDC, item.rcItem.right - item.rcItem.left,
                item.rcItem.bottom - item.rcItem.top);
}

}  // namespace norva
