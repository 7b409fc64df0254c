#include "video/messagebox.hpp"

#include <SDL.h>

#include <cstdio>

namespace {
bool gBoxesEnabled = false;
}

void enableMessageBoxes(bool enabled) { gBoxesEnabled = enabled; }

void showErrorBox(const char* caption, const char* text) {
  if (gBoxesEnabled && SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr) == 0) return;
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
}
