#include "engine/enginelog.hpp"

#include <cstdio>
#include <cstdlib>

const bool stopOnFatal = true;

namespace {

// Messages are length-prefixed strings of at most 255 characters in the engine.
void writeLogLine(const char* tag, const std::string& message, bool stop) {
  const size_t length = message.size() < 255 ? message.size() : 255;
  std::fputs(tag, stdout);
  std::fwrite(message.data(), 1, length, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  if (stop) std::exit(1);
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
