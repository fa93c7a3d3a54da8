#include "ui/prompt_countdown.h"

#include <cstdio>

namespace norva {

std::string PromptCountdown::Text() const {
  const char* format = kind_ == PromptKind::kReconnect
                           ? "NORVA Auto Re Connect is enabled. re-connecting in %d seconds."
                           : "NORVA Auto Connect is enabled. connecting in %d seconds.";
  char text[100];
  std::snprintf(text, sizeof text, format, secondsLeft_);
  return text;
}

}  // namespace norva
