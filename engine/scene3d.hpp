// The engine's prepared 3D scene: the 3DS data it was read from plus everything
// derived from it (camera-space and screen-space copies of the objects, evaluated
// keyframer nodes, the node hierarchy, the projection camera, one texture per
// material and the scene's own depth buffer). Everything is allocated once at load
// and freed at release; the per-frame passes only overwrite it.
#pragma once
#include <cstdint>

#include "engine/enginemath.hpp"

struct ThreeDsData;

constexpr int kScreenWidth = 320;
constexpr int kScreenHeight = 200;
constexpr int kScreenPixels = kScreenWidth * kScreenHeight;
constexpr int kMaxPolygonCorners = 15;
// Clipping adds at most two vertices per plane crossed, six planes.
constexpr int kClipVerticesPerFace = 12;

// 256 x 256 texels in the frame buffer's pixel layout, row by row.
struct TextureImage {
  uint32_t texels[256 * 256];
};

// Camera-space position and texture coordinates (1.0 = the image width).
struct CameraVertex {
  float x, y, z, u, v;
};

// Screen column in 24.8 fixed point, whole row, 1/z, texel positions with 8
// fractional bits (bits 8..15 select the texel).
struct ScreenVertex {
  int32_t sx;
  int32_t sy;
  float invZ;
  int32_t tu;
  int32_t tv;
};

struct Polygon {
  int32_t corner[kMaxPolygonCorners];
  uint8_t edgeFlags[kMaxPolygonCorners];
  int32_t cornerCount;
  TextureImage* texture;
  uint32_t shade[2];
  uint8_t visible;
};

struct TransformedObject {
  CameraVertex* vertices;
  uint32_t vertexCapacity;
  uint32_t vertexCount;
  Polygon* polygons;
  uint32_t polygonCount;
  uint8_t visible;
  uint8_t clipFlags[6];  // near, far, left, right, upper, lower
  Vector3 boxCorners[8];
  Vector3* faceNormals;
  // Borrowed from the object's TrackState (the identity when it has no node).
  const Matrix4* worldMatrix;
  const Matrix4* worldRotation;
  char name[33];
};

struct TrackState {
  uint8_t kind;
  Vector3 pivot;
  Vector3 position;
  Quaternion rotation;
  Vector3 scale;
  float fov;
  float roll;
  Matrix4 localMatrix;
  Matrix4 worldMatrix;
  Matrix4 localRotation;
  Matrix4 worldRotation;
};

struct TransformedMesh {
  uint32_t bytes;
  uint16_t objectCount;
  TransformedObject** objects;
  uint16_t trackCount;
  TrackState** tracks;
};

struct ProjectedObject {
  ScreenVertex* vertices;
  uint32_t vertexCapacity;
  Polygon** polygons;  // polygon k of the TransformedObject of the same index
  uint32_t polygonCount;
  uint8_t visible;
};

struct ProjectedMesh {
  uint32_t bytes;
  uint16_t objectCount;
  ProjectedObject** objects;
};

constexpr uint16_t kRootNodeIndex = 0xFFFF;

struct TrackTreeNode {
  uint16_t nodeIndex;  // kRootNodeIndex at the root
  uint32_t childCount;
  TrackTreeNode** children;
  Matrix4* worldMatrix;
  Matrix4* worldRotation;
};

struct ProjectionCamera {
  Vector3 position;
  Vector3 target;
  float roll;
  float fov;
  Vector3 xAxis, yAxis, zAxis;
  float xMagnify;
  float yMagnify;
  float nearZPlane;
  float farZPlane;
  Matrix4 translation;
  Matrix4 rotation;
  Matrix4 transformation;
};

struct Scene3D {
  ThreeDsData* mesh;
  TransformedMesh* transformedMesh;
  ProjectedMesh* projectedMesh;
  TrackTreeNode* trackTree;
  uint32_t trackTreeBytes;
  void* precalcData;  // reserved; stays empty
  uint32_t precalcBytes;
  uint32_t totalBytes;
  ProjectionCamera* camera;
  float* depthStore;  // 320 x 200 values of 1/z
  TextureImage** textures;  // one per material of the mesh
};
