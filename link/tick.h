#pragma once

#include <cstdint>

// The engine's clock: a millisecond tick to measure reply time-outs by, and
// a pause.
//
// TickMs() is a monotonic millisecond count (CLOCK_MONOTONIC, so it never
// jumps with the wall clock) taken as an unsigned 32-bit value. It wraps after
// about 49.7 days; intervals are always taken as the unsigned 32-bit
// difference of two ticks, which stays right across the wrap.
uint32_t TickMs();

// Blocks the calling thread for about nMs milliseconds (at least nMs unless a
// signal handler runs meanwhile; the rest of the pause is then slept too).
void PauseMs(uint32_t nMs);
