// gvs: plays the show full-screen, locked to its music.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "audio/playback.hpp"
#include "base/datapath.hpp"
#include "show/show.hpp"
#include "video/display.hpp"

namespace {
const char* kUsage =
    "Usage: gvs [--window] [--scale N] [--silent] [--help]\n"
    "\n"
    "Plays the Greyline Video System show full-screen, in time with its music.\n"
    "Escape or closing the window ends it early.\n"
    "\n"
    "  --window     show the picture in a window instead of the whole desktop\n"
    "  --scale N    window scale factor (default 3; implies nothing without --window)\n"
    "  --silent     open no audio device; the show runs on the clock at the music's pace\n"
    "  --help       print this help and exit\n"
    "\n"
    "The data set is read from ./data when the current directory holds one,\n"
    "otherwise from the data folder beside the executable, otherwise from\n"
    "../share/gvs/data beside the executable's folder (an installed gvs).\n";

int usageError(const char* what, const char* arg) {
  std::fprintf(stderr, "gvs: %s: %s\n\n%s", what, arg, kUsage);
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  DisplayOptions display;
  bool silent = false;
  const char* firstWord = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strncmp(a, "--", 2) != 0) {
      if (!firstWord) firstWord = a;
      continue;
    }
    if (!std::strcmp(a, "--help")) {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (!std::strcmp(a, "--window")) {
      display.windowed = true;
    } else if (!std::strcmp(a, "--silent")) {
      silent = true;
    } else if (!std::strcmp(a, "--scale")) {
      if (i + 1 >= argc) return usageError("missing value for", a);
      char* end = nullptr;
      long s = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || s < 1 || s > 16) return usageError("--scale takes a whole number from 1 to 16, not", argv[i]);
      display.scale = int(s);
    } else {
      return usageError("unknown option", a);
    }
  }

  initDataRoot();
  selectAudioBackend(silent ? AudioBackend::Silent : AudioBackend::Device);
  configureDisplay(display);
  if (openDisplay() != 0) return 1;  // already reported; a failed start is not a success

  const bool singleSceneMode = firstWord && std::strcmp(firstWord, kHiddenWord) == 0;
  if (singleSceneMode)
    runSingleScene();
  else
    runFullShow();
  closeDisplay();
  return 0;
}
