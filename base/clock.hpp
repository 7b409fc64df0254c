// The clock every part of the program reads: a 32-bit millisecond tick that wraps
// after about 49.7 days (the frame clock and the silent music clock count on it),
// and a fine monotonic reading for measuring work.
#pragma once
#include <cstdint>

// Milliseconds since the first reading; unsigned, so differences are right across the wrap.
uint32_t millisecondTick();

// Milliseconds with a fraction, from a fixed but unspecified origin.
double preciseMilliseconds();
