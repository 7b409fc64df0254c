// Building a Scene3D from a 3DS file, and tearing it down.
#include "engine/construction.hpp"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "engine/depthtarget.hpp"
#include "engine/enginelog.hpp"
#include "engine/tracks.hpp"
#include "engine/vectorops.hpp"
#include "image/imagefile.hpp"

namespace {

bool existsOnDisk(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

void fatalReaderError() { logFatal(threeDsErrorText(take3dsError()), stopOnFatal); }

// The reader trusts face indices; a face naming a vertex the object does not have
// would make every later pass read outside the vertex arrays.
bool facesFitMesh(const ThreeDsData* mesh) {
  for (unsigned i = 0; i < mesh->objectCount; ++i) {
    const ThreeDsObject& obj = *mesh->objects[i];
    for (unsigned f = 0; f < obj.faceCount; ++f) {
      const ThreeDsFace& face = obj.faces[f];
      if (face.a >= obj.vertexCount || face.b >= obj.vertexCount || face.c >= obj.vertexCount ||
          (mesh->materialCount && face.materialIndex >= mesh->materialCount))
        return false;
    }
  }
  return true;
}

// Every node starts as an unmoved, unrotated, unscaled identity, so nodes without
// some track (and nodes of kinds that get no matrices) stay well defined.
void initialiseTrackState(TrackState& s, const ThreeDsTrackNode& node) {
  std::memset(&s, 0, sizeof s);
  s.kind = uint8_t(node.kind);
  s.rotation = {1, 0, 0, 0};
  s.scale = {1, 1, 1};
  s.localMatrix = s.worldMatrix = s.localRotation = s.worldRotation = kIdentityMatrix;
}

void addChildren(Scene3D* scene, TrackTreeNode* node) {
  const ThreeDsData* mesh = scene->mesh;
  uint32_t count = 0;
  for (unsigned j = 0; j < mesh->trackNodeCount; ++j)
    if (mesh->trackNodes[j]->parent == node->nodeIndex) ++count;
  node->childCount = count;
  if (count == 0) return;
  node->children = new TrackTreeNode*[count]();
  scene->trackTreeBytes += uint32_t(sizeof(TrackTreeNode*) * count);
  uint32_t k = 0;
  for (unsigned j = 0; j < mesh->trackNodeCount; ++j) {
    if (mesh->trackNodes[j]->parent != node->nodeIndex) continue;
    TrackTreeNode* child = new TrackTreeNode();
    scene->trackTreeBytes += uint32_t(sizeof(TrackTreeNode));
    child->nodeIndex = uint16_t(j);
    TrackState* state = scene->transformedMesh->tracks[j];
    child->worldMatrix = &state->worldMatrix;
    child->worldRotation = &state->worldRotation;
    node->children[k++] = child;
    addChildren(scene, child);
  }
}

void freeChildren(Scene3D* scene, TrackTreeNode* node) {
  for (uint32_t k = 0; k < node->childCount; ++k) {
    TrackTreeNode* child = node->children[k];
    freeChildren(scene, child);
    delete child;
    scene->trackTreeBytes -= uint32_t(sizeof(TrackTreeNode));
  }
  if (node->children) {
    delete[] node->children;
    scene->trackTreeBytes -= uint32_t(sizeof(TrackTreeNode*) * node->childCount);
  }
  node->children = nullptr;
  node->childCount = 0;
}

// Quaternion of an axis-angle rotation, the axis as stored.
Quaternion axisAngle(float angle, const Vector3& axis) {
  const float s = std::sin(angle / 2.0f);
  return {std::cos(angle / 2.0f), axis.x * s, axis.y * s, axis.z * s};
}

// (vertex - origin) x M^-1 - pivot: the columns of the mesh matrix are normalised,
// the normalised 3 x 3 inverted by cofactors and the column scales applied first.
Matrix4 fileToLocalMatrix(const ThreeDsObject& obj, const Vector3& pivot) {
  float n[3][3] = {{obj.xAxis.x, obj.xAxis.y, obj.xAxis.z},
                   {obj.yAxis.x, obj.yAxis.y, obj.yAxis.z},
                   {obj.zAxis.x, obj.zAxis.y, obj.zAxis.z}};
  float s[3];
  for (int c = 0; c < 3; ++c) {
    float len = std::sqrt(n[0][c] * n[0][c] + n[1][c] * n[1][c] + n[2][c] * n[2][c]);
    s[c] = len > 0.0f ? 1.0f / len : 1.0f;
    for (int r = 0; r < 3; ++r) n[r][c] *= s[c];
  }
  float cof[3][3];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
      cof[r][c] = n[r1][c1] * n[r2][c2] - n[r1][c2] * n[r2][c1];
    }
  float det = n[0][0] * cof[0][0] + n[0][1] * cof[0][1] + n[0][2] * cof[0][2];
  Matrix4 inverse = kIdentityMatrix;
  if (std::isfinite(det) && det != 0.0f) {
    float invDet = 1.0f / det;
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) inverse.m[4 * r + c] = cof[c][r] * invDet;  // adjugate / det
  } else {
    // A file without a mesh matrix (all zero) or with a flat one: the vertices are
    // taken as they are instead of collapsing to a point.
    s[0] = s[1] = s[2] = 1.0f;
  }

  Matrix4 a, b, c;
  multiplyMatrices(a, translationMatrix({-obj.origin.x, -obj.origin.y, -obj.origin.z}),
                   scaleMatrix({s[0], s[1], s[2]}));
  multiplyMatrices(b, a, inverse);
  multiplyMatrices(c, b, translationMatrix({-pivot.x, -pivot.y, -pivot.z}));
  return c;
}

bool hasNode(const ThreeDsData* mesh, const ThreeDsObject& obj) { return obj.trackNode < mesh->trackNodeCount; }

}  // namespace

void loadScene3D(Scene3D*& scene, const std::string& path) {
  scene = new Scene3D();
  bool ok = existsOnDisk(path) ? load3dsFromDisk(scene->mesh, path) : load3ds(scene->mesh, path);
  if (!ok) fatalReaderError();
  if (!facesFitMesh(scene->mesh)) logFatal(threeDsErrorText(kThreeDsCorrupt), stopOnFatal);
  scene->totalBytes = uint32_t(sizeof(Scene3D));
}

bool loadScene3DFromMemory(Scene3D*& scene, const uint8_t* bytes, size_t size, std::string& error) {
  ThreeDsData* mesh = nullptr;
  const bool ok = load3dsFromMemory(mesh, bytes, size);
  if (!ok) {
    error = threeDsErrorText(take3dsError());
    // A file whose outermost chunk is not "Main" still hands out what was read.
    if (mesh && !free3ds(mesh)) take3dsError();
    return false;
  }
  if (!facesFitMesh(mesh)) {
    error = threeDsErrorText(kThreeDsCorrupt);
    free3ds(mesh);
    return false;
  }
  scene = new Scene3D();
  scene->mesh = mesh;
  scene->totalBytes = uint32_t(sizeof(Scene3D));
  return true;
}

std::string sceneCameraProblem(const Scene3D* scene) {
  const ThreeDsData* mesh = scene->mesh;
  if (mesh->cameraCount == 0) return "no cameras in mesh";
  for (unsigned i = 0; i < mesh->cameraCount; ++i) {
    const ThreeDsCamera& cam = *mesh->cameras[i];
    if (cam.positionNode >= mesh->trackNodeCount) return std::string("camera '") + cam.name + "' has no position node";
    if (cam.targetNode >= mesh->trackNodeCount) return std::string("camera '") + cam.name + "' has no target node";
  }
  return "";
}

void requireSceneCameras(const Scene3D* scene) {
  const std::string problem = sceneCameraProblem(scene);
  if (!problem.empty()) logFatal(problem, stopOnFatal);
}

void allocateScene3D(Scene3D* scene) {
  ThreeDsData* mesh = scene->mesh;
  scene->depthStore = new float[kScreenPixels]();
  for (unsigned i = 0; i < mesh->objectCount; ++i) {
    ThreeDsObject& obj = *mesh->objects[i];
    if (obj.faceCount) obj.faceNormals = new Vector3[obj.faceCount]();
  }
  if (mesh->materialCount) {
    scene->textures = new TextureImage*[mesh->materialCount]();
    for (unsigned i = 0; i < mesh->materialCount; ++i) scene->textures[i] = new TextureImage();
  }

  TransformedMesh* tm = new TransformedMesh();
  uint32_t bytes = sizeof(TransformedMesh);
  tm->objectCount = mesh->objectCount;
  if (tm->objectCount) {
    tm->objects = new TransformedObject*[tm->objectCount]();
    bytes += uint32_t(sizeof(TransformedObject*) * tm->objectCount);
  }
  for (unsigned i = 0; i < tm->objectCount; ++i) {
    const ThreeDsObject& obj = *mesh->objects[i];
    TransformedObject* to = new TransformedObject();
    bytes += sizeof(TransformedObject);
    std::snprintf(to->name, sizeof to->name, "%s", obj.name);
    to->polygonCount = obj.faceCount;
    if (obj.faceCount) {
      to->polygons = new Polygon[obj.faceCount]();
      to->faceNormals = new Vector3[obj.faceCount]();
      bytes += uint32_t((sizeof(Polygon) + sizeof(Vector3)) * obj.faceCount);
    }
    to->vertexCapacity = uint32_t(obj.vertexCount) + uint32_t(kClipVerticesPerFace) * obj.faceCount;
    if (to->vertexCapacity) {
      to->vertices = new CameraVertex[to->vertexCapacity]();
      bytes += uint32_t(sizeof(CameraVertex) * to->vertexCapacity);
    }
    to->worldMatrix = &kIdentityMatrix;
    to->worldRotation = &kIdentityMatrix;
    tm->objects[i] = to;
  }
  tm->trackCount = mesh->trackNodeCount;
  if (tm->trackCount) {
    tm->tracks = new TrackState*[tm->trackCount]();
    bytes += uint32_t(sizeof(TrackState*) * tm->trackCount);
    for (unsigned i = 0; i < tm->trackCount; ++i) {
      tm->tracks[i] = new TrackState();
      initialiseTrackState(*tm->tracks[i], *mesh->trackNodes[i]);
      bytes += sizeof(TrackState);
    }
  }
  tm->bytes = bytes;
  scene->transformedMesh = tm;

  ProjectedMesh* pm = new ProjectedMesh();
  bytes = sizeof(ProjectedMesh);
  pm->objectCount = mesh->objectCount;
  if (pm->objectCount) {
    pm->objects = new ProjectedObject*[pm->objectCount]();
    bytes += uint32_t(sizeof(ProjectedObject*) * pm->objectCount);
  }
  for (unsigned i = 0; i < pm->objectCount; ++i) {
    const ThreeDsObject& obj = *mesh->objects[i];
    ProjectedObject* po = new ProjectedObject();
    bytes += sizeof(ProjectedObject);
    po->polygonCount = obj.faceCount;
    if (obj.faceCount) {
      po->polygons = new Polygon*[obj.faceCount]();
      bytes += uint32_t(sizeof(Polygon*) * obj.faceCount);
      for (unsigned k = 0; k < obj.faceCount; ++k) po->polygons[k] = &tm->objects[i]->polygons[k];
    }
    po->vertexCapacity = tm->objects[i]->vertexCapacity;
    if (po->vertexCapacity) {
      po->vertices = new ScreenVertex[po->vertexCapacity]();
      bytes += uint32_t(sizeof(ScreenVertex) * po->vertexCapacity);
    }
    pm->objects[i] = po;
  }
  pm->bytes = bytes;
  scene->projectedMesh = pm;

  scene->totalBytes += mesh->totalBytes + tm->bytes + pm->bytes;
  scene->camera = new ProjectionCamera();
}

std::string textureFileName(const char* materialTexture) {
  std::string name = materialTexture;
  size_t dot = name.find('.');
  if (dot != std::string::npos) name.erase(dot, 4);
  return name + ".rgb";
}

bool loadTextureFile(const std::string& path, TextureImage* texture) {
  if (!existsOnDisk(path)) return loadRgbImage(path.c_str(), 256, 256, texture->texels);
  return loadRgbFile(path.c_str(), 256, 256, texture->texels);
}

bool loadMaterialTexture(const std::string& directory, const ThreeDsMaterial& material, TextureImage* texture) {
  return loadTextureFile(directory + textureFileName(material.textureFile), texture) ||
         loadTextureFile(directory + "texture.rgb", texture);
}

void loadSceneTextures(Scene3D* scene, const std::string& directory) {
  const ThreeDsData* mesh = scene->mesh;
  for (unsigned i = 0; i < mesh->materialCount; ++i)
    if (!loadMaterialTexture(directory, *mesh->materials[i], scene->textures[i])) imageLoadFailure(true);
}

void fillSceneTextures(Scene3D* scene, const TextureImage& texture) {
  for (unsigned i = 0; i < scene->mesh->materialCount; ++i) *scene->textures[i] = texture;
}

void buildTrackTree(Scene3D* scene) {
  TrackTreeNode* root = new TrackTreeNode();
  root->nodeIndex = kRootNodeIndex;
  root->worldMatrix = new Matrix4(kIdentityMatrix);
  root->worldRotation = new Matrix4(kIdentityMatrix);
  scene->trackTreeBytes = uint32_t(sizeof(TrackTreeNode) + 2 * sizeof(Matrix4));
  scene->trackTree = root;
  addChildren(scene, root);
  scene->totalBytes += scene->trackTreeBytes;
}

void prepareScene3D(Scene3D* scene) {
  ThreeDsData* mesh = scene->mesh;
  TransformedMesh* tm = scene->transformedMesh;
  // 1. Textures of the faces.
  if (mesh->materialCount)
    for (unsigned i = 0; i < mesh->objectCount; ++i) {
      const ThreeDsObject& obj = *mesh->objects[i];
      for (unsigned f = 0; f < obj.faceCount; ++f)
        tm->objects[i]->polygons[f].texture = scene->textures[obj.faces[f].materialIndex];
    }
  // 2. The editor's v runs the other way.
  for (unsigned i = 0; i < mesh->objectCount; ++i) {
    ThreeDsObject& obj = *mesh->objects[i];
    for (unsigned j = 0; j < obj.vertexCount; ++j) obj.vertices[j].v = -obj.vertices[j].v;
  }
  // 3. Rotation keys hold relative axis-angle steps; accumulate absolute quaternions.
  for (unsigned i = 0; i < mesh->trackNodeCount; ++i) {
    ThreeDsTrackNode& node = *mesh->trackNodes[i];
    if (node.kind != ThreeDsNodeKind::object) continue;
    for (unsigned r = 0; r < node.rotationKeyCount; ++r) {
      ThreeDsRotationKey& key = node.rotationKeys[r];
      Quaternion q = axisAngle(key.angle, key.axis);
      key.quaternion = r == 0 ? q : quaternionProduct(node.rotationKeys[r - 1].quaternion, q);
    }
  }
  // 4. Vertices into the local space of the object's node.
  for (unsigned i = 0; i < mesh->objectCount; ++i) {
    ThreeDsObject& obj = *mesh->objects[i];
    Vector3 pivot = hasNode(mesh, obj) ? mesh->trackNodes[obj.trackNode]->pivot : Vector3{0, 0, 0};
    Matrix4 m = fileToLocalMatrix(obj, pivot);
    for (unsigned j = 0; j < obj.vertexCount; ++j) {
      ThreeDsVertex& v = obj.vertices[j];
      Vector3 p = transformPoint({v.x, v.y, v.z}, m);
      v.x = p.x;
      v.y = p.y;
      v.z = p.z;
    }
  }
  // 5. Pivots.
  for (unsigned i = 0; i < mesh->trackNodeCount; ++i) tm->tracks[i]->pivot = mesh->trackNodes[i]->pivot;
  // 6. Nodes that never move are evaluated once here.
  for (unsigned i = 0; i < mesh->trackNodeCount; ++i) {
    ThreeDsTrackNode& node = *mesh->trackNodes[i];
    bool isStatic = node.positionKeyCount < 2 && node.rotationKeyCount < 2 && node.scaleKeyCount < 2 &&
                    node.fovKeyCount < 2 && node.rollKeyCount < 2 && node.morphKeyCount == 0;
    node.isStatic = isStatic ? 1 : 0;
    if (isStatic) evaluateTrack(node, *tm->tracks[i], 0.0f);
  }
  // 7. Face normals in local space.
  for (unsigned i = 0; i < mesh->objectCount; ++i) {
    ThreeDsObject& obj = *mesh->objects[i];
    for (unsigned f = 0; f < obj.faceCount; ++f) {
      const ThreeDsFace& face = obj.faces[f];
      const ThreeDsVertex &a = obj.vertices[face.a], &b = obj.vertices[face.b], &c = obj.vertices[face.c];
      obj.faceNormals[f] =
          normalised(crossProduct({b.x - a.x, b.y - a.y, b.z - a.z}, {c.x - a.x, c.y - a.y, c.z - a.z}));
    }
  }
  // 8. Objects follow their node's matrices.
  for (unsigned i = 0; i < mesh->objectCount; ++i) {
    const ThreeDsObject& obj = *mesh->objects[i];
    TransformedObject* to = tm->objects[i];
    if (hasNode(mesh, obj)) {
      to->worldMatrix = &tm->tracks[obj.trackNode]->worldMatrix;
      to->worldRotation = &tm->tracks[obj.trackNode]->worldRotation;
    }
  }
  // 9. Clean vertex arrays.
  for (unsigned i = 0; i < mesh->objectCount; ++i) {
    TransformedObject* to = tm->objects[i];
    for (uint32_t j = 0; j < to->vertexCapacity; ++j) to->vertices[j] = CameraVertex{0, 0, 0, 0, 0};
  }
}

void computeBoundingBoxes(Scene3D* scene) {
  ThreeDsData* mesh = scene->mesh;
  for (unsigned i = 0; i < mesh->objectCount; ++i) {
    ThreeDsObject& obj = *mesh->objects[i];
    if (obj.vertexCount == 0) continue;
    float minX = obj.vertices[0].x, maxX = minX, minY = obj.vertices[0].y, maxY = minY, minZ = obj.vertices[0].z,
          maxZ = minZ;
    for (unsigned j = 1; j < obj.vertexCount; ++j) {
      const ThreeDsVertex& v = obj.vertices[j];
      if (v.x < minX)
        minX = v.x;
      else if (v.x > maxX)
        maxX = v.x;
      if (v.y < minY)
        minY = v.y;
      else if (v.y > maxY)
        maxY = v.y;
      if (v.z < minZ)
        minZ = v.z;
      else if (v.z > maxZ)
        maxZ = v.z;
    }
    obj.boxCorners[0] = {minX, minY, minZ};
    obj.boxCorners[1] = {maxX, minY, minZ};
    obj.boxCorners[2] = {maxX, minY, maxZ};
    obj.boxCorners[3] = {minX, minY, maxZ};
    obj.boxCorners[4] = {minX, maxY, minZ};
    obj.boxCorners[5] = {maxX, maxY, minZ};
    obj.boxCorners[6] = {maxX, maxY, maxZ};
    obj.boxCorners[7] = {minX, maxY, maxZ};
  }
}

void releaseTrackTree(Scene3D* scene) {
  TrackTreeNode* root = scene->trackTree;
  if (!root) return;
  scene->totalBytes -= scene->trackTreeBytes;
  freeChildren(scene, root);
  delete root->worldMatrix;
  delete root->worldRotation;
  delete root;
  scene->trackTreeBytes = 0;
  scene->trackTree = nullptr;
}

void releaseSceneBuffers(Scene3D* scene) {
  ThreeDsData* mesh = scene->mesh;
  delete scene->camera;
  scene->camera = nullptr;
  if (ProjectedMesh* pm = scene->projectedMesh) {
    for (unsigned i = 0; i < pm->objectCount; ++i) {
      delete[] pm->objects[i]->polygons;
      delete[] pm->objects[i]->vertices;
      delete pm->objects[i];
    }
    delete[] pm->objects;
    delete pm;
    scene->projectedMesh = nullptr;
  }
  if (TransformedMesh* tm = scene->transformedMesh) {
    for (unsigned i = 0; i < tm->objectCount; ++i) {
      delete[] tm->objects[i]->polygons;
      delete[] tm->objects[i]->faceNormals;
      delete[] tm->objects[i]->vertices;
      delete tm->objects[i];
    }
    delete[] tm->objects;
    for (unsigned i = 0; i < tm->trackCount; ++i) delete tm->tracks[i];
    delete[] tm->tracks;
    delete tm;
    scene->transformedMesh = nullptr;
  }
  if (mesh) {
    for (unsigned i = 0; i < mesh->objectCount; ++i) {
      delete[] mesh->objects[i]->faceNormals;
      mesh->objects[i]->faceNormals = nullptr;
    }
    if (scene->textures) {
      for (unsigned i = 0; i < mesh->materialCount; ++i) delete scene->textures[i];
      delete[] scene->textures;
      scene->textures = nullptr;
    }
  }
  if (getDepthTarget() == scene->depthStore) setDepthTarget(nullptr);
  delete[] scene->depthStore;
  scene->depthStore = nullptr;
}

void releaseScene3D(Scene3D*& scene) {
  if (!scene) return;
  if (!free3ds(scene->mesh)) fatalReaderError();
  delete scene;
  scene = nullptr;
}
