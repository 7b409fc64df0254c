// The 3DS file reader: turns one 3DS scene file (the 3D editor's binary chunk format)
// into a ThreeDsData of linked lists and index arrays of mesh objects, cameras, lights,
// materials and keyframer track nodes. Every 3-component point is stored with the
// file's y and z exchanged. Every record and array is zero-filled when allocated; the
// ThreeDsData owns everything reachable from it until free3ds.
//
// Failures set one pending error code and make the call return false; the reader
// never prints. While a code is pending load3ds and free3ds refuse all work until
// take3dsError clears it. The *OrDie wrappers log the code's text at the fatal level,
// which ends the program.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/enginemath.hpp"

// Names hold at most 32 characters, texture file names 12; both are NUL-terminated.
constexpr int kThreeDsNameLength = 32;
constexpr int kThreeDsTextureFileLength = 12;
// A camera's positionNode/targetNode when no track node has its name; also a
// track node's parent in the file when the node is at the top level.
constexpr uint16_t kThreeDsNoNode = 0xFFFF;

enum class ThreeDsNodeKind : uint8_t {
  object = 1,
  cameraPosition = 2,
  cameraTarget = 4,
  spotlightPosition = 8,
  spotlightTarget = 16,
  omnilightPosition = 32,
};

enum ThreeDsError : int {
  kThreeDsNoError = 0,
  kThreeDsEmptyFileName = 1,
  kThreeDsCantOpen = 2,
  kThreeDsCantRead = 3,
  kThreeDsNoMemory = 4,
  kThreeDsNotThreeDs = 5,     // an outermost chunk is not "Main"
  kThreeDsCorrupt = 6,        // the file's structure does not fit together
  kThreeDsNothingToFree = 7,  // free3ds without a structure
};

struct ThreeDsVertex {
  float x, y, z;  // y and z exchanged against the file
  float u, v;     // 0 when the object has no mapping coordinates
};

struct ThreeDsFace {
  uint16_t a, b, c;  // vertex indices in file order
  uint8_t edgeAB;    // flags bit 2
  uint8_t edgeBC;    // flags bit 1
  uint8_t edgeCA;    // flags bit 0
  uint8_t wrapU;     // flags bit 3
  uint8_t wrapV;     // flags bit 4
  char materialName[kThreeDsNameLength + 1];  // empty when no mapping list names the face
  uint16_t materialIndex;                     // 0 when no material has the name
};

struct ThreeDsObject {
  ThreeDsObject* next;
  char name[kThreeDsNameLength + 1];
  uint16_t vertexCount;
  ThreeDsVertex* vertices;
  uint16_t faceCount;
  ThreeDsFace* faces;
  // The mesh matrix, rows and columns exchanged like the points.
  Vector3 xAxis;
  Vector3 yAxis;
  Vector3 zAxis;
  Vector3 origin;
  uint16_t trackNode;      // index of the track node of the same name; 0 when none
  Vector3 boxCorners[8];   // filled by scene construction
  Vector3* faceNormals;    // faceCount normals, owned and freed by scene construction
};

struct ThreeDsMaterial {
  ThreeDsMaterial* next;
  char name[kThreeDsNameLength + 1];
  uint8_t ambient[3];  // R, G, B
  char textureFile[kThreeDsTextureFileLength + 1];
  uint16_t textureAmount;
};

struct ThreeDsCamera {
  ThreeDsCamera* next;
  char name[kThreeDsNameLength + 1];
  Vector3 position;
  Vector3 target;
  float bank;
  float lens;
  uint16_t positionNode;  // kThreeDsNoNode when there is none
  uint16_t targetNode;    // kThreeDsNoNode when there is none
};

struct ThreeDsLight {
  ThreeDsLight* next;
  char name[kThreeDsNameLength + 1];
};

struct ThreeDsSplineParams {
  uint16_t flags;  // bit i set: the file held parameter i (0..15) before the value
  float tension;     // bit 0
  float continuity;  // bit 1
  float bias;        // bit 2
  float easeTo;      // bit 3
  float easeFrom;    // bit 4
};

struct ThreeDsPositionKey {
  uint16_t frame;
  Vector3 position;
  ThreeDsSplineParams spline;
};

struct ThreeDsRotationKey {
  uint16_t frame;
  float angle;
  Vector3 axis;
  ThreeDsSplineParams spline;
  Quaternion quaternion;  // accumulated absolute rotation, filled by scene construction
};

struct ThreeDsScaleKey {
  uint16_t frame;
  Vector3 scale;
  ThreeDsSplineParams spline;
};

struct ThreeDsMorphKey {
  uint16_t frame;
  char target[kThreeDsNameLength + 1];
  ThreeDsSplineParams spline;
};

struct ThreeDsFovKey {
  uint16_t frame;
  float fov;
  ThreeDsSplineParams spline;
};

struct ThreeDsRollKey {
  uint16_t frame;
  float roll;
  ThreeDsSplineParams spline;
};

struct ThreeDsTrackNode {
  uint8_t isStatic;  // set when the scene is prepared
  ThreeDsTrackNode* next;
  uint16_t nodeId;
  uint16_t parent;  // as stored; kThreeDsNoNode means top level
  ThreeDsNodeKind kind;
  char name[kThreeDsNameLength + 1];
  Vector3 pivot;
  uint16_t positionKeyCount;
  ThreeDsPositionKey* positionKeys;
  uint16_t rotationKeyCount;
  ThreeDsRotationKey* rotationKeys;
  uint16_t scaleKeyCount;
  ThreeDsScaleKey* scaleKeys;
  uint16_t morphKeyCount;
  ThreeDsMorphKey* morphKeys;
  uint16_t fovKeyCount;
  ThreeDsFovKey* fovKeys;
  uint16_t rollKeyCount;
  ThreeDsRollKey* rollKeys;
};

struct ThreeDsData {
  uint32_t totalBytes;  // the root, every record and every array it owns
  uint16_t objectCount;
  ThreeDsObject** objects;  // file order; none when the count is 0
  ThreeDsObject* objectList;
  uint16_t cameraCount;
  ThreeDsCamera** cameras;
  ThreeDsCamera* cameraList;
  uint16_t lightCount;
  ThreeDsLight** lights;
  ThreeDsLight* lightList;
  uint16_t materialCount;
  ThreeDsMaterial** materials;
  ThreeDsMaterial* materialList;
  uint16_t frameCount;  // |endFrame - startFrame|
  uint16_t startFrame;
  uint16_t endFrame;
  uint16_t trackNodeCount;
  ThreeDsTrackNode** trackNodes;
  ThreeDsTrackNode* trackNodeList;
};

// A chunk handler reads its chunk's data from just after the header; end is the
// chunk's end position.
using ThreeDsChunkHandler = void (*)(uint32_t depth, uint32_t end);

struct ChunkInfo {
  bool known;
  const char* name;  // "Unknown" for ids the reader does not know
  ThreeDsChunkHandler handler;  // none for containers and unknown ids
};

ChunkInfo lookupChunk(uint16_t id);

// Reads a show path ("DATA\\HYPER\\hyper.3ds"), resolved under the data root.
bool load3ds(ThreeDsData*& out, const std::string& fileName);
// Reads a path on disk as given.
bool load3dsFromDisk(ThreeDsData*& out, const std::string& path);
// Reads a file image already in memory (codes 1 to 4 cannot occur).
bool load3dsFromMemory(ThreeDsData*& out, const uint8_t* bytes, size_t size);
bool free3ds(ThreeDsData*& data);
int take3dsError();
const char* threeDsErrorText(int code);

// Load or free, and on failure log the error text at the fatal level (ends the
// program with exit status 1).
ThreeDsData* load3dsOrDie(const std::string& fileName);
void free3dsOrDie(ThreeDsData*& data);
