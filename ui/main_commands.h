// How the main window reads what reaches it: its commands, the tray icon's
// mouse messages and the link watch's status answers. No windows here; the
// window procedure acts on the answers.
#pragma once

#include <cstdint>

#include "connection/remote_access.h"

namespace norva {

enum class MainCommand {
  kNone,
  kToggleConnection,    // the Connect/Disconnect button
  kExit,                // the Exit button and the tray menu's Exit
  kBuildEntry,          // a tunnel type was picked
  kOpenOptions,
  kOpenServerSettings,  // the hidden "+/-" button
  kFillShared,          // the Shared IP radio button
  kFillDedicated,       // the Dedicated IP radio button
  kShowWindow,          // the tray menu's Open
};

struct CommandAction {
  MainCommand command;
  bool handled;  // what the dialog procedure returns for it
};

// Command identifiers of the main window (IDOK, IDCANCEL, IDC_*, ID_TRAY_OPEN).
namespace command {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kVpnType = 1004;
inline constexpr int kOptions = 1006;
inline constexpr int kEditServers = 1013;
inline constexpr int kShared = 1018;
inline constexpr int kDedicated = 1019;
inline constexpr int kTrayOpen = 32776;
inline constexpr unsigned kSelEndOk = 9;  // CBN_SELENDOK
}  // namespace command

// `id` is the low word of wParam, `notification` the high word.
CommandAction ClassifyCommand(int id, unsigned notification);

enum class TrayAction { kNone, kShowWindow, kOpenMenu };

// `mouseMessage` is the lParam of the tray icon's callback message.
TrayAction ClassifyTrayMessage(unsigned mouseMessage);

// The link watch's reading of a status query: the link is lost when the
// handle is no longer valid, or when the query succeeded with any state but
// connected. Any other failure says nothing; the watch goes on.
inline bool LinkLost(RasResult result, std::uint32_t state) {
  return result == ras::kInvalidHandle || (result == ras::kOk && state != ras::kConnected);
}

}  // namespace norva
