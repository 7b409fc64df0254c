// Presentation through SDL: the 320 x 240 page is written into a streaming
// texture and shown on the whole desktop (or in a window), scaled by the largest
// whole factor that fits, centred, nearest-neighbour, with vsync.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/ending.hpp"
#include "video/display_backend.hpp"

namespace {
SDL_Window* gWindow = nullptr;
SDL_Renderer* gRenderer = nullptr;
SDL_Texture* gPage = nullptr;

enum : int32_t {
  kNoWindow = 1,
  kDeviceFailed = 2,
  kCooperativeFailed = 3,
  kModeFailed = 4,
  kSurfaceFailed = 5,
  kAttachedFailed = 6,
  kDisplayLost = 7,
};

void drop() {
  if (gPage) SDL_DestroyTexture(gPage);
  gPage = nullptr;
  if (gRenderer) SDL_DestroyRenderer(gRenderer);
  gRenderer = nullptr;
}

// Window destruction: drops the presentation objects and delivers the quit.
void destroyWindow() {
  drop();
  if (gWindow) {
    SDL_DestroyWindow(gWindow);
    gWindow = nullptr;
  }
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
}

// The presentation objects go before the report is shown, the window after it.
int32_t fail(int32_t code, const char* step) {
  const std::string cause = SDL_GetError();
  drop();
  int32_t r = displayFailure(code, step, cause.c_str());
  destroyWindow();
  return r;
}

int32_t open(const DisplayOptions& options) {
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "%s: CreateWindow FAILED: %s\n", kShowCaption, SDL_GetError());
    return kNoWindow;
  }
  // SDL draws off screen when no display answers; with a display named that is a
  // show nobody sees, so say why.
  const char* display = std::getenv("DISPLAY");
  const char* driver = SDL_GetCurrentVideoDriver();
  if (display && *display && !std::getenv("SDL_VIDEODRIVER") && driver && std::strcmp(driver, "offscreen") == 0)
    std::fprintf(stderr, "%s: the X display %s could not be opened; the show runs without a window\n", kShowCaption,
                 display);
  int scale = options.scale < 1 ? 1 : options.scale;
  Uint32 flags = options.windowed ? 0 : (SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_ALWAYS_ON_TOP);
  int w = options.windowed ? kPageWidth * scale : kPageWidth;
  int h = options.windowed ? kPageHeight * scale : kPageHeight;
  gWindow = SDL_CreateWindow("GVS window", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h, flags);
  if (!gWindow) {
    std::fprintf(stderr, "%s: CreateWindow FAILED: %s\n", kShowCaption, SDL_GetError());
    return kNoWindow;
  }
  SDL_ShowWindow(gWindow);
  SDL_RaiseWindow(gWindow);

  gRenderer = SDL_CreateRenderer(gWindow, -1, SDL_RENDERER_PRESENTVSYNC);
  if (!gRenderer) gRenderer = SDL_CreateRenderer(gWindow, -1, SDL_RENDERER_SOFTWARE);
  if (!gRenderer) return fail(kDeviceFailed, "DirectDrawCreateEx FAILED");
  if (!options.windowed && SDL_SetWindowFullscreen(gWindow, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
    return fail(kCooperativeFailed, "SetCooperativeLevel FAILED");
  if (SDL_RenderSetLogicalSize(gRenderer, kPageWidth, kPageHeight) != 0 ||
      SDL_RenderSetIntegerScale(gRenderer, SDL_TRUE) != 0)
    return fail(kModeFailed, "SetDisplayMode FAILED");
  gPage = SDL_CreateTexture(gRenderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, kPageWidth,
                            kPageHeight);
  if (!gPage) return fail(kSurfaceFailed, "CreateSurface FAILED");
  int access = 0, tw = 0, th = 0;
  if (SDL_QueryTexture(gPage, nullptr, &access, &tw, &th) != 0 || tw != kPageWidth || th != kPageHeight)
    return fail(kAttachedFailed, "GetAttachedSurface FAILED");
  SDL_ShowCursor(SDL_DISABLE);
  return 0;
}

int32_t present(const uint32_t* frame) {
  if (!gPage) return kDisplayLost;
  void* pixels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(gPage, nullptr, &pixels, &pitch) != 0) return kSurfaceFailed;
  composePage(frame, static_cast<uint32_t*>(pixels), pitch / 4);
  SDL_UnlockTexture(gPage);
  SDL_SetRenderDrawColor(gRenderer, 0, 0, 0, 255);
  SDL_RenderClear(gRenderer);
  if (SDL_RenderCopy(gRenderer, gPage, nullptr, nullptr) != 0) return kDisplayLost;
  SDL_RenderPresent(gRenderer);
  return 0;
}

bool pump() {
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    if (e.type == SDL_QUIT) return true;
    if (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE) {
      destroyWindow();  // Escape closes the window, which delivers the quit
    } else if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE) {
      destroyWindow();
    }
  }
  return false;
}

}  // namespace

const DisplayBackend kSdlDisplay = {open, present, pump};
