#include "ui/main_commands.h"

namespace norva {

CommandAction ClassifyCommand(int id, unsigned notification) {
  switch (id) {
    case command::kOk:
      return {MainCommand::kToggleConnection, true};
    case command::kCancel:
      return {MainCommand::kExit, true};
    case command::kVpnType:
      // Only a completed pick rebuilds; the list's other notifications are
      // still reported as handled.
      return {notification == command::kSelEndOk ? MainCommand::kBuildEntry : MainCommand::kNone,
              true};
    case command::kOptions:
      return {MainCommand::kOpenOptions, false};
    case command::kEditServers:
      return {MainCommand::kOpenServerSettings, false};
    case command::kShared:
      return {MainCommand::kFillShared, false};
    case command::kDedicated:
      return {MainCommand::kFillDedicated, false};
    case command::kTrayOpen:
      return {MainCommand::kShowWindow, false};
    default:
      return {MainCommand::kNone, false};
  }
}

TrayAction ClassifyTrayMessage(unsigned mouseMessage) {
  constexpr unsigned kLeftDoubleClick = 0x0203;  // WM_LBUTTONDBLCLK
  constexpr unsigned kRightButtonUp = 0x0205;    // WM_RBUTTONUP
  switch (mouseMessage) {
    case kLeftDoubleClick:
      return TrayAction::kShowWindow;
    case kRightButtonUp:
      return TrayAction::kOpenMenu;
    default:
      return TrayAction::kNone;
  }
}

}  // namespace norva
