// The fixed load, frame and release sequences of a 3DS scene.
#include "engine/scenesequence.hpp"

#include "engine/camera.hpp"
#include "engine/construction.hpp"
#include "engine/depthtarget.hpp"
#include "engine/pipeline.hpp"
#include "engine/tracks.hpp"

void loadSceneSequence(Scene3D*& scene, const std::string& directory, const std::string& fileName) {
  loadScene3D(scene, directory + fileName);
  requireSceneCameras(scene);
  allocateScene3D(scene);
  loadSceneTextures(scene, directory);
  buildTrackTree(scene);
  prepareScene3D(scene);
  computeBoundingBoxes(scene);
}

bool loadSceneSequenceFromMemory(Scene3D*& scene, const uint8_t* bytes, size_t size, const TextureImage& texture,
                                 std::string& error) {
  scene = nullptr;
  if (!loadScene3DFromMemory(scene, bytes, size, error)) return false;
  error = sceneCameraProblem(scene);
  if (!error.empty()) {
    releaseScene3D(scene);
    return false;
  }
  allocateScene3D(scene);
  fillSceneTextures(scene, texture);
  buildTrackTree(scene);
  prepareScene3D(scene);
  computeBoundingBoxes(scene);
  return true;
}

void runFrameSequence(Scene3D* scene, float f, uint32_t cameraIndex) {
  animateScene3D(scene, f, kEngineWrap);
  propagateTrackTree(scene);
  setupCamera(scene, cameraIndex, false, kSceneNearPlane, kSceneFarPlane);
  projectForDrawing(scene);
}

void projectForDrawing(Scene3D* scene) {
  cullObjects(scene);
  transformObjects(scene);
  clipPolygons(scene);
  projectVertices(scene);
  setDepthTarget(scene->depthStore);
  clearDepthTarget();
}

void releaseSceneSequence(Scene3D*& scene) {
  if (!scene) return;
  releaseTrackTree(scene);
  releaseSceneBuffers(scene);
  releaseScene3D(scene);
}
