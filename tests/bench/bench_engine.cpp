// The engine's frame on fels.3ds (386 vertices, 768 faces): tracks, hierarchy,
// camera, culling, transform, clipping, projection, depth clear and drawing every
// visible polygon, through a camera circling the object (the file has none).
// Reports frames per second and the heap allocations made per frame (none).
//
// The file is one of the real-editor files (GVS_TESTDATA/3ds); without it the
// benchmark is skipped. Set GVS_BENCH_PNG=path to write the first frame as PNG.
//
// The forged scenes: the engine's frame of each 3DS section as the section runs
// it (its camera, its drawing and glow passes), stepping through its whole
// animation; the scenes are forged once per process into a temporary folder.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "engine/camera.hpp"
#include "engine/construction.hpp"
#include "engine/depthtarget.hpp"
#include "engine/pipeline.hpp"
#include "engine/rasterizer.hpp"
#include "engine/scenesequence.hpp"
#include "engine/threeds.hpp"
#include "engine/tracks.hpp"
#include "base/datapath.hpp"
#include "image/pixelops.hpp"
#include "tests/bench/bench_data.hpp"
#include "cli/png.hpp"
#include "cli/scenefile.hpp"

namespace {
std::atomic<long> gAllocations{0};
}

// Counts every allocation of this program; weak, so another counting definition wins.
__attribute__((weak)) void* operator new(std::size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
__attribute__((weak)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((weak)) void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {


// Everything a show scene's load sequence does, minus the camera check and with
// the checkerboard as every material's texture.
Scene3D* loadFels(const std::string& path) {
  Scene3D* scene = nullptr;
  loadScene3D(scene, path);
  allocateScene3D(scene);
  for (unsigned i = 0; i < scene->mesh->materialCount; ++i) fillCheckerboard(scene->textures[i]);
  buildTrackTree(scene);
  prepareScene3D(scene);
  computeBoundingBoxes(scene);
  return scene;
}

struct Orbit {
  Vector3 centre;
  float radius;
};

Orbit orbitAround(const Scene3D* scene) {
  const ThreeDsObject& o = *scene->mesh->objects[0];
  Vector3 lo = o.boxCorners[0], hi = o.boxCorners[6];
  Vector3 c{(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
  float size = std::sqrt((hi.x - lo.x) * (hi.x - lo.x) + (hi.y - lo.y) * (hi.y - lo.y) + (hi.z - lo.z) * (hi.z - lo.z));
  return {c, 0.9f * size};
}

void renderFrame(Scene3D* scene, const Orbit& orbit, float frame, uint32_t* target) {
  animateScene3D(scene, frame, true);
  propagateTrackTree(scene);
  const float a = frame * 0.02f;
  Vector3 eye{orbit.centre.x + orbit.radius * std::cos(a), orbit.centre.y + 0.4f * orbit.radius,
              orbit.centre.z + orbit.radius * std::sin(a)};
  buildProjectionCamera(*scene->camera, eye, orbit.centre, 0.0f, 60.0f, false, 0.5f, 100000.0f);
  projectForDrawing(scene);
  for (unsigned i = 0; i < scene->projectedMesh->objectCount; ++i)
    drawObject(scene, i, drawPolygonPerspective, target);
}

void BM_EngineFrameFels(benchmark::State& state) {
  const std::string fels = benchRealEditorFile("fels.3ds");
  if (fels.empty()) {
    state.SkipWithError("needs the real-editor file 3ds/fels.3ds (GVS_TESTDATA)");
    return;
  }
  Scene3D* scene = loadFels(fels);
  const Orbit orbit = orbitAround(scene);
  std::vector<uint32_t> picture(kScreenPixels, 0);
  if (const char* png = std::getenv("GVS_BENCH_PNG")) {
    renderFrame(scene, orbit, 0.0f, picture.data());
    writePng(png, picture.data(), kScreenWidth, kScreenHeight);
  }
  float frame = 0.0f;
  long before = gAllocations.load();
  for (auto _ : state) {
    std::fill(picture.begin(), picture.end(), 0u);
    renderFrame(scene, orbit, frame, picture.data());
    benchmark::DoNotOptimize(picture.data());
    frame += 1.0f;
  }
  long allocations = gAllocations.load() - before;
  state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["allocs_per_frame"] = double(allocations) / double(state.iterations());
  releaseTrackTree(scene);
  releaseSceneBuffers(scene);
  releaseScene3D(scene);
}
BENCHMARK(BM_EngineFrameFels)->Unit(benchmark::kMicrosecond);

// The forged 3DS sections: directory and file, frames per camera, cameras, whether
// the whole scene is drawn affine, and the objects of the glow pass with its
// rasterizer.
struct ForgedScene {
  const char* directory;
  const char* file;
  float frames;
  uint32_t cameras;
  bool affine;
  const char* glow[3];
  int glowCount;
  bool glowAffine;
};
const ForgedScene kForgedScenes[] = {
    {"DATA\\misc\\", "kisvirag.3ds", 600, 1, false, {"Tube01"}, 1, false},
    {"data\\box\\", "box.3ds", 632, 1, false, {}, 0, false},
    {"DATA\\HYPER\\", "hyper.3ds", 600, 1, false, {"hyper", "szmotyi"}, 2, false},
    {"DATA\\boxbox\\", "boxbox.3ds", 600, 1, false, {}, 0, false},
    {"DATA\\CSAPOK\\", "csapok.3ds", 600, 1, false, {}, 0, false},
    {"DATA\\BOGYO\\", "bogyo.3ds", 300, 2, false, {"transp bog", "transp bo0", "transp bo1"}, 3, true},
    {"DATA\\kocka\\", "kocka.3ds", 600, 1, false, {}, 0, false},
    {"DATA\\FORGo\\", "forgo.3ds", 150, 2, true, {}, 0, false},
};
constexpr int kForgedSceneCount = int(sizeof kForgedScenes / sizeof kForgedScenes[0]);

// Forges the scenes once into a private temporary folder and makes it the data
// root; false when that fails.
bool forgeScenes() {
  static const bool forged = [] {
    const std::string root = benchForgedRoot("misc|data\\box|HYPER|boxbox|CSAPOK|BOGYO|kocka|FORGo");
    if (root.empty()) return false;
    setDataRoot(root);
    return true;
  }();
  return forged;
}

// The engine's part of one section frame: the frame sequence, the drawing pass and
// the glow pass, stepping through every camera's animation; the second argument pins
// the fillers' vector path (0: AVX2, 1: SSE2).
void BM_EngineFrameForged(benchmark::State& state) {
  const ForgedScene& d = kForgedScenes[state.range(0)];
  const VectorPath path = state.range(1) == 0 ? VectorPath::Avx2 : VectorPath::Sse2;
  state.SetLabel(std::string(d.file) + (path == VectorPath::Avx2 ? " AVX2" : " SSE2"));
  if (path == VectorPath::Avx2 && !processorHasAvx2()) {
    state.SkipWithError("the processor has no AVX2");
    return;
  }
  setVectorPath(path);
  if (!forgeScenes()) {
    state.SkipWithError("cannot forge the scenes into a temporary folder");
    return;
  }
  Scene3D* scene = nullptr;
  loadSceneSequence(scene, d.directory, d.file);
  std::vector<uint32_t> picture(kScreenPixels, 0), glow(kScreenPixels, 0);
  const PolygonRasterizer draw = d.affine ? drawPolygonAffine : drawPolygonPerspective;
  const PolygonRasterizer drawGlow = d.glowAffine ? drawPolygonAffine : drawPolygonPerspective;
  float step = 0;
  long before = gAllocations.load();
  for (auto _ : state) {
    const float f = std::fmod(step, d.frames * float(d.cameras));
    const uint32_t camera = uint32_t(f / d.frames);
    runFrameSequence(scene, f - float(camera) * d.frames, camera);
    drawObjectsByName(scene, d.glow, d.glowCount, false, draw, picture.data());
    if (d.glowCount) drawObjectsByName(scene, d.glow, d.glowCount, true, drawGlow, glow.data());
    benchmark::DoNotOptimize(picture.data());
    step += 7.0f;
  }
  long allocations = gAllocations.load() - before;
  state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["allocs_per_frame"] = double(allocations) / double(state.iterations());
  releaseSceneSequence(scene);
  setVectorPath(VectorPath::Avx2);
}
BENCHMARK(BM_EngineFrameForged)
    ->ArgsProduct({benchmark::CreateDenseRange(0, kForgedSceneCount - 1, 1), {0, 1}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
