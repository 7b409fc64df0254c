// Headless presentation: each page is composed into memory, where tests and the
// offline tools read it. There is no window, so no event ever asks to quit.
#include <cstdlib>

#include "video/display_backend.hpp"
#include "video/display_testing.hpp"

namespace {
uint32_t* gPage = nullptr;
void (*gObserver)(const uint32_t* page) = nullptr;

int32_t open(const DisplayOptions&) {
  if (!gPage) gPage = static_cast<uint32_t*>(std::calloc(kPageWidth * kPageHeight, 4));
  return gPage ? 0 : 1;
}

int32_t present(const uint32_t* frame) {
  composePage(frame, gPage, kPageWidth);
  if (gObserver) gObserver(gPage);
  return 0;
}

bool pump() { return false; }
}  // namespace

const DisplayBackend kMemoryDisplay = {open, present, pump};

const uint32_t* presentedPage() { return gPage; }
void setPresentObserver(void (*observer)(const uint32_t* page)) { gObserver = observer; }
