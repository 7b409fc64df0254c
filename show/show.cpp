#include "show/show.hpp"

#include "show/loader.hpp"
#include "image/radialblur.hpp"
#include "audio/music.hpp"
#include "video/display.hpp"

bool quitRequested = false;
bool singleSceneMode = false;

namespace {
const TimelineWindow kWindows[kTimelineWindows] = {
    {&boxModule, 0.0L, 3540.0L},        {&vohelModule, 3540.0L, 6195.0L},   {&matrixModule, 6195.0L, 7965.0L},
    {&hyperModule, 7965.0L, 10620.0L},  {&sphereModule, 10620.0L, 12390.0L}, {&boxboxModule, 12390.0L, 14160.0L},
    {&csapokModule, 14160.0L, 15930.0L}, {&blobsModule, 15930.0L, 16815.0L},  {&metaboxModule, 16815.0L, 17700.0L},
    {&bogyoModule, 17700.0L, 19470.0L},  {&kockaModule, 19470.0L, 21240.0L},  {&forgoModule, 21240.0L, 23010.0L},
    {&endscrnModule, 23010.0L, 24400.0L},
};

const SceneModule* const kLoadOrder[kTimelineWindows] = {
    &boxModule,    &vohelModule,  &matrixModule, &hyperModule,   &sphereModule, &forgoModule,  &bogyoModule,
    &blobsModule, &boxboxModule, &csapokModule, &metaboxModule, &kockaModule,  &endscrnModule,
};

void renderTimeline(float t, uint32_t* frame) { timelineStep(t, frame); }
void renderMisc(float t, uint32_t* frame) { miscModule.render(t, frame); }
long double singleSceneClock() { return frameClockTime(); }
}  // namespace

const TimelineWindow* timelineWindows() { return kWindows; }
const SceneModule* const* loadOrder() { return kLoadOrder; }

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
  if (dispatchTimeline(kWindows, kTimelineWindows, vohelRenderOverlay, t, frame)) quitRequested = true;
}

void loadAllScenes() {
  createRadialBlurTable();
  fillRadialBlurTable();
  for (const SceneModule* m : kLoadOrder) m->load();
}

void releaseAllScenes() {
  freeRadialBlurTable();
  for (const SceneModule* m : kLoadOrder) m->release();
}

void runMainLoop(TimeSource time, void (*render)(float t, uint32_t* frame)) {
  for (;;) {
    if (pumpMessages()) quitRequested = true;
    if (quitRequested) break;
    float t = float(time());
    render(t, frameBuffer);
    presentFrame();
  }
}

void runFullShow() {
  loadLoaderPicture();
  fadeInLoader(frameBuffer);
  loadAllScenes();
  startMusic();
  fadeOutLoader(frameBuffer);
  quitRequested = false;
  setMusicRate(120);
  playMusic();
  runMainLoop(musicTime, renderTimeline);
  stopMusic();
  freeMusic();
  releaseLoaderPicture();
  releaseAllScenes();
}

void runSingleScene() {
  miscModule.load();
  quitRequested = false;
  resetFrameClock(120);
  runMainLoop(singleSceneClock, renderMisc);
  miscModule.release();
}
