// A dialog and nothing else: the yardstick against which the program's
// start-up is measured. It starts the way the program does (a modeless
// dialog from a template, shown with the start-up's show command, painted
// at once, one message loop) and does no other work.
#include <windows.h>

#include "bare_dialog_ids.h"

namespace {

INT_PTR CALLBACK BareDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) != IDCANCEL && LOWORD(wParam) != IDOK) return FALSE;
      DestroyWindow(window);
      PostQuitMessage(0);
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(window);
      PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_BARE), nullptr,
                                   BareDialogProc, 0);
  if (window == nullptr) return 1;
  ShowWindow(window, showCommand);
  UpdateWindow(window);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
