// The five-second prompt before the program dials on its own.
#pragma once

#include <windows.h>

#include "ui/prompt_countdown.h"

namespace norva {

// Runs the prompt modally, owned by `owner` (visible or hidden) and placed
// at its top left corner. While it is open `*open` holds its window, so that
// ClosePrompt can end it; it is null again when this returns.
//
// Returns kPromptTimedOut (55) once the countdown has run out,
// kPromptCancelled (2) on Cancel, Escape or ClosePrompt, and -1 when the
// prompt could not be created.
int RunAutoConnectPrompt(HINSTANCE instance, HWND owner, PromptKind kind, HWND* open);

// Ends the prompt in `prompt` as cancelled.
void ClosePrompt(HWND prompt);

}  // namespace norva
