// The 3DS reader: one block read of the file, then a recursive walk over its chunk
// tree. Every read is checked against the end of the chunk being read and every
// index against the array it names; a file whose structure does not fit together
// is refused with kThreeDsCorrupt and nothing of it is handed out.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "engine/enginelog.hpp"
#include "engine/threeds.hpp"
#include "main/datapath.hpp"

namespace {

constexpr uint32_t kHeaderBytes = 6;
constexpr uint16_t kMainChunk = 0x4D4D;
// Real files nest five or six levels; the cap keeps a crafted file from exhausting
// the stack with thousands of nested containers.
constexpr uint32_t kMaxDepth = 2 * 64;

// The region of the file inside which the current record of a list was appended;
// the chunks that fill a record must stand inside it.
struct OwnerSpan {
  uint32_t start;
  uint32_t end;
};

struct ParseState {
  const uint8_t* buffer;
  uint32_t size;
  uint32_t pos;
  uint32_t limit;  // end of the chunk whose data is being read
  int error;       // code found during this parse
  ThreeDsData* root;
  uint32_t bytes;
  char objectName[256];
  ThreeDsObject* object;
  ThreeDsCamera* camera;
  ThreeDsLight* light;
  ThreeDsMaterial* material;
  ThreeDsTrackNode* node;
  OwnerSpan objectSpan;
  OwnerSpan materialSpan;
  OwnerSpan nodeSpan;
  ThreeDsNodeKind nextKind;
};

ParseState st;
int pendingError = 0;
// The scratch colour and word carry over from chunk to chunk and from file to file.
uint8_t scratchColor[3] = {0, 0, 0};
uint16_t scratchWord = 0;

void corrupt() {
  if (st.error == 0) st.error = kThreeDsCorrupt;
}

void* allocZeroed(size_t count, size_t size) {
  if (count == 0) return nullptr;
  void* block = std::calloc(count, size);
  if (block == nullptr) {
    if (st.error == 0) st.error = kThreeDsNoMemory;
    return nullptr;
  }
  st.bytes += static_cast<uint32_t>(count * size);
  return block;
}

template <typename T>
T* allocRecords(size_t count) {
  return static_cast<T*>(allocZeroed(count, sizeof(T)));
}

// --- reading primitives -----------------------------------------------------------

bool canRead(uint32_t n) {
  if (st.error != 0) return false;
  if (st.pos > st.limit || st.limit - st.pos < n) {
    corrupt();
    return false;
  }
  return true;
}

uint32_t remaining() { return st.pos < st.limit ? st.limit - st.pos : 0; }

uint8_t readByte() {
  if (!canRead(1)) return 0;
  return st.buffer[st.pos++];
}

uint16_t readU16() {
  if (!canRead(2)) return 0;
  const uint8_t* p = st.buffer + st.pos;
  st.pos += 2;
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t readU32() {
  if (!canRead(4)) return 0;
  const uint8_t* p = st.buffer + st.pos;
  st.pos += 4;
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

float readF32() {
  const uint32_t bits = readU32();
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// A file point with its y and z exchanged.
Vector3 readPoint() {
  Vector3 v;
  v.x = readF32();
  v.z = readF32();
  v.y = readF32();
  return v;
}

// Reads up to and including the zero byte; keeps at most 255 characters. An empty
// string becomes "$DUMMY$".
void readCString(char (&out)[256]) {
  size_t length = 0;
  for (;;) {
    const uint8_t ch = readByte();
    if (st.error != 0 || ch == 0) break;
    if (length < 255) out[length++] = static_cast<char>(ch);
  }
  out[length] = '\0';
  if (length == 0) std::strcpy(out, "$DUMMY$");
}

template <size_t N>
void storeName(char (&field)[N], const char* text) {
  const size_t length = strnlen(text, N - 1);
  std::memcpy(field, text, length);
  field[length] = '\0';
}

// --- chunk walk ---------------------------------------------------------------------

void walkChunks(uint32_t depth, uint32_t end);

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
  uint16_t id;
  const char* name;
  ThreeDsChunkHandler handler;
};

const ChunkEntry kChunks[] = {
    {0x0010, "RGB float color", handleContentNotUsed},
    {0x0011, "RGB byte color", handleRgbByteColor},
    {0x0030, "WORD value", handleWordValue},
    {0x1200, "Background color", nullptr},
    {0x2100, "Ambient color", nullptr},
    {0x3D3D, "Editor", nullptr},
    {0x4000, "Object block", handleObjectBlock},
    {0x4100, "Object mesh", handleObjectMesh},
    {0x4110, "Vertex list", handleVertexList},
    {0x4120, "Face list", handleFaceList},
    {0x4130, "Faces mapping list", handleFacesMappingList},
    {0x4140, "Mapping coordinates list", handleMappingCoordinates},
    {0x4160, "Object transformation matrix", handleObjectMatrix},
    {0x4165, "Object visibility", handleContentNotUsed},
    {0x4600, "Light", handleLight},
    {0x4700, "Camera", handleCamera},
    {0x4D4D, "Main", nullptr},
    {0xA000, "Material name", handleMaterialName},
    {0xA010, "Material ambient color", handleMaterialAmbient},
    {0xA200, "Material texture data", handleMaterialTexture},
    {0xA300, "Texture map filename", handleTextureFile},
    {0xAFFF, "Material block", handleMaterialBlock},
    {0xB000, "Keyframer", nullptr},
    {0xB002, "Object track info", handleObjectTrack},
    {0xB003, "Camera position track info", handleCameraPositionTrack},
    {0xB004, "Camera target track info", handleCameraTargetTrack},
    {0xB005, "Spotlight(?) position track info", handleSpotlightPositionTrack},
    {0xB006, "Spotlight(?) target position track info", handleSpotlightTargetTrack},
    {0xB007, "Omnilight(?) positition track info", handleOmnilightTrack},
    {0xB008, "Frames info", handleFramesInfo},
    {0xB010, "Track name", handleTrackName},
    {0xB013, "Track pivot point", handleTrackPivot},
    {0xB020, "Track position keys", handlePositionKeys},
    {0xB021, "Track rotate keys", handleRotationKeys},
    {0xB022, "Track scale keys", handleScaleKeys},
    {0xB023, "Track camera FOV keys", handleFovKeys},
    {0xB024, "Track camera roll keys", handleRollKeys},
    {0xB026, "Track morph keys", handleMorphKeys},
    {0xB029, "Track hide keys", handleContentNotUsed},
    {0xB030, "Track number", handleTrackNumber},
};

// Walks the chunks from the read position up to end. Every chunk must fit inside
// its parent (the file itself at the outermost level, where the walk stops one
// byte short of the file's end).
void walkChunks(uint32_t depth, uint32_t end) {
  if (depth > kMaxDepth) {
    corrupt();
    return;
  }
  const uint32_t bound = depth == 0 ? st.size : end;
  while (st.pos < end && st.error == 0) {
    const uint32_t start = st.pos;
    if (start > bound || bound - start < kHeaderBytes) {
      corrupt();
      return;
    }
    const uint8_t* p = st.buffer + start;
    const uint16_t id = static_cast<uint16_t>(p[0] | (p[1] << 8));
    const uint32_t length = static_cast<uint32_t>(p[2]) | (static_cast<uint32_t>(p[3]) << 8) |
                            (static_cast<uint32_t>(p[4]) << 16) |
                            (static_cast<uint32_t>(p[5]) << 24);
    st.pos = start + kHeaderBytes;
    if (length == 0) return;  // the rest of this level is not read
    if (depth == 0 && id != kMainChunk) {
      st.error = kThreeDsNotThreeDs;
      return;
    }
    if (length < kHeaderBytes || length > bound - start) {
      corrupt();
      return;
    }
    const uint32_t chunkEnd = start + length;
    const ChunkInfo info = lookupChunk(id);
    if (info.known) {
      const uint32_t outerLimit = st.limit;
      st.limit = chunkEnd;
      if (info.handler != nullptr)
        info.handler(depth + 2, chunkEnd);
      else
        walkChunks(depth + 2, chunkEnd);
      st.limit = outerLimit;
    }
    st.pos = chunkEnd;
  }
}

// --- after the walk -----------------------------------------------------------------

template <typename T>
T** buildIndex(uint16_t count, T* head) {
  T** index = static_cast<T**>(allocZeroed(count, sizeof(T*)));
  if (index == nullptr) return nullptr;
  T* record = head;
  for (uint32_t i = 0; i < count && record != nullptr; ++i) {
    index[i] = record;
    record = record->next;
  }
  return index;
}

void buildIndexArrays(ThreeDsData* root) {
  root->objects = buildIndex(root->objectCount, root->objectList);
  root->cameras = buildIndex(root->cameraCount, root->cameraList);
  root->lights = buildIndex(root->lightCount, root->lightList);
  root->materials = buildIndex(root->materialCount, root->materialList);
  root->trackNodes = buildIndex(root->trackNodeCount, root->trackNodeList);
}

// Faces may come before their vertex list, so their indices are checked once the
// whole file is read.
bool facesFitVertices(const ThreeDsData* root) {
  for (const ThreeDsObject* object = root->objectList; object != nullptr; object = object->next)
    for (uint32_t i = 0; i < object->faceCount; ++i) {
      const ThreeDsFace& f = object->faces[i];
      if (f.a >= object->vertexCount || f.b >= object->vertexCount || f.c >= object->vertexCount)
        return false;
    }
  return true;
}

void linkNames(ThreeDsData* root) {
  for (uint32_t o = 0; o < root->objectCount; ++o) {
    ThreeDsObject* object = root->objects[o];
    for (uint32_t f = 0; f < object->faceCount; ++f)
      for (uint32_t m = 0; m < root->materialCount; ++m)
        if (std::strcmp(root->materials[m]->name, object->faces[f].materialName) == 0)
          object->faces[f].materialIndex = static_cast<uint16_t>(m);
    for (uint32_t n = 0; n < root->trackNodeCount; ++n)
      if (std::strcmp(root->trackNodes[n]->name, object->name) == 0)
        object->trackNode = static_cast<uint16_t>(n);
  }
  for (uint32_t c = 0; c < root->cameraCount; ++c) {
    ThreeDsCamera* camera = root->cameras[c];
    camera->positionNode = kThreeDsNoNode;
    camera->targetNode = kThreeDsNoNode;
    for (uint32_t n = 0; n < root->trackNodeCount; ++n) {
      const ThreeDsTrackNode* node = root->trackNodes[n];
      if (std::strcmp(node->name, camera->name) != 0) continue;
      if (node->kind == ThreeDsNodeKind::cameraPosition)
        camera->positionNode = static_cast<uint16_t>(n);
      else if (node->kind == ThreeDsNodeKind::cameraTarget)
        camera->targetNode = static_cast<uint16_t>(n);
    }
  }
}

// Frees by following the lists, so it also serves a structure whose index arrays
// were never built.
void releaseStructure(ThreeDsData* root) {
  for (ThreeDsObject* object = root->objectList; object != nullptr;) {
    ThreeDsObject* next = object->next;
    std::free(object->vertices);
    std::free(object->faces);
    std::free(object);
    object = next;
  }
  std::free(root->objects);
  for (ThreeDsCamera* camera = root->cameraList; camera != nullptr;) {
    ThreeDsCamera* next = camera->next;
    std::free(camera);
    camera = next;
  }
  std::free(root->cameras);
  for (ThreeDsLight* light = root->lightList; light != nullptr;) {
    ThreeDsLight* next = light->next;
    std::free(light);
    light = next;
  }
  std::free(root->lights);
  for (ThreeDsMaterial* material = root->materialList; material != nullptr;) {
    ThreeDsMaterial* next = material->next;
    std::free(material);
    material = next;
  }
  std::free(root->materials);
  for (ThreeDsTrackNode* node = root->trackNodeList; node != nullptr;) {
    ThreeDsTrackNode* next = node->next;
    std::free(node->positionKeys);
    std::free(node->rotationKeys);
    std::free(node->scaleKeys);
    std::free(node->morphKeys);
    std::free(node->fovKeys);
    std::free(node->rollKeys);
    std::free(node);
    node = next;
  }
  std::free(root->trackNodes);
  std::free(root);
}

// Parses a whole file image. The caller has checked that no error is pending.
bool parseImage(ThreeDsData*& out, const uint8_t* bytes, size_t size) {
  // A file too short for one chunk header (or too large for 32-bit positions) holds
  // no readable chunk tree.
  if (size < kHeaderBytes || size > 0xFFFFFFFFu) {
    pendingError = kThreeDsCorrupt;
    return false;
  }
  st = ParseState{};
  st.buffer = bytes;
  st.size = static_cast<uint32_t>(size);
  st.limit = st.size;
  st.root = allocRecords<ThreeDsData>(1);
  if (st.root == nullptr) {
    pendingError = kThreeDsNoMemory;
    return false;
  }
  walkChunks(0, st.size - 1);
  if (st.error != 0 && st.error != kThreeDsNotThreeDs) {
    releaseStructure(st.root);
    pendingError = st.error;
    st = ParseState{};
    return false;
  }
  if (!facesFitVertices(st.root)) {
    releaseStructure(st.root);
    pendingError = kThreeDsCorrupt;
    st = ParseState{};
    return false;
  }
  buildIndexArrays(st.root);
  if (st.error == kThreeDsNoMemory) {
    releaseStructure(st.root);
    pendingError = st.error;
    st = ParseState{};
    return false;
  }
  linkNames(st.root);
  st.root->totalBytes = st.bytes;
  out = st.root;
  pendingError = st.error;
  st = ParseState{};
  return pendingError == 0;
}

}  // namespace

ChunkInfo lookupChunk(uint16_t id) {
  for (const ChunkEntry& entry : kChunks)
    if (entry.id == id) return ChunkInfo{true, entry.name, entry.handler};
  return ChunkInfo{false, "Unknown", nullptr};
}

bool load3dsFromMemory(ThreeDsData*& out, const uint8_t* bytes, size_t size) {
  if (pendingError != 0) return false;
  return parseImage(out, bytes, size);
}

bool load3dsFromDisk(ThreeDsData*& out, const std::string& path) {
  if (pendingError != 0) return false;
  if (path.empty()) {
    pendingError = kThreeDsEmptyFileName;
    return false;
  }
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) {
    pendingError = kThreeDsCantOpen;
    return false;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    pendingError = kThreeDsCantRead;
    return false;
  }
  const size_t size = static_cast<size_t>(info.st_size);
  uint8_t* buffer = static_cast<uint8_t*>(std::malloc(size > 0 ? size : 1));
  if (buffer == nullptr) {
    ::close(fd);
    pendingError = kThreeDsNoMemory;
    return false;
  }
  size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, buffer + got, size - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  if (got != size) {
    std::free(buffer);
    pendingError = kThreeDsCantRead;
    return false;
  }
  const bool ok = parseImage(out, buffer, size);
  std::free(buffer);
  return ok;
}

bool load3ds(ThreeDsData*& out, const std::string& fileName) {
  if (pendingError != 0) return false;
  if (fileName.empty()) {
    pendingError = kThreeDsEmptyFileName;
    return false;
  }
  return load3dsFromDisk(out, resolveDataPath(fileName));
}

bool free3ds(ThreeDsData*& data) {
  if (pendingError != 0) return false;
  if (data == nullptr) {
    pendingError = kThreeDsNothingToFree;
    return false;
  }
  releaseStructure(data);
  data = nullptr;
  return true;
}

int take3dsError() {
  const int code = pendingError;
  pendingError = 0;
  return code;
}

const char* threeDsErrorText(int code) {
  switch (code) {
    case kThreeDsEmptyFileName: return "Filename is empty!";
    case kThreeDsCantOpen: return "Can't open .3DS file!";
    case kThreeDsCantRead: return "Can't read .3DS file!";
    case kThreeDsNoMemory: return "Not enough memory available to load .3DS file!";
    case kThreeDsNotThreeDs: return "Not a 3DS file or corrupted file!";
    case kThreeDsCorrupt: return "Fatal error in .3DS file!";
    case kThreeDsNothingToFree: return "Can't free up 3DS structure!";
    default: return "Unknown error!";
  }
}

ThreeDsData* load3dsOrDie(const std::string& fileName) {
  ThreeDsData* data = nullptr;
  if (!load3ds(data, fileName)) logFatal(threeDsErrorText(take3dsError()), stopOnFatal);
  return data;
}

void free3dsOrDie(ThreeDsData*& data) {
  if (!free3ds(data)) logFatal(threeDsErrorText(take3dsError()), stopOnFatal);
}
