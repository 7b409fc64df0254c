// Test support for the display: watching the headless pages and the failure report.
#pragma once
#include <cstdint>

// Called with each page the headless display presents; null to stop.
void setPresentObserver(void (*observer)(const uint32_t* page));
// Pages presented since the program started, by either backend.
uint64_t presentedFrameCount();
// The text the last failed set-up step showed: step + ": " + cause.
const char* displayFailureText();
