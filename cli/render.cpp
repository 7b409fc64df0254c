// gvs-tool render: the show's timeline (or the single-scene mode) rendered
// offline, frame after frame, into numbered PNG pages.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "show/show.hpp"
#include "cli/args.hpp"
#include "cli/commands.hpp"
#include "cli/png.hpp"
#include "video/display.hpp"

namespace {
const char* kHelp =
    "Usage: gvs-tool render --from T0 --to T1 --fps F --out DIR [--single-scene] [--data-root ROOT]\n\n"
    "Renders SceneTime T0 + k * 120 / F for k = 0, 1, ... while below T1, every frame in\n"
    "order, on the headless display, and writes each 320 x 240 page as\n"
    "DIR/frame_000000.png, frame_000001.png, ... No loader fades and no audio.\n\n"
    "  --single-scene   render the single-scene mode's scene instead of the show\n"
    "  --data-root ROOT the folder that holds 'data' (default: ./ when it has one,\n"
    "                   else the folder of gvs-tool)\n";

int fail(const char* msg, const char* arg = "") { return argumentError("render", msg, arg); }

int run(int argc, char** argv) {
  ShowRangeArgs range;
  bool single = false;
  const char* out = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    OptionResult shared = parseShowRangeOption("render", a, v, i, range);
    if (shared == OptionResult::Failed) return 2;
    if (shared == OptionResult::Taken) continue;
    if (!std::strcmp(a, "--help")) {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (!std::strcmp(a, "--single-scene")) {
      single = true;
    } else if (!std::strcmp(a, "--out")) {
      if (!v) return fail("--out needs a folder");
      out = v, ++i;
    } else {
      return fail("unknown argument ", a);
    }
  }
  if (!range.haveFrom || !range.haveTo || !range.haveFps || !out)
    return fail("--from, --to, --fps and --out are required");
  const double from = range.from, to = range.to, fps = range.fps;
  if (to < from) return fail("--to must not be below --from");
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  if (ec) return fail("cannot create the output folder ", out);
  if (!startHeadless(range.dataRoot, "render")) return 1;

  const SceneModule& misc = miscModule;
  if (single)
    misc.load();
  else
    loadAllScenes();
  const long total = long((to - from) * fps / kSceneTimePerSecond) + 1;
  char name[64];
  long k = 0;
  for (;; ++k) {
    double t = from + double(k) * kSceneTimePerSecond / fps;
    if (!(t < to)) break;
    if (single)
      misc.render(float(t), frameBuffer);
    else
      timelineStep(float(t), frameBuffer);
    presentFrame();
    std::snprintf(name, sizeof name, "/frame_%06ld.png", k);
    if (!writePng(std::string(out) + name, presentedPage(), kPageWidth, kPageHeight)) {
      std::fprintf(stderr, "gvs-tool render: cannot write %s%s\n", out, name);
      return 1;
    }
    if ((k + 1) % 100 == 0) std::fprintf(stderr, "rendered %ld of about %ld frames (t = %.1f)\n", k + 1, total, t);
  }
  if (single)
    misc.release();
  else
    releaseAllScenes();
  std::fprintf(stderr, "rendered %ld frames into %s\n", k, out);
  return 0;
}

}  // namespace

int renderCommand(int argc, char** argv) { return run(argc, argv); }
