// The timeline's windows from the table of sections, and its dispatch.
#include "show/timeline.hpp"

#include <array>
#include <cstddef>

bool quitRequested = false;

namespace {
constexpr std::array<TimelineWindow, kTimelineWindows> kWindows = [] {
  std::array<TimelineWindow, kTimelineWindows> w{};
  for (int i = 0; i < kTimelineWindows; ++i) w[std::size_t(i)] = {kShowSections[i].module, sectionStart(i), sectionEnd(i)};
  return w;
}();

constexpr std::array<const SceneModule*, kTimelineWindows> kLoadOrder = [] {
  std::array<const SceneModule*, kTimelineWindows> order{};
  for (const ShowSection& s : kShowSections) order[std::size_t(s.loadRank)] = s.module;
  return order;
}();

constexpr long double kOverlayStart = barTime(kOverlayBar);
}  // namespace

const TimelineWindow* timelineWindows() { return kWindows.data(); }
const SceneModule* const* loadOrder() { return kLoadOrder.data(); }

bool dispatchTimeline(const TimelineWindow* windows, int count, void (*overlay)(float t, uint32_t* frame), float t,
                      uint32_t* frame) {
  // Thresholds and the window start are subtracted in extended precision.
  const long double lt = t;
  for (int i = 0; i < count; ++i) {
    const TimelineWindow& w = windows[i];
    if (!(lt < w.end)) continue;
    if (i == 0) {
      w.module->render(t, frame);
      if (lt > kOverlayStart) overlay(t, frame);
    } else {
      w.module->render(float(lt - w.start), frame);
    }
    break;
  }
  return lt > kShowEnd;
}

void timelineStep(float t, uint32_t* frame) {
  if (dispatchTimeline(kWindows.data(), kTimelineWindows, kFirstWindowOverlay, t, frame)) quitRequested = true;
}
