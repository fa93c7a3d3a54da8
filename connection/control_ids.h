// Identifiers of the main window's controls and timer that the portable code
// works with. The dialog template takes its IDC_* macros from
// resources/resource.h; the two sets must agree, which the Win32 side checks
// at compile time.
#pragma once

namespace norva {

using ControlId = int;
using TimerId = unsigned;

namespace control {
inline constexpr ControlId kOk = 1;             // Connect / Disconnect button (IDOK)
inline constexpr ControlId kServer = 1000;      // destination server list; row 0 is a placeholder
inline constexpr ControlId kUserName = 1001;    // user name field
inline constexpr ControlId kPassword = 1002;    // password field
inline constexpr ControlId kVpnType = 1004;     // tunnel type list, rows in VpnType order
inline constexpr ControlId kStatus = 1005;      // status line
inline constexpr ControlId kOptions = 1006;     // opens the options dialog
inline constexpr ControlId kEditServers = 1013; // opens the custom-server dialog
}  // namespace control

namespace timer {
// The link watch: started once a dial has connected, ticks every two seconds.
inline constexpr TimerId kLinkWatch = 1;
inline constexpr unsigned kLinkWatchIntervalMs = 2000;
}  // namespace timer

}  // namespace norva
