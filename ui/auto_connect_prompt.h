// The five-second prompt before the program dials on its own.
#pragma once

#include <windows.h>

#include "ui/prompt_countdown.h"

namespace norva {

// Runs the prompt modally, owned by `owner` (visible or hidden) and placed
// at its top left corner. Returns kPromptTimedOut (55) once the countdown has
// run out, kPromptCancelled (2) on Cancel or Escape, and -1 when the prompt
// could not be created; callers dial on anything but 2.
int RunAutoConnectPrompt(HINSTANCE instance, HWND owner, PromptKind kind);

}  // namespace norva
