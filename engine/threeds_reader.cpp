#include "engine/threeds.hpp"

#include "engine/enginelog.hpp"

namespace {
int pendingError = 0;
}

ChunkInfo lookupChunk(uint16_t) { return ChunkInfo{false, "Unknown", nullptr}; }
bool load3ds(ThreeDsData*&, const std::string&) { return false; }
bool load3dsFromDisk(ThreeDsData*&, const std::string&) { return false; }
bool load3dsFromMemory(ThreeDsData*&, const uint8_t*, size_t) { return false; }
bool free3ds(ThreeDsData*&) { return false; }
int take3dsError() {
  const int code = pendingError;
  pendingError = 0;
  return code;
}
const char* threeDsErrorText(int) { return "Unknown error!"; }
ThreeDsData* load3dsOrDie(const std::string&) { return nullptr; }
void free3dsOrDie(ThreeDsData*&) {}
