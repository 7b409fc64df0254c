// Error messages (box or standard error) and ending the program early.
#include "base/ending.hpp"

#include <cstdio>
#include <cstdlib>

namespace {
ErrorBoxFunction gErrorBox = nullptr;
}

void installErrorBox(ErrorBoxFunction box) { gErrorBox = box; }

void showErrorMessage(const char* caption, const char* text) {
  if (gErrorBox && gErrorBox(caption, text)) return;
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
}

void endProgram(const std::string& message, LastWords where, int status, ExitHandlers handlers) {
  if (where == LastWords::StandardOutput) {
    std::fwrite(message.data(), 1, message.size(), stdout);
    std::fputc('\n', stdout);
  } else {
    showErrorMessage(kShowCaption, message.c_str());
  }
  std::fflush(stdout);
  if (handlers == ExitHandlers::Skip) std::_Exit(status);
  std::exit(status);
}
