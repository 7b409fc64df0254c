// The clock over std::chrono's steady clock.
#include "base/clock.hpp"

#include <chrono>

#include "base/clock_testing.hpp"

namespace {
using Steady = std::chrono::steady_clock;
uint32_t (*gTickSource)() = nullptr;

uint32_t steadyTick() {
  static const Steady::time_point origin = Steady::now();
  return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - origin).count());
}
}  // namespace

uint32_t millisecondTick() { return gTickSource ? gTickSource() : steadyTick(); }

double preciseMilliseconds() {
  return std::chrono::duration<double, std::milli>(Steady::now().time_since_epoch()).count();
}

void setTickSource(uint32_t (*tick)()) { gTickSource = tick; }
