// Guards the forged 3DS scenes through the engine's own load and frame sequences: each
// has its camera and the objects its section names, and over the frames its section
// plays every sampled picture is well filled and differs from the one before; a looping
// scene ends where it begins.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "engine/pipeline.hpp"
#include "engine/rasterizer.hpp"
#include "engine/scenesequence.hpp"
#include "engine/threeds.hpp"
#include "image/pixelops.hpp"
#include "base/datapath.hpp"
#include "tests/testutil.hpp"

namespace {

struct ForgedScene {
  const char* directory;
  const char* file;
  std::vector<const char*> names;  // objects the section's name filters pick
  int lastFrame;                   // the last frame the section plays
  int minFilledPercent;            // non-black share of every sampled picture
  bool loops;                      // played round and round through the frame wrap
};

// Test names and failure messages show the file.
void PrintTo(const ForgedScene& s, std::ostream* os) { *os << s.file; }

const ForgedScene kScenes[] = {
    {"DATA\\misc\\", "kisvirag.3ds", {"Tube01"}, 600, 40, true},
    {"data\\box\\", "box.3ds", {}, 632, 40, false},
    {"DATA\\HYPER\\", "hyper.3ds", {"hyper", "szmotyi"}, 600, 99, false},
};

// Every object drawn, as `gvs-tool view` does, into a cleared picture.
std::vector<uint32_t> drawFrame(Scene3D* scene, float frame) {
  std::vector<uint32_t> picture(kFramePixels, 0);
  runFrameSequence(scene, frame, 0);
  drawObjectsByName(scene, nullptr, 0, false, drawPolygonPerspective, picture.data());
  return picture;
}

int filledPercent(const std::vector<uint32_t>& picture) {
  int filled = 0;
  for (uint32_t p : picture) filled += (p & 0xFFFFFF) != 0;
  return filled * 100 / kFramePixels;
}

int differingPercent(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  int n = 0;
  for (size_t i = 0; i < a.size(); ++i) n += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
  return n * 100 / kFramePixels;
}

class ForgedScenes : public ::testing::TestWithParam<ForgedScene> {};

TEST_P(ForgedScenes, PlayThroughTheEngine) {
  const ForgedScene& s = GetParam();
  std::string root = forgedDataRoot("misc|data\\box|HYPER");
  ASSERT_FALSE(root.empty());
  setDataRoot(root);
  // A missing file would end the process in the engine's fatal path.
  ASSERT_TRUE(std::filesystem::exists(resolveDataPath(std::string(s.directory) + s.file))) << s.file;
  Scene3D* scene = nullptr;
  loadSceneSequence(scene, s.directory, s.file);
  const ThreeDsData& mesh = *scene->mesh;
  EXPECT_GE(mesh.cameraCount, 1);
  EXPECT_GE(int(mesh.frameCount), s.lastFrame);
  for (const char* name : s.names) {
    bool found = false;
    for (unsigned i = 0; i < mesh.objectCount; ++i) found = found || std::string(mesh.objects[i]->name) == name;
    EXPECT_TRUE(found) << name;
  }
  std::vector<uint32_t> previous;
  for (int f = 0; f <= s.lastFrame; f = f == s.lastFrame ? f + 1 : std::min(f + 10, s.lastFrame)) {
    std::vector<uint32_t> picture = drawFrame(scene, float(f));
    EXPECT_GE(filledPercent(picture), s.minFilledPercent) << "frame " << f;
    if (!previous.empty()) {
      EXPECT_GT(differingPercent(picture, previous), 0) << "frame " << f;
    }
    previous = picture;
  }
  if (s.loops) {
    EXPECT_LE(differingPercent(drawFrame(scene, float(mesh.frameCount)), drawFrame(scene, 0)), 1);
  }
  releaseSceneSequence(scene);
}

INSTANTIATE_TEST_SUITE_P(Forged, ForgedScenes, ::testing::ValuesIn(kScenes),
                         [](const ::testing::TestParamInfo<ForgedScene>& info) {
                           std::string name = info.param.file;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
