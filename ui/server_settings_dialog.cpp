#include "ui/server_settings_dialog.h"

#include <commctrl.h>

#include "resources/resource.h"
#include "serverlist/custom_server_file.h"

namespace norva {
namespace {

// Typed names and addresses, and the selected row, are read with room for
// 127 characters.
constexpr int kTextCapacity = 128;

// config.ini as start-up worked it out; the dialog is modal and opened from
// the UI thread only.
const char* g_configPath = nullptr;

void FillCustomServerList(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_CUSTOM_LIST);
  const auto names = ReadCustomServerNames(g_configPath);
  if (names.empty()) {
    EnableWindow(list, FALSE);
    return;
  }
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  for (const auto& name : names) {
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
  SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);
  // A list that was empty, and so disabled, is usable again once it has rows.
  EnableWindow(list, TRUE);
}

void OnAdd(HWND dialog) {
  HWND ip = GetDlgItem(dialog, IDC_CUSTOM_IP);
  if (GetWindowTextLengthA(GetDlgItem(dialog, IDC_CUSTOM_NAME)) == 0 ||
      SendMessageA(ip, IPM_ISBLANK, 0, 0) != 0) {
    return;
  }
  char name[kTextCapacity];
  char address[kTextCapacity];
  GetDlgItemTextA(dialog, IDC_CUSTOM_NAME, name, kTextCapacity);
  GetDlgItemTextA(dialog, IDC_CUSTOM_IP, address, kTextCapacity);
  SetDlgItemTextA(dialog, IDC_CUSTOM_NAME, "");
  SendMessageA(ip, IPM_CLEARADDRESS, 0, 0);
  WriteCustomServer(g_configPath, name, address);
  FillCustomServerList(dialog);
}

void OnRemove(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_CUSTOM_LIST);
  // The last line cannot be removed here.
  if (SendMessageA(list, CB_GETCOUNT, 0, 0) < 2) return;
  char name[kTextCapacity];
  if (GetWindowTextA(list, name, kTextCapacity) == 0) return;  // no row chosen
  RemoveCustomServer(g_configPath, name);
  SendMessageA(list, CB_DELETESTRING, SendMessageA(list, CB_GETCURSEL, 0, 0), 0);
  FillCustomServerList(dialog);
}

INT_PTR CALLBACK ServerSettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    FillCustomServerList(dialog);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case IDOK:
    case IDCANCEL:
      EndDialog(dialog, LOWORD(wParam));
      return FALSE;
    case IDC_CUSTOM_LIST:
      return TRUE;
    case IDC_CUSTOM_ADD:
      OnAdd(dialog);
      return TRUE;
    case IDC_CUSTOM_REMOVE:
      OnRemove(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void RunServerSettingsDialog(HINSTANCE instance, HWND owner, const std::string& configIni) {
  g_configPath = configIni.c_str();
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SERVER_SETTINGS), owner, ServerSettingsProc, 0);
  g_configPath = nullptr;
}

}  // namespace norva
