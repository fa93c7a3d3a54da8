// The main window's destination-server list, filled from servers.xml.
#pragma once

#include <windows.h>

#include <string>

#include "serverlist/account_type.h"

namespace norva {

// Text of row 0, which is always there and stands for "nothing chosen".
inline constexpr char kChooseServerRow[] = "choose server...";

// Refills the drop-down list `list` with "choose server..." followed by the
// locations of `type`'s servers in the list at `catalogPath`, in file order.
// The list ends enabled with row 0 selected when at least one location was
// added; otherwise (no path, no file, nothing of that type) it stays disabled
// with nothing selected.
void FillServerList(HWND list, const std::string& catalogPath, AccountType type);

}  // namespace norva
