#include "serverlist/server_list_combo.h"

#include "serverlist/server_catalog.h"

namespace norva {

void FillServerList(HWND list, const std::string& catalogPath, AccountType type) {
  EnableWindow(list, FALSE);
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kChooseServerRow));

  if (catalogPath.empty()) return;
  for (const std::string& location : ListLocations(catalogPath, type)) {
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(location.c_str()));
  }

  if (SendMessageA(list, CB_GETCOUNT, 0, 0) > 1) {
    SendMessageA(list, CB_SETCURSEL, 0, 0);
    EnableWindow(list, TRUE);
  }
}

}  // namespace norva
