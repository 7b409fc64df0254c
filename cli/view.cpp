// gvs-tool view FILE.3ds [--frame F] [--camera N] [--affine] [--out OUT.png]: one
// frame of a 3DS scene through one of its cameras (or, when it has none, through a
// generated camera that frames the whole scene), drawn by the engine into a cleared
// 320 x 200 buffer and written as PNG.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/camera.hpp"
#include "engine/depthtarget.hpp"
#include "engine/pipeline.hpp"
#include "engine/rasterizer.hpp"
#include "engine/scenesequence.hpp"
#include "engine/threeds.hpp"
#include "engine/tracks.hpp"
#include "cli/args.hpp"
#include "cli/commands.hpp"
#include "cli/png.hpp"
#include "cli/scenefile.hpp"

namespace {

void usage(FILE* out) {
  std::fprintf(out,
               "Usage: gvs-tool view FILE.3ds [--frame F] [--camera N] [--affine] [--out OUT.png]\n\n"
               "Renders frame F (default 0, wrapping past the last frame) through camera N\n"
               "(default 0) with the perspective-correct rasterizer, or the affine one with\n"
               "--affine, and writes the 320 x 200 picture as PNG (default view.png).\n"
               "A file without cameras is seen whole from a generated camera, from the front,\n"
               "right and above (a note on standard error says so); --camera is then an error.\n"
               "Textures are read beside the file; a missing one is drawn as a checkerboard.\n");
}

// The frame sequence with the generated camera instead of one of the file's: false
// when there is nothing to look at.
bool runFramedFrameSequence(Scene3D* scene, float frame) {
  animateScene3D(scene, frame, kEngineWrap);
  propagateTrackTree(scene);
  Vector3 low, high;
  if (!sceneWorldBox(scene, low, high)) return false;
  buildFramingCamera(*scene->camera, low, high);
  projectForDrawing(scene);
  return true;
}

int run(int argc, char** argv) {
  std::string outPath = "view.png";
  bool affine = false;
  auto own = [&](const char* a, const char* value, int& i) {
    if (!std::strcmp(a, "--out") && value) {
      outPath = value;
      ++i;
    } else if (!std::strcmp(a, "--affine")) {
      affine = true;
    } else {
      return OptionResult::Unknown;
    }
    return OptionResult::Taken;
  };
  SceneFileArgs args;
  int exitCode = parseSceneFileArgs("view", argc, argv, usage, own, args);
  if (exitCode >= 0) return exitCode;

  Scene3D* scene = loadSceneFile(args.file, true, true);
  const bool framed = scene->mesh->cameraCount == 0;
  if (framed && args.cameraGiven) {
    std::fprintf(stderr, "gvs-tool view: %s has no cameras of its own for --camera to pick\n", args.file);
    releaseSceneSequence(scene);
    return 2;
  }
  if (!framed && !checkCameraIndex("view", scene, args.camera)) {
    releaseSceneSequence(scene);
    return 2;
  }
  if (framed) {
    if (!runFramedFrameSequence(scene, args.frame)) {
      std::fprintf(stderr, "gvs-tool view: %s has no camera and no vertices to look at\n", args.file);
      releaseSceneSequence(scene);
      return 1;
    }
    std::fprintf(stderr, "note: %s has no camera; a generated camera shows the whole scene\n", args.file);
  } else {
    runFrameSequence(scene, args.frame, args.camera);
  }
  std::vector<uint32_t> picture(kScreenPixels, 0);
  const PolygonRasterizer draw = affine ? drawPolygonAffine : drawPolygonPerspective;
  for (unsigned i = 0; i < scene->projectedMesh->objectCount; ++i) drawObject(scene, i, draw, picture.data());
  releaseSceneSequence(scene);
  if (!writePng(outPath, picture.data(), kScreenWidth, kScreenHeight)) {
    std::fprintf(stderr, "gvs-tool view: cannot write %s\n", outPath.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int viewCommand(int argc, char** argv) { return run(argc, argv); }
