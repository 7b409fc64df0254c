// A 3DS file named on the command line, loaded into a Scene3D for dump and view.
#include "cli/scenefile.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/construction.hpp"
#include "engine/scenesequence.hpp"
#include "engine/camera.hpp"
#include "engine/threeds.hpp"
#include "engine/vectorops.hpp"

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

Scene3D* loadSceneFile(const std::string& path, bool checkerFallback, bool cameraOptional) {
  Scene3D* scene = nullptr;
  const std::string directory = directoryOf(path);
  loadScene3D(scene, path);
  if (!cameraOptional || scene->mesh->cameraCount > 0) requireSceneCameras(scene);
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

bool sceneWorldBox(const Scene3D* scene, Vector3& low, Vector3& high) {
  const ThreeDsData* mesh = scene->mesh;
  const TransformedMesh* tm = scene->transformedMesh;
  bool any = false;
  for (unsigned i = 0; i < mesh->objectCount; ++i) {
    const ThreeDsObject& object = *mesh->objects[i];
    if (object.vertexCount == 0) continue;
    for (const Vector3& corner : object.boxCorners) {
      const Vector3 p = transformPoint(corner, *tm->objects[i]->worldMatrix);
      if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) continue;
      if (!any) low = high = p;
      low = {std::fmin(low.x, p.x), std::fmin(low.y, p.y), std::fmin(low.z, p.z)};
      high = {std::fmax(high.x, p.x), std::fmax(high.y, p.y), std::fmax(high.z, p.z)};
      any = true;
    }
  }
  return any;
}

void buildFramingCamera(ProjectionCamera& camera, const Vector3& low, const Vector3& high) {
  constexpr float kFov = 60.0f;
  const Vector3 centre{(low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2};
  const Vector3 size{high.x - low.x, high.y - low.y, high.z - low.z};
  const float radius = std::fmax(vectorLength(size) / 2, 1e-3f);
  // The sphere around the box fits the narrower, vertical angle with a margin.
  const float halfHeight = kFov / 2 * kVerticalAngleRatio * kEngineDegToRad;
  const float distance = 1.1f * radius / std::sin(halfHeight);
  const Vector3 direction = normalised({0.61237f, 0.5f, -0.61237f});  // right, up, in front
  const Vector3 eye{centre.x + distance * direction.x, centre.y + distance * direction.y,
                    centre.z + distance * direction.z};
  const float nearZ = std::fmax((distance - radius) / 2, distance * 1e-4f);
  buildProjectionCamera(camera, eye, centre, 0.0f, kFov, false, nearZ, 2 * (distance + radius));
}
