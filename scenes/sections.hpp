// The show's sections in one table: where each one's window lies on the timeline,
// counted in bars of the music, when it loads, and what it shows. The timeline, the
// bench, the music score and the tests all read it.
#pragma once
#include <cstdint>

#include "scenes/section.hpp"

// SceneTime runs at 120 units per second of music. One bar of the music (130.17
// beats per minute, four beats) is 221.25 units, so every bar line is a whole or
// quarter unit and exact in any floating-point type.
constexpr int kSceneTimePerSecond = 120;
constexpr long double kSceneTimePerBar = 221.25L;
constexpr long double barTime(int bar) { return bar * kSceneTimePerBar; }

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

struct ShowSection {
  const SceneModule* module;
  int firstBar;  // its window opens at barTime(firstBar)...
  int lastBar;   // ...and its music ends with this bar; the next section opens on the bar after
  int loadRank;  // its place in the order the sections load and release, 0 first
  const char* description;
};

// In the order of their windows on the timeline.
inline constexpr ShowSection kShowSections[] = {
    {&boxModule, 0, 15, 0, "logo scene (intro)"},
    {&vohelModule, 16, 27, 1, "cylinder light"},
    {&matrixModule, 28, 35, 2, "matrix room"},
    {&hyperModule, 36, 47, 3, "glowing hyper scene"},
    {&sphereModule, 48, 55, 4, "sphere flight"},
    {&boxboxModule, 56, 63, 8, "marching boxes"},
    {&csapokModule, 64, 71, 9, "greetings"},
    {&blobsModule, 72, 75, 7, "metaball tunnel"},
    {&metaboxModule, 76, 79, 10, "metaball box"},
    {&bogyoModule, 80, 87, 6, "glowing scene"},
    {&kockaModule, 88, 95, 11, "cubes"},
    {&forgoModule, 96, 103, 5, "final scene"},
    {&endscrnModule, 104, 109, 12, "end screen (outro)"},
};
constexpr int kShowSectionCount = int(sizeof kShowSections / sizeof kShowSections[0]);

// The first window also shows the cylinder-light section's overlay from this bar on
// (SceneTime 2655), over its own section.
constexpr int kOverlayBar = 12;
constexpr const char* kOverlayDescription = "light overlay";
using OverlayRender = void (*)(float t, uint32_t* target);
extern const OverlayRender kFirstWindowOverlay;

// The last window closes at 24400, a little after the music's last bar; the timeline
// ends the show once SceneTime passes 24500.
constexpr long double kLastWindowEnd = 24400.0L;
constexpr long double kShowEnd = 24500.0L;

// Section i's window: sectionStart(i) <= t < sectionEnd(i).
constexpr long double sectionStart(int i) { return barTime(kShowSections[i].firstBar); }
constexpr long double sectionEnd(int i) {
  return i + 1 < kShowSectionCount ? sectionStart(i + 1) : kLastWindowEnd;
}

// The single-scene mode's module, which has no window: it renders until the window
// closes. The bench measures it over this many bars.
extern const SceneModule miscModule;
constexpr int kSingleSceneBenchBars = 12;
