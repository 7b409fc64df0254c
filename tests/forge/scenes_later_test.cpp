// Guards the forged scenes of the boxbox, csapok, bogyo, kocka and forgo sections: each
// loads through the engine's load sequence with its named objects, cameras and frames,
// and every sampled frame through every camera fills the screen and moves; the keyed
// pictures beside them have their size and both keyed and drawn pixels.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/pipeline.hpp"
#include "engine/rasterizer.hpp"
#include "engine/scenesequence.hpp"
#include "engine/threeds.hpp"
#include "image/imagefile.hpp"
#include "tests/testutil.hpp"

namespace {

constexpr const char* kOnly = "boxbox|CSAPOK|BOGYO|kocka|FORGo";

struct SceneCase {
  const char* folder;
  const char* file;
  uint16_t frames;  // the animation runs from 0 to this frame
  unsigned cameras;
  bool affine;           // the whole scene is drawn with the affine filler
  const char* named[3];  // objects the section asks for by name
};
const SceneCase kScenes[] = {
    {"boxbox", "boxbox.3ds", 600, 1, false, {}},
    {"csapok", "csapok.3ds", 600, 1, false, {}},
    {"bogyo", "bogyo.3ds", 300, 2, false, {"transp bog", "transp bo0", "transp bo1"}},
    {"kocka", "kocka.3ds", 600, 1, false, {}},
    {"forgo", "forgo.3ds", 150, 2, true, {}},
};

// The share of the screen no polygon left black, in percent.
constexpr int kFilledPercent = 90;

std::string dataFolder() {
  std::string root = forgedDataRoot(kOnly);
  return root.empty() ? root : root + "/data/";
}

bool hasObject(const Scene3D* scene, const char* name) {
  for (unsigned i = 0; i < scene->mesh->objectCount; ++i)
    if (std::strcmp(scene->mesh->objects[i]->name, name) == 0) return true;
  return false;
}

class ForgedScenesLater : public ::testing::TestWithParam<SceneCase> {};

TEST_P(ForgedScenesLater, EveryFrameFillsTheScreenAndMoves) {
  const SceneCase& c = GetParam();
  const std::string data = dataFolder();
  ASSERT_FALSE(data.empty()) << "the forge failed";
  Scene3D* scene = nullptr;
  loadSceneSequence(scene, data + c.folder + "/", c.file);
  EXPECT_EQ(scene->mesh->cameraCount, c.cameras);
  EXPECT_EQ(scene->mesh->frameCount, c.frames);
  for (const char* name : c.named) {
    if (!name) continue;
    EXPECT_TRUE(hasObject(scene, name)) << name;
  }

  const PolygonRasterizer draw = c.affine ? drawPolygonAffine : drawPolygonPerspective;
  std::vector<uint32_t> picture(64000), previous;
  for (unsigned camera = 0; camera < c.cameras; ++camera) {
    previous.clear();
    for (int f = 0; f <= c.frames; f += 10) {
      std::fill(picture.begin(), picture.end(), 0u);
      runFrameSequence(scene, float(f), camera);
      for (unsigned i = 0; i < scene->projectedMesh->objectCount; ++i) drawObject(scene, i, draw, picture.data());
      size_t filled = 0;
      for (uint32_t p : picture) filled += (p & 0xFFFFFF) != 0;
      EXPECT_GE(filled * 100, picture.size() * kFilledPercent) << c.folder << " camera " << camera << " frame " << f;
      if (!previous.empty()) {
        EXPECT_NE(picture, previous) << c.folder << " camera " << camera << " frame " << f;
      }
      previous = picture;
    }
  }
  releaseSceneSequence(scene);
}

INSTANTIATE_TEST_SUITE_P(Sections, ForgedScenesLater, ::testing::ValuesIn(kScenes),
                         [](const ::testing::TestParamInfo<SceneCase>& i) { return std::string(i.param.folder); });

// The greetings line and the sprites are drawn keyed on black: each must hold
// exactly its size in pixels, with keyed (black) and drawn pixels both present.
TEST(ForgedScenesLaterPictures, KeyedPicturesHaveTheirSizeAndBothKinds) {
  const std::string data = dataFolder();
  ASSERT_FALSE(data.empty()) << "the forge failed";
  struct Picture {
    const char* path;
    int w, h;
  };
  const Picture pictures[] = {{"csapok/greet.rgb", 2268, 18},
                              {"kocka/box1.rgb", 40, 20},
                              {"kocka/box2.rgb", 120, 60},
                              {"kocka/box3.rgb", 184, 84}};
  for (const Picture& p : pictures) {
    std::string path = data + p.path;
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr) << path;
    std::fseek(f, 0, SEEK_END);
    EXPECT_EQ(std::ftell(f), long(p.w) * p.h * 3) << path;
    std::fclose(f);
    std::vector<uint32_t> pixels(size_t(p.w) * size_t(p.h));
    ASSERT_TRUE(loadRgbFile(path.c_str(), p.w, p.h, pixels.data())) << path;
    size_t keyed = 0;
    for (uint32_t px : pixels) keyed += px == 0;
    EXPECT_GT(keyed, 0u) << path;
    EXPECT_LT(keyed, pixels.size()) << path;
  }
}

}  // namespace
