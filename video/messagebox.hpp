// Error message boxes. Where no box can be shown (no display, or a headless
// run) the same text goes to standard error.
#pragma once

constexpr const char* kShowCaption = "Greyline Video System";

// When false (headless tools and tests), boxes are never attempted.
void enableMessageBoxes(bool enabled);
void showErrorBox(const char* caption, const char* text);
