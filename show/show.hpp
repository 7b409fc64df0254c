// The show: loading and releasing every section, the main loop, and the two modes
// it runs in: the full show on the music clock, and the single scene on the frame clock.
#pragma once
#include <cstdint>

#include "show/timeline.hpp"

// The first command-line word that selects the single-scene mode.
constexpr const char* kHiddenWord = "Kirschkuchens";

void loadAllScenes();
void releaseAllScenes();

// Where SceneTime comes from in the main loop.
using TimeSource = long double (*)();
// Runs passes (pump, time, render, present) until quitRequested. `render` draws a pass.
void runMainLoop(TimeSource time, void (*render)(float t, uint32_t* frame));

void runFullShow();
// The full show from SceneTime `startTime` (0 to 24500): loaded as usual, without the
// loader's fades, the music playing from the matching position.
void runFullShowFrom(long double startTime);
void runSingleScene();
