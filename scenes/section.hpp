// The contract every section of the show follows: load once before the first
// frame, render once per displayed frame while it owns the timeline, release once
// after the last frame. Each module keeps its own state at file level.
#pragma once
#include <cstdint>

struct SceneModule {
  const char* name;  // the section's data-directory word, e.g. "box"
  void (*load)();
  // t: scene time relative to the module's start; target: the 320 x 200 frame.
  void (*render)(float t, uint32_t* target);
  void (*release)();
};
