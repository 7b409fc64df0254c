// A section of the show loaded for a test on forged data: the files `only` selects
// forged (or the build's data set), the radial blur table made, the module loaded;
// all undone at the end of the test.
#pragma once
#include <gtest/gtest.h>

#include <vector>

#include "base/datapath.hpp"
#include "image/pixelops.hpp"
#include "image/radialblur.hpp"
#include "scenes/sections.hpp"
#include "tests/testutil.hpp"

struct LoadedSection {
  const SceneModule& module;
  std::vector<uint32_t> frame = std::vector<uint32_t>(kFramePixels, 0);
  bool ok = false;  // false when the data could not be forged

  LoadedSection(const SceneModule& m, const char* only) : module(m) {
    const std::string root = forgedDataRoot(only);
    if (root.empty()) return;
    setDataRoot(root);
    createRadialBlurTable();
    fillRadialBlurTable();
    module.load();
    ok = true;
  }
  ~LoadedSection() {
    if (!ok) return;
    module.release();
    freeRadialBlurTable();
  }
  const std::vector<uint32_t>& render(float t) {
    module.render(t, frame.data());
    return frame;
  }
  int brightest() const { return brightestByte(frame.data(), kFramePixels); }
  // The whole window at a low frame rate, past its end; it ends black.
  void playWindow(float length, float step) {
    for (float t = 0; t < length + 10; t += step) render(t);
    render(length);
    EXPECT_EQ(brightest(), 0);
  }
};
