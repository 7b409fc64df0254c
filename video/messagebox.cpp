// The SDL error box.
#include "video/messagebox.hpp"

#include <SDL.h>

bool showSdlErrorBox(const char* caption, const char* text) {
  return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr) == 0;
}
