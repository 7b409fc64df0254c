// gvs-tool view FILE.3ds [--frame F] [--camera N] [--affine] [--out OUT.png]: one
// frame of a 3DS scene through one of its cameras, drawn by the engine into a
// cleared 320 x 200 buffer and written as PNG.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/pipeline.hpp"
#include "engine/rasterizer.hpp"
#include "engine/scenesequence.hpp"
#include "engine/threeds.hpp"
#include "tools/command.hpp"
#include "tools/png.hpp"
#include "tools/scenefile.hpp"

namespace {

void usage(FILE* out) {
  std::fprintf(out,
               "Usage: gvs-tool view FILE.3ds [--frame F] [--camera N] [--affine] [--out OUT.png]\n\n"
               "Renders frame F (default 0, wrapping past the last frame) through camera N\n"
               "(default 0) with the perspective-correct rasterizer, or the affine one with\n"
               "--affine, and writes the 320 x 200 picture as PNG (default view.png).\n"
               "Textures are read beside the file; a missing one is drawn as a checkerboard.\n");
}

int run(int argc, char** argv) {
  const char* file = nullptr;
  std::string outPath = "view.png";
  float frame = 0.0f;
  unsigned camera = 0;
  bool affine = false;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
      usage(stdout);
      return 0;
    }
    bool hasValue = i + 1 < argc;
    if (!std::strcmp(a, "--frame") && hasValue) {
      if (!parseFrameArgument("view", argv[++i], frame)) return 2;
    } else if (!std::strcmp(a, "--camera") && hasValue) {
      if (!parseCameraArgument("view", argv[++i], camera)) return 2;
    } else if (!std::strcmp(a, "--out") && hasValue) {
      outPath = argv[++i];
    } else if (!std::strcmp(a, "--affine")) {
      affine = true;
    } else if (a[0] == '-' && a[1] != 0) {
      std::fprintf(stderr, "gvs-tool view: unknown or incomplete option '%s'\n\n", a);
      usage(stderr);
      return 2;
    } else if (!file) {
      file = a;
    } else {
      std::fprintf(stderr, "gvs-tool view: only one file, please ('%s')\n", a);
      return 2;
    }
  }
  if (!file) {
    usage(stderr);
    return 2;
  }

  Scene3D* scene = loadSceneFile(file, true);
  if (!checkCameraIndex("view", scene, camera)) {
    releaseSceneSequence(scene);
    return 2;
  }
  std::vector<uint32_t> picture(kScreenPixels, 0);
  runFrameSequence(scene, frame, camera);
  const PolygonRasterizer draw = affine ? drawPolygonAffine : drawPolygonPerspective;
  for (unsigned i = 0; i < scene->projectedMesh->objectCount; ++i) drawObject(scene, i, draw, picture.data());
  releaseSceneSequence(scene);
  if (!writePng(outPath, picture.data(), kScreenWidth, kScreenHeight)) {
    std::fprintf(stderr, "gvs-tool view: cannot write %s\n", outPath.c_str());
    return 1;
  }
  return 0;
}

const CommandRegistrar reg("view", "render one frame of a 3DS file through one of its cameras to PNG", run);

}  // namespace
