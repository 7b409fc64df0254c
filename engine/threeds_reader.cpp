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
#include "engine/threeds_chunks.hpp"
#include "engine/threeds_reader_state.hpp"
#include "base/datapath.hpp"

namespace threeds_detail {

ParseState st;

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
    if (depth == 0 && id != kChunkMain) {
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

}  // namespace threeds_detail

using namespace threeds_detail;

namespace {

int pendingError = 0;

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
