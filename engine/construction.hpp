// Turning a 3DS file into a ready-to-render Scene3D and tearing it down again.
// A scene calls, in order: loadScene3D, requireSceneCameras, allocateScene3D,
// loadSceneTextures, buildTrackTree, prepareScene3D, computeBoundingBoxes; and at
// the end releaseTrackTree, releaseSceneBuffers, releaseScene3D. Failures log at
// the fatal level (or show the image loader's message) and end the program.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/scene3d.hpp"
#include "engine/threeds.hpp"

// Reads the 3DS file into a new Scene3D. The path is tried as a file on disk first,
// then as a show path under the data root.
void loadScene3D(Scene3D*& scene, const std::string& path);
// The same from a file image in memory, for callers that must go on after a bad
// file: false with the reader's message in `error` (and no scene) instead of ending.
bool loadScene3DFromMemory(Scene3D*& scene, const uint8_t* bytes, size_t size, std::string& error);
// "no cameras in mesh" when the file has no camera; a camera without both its
// position and its target node cannot be rendered through and is refused by name.
void requireSceneCameras(const Scene3D* scene);
// What requireSceneCameras would end the program with; "" when the cameras are usable.
std::string sceneCameraProblem(const Scene3D* scene);
void allocateScene3D(Scene3D* scene);
// One 256 x 256 ".rgb" texture per material from the directory (ending in a
// separator), falling back to "texture.rgb" there.
void loadSceneTextures(Scene3D* scene, const std::string& directory);
// Every material gets a copy of one picture instead (nothing read from disk).
void fillSceneTextures(Scene3D* scene, const TextureImage& texture);
void buildTrackTree(Scene3D* scene);
void prepareScene3D(Scene3D* scene);
void computeBoundingBoxes(Scene3D* scene);

void releaseTrackTree(Scene3D* scene);
void releaseSceneBuffers(Scene3D* scene);
void releaseScene3D(Scene3D*& scene);

// The texture file of a material: the name without its first "." and the three
// characters after it, then ".rgb" ("wood.gif" -> "wood.rgb").
std::string textureFileName(const char* materialTexture);
// Reads directory + name, or directory + "texture.rgb"; false when neither exists.
bool loadMaterialTexture(const std::string& directory, const ThreeDsMaterial& material, TextureImage* texture);
// A 256 x 256 RGB file: on disk as given, otherwise as a show path.
bool loadTextureFile(const std::string& path, TextureImage* texture);
