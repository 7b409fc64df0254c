// Argument helpers shared by the gvs-tool commands and their headless start.
#include "cli/args.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "base/datapath.hpp"
#include "audio/playback.hpp"
#include "cli/scenefile.hpp"
#include "video/display.hpp"

bool parseNumber(const char* text, double& out) {
  if (!text || !*text) return false;
  char* end = nullptr;
  out = std::strtod(text, &end);
  return *end == '\0' && std::isfinite(out);
}

bool parseWhole(const char* text, long& out) {
  if (!text || !*text) return false;
  char* end = nullptr;
  out = std::strtol(text, &end, 10);
  return *end == '\0';
}

bool startHeadless(const char* dataRootOverride, const char* command) {
  if (dataRootOverride)
    setDataRoot(dataRootOverride);
  else
    initDataRoot();
  std::error_code ec;
  if (!std::filesystem::is_directory(resolveDataPath("data"), ec)) {
    if (dataRootOverride)
      std::fprintf(stderr, "gvs-tool %s: no data folder under '%s' (--data-root names the folder that holds 'data')\n",
                   command, dataRoot().c_str());
    else
      std::fprintf(stderr,
                   "gvs-tool %s: no data folder here, in '%s' or in '%s/../share/gvs' (run 'gvs-tool forge DIR/data' "
                   "or pass --data-root DIR, the folder that holds 'data')\n",
                   command, executableDirectory().c_str(), executableDirectory().c_str());
    return false;
  }
  selectAudioBackend(AudioBackend::Stepped, 0);
  DisplayOptions headless;
  headless.headless = true;
  configureDisplay(headless);
  return openDisplay() == 0;
}

int argumentError(const char* command, const char* message, const char* arg) {
  std::fprintf(stderr, "gvs-tool %s: %s%s (see --help)\n", command, message, arg);
  return 2;
}

namespace {
OptionResult badOption(const char* command, const char* message) {
  argumentError(command, message);
  return OptionResult::Failed;
}
}  // namespace

OptionResult parseShowRangeOption(const char* command, const char* arg, const char* value, int& i,
                                  ShowRangeArgs& out) {
  if (!std::strcmp(arg, "--from")) {
    if (!parseNumber(value, out.from)) return badOption(command, "--from needs a number");
    out.haveFrom = true;
  } else if (!std::strcmp(arg, "--to")) {
    if (!parseNumber(value, out.to)) return badOption(command, "--to needs a number");
    out.haveTo = true;
  } else if (!std::strcmp(arg, "--fps")) {
    if (!parseNumber(value, out.fps) || out.fps <= 0)
      return badOption(command, "--fps needs a positive number");
    out.haveFps = true;
  } else if (!std::strcmp(arg, "--data-root")) {
    if (!value) return badOption(command, "--data-root needs a folder");
    out.dataRoot = value;
  } else {
    return OptionResult::Unknown;
  }
  ++i;
  return OptionResult::Taken;
}

int parseSceneFileArgs(const char* command, int argc, char** argv, void (*usage)(FILE*),
                       const OwnOptionParser& own, SceneFileArgs& out) {
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
      usage(stdout);
      return 0;
    }
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (!std::strcmp(a, "--frame") && value) {
      if (!parseFrameArgument(command, argv[++i], out.frame)) return 2;
      continue;
    }
    if (!std::strcmp(a, "--camera") && value) {
      if (!parseCameraArgument(command, argv[++i], out.camera)) return 2;
      out.cameraGiven = true;
      continue;
    }
    OptionResult r = own(a, value, i);
    if (r == OptionResult::Failed) return 2;
    if (r == OptionResult::Taken) continue;
    if (a[0] == '-' && a[1] != 0) {
      std::fprintf(stderr, "gvs-tool %s: unknown or incomplete option '%s'\n\n", command, a);
      usage(stderr);
      return 2;
    }
    if (out.file) {
      std::fprintf(stderr, "gvs-tool %s: only one file, please ('%s')\n", command, a);
      return 2;
    }
    out.file = a;
  }
  if (!out.file) {
    usage(stderr);
    return 2;
  }
  return -1;
}
