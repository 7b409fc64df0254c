// Small helpers for the gvs-tool commands' argument parsing.
#pragma once
#include <string>

// Parses a whole finite number; false when `text` is not one.
bool parseNumber(const char* text, double& out);
bool parseWhole(const char* text, long& out);

// Headless start for the offline commands: data root, memory display, no audio device.
// Returns false (with a message) when the data root has no data folder.
bool startHeadless(const char* dataRootOverride, const char* command);
