// Guards the display's frame clock across the millisecond wrap and its report of a
// failed set-up step (the window itself is driven in tests/show/window_test.cpp).
#include <gtest/gtest.h>

#include "base/clock_testing.hpp"
#include "video/display.hpp"
#include "video/display_backend.hpp"
#include "video/display_testing.hpp"

namespace {
uint32_t gNow = 0;
uint32_t fakeTick() { return gNow; }
}  // namespace

TEST(FrameClock, CountsRateUnitsPerSecondAcrossTheWrap) {
  setTickSource(fakeTick);
  gNow = 1000;
  resetFrameClock(120);
  EXPECT_EQ(frameClockTime(), 0.0L);
  gNow = 3500;
  EXPECT_DOUBLE_EQ(double(frameClockTime()), 300.0);
  gNow = 0xFFFFFF00u;
  resetFrameClock(128);
  gNow = 0x00000100u;  // 512 ms later, after the counter wrapped
  EXPECT_DOUBLE_EQ(double(frameClockTime()), 65.536);
  setTickSource(nullptr);
}

TEST(DisplayFailure, ReportsTheStepAndTheCause) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(displayFailure(4, "SetDisplayMode FAILED", "the mode is not available"), 4);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_STREQ(displayFailureText(), "SetDisplayMode FAILED: the mode is not available");
  // No box can be shown here: the same text goes to standard error with the caption.
  EXPECT_EQ(err, "Greyline Video System: SetDisplayMode FAILED: the mode is not available\n");
}
