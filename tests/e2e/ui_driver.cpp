#include "ui_driver.h"

#include <fstream>

namespace norva::e2e {
namespace {

constexpr UINT kSendTimeoutMs = 5000;
constexpr int kMessageTextId = 0xFFFF;  // the text item of a message box

struct Search {
  DWORD processId;
  const char* className;
  std::vector<Window> found;
};

BOOL CALLBACK Collect(HWND handle, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  char name[64] = {};
  GetClassNameA(handle, name, sizeof name);
  const Window w(handle);
  if (w.ProcessId() == s->processId && w.IsVisible() && std::string(name) == s->className) {
    s->found.push_back(w);
  }
  return TRUE;
}

// Visible top-level windows of `processId` with the given class.
std::vector<Window> TopLevelWindows(DWORD processId, const char* className) {
  Search search{processId, className, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!done()) {
    if (GetTickCount64() >= end) return done();
    Sleep(20);
  }
  return true;
}

DWORD Window::ProcessId() const {
  DWORD id = 0;
  GetWindowThreadProcessId(handle_, &id);
  return id;
}

std::string Window::Text() const {
  // WM_GETTEXT is marshalled across processes; GetWindowText would give an
  // edit field's creation text instead of what it shows.
  std::string text(static_cast<size_t>(Send(WM_GETTEXTLENGTH)) + 1, '\0');
  text.resize(static_cast<size_t>(Send(WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
  return text;
}

std::vector<std::string> Window::Rows() const {
  // Asked in UTF-16: Wine answers a cross-process CB_GETLBTEXT in UTF-16
  // even when it was sent as ANSI, overrunning an ANSI-sized buffer.
  std::vector<std::string> rows;
  for (LRESULT i = 0, count = Send(CB_GETCOUNT); i < count; ++i) {
    std::wstring row(static_cast<size_t>(Send(CB_GETLBTEXTLEN, i)) + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(handle_, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&row[0]), SMTO_NORMAL,
                        kSendTimeoutMs, &got);
    char narrow[512] = {};
    WideCharToMultiByte(CP_ACP, 0, row.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
    rows.push_back(narrow);
  }
  return rows;
}

void Window::Pick(int row) const {
  Send(CB_SETCURSEL, row);
  const int id = GetDlgCtrlID(handle_);
  HWND parent = GetAncestor(handle_, GA_PARENT);
  for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK}) {
    PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(handle_));
  }
}

void Window::Type(const std::string& text) const {
  Send(EM_SETSEL, 0, -1);
  Send(WM_CHAR, VK_BACK);
  for (const char c : text) Send(WM_CHAR, static_cast<unsigned char>(c));
}

void Window::PressKey(WORD key) const {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(handle_, nullptr), &info);
  const Window focused(info.hwndFocus != nullptr ? info.hwndFocus : handle_);
  focused.Post(WM_KEYDOWN, key);
  focused.Post(WM_KEYUP, key);
}

LRESULT Window::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
  DWORD_PTR result = 0;
  // Not SMTO_ABORTIFHUNG: a program that has only just shown its window may
  // not have asked for a message for a while, and would count as hung.
  if (!SendMessageTimeoutA(handle_, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result)) {
    return 0;
  }
  return static_cast<LRESULT>(result);
}

void Window::Post(UINT message, WPARAM wParam, LPARAM lParam) const {
  PostMessageA(handle_, message, wParam, lParam);
}

bool Window::SaveScreenshot(const std::string& path) const {
  RECT r;
  if (!GetWindowRect(handle_, &r) || r.right <= r.left || r.bottom <= r.top) return false;
  RedrawWindow(handle_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sync();
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = r.right - r.left;
  header.biHeight = r.bottom - r.top;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biSizeImage = ((static_cast<DWORD>(header.biWidth) * 3 + 3) / 4 * 4) *
                       static_cast<DWORD>(header.biHeight);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                    &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  // The picture reaches the screen a little after the paint: wait until two
  // captures agree.
  std::string pixels;
  WaitFor(
      [&] {
        Sleep(100);
        BitBlt(memory, 0, 0, header.biWidth, header.biHeight, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        std::string again(static_cast<const char*>(bits), bits ? header.biSizeImage : 0);
        const bool settled = again == pixels;
        pixels = std::move(again);
        return settled;
      },
      3000);
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (pixels.empty()) return false;

  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + header.biSizeImage;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  return static_cast<bool>(out);
}

Window FindMainWindow() { return Window(FindWindowA("QUILLON", "NORVA Connection Assistant")); }

Window FindDialog(DWORD processId, int withControl, int withoutControl) {
  for (const Window& dialog : TopLevelWindows(processId, "#32770")) {
    if (dialog.Item(withControl) && !(withoutControl != 0 && dialog.Item(withoutControl))) {
      return dialog;
    }
  }
  return Window();
}

Window FindMessageBox(DWORD processId) { return FindDialog(processId, kMessageTextId); }

std::string BoxText(const Window& box) { return box.Text() + ": " + box.Item(kMessageTextId).Text(); }

Window FindPopupMenu(DWORD processId) {
  const std::vector<Window> menus = TopLevelWindows(processId, "#32768");
  return menus.empty() ? Window() : menus.front();
}

void ChooseMenuItem(const Window& menu, int index) {
  // The menu's own loop takes these from its thread's queue.
  for (int i = 0; i <= index; ++i) menu.Post(WM_KEYDOWN, VK_DOWN);
  menu.Post(WM_KEYDOWN, VK_RETURN);
}

}  // namespace norva::e2e
