#pragma once
// PacedWait: a pause before a command during which the thread's events keep being
// processed (timer ticks, port notifications, operator input).

#include <cstdint>
#include <optional>

namespace torv {

// The system's millisecond tick count, wrapping at 32 bits.
std::uint32_t TickCount();

// The tick at which a pause of ms started at start ends; nothing when the pause is 0
// or its end would pass the tick count's wrap point (such a pause returns at once).
std::optional<std::uint32_t> PauseDeadline(std::uint32_t start, std::uint16_t ms);

// Returns after ms milliseconds, never earlier, having processed pending events at
// least once; sleeps in the event loop between events instead of spinning.
void PacedWait(std::uint16_t ms);

}  // namespace torv
