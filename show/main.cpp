// gvs: plays the show full-screen, locked to its music.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "audio/playback.hpp"
#include "base/datapath.hpp"
#include "show/show.hpp"
#include "show/start.hpp"
#include "video/display.hpp"

namespace {
const char* kUsage =
    "Usage: gvs [--window] [--scale N] [--silent] [--start T] [--help]\n"
    "\n"
    "Plays the Greyline Video System show full-screen, in time with its music.\n"
    "Escape or closing the window ends it early.\n"
    "\n"
    "  --window     show the picture in a window instead of the whole desktop\n"
    "  --scale N    window scale factor (default 3; implies nothing without --window)\n"
    "  --silent     open no audio device; the show runs on the clock at the music's pace\n"
    "  --start T    start at SceneTime T (0 to 24500, 120 units per second of music) or\n"
    "               at the start of a section's window, T its name; no loader fades\n"
    "  --help       print this help and exit\n"
    "\n"
    "The data set is read from ./data when the current directory holds one,\n"
    "otherwise from the data folder beside the executable, otherwise from\n"
    "../share/gvs/data beside the executable's folder (an installed gvs).\n"
    "\n"
    "Sections (name, SceneTime its window opens at, what it shows):\n";

int usageError(const char* what, const char* arg) {
  std::fprintf(stderr, "gvs: %s: %s\n\n%s%s", what, arg, kUsage, sectionList().c_str());
  return 2;
}

int startError(const char* arg) {
  std::fprintf(stderr,
               "gvs: --start takes a SceneTime from 0 to 24500 or a section's name, not '%s'\n"
               "Sections (name, SceneTime its window opens at, what it shows):\n%s",
               arg, sectionList().c_str());
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  DisplayOptions display;
  bool silent = false;
  long double startTime = -1;  // none: the whole show with the loader's fades
  const char* firstWord = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strncmp(a, "--", 2) != 0) {
      if (!firstWord) firstWord = a;
      continue;
    }
    if (!std::strcmp(a, "--help")) {
      std::fputs(kUsage, stdout);
      std::fputs(sectionList().c_str(), stdout);
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
    } else if (!std::strcmp(a, "--start")) {
      if (i + 1 >= argc) return usageError("missing value for", a);
      if (!parseShowStart(argv[++i], startTime)) return startError(argv[i]);
    } else {
      return usageError("unknown option", a);
    }
  }

  initDataRoot();
  selectAudioBackend(silent ? AudioBackend::Silent : AudioBackend::Device);
  configureDisplay(display);
  if (openDisplay() != 0) return 1;  // already reported; a failed start is not a success

  const bool singleSceneMode = firstWord && std::strcmp(firstWord, kHiddenWord) == 0;
  // The single scene has no music to start part way through; it ignores --start.
  if (singleSceneMode)
    runSingleScene();
  else if (startTime >= 0)
    runFullShowFrom(startTime);
  else
    runFullShow();
  closeDisplay();
  return 0;
}
