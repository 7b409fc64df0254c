// The engine's log lines, and the stop on a fatal one.
#include "engine/enginelog.hpp"

#include <cstdio>

#include "base/ending.hpp"

const bool stopOnFatal = true;

namespace {

// Messages are length-prefixed strings of at most 255 characters in the engine.
void writeLogLine(const char* tag, const std::string& message, bool stop) {
  const std::string line = tag + message.substr(0, 255);
  if (stop) endProgram(line, LastWords::StandardOutput, 1);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

void logNote(const std::string& message, bool stop) { writeLogLine("VRX_NOTE: ", message, stop); }
void logHint(const std::string& message, bool stop) { writeLogLine("VRX_HINT: ", message, stop); }
void logWarning(const std::string& message, bool stop) {
  writeLogLine("VRX_WARNING: ", message, stop);
}
void logFatal(const std::string& message, bool stop) { writeLogLine("VRX_FATAL: ", message, stop); }
void logPanic(const std::string& message, bool stop) { writeLogLine("VRX_PANIC: ", message, stop); }
void logDebug(const std::string& message, bool stop) { writeLogLine("VRX_DEBUG: ", message, stop); }
