// Frames per second of the sphere, blobs and metabox sections, one thread, over
// their whole windows (the data is forged into a private temporary folder first).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "image/radialblur.hpp"
#include "base/datapath.hpp"
#include "scenes/sections.hpp"
#include "scenes/common/grid_fill.hpp"
#include "tests/bench/bench_data.hpp"

namespace {
bool prepareData() {
  static bool ready = [] {
    const std::string root = benchForgedRoot("SPHERE|BLOBS|metabox");
    const bool ok = !root.empty();
    setDataRoot(root);
    createRadialBlurTable();
    fillRadialBlurTable();
    return ok;
  }();
  return ready;
}

void benchSection(benchmark::State& state, const SceneModule& module, float length) {
  if (!prepareData()) {
    state.SkipWithError("forge failed");
    return;
  }
  module.load();
  std::vector<uint32_t> frame(320 * 240, 0);
  float t = 0;
  for (auto _ : state) {
    module.render(t, frame.data());
    benchmark::DoNotOptimize(frame.data());
    t += 1.37f;
    if (t >= length) t -= length;
  }
  state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  module.release();
}

void BM_Sphere(benchmark::State& s) { benchSection(s, sphereModule, 1770); }
void BM_Blobs(benchmark::State& s) { benchSection(s, blobsModule, 885); }
void BM_Metabox(benchmark::State& s) { benchSection(s, metaboxModule, 885); }

void BM_FillShadedBlocks(benchmark::State& state) {
  std::mt19937 rng(5);
  std::vector<uint32_t> tex(65536), frame(64000);
  for (auto& p : tex) p = rng();
  std::vector<GridPoint> grid(kGridPoints);
  for (int y = 0; y < kGridRows; ++y)
    for (int x = 0; x < kGridColumns; ++x)
      grid[y * kGridColumns + x] = {uint16_t(x * 1024 + (rng() & 255)), uint16_t(y * 1024), uint16_t(0x8000)};
  for (auto _ : state) {
    fillShadedBlocks(grid.data(), tex.data(), frame.data());
    benchmark::DoNotOptimize(frame.data());
  }
}
}  // namespace

BENCHMARK(BM_Sphere)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Blobs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Metabox)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FillShadedBlocks)->Unit(benchmark::kMicrosecond);
