#include "tools/args.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "main/datapath.hpp"
#include "music/audiolib.hpp"
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
    initDataRoot(nullptr);
  std::error_code ec;
  if (!std::filesystem::is_directory(resolveDataPath("data"), ec)) {
    std::fprintf(stderr,
                 "gvs-tool %s: no data folder under '%s' (run 'gvs-tool forge' or pass --data-root DIR, "
                 "the folder that holds 'data')\n",
                 command, dataRoot().c_str());
    return false;
  }
  selectAudioBackend(AudioBackend::Stepped, 0);
  DisplayOptions headless;
  headless.headless = true;
  configureDisplay(headless);
  return openDisplay() == 0;
}
