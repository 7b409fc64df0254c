// Parse state and reading primitives shared by the 3DS reader's walk and its chunk
// handlers. Only the reader's own files include this.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/threeds.hpp"

namespace threeds_detail {

constexpr uint32_t kHeaderBytes = 6;
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
};

// One reader at a time: the state of the load in progress.
extern ParseState st;

// Walks the chunks from the read position up to end.
void walkChunks(uint32_t depth, uint32_t end);

inline void corrupt() {
  if (st.error == 0) st.error = kThreeDsCorrupt;
}

inline void* allocZeroed(size_t count, size_t size) {
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

inline bool canRead(uint32_t n) {
  if (st.error != 0) return false;
  if (st.pos > st.limit || st.limit - st.pos < n) {
    corrupt();
    return false;
  }
  return true;
}

inline uint32_t remaining() { return st.pos < st.limit ? st.limit - st.pos : 0; }

inline uint8_t readByte() {
  if (!canRead(1)) return 0;
  return st.buffer[st.pos++];
}

inline uint16_t readU16() {
  if (!canRead(2)) return 0;
  const uint8_t* p = st.buffer + st.pos;
  st.pos += 2;
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t readU32() {
  if (!canRead(4)) return 0;
  const uint8_t* p = st.buffer + st.pos;
  st.pos += 4;
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline float readF32() {
  const uint32_t bits = readU32();
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// A file point with its y and z exchanged.
inline Vector3 readPoint() {
  Vector3 v;
  v.x = readF32();
  v.z = readF32();
  v.y = readF32();
  return v;
}

// Reads up to and including the zero byte; keeps at most 255 characters. An empty
// string becomes "$DUMMY$".
inline void readCString(char (&out)[256]) {
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

}  // namespace threeds_detail
