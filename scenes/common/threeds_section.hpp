// The toolkit of the sections drawn from a 3DS scene: load (pictures, scene file,
// camera check, the engine's load sequence), the frame, drawing passes by object
// name into the target or the glow buffer, the border clear and the fades they share.
#pragma once
#include <cstdint>

#include "engine/pipeline.hpp"
#include "engine/rasterizer.hpp"
#include "engine/scene3d.hpp"

// A picture the section loads from its directory before its scene: width x height
// pixels in the image loader's format, whatever the file's extension.
struct SectionPicture {
  const char* file;
  int width, height;
};

// What one section loads: its directory (ending in a backslash), its scene file, the
// pictures in load order, and whether it draws a glow pass.
struct ThreeDsSectionSetup {
  const char* directory;
  const char* sceneFile;
  const SectionPicture* pictures;
  int pictureCount;
  bool glowBuffer;
};

constexpr int kMaxSectionPictures = 4;

// A loaded section: its engine scene, its pictures (in the setup's order) and its
// glow buffer (null when it has none). All of it lives from load to release.
struct ThreeDsSection {
  Scene3D* scene = nullptr;
  uint32_t* pictures[kMaxSectionPictures] = {};
  uint32_t* glow = nullptr;
  bool glowCleared = false;  // the glow buffer is known to be all zero
};

// Allocates the buffers, loads the pictures (a missing one ends the program with
// the image loader's message) and the scene ("no cameras in mesh" when it has none).
void loadThreeDsSection(ThreeDsSection& section, const ThreeDsSectionSetup& setup);
void releaseThreeDsSection(ThreeDsSection& section);

// The engine's frame for animation frame f through camera `camera`, ending with the
// scene's depth buffer current and cleared.
void runSectionFrame(const ThreeDsSection& section, float f, uint32_t camera);

// The animation frame and camera of a section that plays its scene twice over in
// its window of `length` units: g = t x framesPerWindow / length; below halfFrames it
// is frame g through camera 0, from there frame g - halfFrames through camera 1.
struct HalfFrame {
  float f;
  uint32_t camera;
};
HalfFrame splitIntoHalves(float t, long double framesPerWindow, long double length, float halfFrames);

// Which objects a pass draws: those named (only) or all the others (allBut). An
// empty list with allBut draws every object.
struct ObjectFilter {
  const char* const* names;
  int count;
  bool onlyNamed;
};
constexpr ObjectFilter kAllObjects{nullptr, 0, false};

// Every visible polygon of the objects the filter selects, in object and polygon
// order, into `destination` against the current depth target.
void drawPass(const ThreeDsSection& section, const ObjectFilter& filter, PolygonRasterizer rasterizer,
              uint32_t* destination);
// The glow pass: clears the glow buffer (unless it is known to be clear), then draws
// the selected objects into it. The depth target is not cleared, so nearer objects of
// the drawing pass hide them.
void drawGlowPass(ThreeDsSection& section, const ObjectFilter& filter, PolygonRasterizer rasterizer);
// The glow buffer smeared down by (a, b) and added to the target, in one pass that
// leaves the buffer clear for the next glow pass.
void addGlowSmearedDown(ThreeDsSection& section, int a, int b, uint32_t* target);

// Sets the frame's top and bottom rows and left and right columns to 0.
void clearBorder(uint32_t* frame);
// Sets the frame's right column to 0.
void clearRightColumn(uint32_t* frame);

// The whole frame multiplied by (255 - amount) / 256 per channel (255: black);
// amounts outside 0..255 are held at the nearer end.
void darkenFrame(uint32_t* frame, int amount);
// Each channel c of the whole frame raised by ((255 - c) * amount) >> 8.
void whitenFrame(uint32_t* frame, int amount);
// The ending the one-camera sections share over their last 64 units: after 1706
// a darken by rnd(4 (t - 1706)), from 1770 on a cleared frame.
void fadeOutLastUnits(float t, uint32_t* frame);
// The fades of a two-camera section's half of `halfFrames` frames: in from black over
// its first 31 frames, out over its last 31, cleared from its end on.
void fadeHalf(float f, float halfFrames, uint32_t* frame);
