// The progress line of long offline runs: frames done of the total, frames per
// second and the time left, rewritten in place on standard error when standard
// error is a terminal, silent otherwise.
#pragma once

struct ProgressLine {
  long total = 0;
  bool terminal = false;
  double startMs = 0;
  double lastShownMs = -1e9;
  bool shown = false;
};

void startProgress(ProgressLine& p, long total);
// Shows the line at most a few times a second.
void updateProgress(ProgressLine& p, long done);
// Ends the line (when one was shown) so the next message starts on its own line.
void endProgress(ProgressLine& p);
// Seconds since startProgress.
double progressSeconds(const ProgressLine& p);
