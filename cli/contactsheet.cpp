// gvs-tool contact-sheet OUT.png [--at middle|start|end]: one thumbnail of every
// section of the show and of the single-scene mode at one moment of its window,
// each labelled with its name and time, on one PNG picture.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "forge/canvas.hpp"
#include "scenes/sections.hpp"
#include "show/show.hpp"
#include "cli/args.hpp"
#include "cli/commands.hpp"
#include "cli/png.hpp"
#include "video/display.hpp"

namespace {

const char* kHelp =
    "Usage: gvs-tool contact-sheet OUT.png [--at middle|start|end] [--data-root ROOT]\n\n"
    "Renders every section of the show (the table of sections) and the single-scene\n"
    "mode (one loop of 2655 units) at one moment of its window and writes the\n"
    "thumbnails, labelled with the section's name and SceneTime (and minutes:seconds\n"
    "of music), as one PNG picture.\n\n"
    "  --at middle   the middle of each window (default)\n"
    "  --at start    one bar (221.25 units) after the window opens\n"
    "  --at end      one bar before the window closes\n"
    "  --data-root ROOT  the folder that holds 'data' (default as for render)\n\n"
    "Where that moment shows no picture (nearly all black, a white flash, or the flat\n"
    "colour of a fade), the thumbnail is taken a quarter bar later, again and again (earlier with\n"
    "--at end); the label gives the time used. Each section is rendered for a second\n"
    "before its moment, as the show would have, so its trails are where they would be.\n";

enum class Moment { Start, Middle, End };

// The single-scene mode loops its animation every 2655 units (12 bars).
constexpr double kSingleSceneLoop = 2655.0;
// Before the moment each section renders this much of its window at 30 frames per second.
constexpr double kRunUp = 120.0;
constexpr double kRunUpStep = 4.0;

constexpr int kThumbWidth = 160;
constexpr int kThumbHeight = 100;
constexpr int kColumns = 4;
constexpr int kMargin = 8;
constexpr int kLabelHeight = 30;
constexpr int kTitleHeight = 28;

double momentIn(double start, double end, Moment at) {
  const double bar = double(kSceneTimePerBar);
  switch (at) {
    case Moment::Start: return start + bar;
    case Moment::End: return end - bar;
    case Moment::Middle: break;
  }
  return (start + end) / 2;
}

// Renders tile i (the single-scene mode after the sections) at SceneTime t, after
// the run-up from at most kRunUp before it (not before its window opens).
void renderTile(int i, double windowStart, double t) {
  for (double u = std::max(windowStart, t - kRunUp);; u += kRunUpStep) {
    const float frameTime = float(std::min(u, t));
    if (i == kShowSectionCount)
      miscModule.render(frameTime, frameBuffer);
    else
      timelineStep(frameTime, frameBuffer);
    if (u >= t) break;
  }
}

// A picture rather than black, a white flash or the flat colour of a fade: not
// nearly all dark, not largely blown out, and its brightness varies.
bool showsPicture(const uint32_t* frame) {
  int dark = 0, blown = 0;
  double sum = 0, squares = 0;
  for (int i = 0; i < 320 * 200; ++i) {
    const uint32_t p = frame[i];
    const double luma = 0.299 * double((p >> 16) & 0xFF) + 0.587 * double((p >> 8) & 0xFF) + 0.114 * double(p & 0xFF);
    dark += luma < 12.0;
    blown += luma > 240.0;
    sum += luma;
    squares += luma * luma;
  }
  const double mean = sum / 64000.0;
  const double deviation = std::sqrt(std::max(squares / 64000.0 - mean * mean, 0.0));
  return dark <= 64000 * 9 / 10 && blown <= 64000 / 4 && deviation >= 12.0;
}

// The 320 x 200 frame halved, each thumbnail pixel the mean of four.
void drawThumbnail(Canvas& sheet, int left, int top, const uint32_t* frame) {
  for (int y = 0; y < kThumbHeight; ++y)
    for (int x = 0; x < kThumbWidth; ++x) {
      int sum[3] = {0, 0, 0};
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
          const uint32_t p = frame[(2 * y + dy) * 320 + 2 * x + dx];
          for (int c = 0; c < 3; ++c) sum[c] += int((p >> (8 * c)) & 0xFF);
        }
      sheet.at(left + x, top + y) = uint32_t((sum[0] + 2) / 4) | (uint32_t((sum[1] + 2) / 4) << 8) |
                                    (uint32_t((sum[2] + 2) / 4) << 16);
    }
}

std::string timeLabel(double t) {
  const double seconds = t / kSceneTimePerSecond;
  char buf[64];
  std::snprintf(buf, sizeof buf, "t %.0f  (%d:%04.1f)", t, int(seconds) / 60, std::fmod(seconds, 60.0));
  return buf;
}

int run(int argc, char** argv) {
  const char* out = nullptr;
  const char* dataRoot = nullptr;
  Moment at = Moment::Middle;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (!std::strcmp(a, "--at")) {
      if (v && !std::strcmp(v, "middle"))
        at = Moment::Middle;
      else if (v && !std::strcmp(v, "start"))
        at = Moment::Start;
      else if (v && !std::strcmp(v, "end"))
        at = Moment::End;
      else
        return argumentError("contact-sheet", "--at needs middle, start or end");
      ++i;
    } else if (!std::strcmp(a, "--data-root")) {
      if (!v) return argumentError("contact-sheet", "--data-root needs a folder");
      dataRoot = v, ++i;
    } else if (a[0] == '-' && a[1] != 0) {
      return argumentError("contact-sheet", "unknown option ", a);
    } else if (out) {
      return argumentError("contact-sheet", "only one picture, please: ", a);
    } else {
      out = a;
    }
  }
  if (!out) return argumentError("contact-sheet", "the picture to write is missing");
  if (!startHeadless(dataRoot, "contact-sheet")) return 1;

  const int tileCount = kShowSectionCount + 1;
  const int rows = (tileCount + kColumns - 1) / kColumns;
  Canvas sheet(kColumns * kThumbWidth + (kColumns + 1) * kMargin,
               kTitleHeight + rows * (kThumbHeight + kLabelHeight) + rows * kMargin, rgb(16, 16, 20));
  const char* momentName = at == Moment::Start ? "one bar into" : at == Moment::End ? "one bar before the end of"
                                                                                    : "the middle of";
  const std::string title = std::string("GVS: every section at ") + momentName + " its window";
  if (!drawText(sheet, Font::SansBold, 14, kMargin, 19, title, rgb(230, 230, 230))) return 1;

  loadAllScenes();
  miscModule.load();
  for (int i = 0; i < tileCount; ++i) {
    const bool single = i == kShowSectionCount;
    const double start = single ? 0.0 : double(sectionStart(i));
    const double end = single ? kSingleSceneLoop : double(sectionEnd(i));
    // The chosen moment, or the nearest quarter bar from it (onward, or back from
    // the end) that shows a picture.
    const double step = (at == Moment::End ? -1.0 : 1.0) * double(kSceneTimePerBar) / 4;
    const double nominal = momentIn(start, end, at);
    double t = nominal;
    for (;;) {
      renderTile(i, start, t);
      if (showsPicture(frameBuffer)) break;
      const double next = t + step;
      if (next < start || next >= end) {
        renderTile(i, start, nominal);
        t = nominal;
        break;
      }
      t = next;
    }
    const int left = kMargin + (i % kColumns) * (kThumbWidth + kMargin);
    const int top = kTitleHeight + (i / kColumns) * (kThumbHeight + kLabelHeight + kMargin);
    drawThumbnail(sheet, left, top, frameBuffer);
    const std::string name = single ? "misc (single scene)" : kShowSections[i].module->name;
    drawText(sheet, Font::SansBold, 11, left, top + kThumbHeight + 13, name, rgb(240, 240, 240));
    drawText(sheet, Font::Sans, 10, left, top + kThumbHeight + 26, timeLabel(t), rgb(170, 170, 180));
  }
  miscModule.release();
  releaseAllScenes();

  std::vector<uint32_t> pixels(sheet.px.begin(), sheet.px.end());
  if (!writePng(out, pixels.data(), sheet.w, sheet.h)) {
    std::fprintf(stderr, "gvs-tool contact-sheet: cannot write %s\n", out);
    return 1;
  }
  std::fprintf(stderr, "wrote %s (%d x %d, %d thumbnails)\n", out, sheet.w, sheet.h, tileCount);
  return 0;
}

}  // namespace

int contactSheetCommand(int argc, char** argv) { return run(argc, argv); }
