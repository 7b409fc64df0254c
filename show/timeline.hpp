// The timeline: maps SceneTime to the section whose window holds it, from the table
// of sections (scenes/sections.hpp), and ends the show once SceneTime passes its end.
#pragma once
#include <cstdint>

#include "scenes/sections.hpp"

// Set by the timeline once SceneTime passes the end, and by the main loop when the
// window delivers the quit; the loop ends at the next check.
extern bool quitRequested;

// One window of the timeline: `module` renders while start <= t < end.
struct TimelineWindow {
  const SceneModule* module;
  long double start;
  long double end;
};
constexpr int kTimelineWindows = kShowSectionCount;
const TimelineWindow* timelineWindows();
// The modules in the order they load and release.
const SceneModule* const* loadOrder();

void timelineStep(float t, uint32_t* frame);
// The dispatch behind timelineStep for any table whose first window carries the
// overlay: renders the first window that holds t and returns true once t is past the end.
bool dispatchTimeline(const TimelineWindow* windows, int count, void (*overlay)(float t, uint32_t* frame), float t,
                      uint32_t* frame);
