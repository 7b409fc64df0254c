// The 3DS reader's chunk table and handlers. A handler starts reading just after its
// chunk's header; the chunks that fill a record must stand inside the chunk that
// appended it.
#include <cstring>

#include "engine/threeds.hpp"
#include "engine/threeds_chunks.hpp"
#include "engine/threeds_reader_state.hpp"

using namespace threeds_detail;

namespace {

// The scratch colour and word carry over from chunk to chunk and from file to file.
uint8_t scratchColor[3] = {0, 0, 0};
uint16_t scratchWord = 0;

// The chunk whose handler is running: its start and whether it stands inside span.
uint32_t chunkStart() { return st.pos - kHeaderBytes; }

bool inside(const OwnerSpan& span, uint32_t end) {
  return chunkStart() >= span.start && end <= span.end;
}

bool ownObject(uint32_t end) {
  if (st.object == nullptr || !inside(st.objectSpan, end)) {
    corrupt();
    return false;
  }
  return true;
}

bool ownMaterial(uint32_t end) {
  if (st.material == nullptr || !inside(st.materialSpan, end)) {
    corrupt();
    return false;
  }
  return true;
}

bool ownNode(uint32_t end) {
  if (st.node == nullptr || !inside(st.nodeSpan, end)) {
    corrupt();
    return false;
  }
  return true;
}

// Appends a record to one of the root's lists; the 16-bit count must not wrap.
template <typename T>
T* appendRecord(uint16_t& count, T*& head, T*& current) {
  if (count == 0xFFFF) {
    corrupt();
    return nullptr;
  }
  T* record = allocRecords<T>(1);
  if (record == nullptr) return nullptr;
  ++count;
  if (count == 1)
    head = record;
  else
    current->next = record;
  current = record;
  return record;
}

void handleContentNotUsed(uint32_t, uint32_t) {}

void handleRgbByteColor(uint32_t, uint32_t) {
  const uint8_t r = readByte();
  const uint8_t g = readByte();
  const uint8_t b = readByte();
  if (st.error != 0) return;
  scratchColor[0] = r;
  scratchColor[1] = g;
  scratchColor[2] = b;
}

void handleWordValue(uint32_t, uint32_t) {
  const uint16_t value = readU16();
  if (st.error == 0) scratchWord = value;
}

void handleObjectBlock(uint32_t depth, uint32_t end) {
  readCString(st.objectName);
  walkChunks(depth, end);
}

void handleObjectMesh(uint32_t depth, uint32_t end) {
  const uint32_t start = chunkStart();
  ThreeDsObject* object = appendRecord(st.root->objectCount, st.root->objectList, st.object);
  if (object == nullptr) return;
  storeName(object->name, st.objectName);
  st.objectSpan = {start, end};
  walkChunks(depth, end);
}

void handleVertexList(uint32_t, uint32_t end) {
  if (!ownObject(end)) return;
  ThreeDsObject* object = st.object;
  const uint16_t count = readU16();
  if (st.error != 0) return;
  if (object->vertices != nullptr || remaining() / 12 < count) {
    corrupt();
    return;
  }
  object->vertexCount = count;
  object->vertices = allocRecords<ThreeDsVertex>(count);
  for (uint32_t i = 0; i < count && st.error == 0; ++i) {
    ThreeDsVertex& v = object->vertices[i];
    v.x = readF32();
    v.z = readF32();
    v.y = readF32();
  }
}

void handleFaceList(uint32_t depth, uint32_t end) {
  if (!ownObject(end)) return;
  ThreeDsObject* object = st.object;
  const uint16_t count = readU16();
  if (st.error != 0) return;
  if (object->faces != nullptr || remaining() / 8 < count) {
    corrupt();
    return;
  }
  object->faceCount = count;
  object->faces = allocRecords<ThreeDsFace>(count);
  for (uint32_t i = 0; i < count && st.error == 0; ++i) {
    ThreeDsFace& f = object->faces[i];
    f.a = readU16();
    f.b = readU16();
    f.c = readU16();
    const uint16_t flags = readU16();
    f.edgeAB = (flags >> 2) & 1;
    f.edgeBC = (flags >> 1) & 1;
    f.edgeCA = flags & 1;
    f.wrapU = (flags >> 3) & 1;
    f.wrapV = (flags >> 4) & 1;
  }
  walkChunks(depth, end);
}

void handleFacesMappingList(uint32_t, uint32_t end) {
  if (!ownObject(end)) return;
  ThreeDsObject* object = st.object;
  char name[256];
  readCString(name);
  const uint16_t count = readU16();
  if (st.error != 0) return;
  if (remaining() / 2 < count) {
    corrupt();
    return;
  }
  for (uint32_t i = 0; i < count && st.error == 0; ++i) {
    const uint16_t face = readU16();
    if (face >= object->faceCount) {
      corrupt();
      return;
    }
    storeName(object->faces[face].materialName, name);
  }
}

void handleMappingCoordinates(uint32_t, uint32_t end) {
  if (!ownObject(end)) return;
  ThreeDsObject* object = st.object;
  const uint16_t count = readU16();
  if (st.error != 0) return;
  if (count > object->vertexCount || remaining() / 8 < count) {
    corrupt();
    return;
  }
  for (uint32_t i = 0; i < count && st.error == 0; ++i) {
    object->vertices[i].u = readF32();
    object->vertices[i].v = readF32();
  }
}

void handleObjectMatrix(uint32_t, uint32_t end) {
  if (!ownObject(end)) return;
  float m[12];
  for (float& value : m) value = readF32();
  if (st.error != 0) return;
  // The file's Y-axis row becomes zAxis and its Z-axis row yAxis; inside every row
  // the second and third components are exchanged as for points.
  ThreeDsObject* object = st.object;
  object->xAxis = {m[0], m[2], m[1]};
  object->yAxis = {m[6], m[8], m[7]};
  object->zAxis = {m[3], m[5], m[4]};
  object->origin = {m[9], m[11], m[10]};
}

void handleLight(uint32_t, uint32_t) {
  ThreeDsLight* light = appendRecord(st.root->lightCount, st.root->lightList, st.light);
  if (light != nullptr) storeName(light->name, st.objectName);
}

void handleCamera(uint32_t depth, uint32_t end) {
  ThreeDsCamera* camera = appendRecord(st.root->cameraCount, st.root->cameraList, st.camera);
  if (camera == nullptr) return;
  storeName(camera->name, st.objectName);
  camera->position = readPoint();
  camera->target = readPoint();
  camera->bank = readF32();
  camera->lens = readF32();
  walkChunks(depth, end);
}

void handleMaterialBlock(uint32_t depth, uint32_t end) {
  const uint32_t start = chunkStart();
  if (appendRecord(st.root->materialCount, st.root->materialList, st.material) == nullptr) return;
  st.materialSpan = {start, end};
  walkChunks(depth, end);
}

void handleMaterialName(uint32_t, uint32_t end) {
  if (!ownMaterial(end)) return;
  char name[256];
  readCString(name);
  if (st.error == 0) storeName(st.material->name, name);
}

void handleTextureFile(uint32_t, uint32_t end) {
  if (!ownMaterial(end)) return;
  char name[256];
  readCString(name);
  if (st.error == 0) storeName(st.material->textureFile, name);
}

void handleMaterialAmbient(uint32_t depth, uint32_t end) {
  if (!ownMaterial(end)) return;
  ThreeDsMaterial* material = st.material;
  walkChunks(depth, end);
  std::memcpy(material->ambient, scratchColor, 3);
}

void handleMaterialTexture(uint32_t depth, uint32_t end) {
  if (!ownMaterial(end)) return;
  ThreeDsMaterial* material = st.material;
  walkChunks(depth, end);
  material->textureAmount = scratchWord;
}

void appendTrackNode(ThreeDsNodeKind kind, uint32_t depth, uint32_t end) {
  const uint32_t start = chunkStart();
  ThreeDsTrackNode* node =
      appendRecord(st.root->trackNodeCount, st.root->trackNodeList, st.node);
  if (node == nullptr) return;
  node->kind = kind;
  st.nodeSpan = {start, end};
  walkChunks(depth, end);
}

void handleObjectTrack(uint32_t depth, uint32_t end) {
  appendTrackNode(ThreeDsNodeKind::object, depth, end);
}
void handleCameraPositionTrack(uint32_t depth, uint32_t end) {
  appendTrackNode(ThreeDsNodeKind::cameraPosition, depth, end);
}
void handleCameraTargetTrack(uint32_t depth, uint32_t end) {
  appendTrackNode(ThreeDsNodeKind::cameraTarget, depth, end);
}
void handleSpotlightPositionTrack(uint32_t depth, uint32_t end) {
  appendTrackNode(ThreeDsNodeKind::spotlightPosition, depth, end);
}
void handleSpotlightTargetTrack(uint32_t depth, uint32_t end) {
  appendTrackNode(ThreeDsNodeKind::spotlightTarget, depth, end);
}
void handleOmnilightTrack(uint32_t depth, uint32_t end) {
  appendTrackNode(ThreeDsNodeKind::omnilightPosition, depth, end);
}

void handleFramesInfo(uint32_t, uint32_t) {
  const uint32_t start = readU32();
  const uint32_t finish = readU32();
  if (st.error != 0) return;
  st.root->startFrame = static_cast<uint16_t>(start);
  st.root->endFrame = static_cast<uint16_t>(finish);
  const int difference = static_cast<int>(st.root->endFrame) - st.root->startFrame;
  st.root->frameCount = static_cast<uint16_t>(difference < 0 ? -difference : difference);
}

void handleTrackName(uint32_t, uint32_t end) {
  if (!ownNode(end)) return;
  char name[256];
  readCString(name);
  readU16();
  readU16();
  const uint16_t parent = readU16();
  if (st.error != 0) return;
  storeName(st.node->name, name);
  st.node->parent = parent;
}

void handleTrackNumber(uint32_t, uint32_t end) {
  if (!ownNode(end)) return;
  const uint16_t id = readU16();
  if (st.error == 0) st.node->nodeId = id;
}

void handleTrackPivot(uint32_t, uint32_t end) {
  if (!ownNode(end)) return;
  const Vector3 pivot = readPoint();
  if (st.error == 0) st.node->pivot = pivot;
}

void readSpline(ThreeDsSplineParams& spline) {
  spline.flags = readU16();
  for (int bit = 0; bit < 16 && st.error == 0; ++bit) {
    if ((spline.flags & (1u << bit)) == 0) continue;
    const float value = readF32();
    switch (bit) {
      case 0: spline.tension = value; break;
      case 1: spline.continuity = value; break;
      case 2: spline.bias = value; break;
      case 3: spline.easeTo = value; break;
      case 4: spline.easeFrom = value; break;
      default: break;  // further parameters are not used
    }
  }
}

// Reads the track header and key count and allocates the keys. valueBytes is the
// least a key's value takes, so a count that cannot fit the chunk is refused before
// anything is allocated.
template <typename Key>
bool beginKeyTrack(uint16_t& count, Key*& keys, uint32_t valueBytes) {
  for (int i = 0; i < 5; ++i) readU16();
  const uint16_t keyCount = readU16();
  readU16();
  if (st.error != 0) return false;
  if (keys != nullptr || remaining() / (6 + valueBytes) < keyCount) {
    corrupt();
    return false;
  }
  count = keyCount;
  keys = allocRecords<Key>(keyCount);
  return st.error == 0;
}

template <typename Key>
void readKeyStart(Key& key) {
  key.frame = readU16();
  readU16();
  readSpline(key.spline);
}

void handlePositionKeys(uint32_t, uint32_t end) {
  if (!ownNode(end)) return;
  ThreeDsTrackNode* node = st.node;
  if (!beginKeyTrack(node->positionKeyCount, node->positionKeys, 12)) return;
  for (uint32_t i = 0; i < node->positionKeyCount && st.error == 0; ++i) {
    readKeyStart(node->positionKeys[i]);
    node->positionKeys[i].position = readPoint();
  }
}

void handleRotationKeys(uint32_t, uint32_t end) {
  if (!ownNode(end)) return;
  ThreeDsTrackNode* node = st.node;
  if (!beginKeyTrack(node->rotationKeyCount, node->rotationKeys, 16)) return;
  for (uint32_t i = 0; i < node->rotationKeyCount && st.error == 0; ++i) {
    readKeyStart(node->rotationKeys[i]);
    node->rotationKeys[i].angle = readF32();
    node->rotationKeys[i].axis = readPoint();
  }
}

void handleScaleKeys(uint32_t, uint32_t end) {
  if (!ownNode(end)) return;
  ThreeDsTrackNode* node = st.node;
  if (!beginKeyTrack(node->scaleKeyCount, node->scaleKeys, 12)) return;
  for (uint32_t i = 0; i < node->scaleKeyCount && st.error == 0; ++i) {
    readKeyStart(node->scaleKeys[i]);
    node->scaleKeys[i].scale = readPoint();
  }
}

void handleFovKeys(uint32_t, uint32_t end) {
  if (!ownNode(end)) return;
  ThreeDsTrackNode* node = st.node;
  if (!beginKeyTrack(node->fovKeyCount, node->fovKeys, 4)) return;
  for (uint32_t i = 0; i < node->fovKeyCount && st.error == 0; ++i) {
    readKeyStart(node->fovKeys[i]);
    node->fovKeys[i].fov = readF32();
  }
}

void handleRollKeys(uint32_t, uint32_t end) {
  if (!ownNode(end)) return;
  ThreeDsTrackNode* node = st.node;
  if (!beginKeyTrack(node->rollKeyCount, node->rollKeys, 4)) return;
  for (uint32_t i = 0; i < node->rollKeyCount && st.error == 0; ++i) {
    readKeyStart(node->rollKeys[i]);
    node->rollKeys[i].roll = readF32();
  }
}

void handleMorphKeys(uint32_t, uint32_t end) {
  if (!ownNode(end)) return;
  ThreeDsTrackNode* node = st.node;
  if (!beginKeyTrack(node->morphKeyCount, node->morphKeys, 1)) return;
  for (uint32_t i = 0; i < node->morphKeyCount && st.error == 0; ++i) {
    readKeyStart(node->morphKeys[i]);
    char target[256];
    readCString(target);
    if (st.error == 0) storeName(node->morphKeys[i].target, target);
  }
}

struct ChunkEntry {
  ThreeDsChunkId id;
  const char* name;
  ThreeDsChunkHandler handler;
};

const ChunkEntry kChunks[] = {
    {kChunkRgbFloat, "RGB float color", handleContentNotUsed},
    {kChunkRgbByte, "RGB byte color", handleRgbByteColor},
    {kChunkWordValue, "WORD value", handleWordValue},
    {kChunkBackgroundColor, "Background color", nullptr},
    {kChunkAmbientColor, "Ambient color", nullptr},
    {kChunkEditor, "Editor", nullptr},
    {kChunkObjectBlock, "Object block", handleObjectBlock},
    {kChunkObjectMesh, "Object mesh", handleObjectMesh},
    {kChunkVertexList, "Vertex list", handleVertexList},
    {kChunkFaceList, "Face list", handleFaceList},
    {kChunkFacesMaterial, "Faces mapping list", handleFacesMappingList},
    {kChunkMappingCoordinates, "Mapping coordinates list", handleMappingCoordinates},
    {kChunkObjectMatrix, "Object transformation matrix", handleObjectMatrix},
    {kChunkObjectVisibility, "Object visibility", handleContentNotUsed},
    {kChunkLight, "Light", handleLight},
    {kChunkCamera, "Camera", handleCamera},
    {kChunkMain, "Main", nullptr},
    {kChunkMaterialName, "Material name", handleMaterialName},
    {kChunkMaterialAmbient, "Material ambient color", handleMaterialAmbient},
    {kChunkMaterialTexture, "Material texture data", handleMaterialTexture},
    {kChunkTextureFile, "Texture map filename", handleTextureFile},
    {kChunkMaterialBlock, "Material block", handleMaterialBlock},
    {kChunkKeyframer, "Keyframer", nullptr},
    {kChunkObjectTrack, "Object track info", handleObjectTrack},
    {kChunkCameraPositionTrack, "Camera position track info", handleCameraPositionTrack},
    {kChunkCameraTargetTrack, "Camera target track info", handleCameraTargetTrack},
    {kChunkSpotlightPositionTrack, "Spotlight(?) position track info", handleSpotlightPositionTrack},
    {kChunkSpotlightTargetTrack, "Spotlight(?) target position track info", handleSpotlightTargetTrack},
    {kChunkOmnilightTrack, "Omnilight(?) positition track info", handleOmnilightTrack},
    {kChunkFramesInfo, "Frames info", handleFramesInfo},
    {kChunkTrackName, "Track name", handleTrackName},
    {kChunkTrackPivot, "Track pivot point", handleTrackPivot},
    {kChunkPositionKeys, "Track position keys", handlePositionKeys},
    {kChunkRotationKeys, "Track rotate keys", handleRotationKeys},
    {kChunkScaleKeys, "Track scale keys", handleScaleKeys},
    {kChunkFovKeys, "Track camera FOV keys", handleFovKeys},
    {kChunkRollKeys, "Track camera roll keys", handleRollKeys},
    {kChunkMorphKeys, "Track morph keys", handleMorphKeys},
    {kChunkHideKeys, "Track hide keys", handleContentNotUsed},
    {kChunkTrackNumber, "Track number", handleTrackNumber},
};

}  // namespace

ChunkInfo lookupChunk(uint16_t id) {
  for (const ChunkEntry& entry : kChunks)
    if (entry.id == id) return ChunkInfo{true, entry.name, entry.handler};
  return ChunkInfo{false, "Unknown", nullptr};
}
