// Loading the sections, the main loop, the full show and the single-scene mode.
#include "show/show.hpp"

#include "audio/music.hpp"
#include "image/radialblur.hpp"
#include "show/loader.hpp"
#include "video/display.hpp"

namespace {
void renderTimeline(float t, uint32_t* frame) { timelineStep(t, frame); }
void renderMisc(float t, uint32_t* frame) { miscModule.render(t, frame); }
long double singleSceneClock() { return frameClockTime(); }

// Everything is loaded and the music opened: the music plays from `startTime` and
// the timeline follows it to the end; then everything is let go.
void playShow(long double startTime) {
  quitRequested = false;
  setMusicRate(kSceneTimePerSecond);
  if (startTime > 0) seekMusic(startTime);
  playMusic();
  runMainLoop(musicTime, renderTimeline);
  stopMusic();
  freeMusic();
  releaseLoaderPicture();
  releaseAllScenes();
}
}  // namespace

void loadAllScenes() {
  createRadialBlurTable();
  fillRadialBlurTable();
  for (int i = 0; i < kTimelineWindows; ++i) loadOrder()[i]->load();
}

void releaseAllScenes() {
  freeRadialBlurTable();
  for (int i = 0; i < kTimelineWindows; ++i) loadOrder()[i]->release();
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
  playShow(0);
}

void runFullShowFrom(long double startTime) {
  loadLoaderPicture();
  showLoaderAtOnce(frameBuffer);
  loadAllScenes();
  startMusic();
  hideLoaderAtOnce(frameBuffer);
  playShow(startTime);
}

void runSingleScene() {
  miscModule.load();
  quitRequested = false;
  resetFrameClock(kSceneTimePerSecond);
  runMainLoop(singleSceneClock, renderMisc);
  miscModule.release();
}
