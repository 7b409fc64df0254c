// The engine's current depth buffer.
#include "engine/depthtarget.hpp"

#include "engine/scene3d.hpp"

namespace {
float* gDepthTarget = nullptr;
}

void setDepthTarget(float* buffer) { gDepthTarget = buffer; }
float* getDepthTarget() { return gDepthTarget; }

void clearDepthTarget() {
  if (!gDepthTarget) return;
  for (int i = 0; i < kScreenPixels; ++i) gDepthTarget[i] = kDepthCleared;
}
