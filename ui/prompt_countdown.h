// The five-second countdown of the auto-connect prompt, without the window:
// the text for each second, the ticks, and the results the prompt ends with.
#pragma once

#include <string>

namespace norva {

enum class PromptKind : int {
  kAutoConnect = 0,  // after start-up, dialling the server used last
  kReconnect = 1,    // after the watched link was lost
};

// What the prompt ends with. Its callers dial on anything but kCancelled,
// so a prompt that could not be shown at all (-1) dials too.
inline constexpr int kPromptTimedOut = 55;
inline constexpr int kPromptCancelled = 2;  // IDCANCEL

inline constexpr int kPromptSeconds = 5;
inline constexpr unsigned kPromptTickMs = 1000;

class PromptCountdown {
 public:
  explicit PromptCountdown(PromptKind kind) : kind_(kind) {}

  // One second has passed. True when the countdown has run out, which the
  // fifth tick does; the prompt then ends with kPromptTimedOut.
  bool Tick() { return --secondsLeft_ <= 0; }

  // The prompt's text for the seconds left.
  std::string Text() const;

 private:
  PromptKind kind_;
  int secondsLeft_ = kPromptSeconds;
};

// True when the prompt's result means "go ahead and dial".
inline bool PromptAllowsDial(int result) { return result != kPromptCancelled; }

}  // namespace norva
