#include "ui/auto_connect_prompt.h"

#include "resources/resource.h"

namespace norva {
namespace {

constexpr UINT_PTR kCountdownTimer = 101;

// What one prompt keeps while it is open, in its user data.
struct Prompt {
  PromptCountdown countdown;
  HWND* open;
};

Prompt* Of(HWND prompt) { return reinterpret_cast<Prompt*>(GetWindowLongPtrA(prompt, DWLP_USER)); }

void ShowText(HWND prompt, const Prompt& state) {
  SetDlgItemTextA(prompt, IDC_PROMPT_TEXT, state.countdown.Text().c_str());
}

void End(HWND prompt, int result) {
  KillTimer(prompt, kCountdownTimer);
  EndDialog(prompt, result);
}

INT_PTR CALLBACK PromptProc(HWND prompt, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    Prompt* state = reinterpret_cast<Prompt*>(lParam);
    SetWindowLongPtrA(prompt, DWLP_USER, lParam);
    *state->open = prompt;
    SetTimer(prompt, kCountdownTimer, kPromptTickMs, nullptr);
    ShowText(prompt, *state);
    return TRUE;
  }
  Prompt* state = Of(prompt);
  if (state == nullptr) return FALSE;
  switch (message) {
    case WM_TIMER:
      if (state->countdown.Tick()) {
        End(prompt, kPromptTimedOut);
      } else {
        ShowText(prompt, *state);
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

int RunAutoConnectPrompt(HINSTANCE instance, HWND owner, PromptKind kind, HWND* open) {
  Prompt state{PromptCountdown(kind), open};
  const INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_AUTOCONNECT), owner,
                                         PromptProc, reinterpret_cast<LPARAM>(&state));
  *open = nullptr;
  return static_cast<int>(result);
}

void ClosePrompt(HWND prompt) { End(prompt, kPromptCancelled); }

}  // namespace norva
