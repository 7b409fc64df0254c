// Frames per second of the cylinder-light and matrix sections and of the tile
// overlay window, each render stepping through its whole window.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image/radialblur.hpp"
#include "base/datapath.hpp"
#include "scenes/sections.hpp"
#include "scenes/vohel.hpp"
#include "tests/bench/bench_data.hpp"

namespace {
bool prepared() {
  static bool ok = [] {
    // The show reads "data\\..." under the data root, so the forge writes into root/data.
    const std::string root = benchForgedRoot("vohel|matrix");
    if (root.empty()) return false;
    setDataRoot(root);
    createRadialBlurTable();
    fillRadialBlurTable();
    vohelModule.load();
    matrixModule.load();
    return true;
  }();
  return ok;
}

// Steps the scene time through [start, end) by `step` per frame, wrapping around.
void runWindow(benchmark::State& state, float start, float end, void (*draw)(float, uint32_t*)) {
  if (!prepared()) {
    state.SkipWithError("forge failed");
    return;
  }
  std::vector<uint32_t> frame(320 * 240);
  const float step = 0.37f * 7.0f;
  float t = start;
  for (auto _ : state) {
    draw(t, frame.data());
    benchmark::DoNotOptimize(frame.data());
    t += step;
    if (t >= end) t = start;
  }
  state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Vohel(benchmark::State& s) { runWindow(s, 0.0f, 2655.0f, vohelModule.render); }
void BM_Matrix(benchmark::State& s) { runWindow(s, 0.0f, 1770.0f, matrixModule.render); }
void BM_VohelOverlay(benchmark::State& s) {
  runWindow(s, 2655.5f, 3540.0f, [](float t, uint32_t* f) { vohelRenderOverlay(t, f); });
}
BENCHMARK(BM_Vohel)->MinTime(3.0);
BENCHMARK(BM_Matrix)->MinTime(3.0);
BENCHMARK(BM_VohelOverlay)->MinTime(2.0);
}  // namespace
