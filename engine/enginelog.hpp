// The engine's log: one tagged line per call on standard output. With stop set the
// program ends with exit status 1 (exit handlers run); the show always passes
// stopOnFatal to the fatal level.
#pragma once
#include <string>

extern const bool stopOnFatal;

void logNote(const std::string& message, bool stop);
void logHint(const std::string& message, bool stop);
void logWarning(const std::string& message, bool stop);
void logFatal(const std::string& message, bool stop);
void logPanic(const std::string& message, bool stop);
void logDebug(const std::string& message, bool stop);
