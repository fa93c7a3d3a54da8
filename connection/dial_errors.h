// Which failed dials are worth another try. A dial of the program's own (the
// re-dial after a lost link, auto connect at start) is tried again when a
// later try can get past its error: the network or the server out of reach,
// a time-out, a dropped port. It is not when the next try would fail the
// same way: credentials or account refused, a missing or broken entry, a
// key or certificate rejected. Codes not in the table are not tried again.
#pragma once

#include <cstdint>

namespace norva {

bool IsWorthAnotherTry(std::uint32_t code);

// Seconds to wait before try `failedTries` + 1: 5, 10, 20, 40, then 60.
std::uint32_t SecondsBeforeNextTry(int failedTries);

}  // namespace norva
