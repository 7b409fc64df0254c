// gvs-tool bench: how fast each section renders, one thread, headless.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "show/show.hpp"
#include "base/clock.hpp"
#include "cli/args.hpp"
#include "cli/commands.hpp"
#include "video/display.hpp"

namespace {
void printHelp() {
  // The names of the sections, wrapped under the option's text.
  std::string names, line = "                 ";
  for (const ShowSection& s : kShowSections) {
    if (line.size() + std::strlen(s.module->name) > 76) names += line + "\n", line = "                 ";
    line += std::string(" ") + s.module->name + ",";
  }
  names += line + " " + miscModule.name;
  std::printf(
      "Usage: gvs-tool bench [--fps F] [--json] [--section NAME] [--from T0 --to T1] [--data-root ROOT]\n\n"
      "Renders every section's window of the show headlessly at F frames per second of\n"
      "SceneTime (default 60), writes nothing, and prints per section the frames rendered,\n"
      "milliseconds per frame (median and worst) and frames per second, then the whole show.\n"
      "The single-scene mode's scene is measured as '%s' over its first %d bars of SceneTime.\n\n"
      "  --json          print one JSON object instead of a table\n"
      "  --section NAME  measure only that section, one of\n%s\n"
      "  --from/--to     with --section: measure only that part of its window (show time)\n",
      miscModule.name, kSingleSceneBenchBars, names.c_str());
}

struct Result {
  std::string name;
  long frames = 0;
  double medianMs = 0, worstMs = 0, totalMs = 0;
  double fps() const { return totalMs > 0 ? frames * 1000.0 / totalMs : 0; }
};

Result measure(const char* name, double start, double end, double fps, bool misc, std::vector<double>& allMs) {
  Result r;
  r.name = name;
  std::vector<double> ms;
  for (long k = 0;; ++k) {
    double t = start + double(k) * kSceneTimePerSecond / fps;
    if (!(t < end)) break;
    const double t0 = preciseMilliseconds();
    if (misc)
      miscModule.render(float(t), frameBuffer);
    else
      timelineStep(float(t), frameBuffer);
    ms.push_back(preciseMilliseconds() - t0);
  }
  r.frames = long(ms.size());
  for (double m : ms) r.totalMs += m;
  allMs.insert(allMs.end(), ms.begin(), ms.end());
  if (!ms.empty()) {
    r.worstMs = *std::max_element(ms.begin(), ms.end());
    std::nth_element(ms.begin(), ms.begin() + long(ms.size() / 2), ms.end());
    r.medianMs = ms[ms.size() / 2];
  }
  return r;
}

void printJsonEntry(const Result& r) {
  std::printf("{\"name\":\"%s\",\"frames\":%ld,\"msPerFrame\":%.4f,\"worstMs\":%.4f,\"fps\":%.1f}", r.name.c_str(),
              r.frames, r.medianMs, r.worstMs, r.fps());
}

int fail(const char* msg, const char* arg = "") { return argumentError("bench", msg, arg); }

int run(int argc, char** argv) {
  ShowRangeArgs range;
  range.fps = 60;
  bool json = false;
  const char* only = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    OptionResult shared = parseShowRangeOption("bench", a, v, i, range);
    if (shared == OptionResult::Failed) return 2;
    if (shared == OptionResult::Taken) continue;
    if (!std::strcmp(a, "--help")) {
      printHelp();
      return 0;
    } else if (!std::strcmp(a, "--json")) {
      json = true;
    } else if (!std::strcmp(a, "--section")) {
      if (!v) return fail("--section needs a name");
      only = v, ++i;
    } else {
      return fail("unknown argument ", a);
    }
  }
  if ((range.haveFrom || range.haveTo) && !only) return fail("--from and --to need --section");
  const double fps = range.fps;

  struct Window {
    const char* name;
    double start, end;
    bool misc;
  };
  std::vector<Window> windows;
  for (int i = 0; i < kTimelineWindows; ++i) {
    const TimelineWindow& w = timelineWindows()[i];
    windows.push_back({w.module->name, double(w.start), double(w.end), false});
  }
  windows.push_back({miscModule.name, 0.0, double(barTime(kSingleSceneBenchBars)), true});
  if (only) {
    auto it = std::find_if(windows.begin(), windows.end(), [&](const Window& w) { return !std::strcmp(w.name, only); });
    if (it == windows.end()) return fail("unknown section ", only);
    Window w = *it;
    if (range.haveFrom) w.start = std::max(w.start, range.from);
    if (range.haveTo) w.end = std::min(w.end, range.to);
    windows = {w};
  }
  if (!startHeadless(range.dataRoot, "bench")) return 1;
  loadAllScenes();
  miscModule.load();

  std::vector<Result> results;
  std::vector<double> allMs;
  for (const Window& w : windows) {
    if (!json) std::fprintf(stderr, "measuring %s ...\n", w.name);
    results.push_back(measure(w.name, w.start, w.end, fps, w.misc, allMs));
  }
  Result total;
  total.name = "total";
  for (const Result& r : results) total.frames += r.frames, total.totalMs += r.totalMs;
  if (!allMs.empty()) {
    total.worstMs = *std::max_element(allMs.begin(), allMs.end());
    std::nth_element(allMs.begin(), allMs.begin() + long(allMs.size() / 2), allMs.end());
    total.medianMs = allMs[allMs.size() / 2];
  }
  miscModule.release();
  releaseAllScenes();

  if (json) {
    std::printf("{\"sections\":[");
    for (size_t i = 0; i < results.size(); ++i) {
      if (i) std::printf(",");
      printJsonEntry(results[i]);
    }
    std::printf("],\"total\":");
    printJsonEntry(total);
    std::printf("}\n");
  } else {
    std::printf("%-10s %8s %12s %10s %10s\n", "section", "frames", "median ms", "worst ms", "fps");
    for (const Result& r : results)
      std::printf("%-10s %8ld %12.4f %10.4f %10.1f\n", r.name.c_str(), r.frames, r.medianMs, r.worstMs, r.fps());
    std::printf("%-10s %8ld %12.4f %10.4f %10.1f\n", "total", total.frames, total.medianMs, total.worstMs, total.fps());
  }
  return 0;
}

}  // namespace

int benchCommand(int argc, char** argv) { return run(argc, argv); }
