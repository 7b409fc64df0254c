// The show: the timeline that maps SceneTime to a section, the main loop of the
// full show and of the single-scene mode.
#pragma once
#include <cstdint>

#include "scenes/section.hpp"

extern bool quitRequested;
extern bool singleSceneMode;

constexpr const char* kHiddenWord = "Kirschkuchens";
constexpr long double kOverlayStart = 2655.0L;
constexpr long double kShowEnd = 24500.0L;

// One window of the timeline: `module` renders while start <= t < end.
struct TimelineWindow {
  const SceneModule* module;
  long double start;
  long double end;
};
constexpr int kTimelineWindows = 13;
const TimelineWindow* timelineWindows();
// The thirteen modules in the order they load and release.
const SceneModule* const* loadOrder();

void timelineStep(float t, uint32_t* frame);
// The dispatch behind timelineStep for any table whose first window carries the
// overlay: renders the first window that holds t and returns true once t is past the end.
bool dispatchTimeline(const TimelineWindow* windows, int count, void (*overlay)(float t, uint32_t* frame), float t,
                      uint32_t* frame);
void loadAllScenes();
void releaseAllScenes();

// Where SceneTime comes from in the main loop.
using TimeSource = long double (*)();
// Runs passes (pump, time, render, present) until quitRequested. `render` draws a pass.
void runMainLoop(TimeSource time, void (*render)(float t, uint32_t* frame));

void runFullShow();
void runSingleScene();
