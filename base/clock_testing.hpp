// Test support for the clock: the millisecond tick can be scripted.
#pragma once
#include <cstdint>

// Replaces the millisecond tick; null restores the real one.
void setTickSource(uint32_t (*tick)());
