// The progress line on a terminal's standard error.
#include "cli/progress.hpp"

#include <unistd.h>

#include <cstdio>

#include "base/clock.hpp"

void startProgress(ProgressLine& p, long total) {
  p.total = total;
  p.terminal = isatty(STDERR_FILENO) == 1;
  p.startMs = preciseMilliseconds();
  p.lastShownMs = -1e9;
  p.shown = false;
}

void updateProgress(ProgressLine& p, long done) {
  if (!p.terminal) return;
  const double now = preciseMilliseconds();
  if (now - p.lastShownMs < 250.0 && done < p.total) return;
  p.lastShownMs = now;
  const double seconds = (now - p.startMs) / 1000.0;
  const double fps = seconds > 0 ? double(done) / seconds : 0.0;
  char left[32] = "--:--";
  if (fps > 0) {
    const long s = long(double(p.total - done) / fps + 0.5);
    std::snprintf(left, sizeof left, "%ld:%02ld", s / 60, s % 60);
  }
  std::fprintf(stderr, "\r\033[Kframe %ld of %ld (%.0f%%), %.1f frames/s, %s left", done, p.total,
               p.total > 0 ? 100.0 * double(done) / double(p.total) : 100.0, fps, left);
  std::fflush(stderr);
  p.shown = true;
}

void endProgress(ProgressLine& p) {
  if (p.shown) std::fputc('\n', stderr);
  p.shown = false;
}

double progressSeconds(const ProgressLine& p) { return (preciseMilliseconds() - p.startMs) / 1000.0; }
