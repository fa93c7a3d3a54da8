#include "ui/server_settings_dialog.h"

#include <commctrl.h>

#include "app/support_log.h"
#include "resources/resource.h"
#include "serverlist/custom_server_file.h"

namespace norva {
namespace {

// Typed names and addresses, and the selected row, are read with room for
// 127 characters.
constexpr int kTextCapacity = 128;

// config.ini, the dialog's creation parameter, is kept in its user data.
const char* ConfigIniOf(HWND dialog) {
  return reinterpret_cast<const std::string*>(GetWindowLongPtrA(dialog, DWLP_USER))->c_str();
}

void FillCustomServerList(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_CUSTOM_LIST);
  const auto names = ReadCustomServerNames(ConfigIniOf(dialog));
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
  Log("servers", "add \"" + std::string(name) + "\"");
  WriteCustomServer(ConfigIniOf(dialog), name, address);
  FillCustomServerList(dialog);
}

void OnRemove(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_CUSTOM_LIST);
  // The last line cannot be removed here.
  if (SendMessageA(list, CB_GETCOUNT, 0, 0) < 2) return;
  char name[kTextCapacity];
  if (GetWindowTextA(list, name, kTextCapacity) == 0) return;  // no row chosen
  Log("servers", "remove \"" + std::string(name) + "\"");
  RemoveCustomServer(ConfigIniOf(dialog), name);
  SendMessageA(list, CB_DELETESTRING, SendMessageA(list, CB_GETCURSEL, 0, 0), 0);
  FillCustomServerList(dialog);
}

INT_PTR CALLBACK ServerSettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    FillCustomServerList(dialog);
    return TRUE;
  }
  if (message != WM_COMMAND || GetWindowLongPtrA(dialog, DWLP_USER) == 0) return FALSE;
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
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SERVER_SETTINGS), owner, ServerSettingsProc,
                  reinterpret_cast<LPARAM>(&configIni));
}

}  // namespace norva
