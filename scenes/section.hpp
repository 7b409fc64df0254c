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

extern const SceneModule boxModule;
extern const SceneModule vohelModule;
extern const SceneModule matrixModule;
extern const SceneModule hyperModule;
extern const SceneModule sphereModule;
extern const SceneModule boxboxModule;
extern const SceneModule csapokModule;
extern const SceneModule blobsModule;
extern const SceneModule metaboxModule;
extern const SceneModule bogyoModule;
extern const SceneModule kockaModule;
extern const SceneModule forgoModule;
extern const SceneModule endscrnModule;
extern const SceneModule miscModule;

// The cylinder-light section's tile overlay over the first section (show time t).
void vohelRenderOverlay(float t, uint32_t* target);
