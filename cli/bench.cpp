// gvs-tool bench: how fast each section renders, one thread, headless; how many
// heap allocations a frame makes, how long the sections take to load and how much
// memory the show takes at most.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "show/show.hpp"
#include "base/clock.hpp"
#include "cli/args.hpp"
#include "cli/commands.hpp"
#include "image/pixelops.hpp"
#include "video/display.hpp"

// --- the allocation counter --------------------------------------------------------
// Every heap allocation of the program is counted: malloc, calloc and realloc are
// replaced by ones that count and hand over to the C library's own allocator, which
// operator new uses too. Under AddressSanitizer, which owns malloc, operator new is
// replaced instead, so only the C++ allocations are counted there.
namespace {
std::atomic<uint64_t> gHeapAllocations{0};
inline void countAllocation() { gHeapAllocations.fetch_add(1, std::memory_order_relaxed); }
}  // namespace

#if defined(__SANITIZE_ADDRESS__)
#define GVS_COUNTS_OPERATOR_NEW 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GVS_COUNTS_OPERATOR_NEW 1
#endif
#endif

#ifdef GVS_COUNTS_OPERATOR_NEW
namespace {
void* countedNew(size_t n) {
  countAllocation();
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
}  // namespace
void* operator new(size_t n) { return countedNew(n); }
void* operator new[](size_t n) { return countedNew(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept {
  countAllocation();
  return std::malloc(n ? n : 1);
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept {
  countAllocation();
  return std::malloc(n ? n : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#else
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* malloc(size_t size) {
  countAllocation();
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
  countAllocation();
  return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size) {
  countAllocation();
  return __libc_realloc(block, size);
}
}
#endif

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
      "  --from/--to     with --section: measure only that part of its window (show time)\n\n"
      "'passes' is the median frame time as a multiple of one copy of a whole frame\n"
      "(copyFrame) measured in the same run; 'allocs/frame' counts the heap allocations a\n"
      "frame makes, which must be 0. The whole show also reports the time every section\n"
      "took to load and the largest resident memory of the run.\n",
      miscModule.name, kSingleSceneBenchBars, names.c_str());
}

struct Result {
  std::string name;
  long frames = 0;
  double medianMs = 0, worstMs = 0, totalMs = 0;
  uint64_t allocations = 0;
  double fps() const { return totalMs > 0 ? frames * 1000.0 / totalMs : 0; }
  double allocationsPerFrame() const { return frames > 0 ? double(allocations) / double(frames) : 0; }
};

// What a measured frame draws: a section's window of the timeline, the single-scene
// mode's scene, or (hidden, for the test of the counter) a frame that allocates.
enum class FrameKind { Timeline, SingleScene, AllocatingProbe };

// The probe's allocations escape through here, so the compiler cannot drop them.
void* volatile gProbeSink = nullptr;

void renderProbe(uint32_t* frame) {
  int* block = new int[64];
  block[0] = 1;
  gProbeSink = block;
  delete[] static_cast<int*>(gProbeSink);
  void* raw = std::malloc(256);
  gProbeSink = raw;
  std::free(gProbeSink);
  clearFrame(frame);
}

Result measure(const char* name, double start, double end, double fps, FrameKind kind, std::vector<double>& allMs) {
  Result r;
  r.name = name;
  std::vector<double> ms;
  ms.reserve(size_t(std::max(0.0, (end - start) * fps / kSceneTimePerSecond)) + 2);
  for (long k = 0;; ++k) {
    double t = start + double(k) * kSceneTimePerSecond / fps;
    if (!(t < end)) break;
    const uint64_t allocationsBefore = gHeapAllocations.load(std::memory_order_relaxed);
    const double t0 = preciseMilliseconds();
    switch (kind) {
      case FrameKind::Timeline: timelineStep(float(t), frameBuffer); break;
      case FrameKind::SingleScene: miscModule.render(float(t), frameBuffer); break;
      case FrameKind::AllocatingProbe: renderProbe(frameBuffer); break;
    }
    const double t1 = preciseMilliseconds();
    r.allocations += gHeapAllocations.load(std::memory_order_relaxed) - allocationsBefore;
    ms.push_back(t1 - t0);
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

// One copyFrame of a whole frame in milliseconds: the median of batches of copies
// between two buffers of their own, the unit the frame times are also given in.
double copyFrameMs() {
  std::vector<uint32_t> from(kFramePixels), to(kFramePixels);
  for (size_t i = 0; i < from.size(); ++i) from[i] = uint32_t(i * 2654435761u);
  constexpr int kBatches = 31, kCopies = 64;
  std::vector<double> perCopy;
  for (int b = 0; b < kBatches; ++b) {
    const double t0 = preciseMilliseconds();
    for (int c = 0; c < kCopies; ++c) {
      copyFrame(c & 1 ? to.data() : from.data(), c & 1 ? from.data() : to.data());
      gProbeSink = to.data();
    }
    perCopy.push_back((preciseMilliseconds() - t0) / kCopies);
  }
  std::nth_element(perCopy.begin(), perCopy.begin() + kBatches / 2, perCopy.end());
  return perCopy[kBatches / 2];
}

// The largest resident memory of the process so far, in megabytes.
double peakResidentMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;
}

struct ShowFigures {
  double copyMs = 0;
  double loadMs = 0;
  double peakRssMb = 0;
};

double passes(const Result& r, const ShowFigures& show) { return show.copyMs > 0 ? r.medianMs / show.copyMs : 0; }

void printJsonEntry(const Result& r, const ShowFigures& show) {
  std::printf(
      "{\"name\":\"%s\",\"frames\":%ld,\"msPerFrame\":%.4f,\"worstMs\":%.4f,\"fps\":%.1f,\"passes\":%.2f,"
      "\"allocsPerFrame\":%.3f",
      r.name.c_str(), r.frames, r.medianMs, r.worstMs, r.fps(), passes(r, show), r.allocationsPerFrame());
}

int fail(const char* msg, const char* arg = "") { return argumentError("bench", msg, arg); }

int run(int argc, char** argv) {
  ShowRangeArgs range;
  range.fps = 60;
  bool json = false, probe = false;
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
    } else if (!std::strcmp(a, "--allocating-probe")) {
      probe = true;  // not in the help: the test of the allocation counter
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
    FrameKind kind;
  };
  std::vector<Window> windows;
  for (int i = 0; i < kTimelineWindows; ++i) {
    const TimelineWindow& w = timelineWindows()[i];
    windows.push_back({w.module->name, double(w.start), double(w.end), FrameKind::Timeline});
  }
  windows.push_back({miscModule.name, 0.0, double(barTime(kSingleSceneBenchBars)), FrameKind::SingleScene});
  if (only) {
    auto it = std::find_if(windows.begin(), windows.end(), [&](const Window& w) { return !std::strcmp(w.name, only); });
    if (it == windows.end()) return fail("unknown section ", only);
    Window w = *it;
    if (range.haveFrom) w.start = std::max(w.start, range.from);
    if (range.haveTo) w.end = std::min(w.end, range.to);
    windows = {w};
  }
  if (probe) windows.push_back({"probe", 0.0, 1200.0, FrameKind::AllocatingProbe});
  if (!startHeadless(range.dataRoot, "bench")) return 1;
  ShowFigures show;
  const double loadStart = preciseMilliseconds();
  loadAllScenes();
  miscModule.load();
  show.loadMs = preciseMilliseconds() - loadStart;
  show.copyMs = copyFrameMs();

  std::vector<Result> results;
  results.reserve(windows.size());
  std::vector<double> allMs;
  for (const Window& w : windows) {
    if (!json) std::fprintf(stderr, "measuring %s ...\n", w.name);
    results.push_back(measure(w.name, w.start, w.end, fps, w.kind, allMs));
  }
  Result total;
  total.name = "total";
  for (const Result& r : results) total.frames += r.frames, total.totalMs += r.totalMs, total.allocations += r.allocations;
  if (!allMs.empty()) {
    total.worstMs = *std::max_element(allMs.begin(), allMs.end());
    std::nth_element(allMs.begin(), allMs.begin() + long(allMs.size() / 2), allMs.end());
    total.medianMs = allMs[allMs.size() / 2];
  }
  miscModule.release();
  releaseAllScenes();
  show.peakRssMb = peakResidentMb();

  if (json) {
    std::printf("{\"sections\":[");
    for (size_t i = 0; i < results.size(); ++i) {
      if (i) std::printf(",");
      printJsonEntry(results[i], show);
      std::printf("}");
    }
    std::printf("],\"total\":");
    printJsonEntry(total, show);
    std::printf(",\"loadMs\":%.1f,\"peakRssMb\":%.1f,\"copyFrameMs\":%.5f}}\n", show.loadMs, show.peakRssMb,
                show.copyMs);
  } else {
    std::printf("%-10s %8s %12s %10s %10s %8s %13s\n", "section", "frames", "median ms", "worst ms", "fps", "passes",
                "allocs/frame");
    for (const Result& r : results)
      std::printf("%-10s %8ld %12.4f %10.4f %10.1f %8.2f %13.3f\n", r.name.c_str(), r.frames, r.medianMs, r.worstMs,
                  r.fps(), passes(r, show), r.allocationsPerFrame());
    std::printf("%-10s %8ld %12.4f %10.4f %10.1f %8.2f %13.3f\n", "total", total.frames, total.medianMs,
                total.worstMs, total.fps(), passes(total, show), total.allocationsPerFrame());
    std::printf("\none pass (copyFrame): %.4f ms; loading every section: %.0f ms; peak resident memory: %.1f MB\n",
                show.copyMs, show.loadMs, show.peakRssMb);
  }
  return 0;
}

}  // namespace

int benchCommand(int argc, char** argv) { return run(argc, argv); }
