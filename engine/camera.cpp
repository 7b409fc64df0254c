// The projection camera, its view volume and the projection of vertices.
#include "engine/camera.hpp"
#include "engine/camera_testing.hpp"

#include <emmintrin.h>

#include <cmath>

#include "engine/threeds.hpp"
#include "engine/vectorops.hpp"

namespace {

// Screen values are kept far beyond the screen but inside what the rasterizers can
// step without overflow, whatever a stray vertex projects to.
constexpr float kMaxColumn = 4096.0f * 256.0f;
constexpr float kMaxRow = 4096.0f;

inline int32_t truncClamped(float v, float limit) {
  if (!(v > -limit)) return int32_t(-limit);
  if (!(v < limit)) return int32_t(limit);
  return int32_t(v);
}

inline int32_t roundToInt(double x) { return _mm_cvtsd_si32(_mm_set_sd(x)); }

inline float cotangent(float radians) { return float(1.0 / std::tan(double(radians))); }

}  // namespace

void setupCamera(Scene3D* scene, uint32_t cameraIndex, bool automaticPlanes, float nearZ, float farZ) {
  const ThreeDsData* mesh = scene->mesh;
  ProjectionCamera& cam = *scene->camera;
  if (cameraIndex >= mesh->cameraCount) return;
  const ThreeDsCamera& meshCamera = *mesh->cameras[cameraIndex];
  const TransformedMesh& tm = *scene->transformedMesh;
  // Cameras without both nodes are refused when the scene is loaded.
  if (meshCamera.positionNode >= tm.trackCount || meshCamera.targetNode >= tm.trackCount) return;
  const TrackState& p = *tm.tracks[meshCamera.positionNode];
  const TrackState& g = *tm.tracks[meshCamera.targetNode];

  buildProjectionCamera(cam, p.position, g.position, p.roll, p.fov, automaticPlanes, nearZ, farZ);
}

void buildProjectionCamera(ProjectionCamera& cam, const Vector3& position, const Vector3& target, float roll,
                           float fov, bool automaticPlanes, float nearZ, float farZ) {
  cam.position = position;
  cam.target = target;
  cam.roll = roll;
  cam.fov = fov;
  const float r = cam.roll * kEngineDegToRad;
  cam.yAxis = {std::sin(r), -std::cos(r), 0.0f};
  cam.zAxis = normalised({cam.target.x - cam.position.x, cam.target.y - cam.position.y, cam.target.z - cam.position.z});
  cam.xAxis = normalised(crossProduct(cam.zAxis, cam.yAxis));
  cam.yAxis = crossProduct(cam.xAxis, cam.zAxis);
  cam.xMagnify = cotangent(cam.fov * 0.5f * kEngineDegToRad) * (kScreenWidth * 0.5f);
  cam.yMagnify = cotangent(cam.fov * (kVerticalAngleRatio * 0.5f) * kEngineDegToRad) * (kScreenHeight * 0.5f);
  cam.translation = translationMatrix({-cam.position.x, -cam.position.y, -cam.position.z});
  cam.rotation = kIdentityMatrix;
  const Vector3* axes[3] = {&cam.xAxis, &cam.yAxis, &cam.zAxis};
  for (int c = 0; c < 3; ++c) {
    cam.rotation.m[c] = axes[c]->x;
    cam.rotation.m[4 + c] = axes[c]->y;
    cam.rotation.m[8 + c] = axes[c]->z;
  }
  multiplyMatrices(cam.transformation, cam.translation, cam.rotation);
  if (automaticPlanes) {
    cam.nearZPlane = 1.0f;
    cam.farZPlane =
        vectorLength({cam.target.x - cam.position.x, cam.target.y - cam.position.y, cam.target.z - cam.position.z});
  } else {
    cam.nearZPlane = nearZ;
    cam.farZPlane = farZ;
  }
}

void computeViewPlanes(const ProjectionCamera& camera, ViewPlane planes[kViewPlaneCount]) {
  const float a = (camera.fov / 2.0f) * kEngineDegToRad * kViewVolumeShrink;
  const float b = kVerticalAngleRatio * a;
  const float ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
  planes[kNearPlane] = {{0, 0, camera.nearZPlane}, {0, 0, 1}};
  planes[kFarPlane] = {{0, 0, camera.farZPlane}, {0, 0, -1}};
  planes[kLeftPlane] = {{0, 0, 0}, {ca, 0, sa}};
  planes[kRightPlane] = {{0, 0, 0}, {-ca, 0, sa}};
  planes[kUpperPlane] = {{0, 0, 0}, {0, cb, sb}};
  planes[kLowerPlane] = {{0, 0, 0}, {0, -cb, sb}};
}

bool projectVertex(const ProjectionCamera& camera, const CameraVertex& in, ScreenVertex& out) {
  const float nearLimit = camera.nearZPlane * 0.95f;
  const float farLimit = camera.farZPlane * 1.01f;
  if (in.z <= nearLimit || in.z >= farLimit) return false;
  const float xs = camera.xMagnify * 256.0f;
  const float invZ = 1.0f / in.z;
  out.sx = truncClamped(in.x * xs * invZ + kScreenWidth * 0.5f * 256.0f, kMaxColumn);
  out.sy = truncClamped(in.y * camera.yMagnify * invZ + kScreenHeight * 0.5f, kMaxRow);
  out.invZ = invZ;
  out.tu = roundToInt(double(in.u) * 65536.0);
  out.tv = roundToInt(double(in.v) * 65536.0);
  return true;
}

void projectVertices(Scene3D* scene) {
  const ProjectionCamera& cam = *scene->camera;
  const TransformedMesh& tm = *scene->transformedMesh;
  ProjectedMesh& pm = *scene->projectedMesh;
  for (unsigned i = 0; i < pm.objectCount; ++i) {
    const TransformedObject& to = *tm.objects[i];
    ProjectedObject& po = *pm.objects[i];
    po.visible = to.visible;
    if (!to.visible) continue;
    for (uint32_t j = 0; j < to.vertexCount; ++j) projectVertex(cam, to.vertices[j], po.vertices[j]);
  }
}
