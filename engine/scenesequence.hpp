// The fixed engine sequences a 3DS scene runs: load once, one frame per displayed
// frame, release once. Every scene of the show uses the engine's wrap flag (set)
// and the near and far planes below.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/scene3d.hpp"

constexpr bool kEngineWrap = true;
constexpr float kSceneNearPlane = 0.5f;
constexpr float kSceneFarPlane = 100000.0f;

// Reads directory + fileName, checks its cameras and prepares everything; textures
// come from directory (which ends in a separator).
void loadSceneSequence(Scene3D*& scene, const std::string& directory, const std::string& fileName);
// The same sequence from a file image in memory with every material textured by
// `texture`: nothing is read from disk and a file the show would end on gives false
// with the message in `error` (scene stays null). For tools and the fuzzers.
bool loadSceneSequenceFromMemory(Scene3D*& scene, const uint8_t* bytes, size_t size, const TextureImage& texture,
                                 std::string& error);
// Tracks at frame f, hierarchy, camera cameraIndex, culling, transform, clipping,
// projection; then the scene's depth buffer becomes the cleared depth target.
void runFrameSequence(Scene3D* scene, float f, uint32_t cameraIndex);
// The part after the camera: culling, transform, clipping, projection, and the
// scene's depth buffer as the cleared depth target (for callers that place the
// camera themselves).
void projectForDrawing(Scene3D* scene);
void releaseSceneSequence(Scene3D*& scene);
