// Headless presentation: each page is composed into memory, where tests and the
// offline tools read it.
#include <cstdlib>

#include "video/display.hpp"
#include "video/display_backend.hpp"

namespace {
uint32_t* gPage = nullptr;
void (*gObserver)(const uint32_t* page) = nullptr;
}  // namespace

void setPresentObserver(void (*observer)(const uint32_t* page)) { gObserver = observer; }

namespace memory_display {
int32_t open() {
  if (!gPage) gPage = static_cast<uint32_t*>(std::calloc(kPageWidth * kPageHeight, 4));
  return gPage ? 0 : 1;
}

int32_t present(const uint32_t* frame) {
  composePage(frame, gPage, kPageWidth);
  if (gObserver) gObserver(gPage);
  return 0;
}

const uint32_t* page() { return gPage; }
}  // namespace memory_display
