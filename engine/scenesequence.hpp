// The fixed engine sequences a 3DS scene runs: load once, one frame per displayed
// frame, release once. Every scene of the show uses the engine's wrap flag (set)
// and the near and far planes below.
#pragma once
#include <cstdint>
#include <string>

#include "engine/scene3d.hpp"

constexpr bool kEngineWrap = true;
constexpr float kSceneNearPlane = 0.5f;
constexpr float kSceneFarPlane = 100000.0f;

// Reads directory + fileName, checks its cameras and prepares everything; textures
// come from directory (which ends in a separator).
void loadSceneSequence(Scene3D*& scene, const std::string& directory, const std::string& fileName);
// Tracks at frame f, hierarchy, camera cameraIndex, culling, transform, clipping,
// projection; then the scene's depth buffer becomes the cleared depth target.
void runFrameSequence(Scene3D* scene, float f, uint32_t cameraIndex);
void releaseSceneSequence(Scene3D*& scene);
