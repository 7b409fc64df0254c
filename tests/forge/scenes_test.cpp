// Guards the forged 3DS scenes through the engine's own load and frame sequences: each
// has its cameras and the objects its section names, and over the frames its
// section plays through each camera every sampled picture is well filled and
// differs from the one before; a looping scene ends where it begins. The keyed
// pictures beside them hold both keyed and drawn pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "base/datapath.hpp"
#include "engine/pipeline.hpp"
#include "engine/rasterizer.hpp"
#include "engine/scenesequence.hpp"
#include "engine/threeds.hpp"
#include "image/imagefile.hpp"
#include "image/pixelops.hpp"
#include "tests/testutil.hpp"

namespace {

struct ForgedScene {
  const char* directory;
  const char* file;
  std::vector<const char*> names;  // objects the section's name filters pick
  int lastFrame;                   // the last frame the section plays through each camera
  unsigned cameras;
  bool affine;                     // the section draws the scene with the affine filler
  int minFilledPercent;            // non-black share of every sampled picture
  bool loops;                      // played round and round through the frame wrap
};

// Test names and failure messages show the file.
void PrintTo(const ForgedScene& s, std::ostream* os) { *os << s.file; }

const ForgedScene kScenes[] = {
    {"DATA\\misc\\", "kisvirag.3ds", {"Tube01"}, 600, 1, false, 40, true},
    {"data\\box\\", "box.3ds", {}, 632, 1, false, 40, false},
    {"DATA\\HYPER\\", "hyper.3ds", {"hyper", "szmotyi"}, 600, 1, false, 99, false},
    {"DATA\\boxbox\\", "boxbox.3ds", {}, 600, 1, false, 90, false},
    {"DATA\\CSAPOK\\", "csapok.3ds", {}, 600, 1, false, 90, false},
    {"DATA\\BOGYO\\", "bogyo.3ds", {"transp bog", "transp bo0", "transp bo1"}, 300, 2, false, 90, false},
    {"DATA\\kocka\\", "kocka.3ds", {}, 600, 1, false, 90, false},
    {"DATA\\FORGo\\", "forgo.3ds", {}, 150, 2, true, 90, false},
};

// Every object drawn, as `gvs-tool view` does, into a cleared picture.
std::vector<uint32_t> drawFrame(Scene3D* scene, float frame, unsigned camera, bool affine) {
  std::vector<uint32_t> picture(kFramePixels, 0);
  runFrameSequence(scene, frame, camera);
  drawObjectsByName(scene, nullptr, 0, false, affine ? drawPolygonAffine : drawPolygonPerspective, picture.data());
  return picture;
}

int filledPercent(const std::vector<uint32_t>& picture) {
  return litPixels(picture.data(), kFramePixels) * 100 / kFramePixels;
}

int differingPercent(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  int n = 0;
  for (size_t i = 0; i < a.size(); ++i) n += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
  return n * 100 / kFramePixels;
}

class ForgedScenes : public ::testing::TestWithParam<ForgedScene> {};

TEST_P(ForgedScenes, PlayThroughTheEngine) {
  const ForgedScene& s = GetParam();
  USE_FORGED_DATA(root, "misc|data\\box|HYPER|boxbox|CSAPOK|BOGYO|kocka|FORGo");
  // A missing file would end the process in the engine's fatal path.
  ASSERT_TRUE(std::filesystem::exists(resolveDataPath(std::string(s.directory) + s.file))) << s.file;
  Scene3D* scene = nullptr;
  loadSceneSequence(scene, s.directory, s.file);
  const ThreeDsData& mesh = *scene->mesh;
  EXPECT_EQ(mesh.cameraCount, s.cameras);
  EXPECT_GE(int(mesh.frameCount), s.lastFrame);
  for (const char* name : s.names) {
    bool found = false;
    for (unsigned i = 0; i < mesh.objectCount; ++i) found = found || std::string(mesh.objects[i]->name) == name;
    EXPECT_TRUE(found) << name;
  }
  for (unsigned camera = 0; camera < s.cameras; ++camera) {
    std::vector<uint32_t> previous;
    for (int f = 0; f <= s.lastFrame; f = f == s.lastFrame ? f + 1 : std::min(f + 10, s.lastFrame)) {
      std::vector<uint32_t> picture = drawFrame(scene, float(f), camera, s.affine);
      EXPECT_GE(filledPercent(picture), s.minFilledPercent) << "camera " << camera << " frame " << f;
      if (!previous.empty()) {
        EXPECT_GT(differingPercent(picture, previous), 0) << "camera " << camera << " frame " << f;
      }
      previous = picture;
    }
  }
  if (s.loops) {
    EXPECT_LE(differingPercent(drawFrame(scene, float(mesh.frameCount), 0, false), drawFrame(scene, 0, 0, false)), 1);
  }
  releaseSceneSequence(scene);
}

// The title card, the greetings line and the sprites are drawn keyed on black:
// each holds both keyed (exactly black) and drawn pixels.
TEST(ForgedPictures, KeyedPicturesHoldBothKinds) {
  USE_FORGED_DATA(root, "data\\box|CSAPOK|kocka");
  struct Picture {
    const char* path;
    int w, h;
  };
  const Picture pictures[] = {{"data\\box\\grylpres.raw", 320, 200},
                              {"DATA\\CSAPOK\\greet.rgb", 2268, 18},
                              {"DATA\\kocka\\box1.rgb", 40, 20},
                              {"DATA\\kocka\\box2.rgb", 120, 60},
                              {"DATA\\kocka\\box3.rgb", 184, 84}};
  for (const Picture& p : pictures) {
    EXPECT_EQ(std::filesystem::file_size(resolveDataPath(p.path)), uintmax_t(p.w) * uintmax_t(p.h) * 3) << p.path;
    std::vector<uint32_t> pixels(size_t(p.w) * size_t(p.h));
    ASSERT_TRUE(loadRgbImage(p.path, p.w, p.h, pixels.data())) << p.path;
    const size_t keyed = size_t(std::count(pixels.begin(), pixels.end(), 0u));
    EXPECT_GT(keyed, 0u) << p.path;
    EXPECT_LT(keyed, pixels.size()) << p.path;
  }
}

INSTANTIATE_TEST_SUITE_P(Forged, ForgedScenes, ::testing::ValuesIn(kScenes),
                         [](const ::testing::TestParamInfo<ForgedScene>& info) {
                           std::string name = info.param.file;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
