// The main window's destination-server list, filled from servers.xml.
#pragma once

#include <windows.h>

#include "serverlist/account_type.h"

namespace norva {

// Text of row 0, which is always there and stands for "nothing chosen".
inline constexpr char kChooseServerRow[] = "choose server...";

// Refills the drop-down list `list` with "choose server..." followed by the
// locations of `type`'s servers in file order. The list ends enabled with
// row 0 selected when at least one location was added; otherwise (no file,
// no folder, nothing of that type) it stays disabled with nothing selected.
void FillServerList(HWND list, AccountType type);

}  // namespace norva
