// A 3DS file named on the command line, loaded into a Scene3D for dump and view.
#include "cli/scenefile.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/construction.hpp"
#include "engine/scenesequence.hpp"
#include "engine/threeds.hpp"

void fillCheckerboard(TextureImage* texture) {
  for (int r = 0; r < 256; ++r)
    for (int c = 0; c < 256; ++c)
      texture->texels[r * 256 + c] = ((r / 32 + c / 32) & 1) ? 0xFFD8D8D8u : 0xFF3050A0u;
}

namespace {
std::string directoryOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}
}  // namespace

Scene3D* loadSceneFile(const std::string& path, bool checkerFallback) {
  Scene3D* scene = nullptr;
  const std::string directory = directoryOf(path);
  loadScene3D(scene, path);
  requireSceneCameras(scene);
  allocateScene3D(scene);
  if (checkerFallback) {
    const ThreeDsData* mesh = scene->mesh;
    for (unsigned i = 0; i < mesh->materialCount; ++i) {
      if (loadMaterialTexture(directory, *mesh->materials[i], scene->textures[i])) continue;
      std::fprintf(stderr, "note: no %s%s nor %stexture.rgb for material '%s'; using a checkerboard\n",
                   directory.c_str(), textureFileName(mesh->materials[i]->textureFile).c_str(), directory.c_str(),
                   mesh->materials[i]->name);
      fillCheckerboard(scene->textures[i]);
    }
  } else {
    loadSceneTextures(scene, directory);
  }
  buildTrackTree(scene);
  prepareScene3D(scene);
  computeBoundingBoxes(scene);
  if (checkerFallback && scene->mesh->materialCount == 0) {
    // Without materials the polygons carry no texture at all; the viewer still
    // wants to see the geometry. The transform pass leaves these references alone.
    static TextureImage checker;
    fillCheckerboard(&checker);
    std::fprintf(stderr, "note: the file has no materials; using a checkerboard\n");
    TransformedMesh* tm = scene->transformedMesh;
    for (unsigned i = 0; i < tm->objectCount; ++i)
      for (uint32_t f = 0; f < tm->objects[i]->polygonCount; ++f) tm->objects[i]->polygons[f].texture = &checker;
  }
  return scene;
}

bool parseFrameArgument(const char* command, const char* text, float& frame) {
  char* end = nullptr;
  errno = 0;
  float v = std::strtof(text, &end);
  if (!text[0] || *end || errno || !std::isfinite(v)) {
    std::fprintf(stderr, "gvs-tool %s: --frame needs a number, not '%s'\n", command, text);
    return false;
  }
  frame = v;
  return true;
}

bool parseCameraArgument(const char* command, const char* text, unsigned& camera) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text, &end, 10);
  if (!text[0] || *end || errno || v < 0 || v > 65535) {
    std::fprintf(stderr, "gvs-tool %s: --camera needs a camera index, not '%s'\n", command, text);
    return false;
  }
  camera = unsigned(v);
  return true;
}

bool checkCameraIndex(const char* command, const Scene3D* scene, unsigned camera) {
  if (camera < scene->mesh->cameraCount) return true;
  std::fprintf(stderr, "gvs-tool %s: there is no camera %u (the file has %u)\n", command, camera,
               unsigned(scene->mesh->cameraCount));
  return false;
}

Scene3D* loadSceneForCamera(const char* command, const std::string& path, bool checkerFallback, unsigned camera) {
  Scene3D* scene = loadSceneFile(path, checkerFallback);
  if (checkCameraIndex(command, scene, camera)) return scene;
  releaseSceneSequence(scene);
  return nullptr;
}
