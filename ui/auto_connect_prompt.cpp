#include "ui/auto_connect_prompt.h"

#include <optional>

#include "resources/resource.h"

namespace norva {
namespace {

constexpr UINT_PTR kCountdownTimer = 101;

// Only one prompt is open at a time, on the UI thread.
std::optional<PromptCountdown> g_countdown;

void ShowText(HWND prompt) {
  SetDlgItemTextA(prompt, IDC_PROMPT_TEXT, g_countdown->Text().c_str());
}

void End(HWND prompt, int result) {
  KillTimer(prompt, kCountdownTimer);
  EndDialog(prompt, result);
}

INT_PTR CALLBACK PromptProc(HWND prompt, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetTimer(prompt, kCountdownTimer, kPromptTickMs, nullptr);
      g_countdown.emplace(static_cast<PromptKind>(lParam));
      ShowText(prompt);
      return TRUE;
    case WM_TIMER:
      if (!g_countdown) return FALSE;
      if (g_countdown->Tick()) {
        End(prompt, kPromptTimedOut);
      } else {
        ShowText(prompt);
      }
      return TRUE;
    case WM_COMMAND:
      // Cancel and Escape end the prompt; Enter (IDOK) and anything else
      // leave the countdown running.
      if (LOWORD(wParam) == IDCANCEL) End(prompt, kPromptCancelled);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

int RunAutoConnectPrompt(HINSTANCE instance, HWND owner, PromptKind kind) {
  const INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_AUTOCONNECT), owner,
                                         PromptProc, static_cast<LPARAM>(kind));
  g_countdown.reset();
  return static_cast<int>(result);
}

}  // namespace norva
