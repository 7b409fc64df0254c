// The full-frame passes with vector paths, per call, on each path the processor has
// (argument 0: AVX2, 1: SSE2), beside copyFrame as the unit they are counted in.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "image/pixelops.hpp"
#include "image/radialblur.hpp"

namespace {
std::vector<uint32_t> randomFrame() {
  std::mt19937 rng(1);
  std::vector<uint32_t> frame(kFramePixels);
  for (uint32_t& p : frame) p = rng();
  return frame;
}

// Pins the path of the benchmark's argument; false (and the benchmark skipped) without it.
bool pinPath(benchmark::State& state) {
  const VectorPath path = state.range(0) == 0 ? VectorPath::Avx2 : VectorPath::Sse2;
  if (path == VectorPath::Avx2 && !processorHasAvx2()) {
    state.SkipWithError("the processor has no AVX2");
    return false;
  }
  setVectorPath(path);
  state.SetLabel(path == VectorPath::Avx2 ? "AVX2" : "SSE2");
  return true;
}

void BM_CopyFrame(benchmark::State& state) {
  std::vector<uint32_t> src = randomFrame(), dst(kFramePixels);
  for (auto _ : state) {
    copyFrame(src.data(), dst.data());
    benchmark::DoNotOptimize(dst.data());
  }
}
BENCHMARK(BM_CopyFrame)->Unit(benchmark::kMicrosecond);

template <void (*Smear)(int, int, int, int, uint32_t*)>
void BM_Smear(benchmark::State& state) {
  if (!pinPath(state)) return;
  std::vector<uint32_t> frame = randomFrame();
  for (auto _ : state) {
    Smear(180, 12, kFrameWidth, kFrameHeight, frame.data());
    benchmark::DoNotOptimize(frame.data());
  }
  setVectorPath(VectorPath::Avx2);
}
BENCHMARK(BM_Smear<smearLeft>)->Name("BM_SmearLeft")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Smear<smearRight>)->Name("BM_SmearRight")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Smear<smearUp>)->Name("BM_SmearUp")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Smear<smearDown>)->Name("BM_SmearDown")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The sphere scene's centre and strength.
void BM_RadialBlur(benchmark::State& state) {
  if (!pinPath(state)) return;
  createRadialBlurTable();
  fillRadialBlurTable();
  std::vector<uint32_t> frame = randomFrame();
  for (auto _ : state) {
    radialBlur(160, 100, 230, frame.data());
    benchmark::DoNotOptimize(frame.data());
  }
  setVectorPath(VectorPath::Avx2);
}
BENCHMARK(BM_RadialBlur)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
}  // namespace
