// gvs-tool render: the show's timeline (or the single-scene mode) rendered
// offline, frame after frame, into numbered PNG pages or into an MP4 video with
// the music, encoded by ffmpeg.
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "audio/music.hpp"
#include "base/datapath.hpp"
#include "show/show.hpp"
#include "cli/args.hpp"
#include "cli/commands.hpp"
#include "cli/png.hpp"
#include "cli/progress.hpp"
#include "cli/videofile.hpp"
#include "video/display.hpp"

namespace {
const char* kHelp =
    "Usage: gvs-tool render --from T0 --to T1 --fps F (--out DIR | --video FILE.mp4 [--scale N])\n"
    "                       [--single-scene] [--data-root ROOT]\n\n"
    "Renders SceneTime T0 + k * 120 / F for k = 0, 1, ... while below T1, every frame in\n"
    "order, on the headless display (no loader fades, no audio device).\n\n"
    "  --out DIR        write each 320 x 240 page as DIR/frame_000000.png, frame_000001.png, ...\n"
    "  --video FILE     stream the pages to ffmpeg (Debian's, found on PATH) for one MP4 file:\n"
    "                   H.264 in yuv420p at F frames per second, each page enlarged N times\n"
    "                   nearest-neighbour, with the music muxed in (AAC) so that the sound at\n"
    "                   video time k / F is the music at SceneTime T0 + k * 120 / F, as in the\n"
    "                   show. ffmpeg writes a hidden file beside FILE, renamed to FILE once\n"
    "                   the encode has succeeded; on any failure nothing is left under FILE.\n"
    "                   The whole show: --from 0 --to 24500 --fps 60.\n"
    "  --scale N        the enlargement of --video, 1 to 8 (default 4: 1280 x 960)\n"
    "  --single-scene   render the single-scene mode's scene instead of the show (it has no\n"
    "                   music, so its video has no sound)\n"
    "  --data-root ROOT the folder that holds 'data' (default: the current folder when it\n"
    "                   has one, else the folder of gvs-tool, else ../share/gvs beside it)\n\n"
    "A progress line (frames done, frames per second, time left) is shown on standard\n"
    "error when it is a terminal.\n";

int fail(const char* msg, const char* arg = "") { return argumentError("render", msg, arg); }

double cpuSeconds() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec) + double(usage.ru_utime.tv_usec) / 1e6 + double(usage.ru_stime.tv_sec) +
         double(usage.ru_stime.tv_usec) / 1e6;
}

int run(int argc, char** argv) {
  ShowRangeArgs range;
  bool single = false;
  const char* out = nullptr;
  const char* video = nullptr;
  long scale = 4;
  bool haveScale = false;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    OptionResult shared = parseShowRangeOption("render", a, v, i, range);
    if (shared == OptionResult::Failed) return 2;
    if (shared == OptionResult::Taken) continue;
    if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (!std::strcmp(a, "--single-scene")) {
      single = true;
    } else if (!std::strcmp(a, "--out")) {
      if (!v) return fail("--out needs a folder");
      out = v, ++i;
    } else if (!std::strcmp(a, "--video")) {
      if (!v) return fail("--video needs a file name");
      video = v, ++i;
    } else if (!std::strcmp(a, "--scale")) {
      if (!parseWhole(v, scale) || scale < 1 || scale > 8) return fail("--scale needs a whole number from 1 to 8");
      haveScale = true, ++i;
    } else {
      return fail("unknown argument ", a);
    }
  }
  if (!range.haveFrom || !range.haveTo || !range.haveFps || (!out && !video))
    return fail("--from, --to, --fps and one of --out or --video are required");
  if (out && video) return fail("--out and --video do not go together");
  if (haveScale && !video) return fail("--scale goes with --video");
  const double from = range.from, to = range.to, fps = range.fps;
  if (!(to > from)) {
    // Not a malformed command line but a range with nothing in it.
    std::fprintf(stderr, "gvs-tool render: --to (%g) must be after --from (%g); nothing rendered\n", to, from);
    return 1;
  }
  const double frames = std::ceil((to - from) * fps / kSceneTimePerSecond);
  if (!(frames < 1e8)) return fail("the range holds too many frames at that --fps");
  // Exactly the frames whose time is below --to.
  long total = std::max(long(frames) - 1, 0L);
  while (from + double(total) * kSceneTimePerSecond / fps < to) ++total;

  if (out) {
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    if (ec) {
      std::fprintf(stderr, "gvs-tool render: cannot create the output folder %s: %s\n", out, ec.message().c_str());
      return 1;
    }
  }
  if (!startHeadless(range.dataRoot, "render")) return 1;
  VideoSettings settings;
  if (video) {
    settings.path = video;
    settings.width = kPageWidth;
    settings.height = kPageHeight;
    settings.fps = fps;
    settings.scale = int(scale);
    settings.frameCount = total;
    if (!single) {
      settings.musicFile = resolveDataPath(kMusicFile);
      std::error_code ec;
      if (!std::filesystem::is_regular_file(settings.musicFile, ec)) {
        std::fprintf(stderr, "gvs-tool render: no music at %s; no video written\n", settings.musicFile.c_str());
        return 1;
      }
      // SceneTime runs at 120 units per second of music, 44100 samples.
      settings.musicStartSample = std::llround(from / kSceneTimePerSecond * 44100.0);
    }
  }

  const SceneModule& misc = miscModule;
  if (single)
    misc.load();
  else
    loadAllScenes();
  if (video && !openVideo(settings, "render")) return 1;

  ProgressLine progress;
  startProgress(progress, total);
  const double cpuBefore = cpuSeconds();
  char name[64];
  for (long k = 0; k < total; ++k) {
    const double t = from + double(k) * kSceneTimePerSecond / fps;
    if (single)
      misc.render(float(t), frameBuffer);
    else
      timelineStep(float(t), frameBuffer);
    presentFrame();
    if (video) {
      if (!writeVideoFrame(presentedPage())) {
        endProgress(progress);
        return 1;
      }
    } else {
      std::snprintf(name, sizeof name, "/frame_%06ld.png", k);
      if (!writePng(std::string(out) + name, presentedPage(), kPageWidth, kPageHeight)) {
        endProgress(progress);
        std::fprintf(stderr, "gvs-tool render: cannot write %s%s\n", out, name);
        return 1;
      }
    }
    updateProgress(progress, k + 1);
  }
  const double ownCpu = cpuSeconds() - cpuBefore;
  if (video && !closeVideo()) {
    endProgress(progress);
    return 1;
  }
  endProgress(progress);
  if (single)
    misc.release();
  else
    releaseAllScenes();
  const double seconds = progressSeconds(progress);
  if (video) {
    const VideoTimes times = lastVideoTimes();
    std::fprintf(stderr,
                 "rendered %ld frames into %s in %.1f s (%.1f frames/s); gvs-tool used %.1f s of processor time "
                 "and waited %.1f s for ffmpeg, ffmpeg used %.1f s\n",
                 total, video, seconds, double(total) / seconds, ownCpu, times.waitSeconds, times.encoderCpuSeconds);
  } else {
    std::fprintf(stderr, "rendered %ld frames into %s in %.1f s\n", total, out, seconds);
  }
  return 0;
}

}  // namespace

int renderCommand(int argc, char** argv) { return run(argc, argv); }
