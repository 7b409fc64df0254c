// Guards the timeline: its windows and load order as the table of sections gives
// them, the dispatch at and around every threshold, the overlay window, the end.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "show/show.hpp"

namespace {
struct Call {
  int module;  // window index, or -1 for the overlay
  float t;
};
std::vector<Call> gCalls;

template <int I>
void recordRender(float t, uint32_t*) {
  gCalls.push_back({I, t});
}
void recordOverlay(float t, uint32_t*) { gCalls.push_back({-1, t}); }
void noop() {}

template <int... I>
std::vector<SceneModule> makeModules(std::integer_sequence<int, I...>) {
  return {SceneModule{"rec", noop, recordRender<I>, noop}...};
}

struct RecordingTimeline {
  std::vector<SceneModule> modules = makeModules(std::make_integer_sequence<int, kTimelineWindows>());
  std::vector<TimelineWindow> windows;
  RecordingTimeline() {
    for (int i = 0; i < kTimelineWindows; ++i) {
      windows.push_back(timelineWindows()[i]);
      windows.back().module = &modules[size_t(i)];
    }
  }
  bool step(float t) {
    gCalls.clear();
    return dispatchTimeline(windows.data(), kTimelineWindows, recordOverlay, t, nullptr);
  }
};
}  // namespace

TEST(Timeline, WindowsAndLoadOrderFollowTheTable) {
  for (int i = 0; i < kTimelineWindows; ++i) {
    EXPECT_EQ(timelineWindows()[i].module, kShowSections[i].module);
    EXPECT_EQ(timelineWindows()[i].start, sectionStart(i));
    EXPECT_EQ(timelineWindows()[i].end, sectionEnd(i));
    EXPECT_EQ(loadOrder()[kShowSections[i].loadRank], kShowSections[i].module);
  }
}

TEST(Timeline, ThresholdsAreStrictAndPassRelativeTime) {
  RecordingTimeline tl;
  for (int i = 0; i + 1 < kTimelineWindows; ++i) {
    float at = float(timelineWindows()[i].end);
    tl.step(at);
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].module, i + 1) << "t = " << at;
    EXPECT_EQ(gCalls[0].t, 0.0f);
    float below = std::nextafter(at, 0.0f);
    tl.step(below);
    EXPECT_EQ(gCalls[0].module, i) << "just below " << at;
    tl.step(at + 0.5f);
    EXPECT_EQ(gCalls[0].module, i + 1);
    EXPECT_EQ(gCalls[0].t, 0.5f);
  }
}

TEST(Timeline, OverlayOnlyStrictlyBetween2655And3540WithAbsoluteTime) {
  RecordingTimeline tl;
  tl.step(2655.0f);
  ASSERT_EQ(gCalls.size(), 1u);
  EXPECT_EQ(gCalls[0].module, 0);
  tl.step(2655.25f);
  ASSERT_EQ(gCalls.size(), 2u);
  EXPECT_EQ(gCalls[0].module, 0);
  EXPECT_EQ(gCalls[1].module, -1);
  EXPECT_EQ(gCalls[1].t, 2655.25f);
  tl.step(3539.75f);
  ASSERT_EQ(gCalls.size(), 2u);
  EXPECT_EQ(gCalls[0].t, 3539.75f);
  EXPECT_EQ(gCalls[1].t, 3539.75f);
  tl.step(3540.0f);
  ASSERT_EQ(gCalls.size(), 1u);
  EXPECT_EQ(gCalls[0].module, 1);
}

TEST(Timeline, EndScreenThenNothingThenQuitAfter24500) {
  RecordingTimeline tl;
  EXPECT_FALSE(tl.step(24399.5f));
  EXPECT_EQ(gCalls.back().module, 12);
  EXPECT_FLOAT_EQ(gCalls.back().t, 1389.5f);
  EXPECT_FALSE(tl.step(24400.0f));
  EXPECT_TRUE(gCalls.empty());
  EXPECT_FALSE(tl.step(24500.0f));  // the end itself does not yet quit
  EXPECT_TRUE(tl.step(24500.002f));
  EXPECT_TRUE(gCalls.empty());
}

TEST(Timeline, RelativeTimeIsSubtractedBeforeRounding) {
  RecordingTimeline tl;
  // 16815.1 as a float is 16815.099609375; the difference is exact before it is narrowed.
  float t = 16815.1f;
  tl.step(t);
  EXPECT_EQ(gCalls[0].module, 8);
  EXPECT_EQ(gCalls[0].t, float((long double)t - 16815.0L));
}
