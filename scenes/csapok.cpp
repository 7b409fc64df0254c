// The "csapok" section. Awaiting its section: until it arrives the module only
// clears the target to black.
#include "image/pixelops.hpp"
#include "scenes/sections.hpp"

namespace {
void load() {}
void render(float, uint32_t* target) { clearFrame(target); }
void release() {}
}  // namespace

const SceneModule csapokModule = {"csapok", load, render, release};
