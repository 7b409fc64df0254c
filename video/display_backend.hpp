// The two presentation backends behind the display.
#pragma once
#include <cstdint>

struct DisplayOptions;

namespace sdl_display {
int32_t open(const DisplayOptions& options);
int32_t present(const uint32_t* frame);
bool pump();
void drop();
}  // namespace sdl_display

namespace memory_display {
int32_t open();
int32_t present(const uint32_t* frame);
const uint32_t* page();
}  // namespace memory_display
