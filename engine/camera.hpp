// The projection camera built each frame from one 3DS camera's evaluated nodes, its
// view volume (six planes, slightly inside the screen edges) and the projection of
// camera-space vertices to 320 x 200 screen vertices.
#pragma once
#include <cstdint>

#include "engine/scene3d.hpp"

constexpr float kEngineDegToRad = 0.017453292f;
constexpr float kViewVolumeShrink = 0.997f;
constexpr float kVerticalAngleRatio = 0.75f;

enum ViewPlaneIndex { kNearPlane, kFarPlane, kLeftPlane, kRightPlane, kUpperPlane, kLowerPlane, kViewPlaneCount };

// A point on the plane and the normal pointing into the view volume.
struct ViewPlane {
  Vector3 point;
  Vector3 normal;
};

// Fills scene->camera from the nodes of mesh camera cameraIndex. With automaticPlanes
// the near plane is 1 and the far plane the distance to the target.
void setupCamera(Scene3D* scene, uint32_t cameraIndex, bool automaticPlanes, float nearZ, float farZ);

// The same from explicit values (cameras that no 3DS file holds).
void buildProjectionCamera(ProjectionCamera& camera, const Vector3& position, const Vector3& target, float roll,
                           float fov, bool automaticPlanes, float nearZ, float farZ);

void computeViewPlanes(const ProjectionCamera& camera, ViewPlane planes[kViewPlaneCount]);

// Screen vertices of every visible object; vertices outside the depth limits keep
// their old values.
void projectVertices(Scene3D* scene);
