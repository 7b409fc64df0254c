// Test support for the camera: the projection of one vertex.
#pragma once
#include "engine/scene3d.hpp"

// False when the vertex lies outside the depth limits (out is then left alone).
bool projectVertex(const ProjectionCamera& camera, const CameraVertex& in, ScreenVertex& out);
