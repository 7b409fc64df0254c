// The checks that keep the table of sections one piece, and the overlay it names.
#include "scenes/sections.hpp"

#include "scenes/vohel.hpp"

namespace {
constexpr bool windowsFollowBarByBar() {
  if (kShowSections[0].firstBar != 0) return false;
  for (int i = 0; i < kShowSectionCount; ++i) {
    if (kShowSections[i].lastBar < kShowSections[i].firstBar) return false;
    if (i + 1 < kShowSectionCount && kShowSections[i + 1].firstBar != kShowSections[i].lastBar + 1) return false;
  }
  // The last window ends in the bar after its music, before the show does.
  const int afterLast = kShowSections[kShowSectionCount - 1].lastBar + 1;
  return barTime(afterLast) <= kLastWindowEnd && kLastWindowEnd < barTime(afterLast + 1) && kLastWindowEnd < kShowEnd;
}
static_assert(windowsFollowBarByBar(), "the windows follow each other bar by bar from bar 0");

constexpr bool loadRanksAreAnOrder() {
  for (int rank = 0; rank < kShowSectionCount; ++rank) {
    int holders = 0;
    for (const ShowSection& s : kShowSections) holders += s.loadRank == rank;
    if (holders != 1) return false;
  }
  return true;
}
static_assert(loadRanksAreAnOrder(), "every load rank from 0 is held by exactly one section");

static_assert(barTime(kOverlayBar) > sectionStart(0) && barTime(kOverlayBar) < sectionEnd(0),
              "the overlay starts inside the first window");
}  // namespace

const OverlayRender kFirstWindowOverlay = vohelRenderOverlay;
