// Guards the sections drawn from 3DS scenes, frame for frame against a plain reading of
// their rules (the engine's frame, a plain loop over objects and polygons, the
// plain pixel operations) at the edges of their timings; their windows played at
// a low frame rate; the glow pass behind nearer objects.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "base/datapath.hpp"
#include "engine/rasterizer.hpp"
#include "engine/scenesequence.hpp"
#include "image/crossblur.hpp"
#include "image/imagefile.hpp"
#include "image/pixelops.hpp"
#include "image/pixelops_ref.hpp"
#include "scenes/common/threeds_section.hpp"
#include "scenes/sections.hpp"
#include "tests/threeds_scenes.hpp"
#include "tests/testutil.hpp"

namespace {

using Frame = std::vector<uint32_t>;

// Nearest integer, halves to even.
int rnd(double x) { return int(std::nearbyint(x)); }
float sinSquare(float degrees) {
  const float s = std::sin(degrees * 0.0174532924f);
  return s * s;
}

// The scene of a section loaded a second time, with its pictures, for the plain reading.
struct Plain {
  Scene3D* scene = nullptr;
  std::vector<Frame> pictures;
  Frame glow = Frame(kFramePixels, 0);
  Frame dash = Frame(32 * 4, 0);
  Frame& target;
  explicit Plain(Frame& t) : target(t) {}

  void frame(long double f, uint32_t camera) { runFrameSequence(scene, float(f), camera); }
  // Every visible polygon of the objects named (only) or not named (otherwise).
  void pass(std::vector<const char*> names, bool only, PolygonRasterizer draw, Frame& to) {
    for (unsigned i = 0; i < scene->projectedMesh->objectCount; ++i) {
      bool named = false;
      for (const char* n : names) named = named || std::strcmp(scene->mesh->objects[i]->name, n) == 0;
      const ProjectedObject* o = scene->projectedMesh->objects[i];
      if (named != only || !o->visible || o->polygonCount == 0) continue;
      for (uint32_t j = 0; j < o->polygonCount; ++j)
        if (o->polygons[j]->visible) draw(o, j, to.data());
    }
  }
  void border() {
    for (int x = 0; x < 320; ++x) target[x] = target[199 * 320 + x] = 0;
    for (int y = 0; y < 200; ++y) target[y * 320] = target[y * 320 + 319] = 0;
  }
  void clear(Frame& f) { std::fill(f.begin(), f.end(), 0u); }
  void darken(int a) { ref::darkenPixels(target.data(), target.data(), kFramePixels, std::min(a, 255)); }
  void smears(Frame& f, const char* order, int s, int e) {
    for (const char* d = order; *d; ++d) {
      if (*d == 'L') ref::smearLeft(s, e, 320, 200, f.data());
      if (*d == 'R') ref::smearRight(s, e, 320, 200, f.data());
      if (*d == 'U') ref::smearUp(s, e, 320, 200, f.data());
      if (*d == 'D') ref::smearDown(s, e, 320, 200, f.data());
    }
  }
  // The ending of the one-camera sections.
  void lastUnits(float t) {
    if (t >= 1770.0f) clear(target);
    else if (t > 1706.0f) darken(rnd(4.0 * (double(t) - 1706.0)));
  }
  // The fades of one half of a two-camera section.
  void half(float f, int frames) {
    if (f < 31.0f) darken(rnd(255.0 - 8.0 * f));
    else if (f >= float(frames)) clear(target);
    else if (f > float(frames - 31)) darken(rnd(8.0 * (double(f) - (frames - 31))));
  }
};

void plainMisc(Plain& p, float t) {
  const int T = int(t);
  p.frame(t * 600.0L / 2655.0L, 0);
  p.clear(p.target);
  p.clear(p.glow);
  p.pass({"Tube01"}, false, drawPolygonPerspective, p.target);
  p.clear(p.glow);
  p.pass({"Tube01"}, true, drawPolygonPerspective, p.glow);
  ref::addFrame(p.glow.data(), p.target.data());
  p.smears(p.target, "LD", 50, 0);
  p.border();
  if (T < 128) p.darken(255 - 2 * T);
}

void plainBox(Plain& p, float t) {
  if (t < 885.0f) return p.clear(p.target);
  const int Tp = int(t) - 885;
  p.frame((t - 885.0L) / 4.2L, 0);
  p.clear(p.target);
  p.pass({}, false, drawPolygonPerspective, p.target);
  p.border();
  p.smears(p.target, "LURD", 240 - rnd(double(Tp % 221) / 221.0 * 200.0), 10);
  if (Tp > 885) ref::blitKeyedDarken(0, 0, 320, 200, p.pictures[0].data(), p.target.data(), 0, ((Tp - 885) % 55) * 4);
}

void plainHyper(Plain& p, float t) {
  const int T = int(t);
  p.frame(t * 600.0L / 2655.0L, 0);
  p.pass({"hyper", "szmotyi"}, false, drawPolygonPerspective, p.target);
  p.clear(p.glow);
  p.pass({"hyper", "szmotyi"}, true, drawPolygonPerspective, p.glow);
  p.smears(p.glow, "LR", 200, 15);
  p.smears(p.glow, "UD", 160, 0);
  ref::addFrame(p.glow.data(), p.target.data());
  p.border();
  if (T > 1770) p.smears(p.target, "LR", rnd(240.0f * sinSquare(float(T - 1770) / 885.0f * 270.0f)), 0);
  if (T < 128) p.darken(255 - 2 * T);
  if (T > 2527) ref::blendToNegative(p.target.data(), rnd(128.0f * sinSquare((t - 2527.0f) * 90.0f / 128.0f)));
}

void plainBoxbox(Plain& p, float t) {
  const int T = int(t);
  p.frame(t * 600.0L / 1770.0L, 0);
  p.pass({}, false, drawPolygonPerspective, p.target);
  p.border();
  const float c = std::cos(t / 4.0f * 0.0174532924f);
  p.smears(p.target, "LURD", rnd(230.0f * (c * c)), 5);
  const int m = T % 40;
  for (int i = 0; i <= 9; ++i) {
    ref::blitKeyedBlend(m + 40 * i - 40, 176, 32, 4, p.dash.data(), p.target.data(), 1, 192);
    ref::blitKeyedBlend(320 - (m + 40 * i - 40), 20, 32, 4, p.dash.data(), p.target.data(), 1, 192);
  }
  for (int i = 0; i <= 5; ++i) {
    ref::blitKeyedBlend(20, m + 40 * i - 40, 4, 32, p.dash.data(), p.target.data(), 1, 192);
    ref::blitKeyedBlend(296, 200 - (m + 40 * i - 40), 4, 32, p.dash.data(), p.target.data(), 1, 192);
  }
  if (t < 63.0f) ref::lightenPixels(p.target.data(), p.target.data(), kFramePixels, 255 - rnd(4.0 * t));
  p.lastUnits(t);
}

void plainCsapok(Plain& p, float t) {
  p.frame(t * 600.0L / 1770.0L, 0);
  p.pass({}, false, drawPolygonPerspective, p.target);
  p.border();
  ref::crossBlur(p.target.data());
  ref::blitKeyedDarken(rnd(t / 1770.0 * 2588.0) - 2268, 160, 2268, 18, p.pictures[0].data(), p.target.data(), 0, 0);
  if (t < 63.0f) p.darken(255 - rnd(4.0 * t));
  p.lastUnits(t);
}

const std::vector<const char*> kTransparent = {"transp bog", "transp bo0", "transp bo1"};

void plainBogyo(Plain& p, float t) {
  const long double g = t * 600.0L / 1770.0L;
  const float f = float(g < 300 ? g : g - 300);
  p.clear(p.glow);
  p.frame(f, g < 300 ? 0 : 1);
  p.pass(kTransparent, false, drawPolygonPerspective, p.target);
  p.clear(p.glow);
  p.pass(kTransparent, true, drawPolygonAffine, p.glow);
  p.smears(p.glow, "LRUD", 180, 12);
  ref::addFrame(p.glow.data(), p.target.data());
  for (int y = 0; y < 200; ++y) p.target[y * 320 + 319] = 0;
  p.half(f, 300);
}

void plainKocka(Plain& p, float t) {
  const int T = int(t);
  p.frame(t * 600.0L / 1770.0L, 0);
  p.pass({}, false, drawPolygonPerspective, p.target);
  p.border();
  struct Row {
    int picture, w, h, count, x0, step, period, offset, y;
    float phase;
  };
  const Row rows[] = {{0, 40, 20, 10, 40, T / 4, 360, 38, -1, 0},      {1, 120, 60, 4, 120, T / 2, 480, 140, 12, 120},
                      {2, 184, 84, 4, 184, T, 736, 300, 58, 240},      {1, 120, 60, 4, 120, T / 2, 480, 140, 128, 120},
                      {0, 40, 20, 10, 40, T / 4, 360, 38, 181, 0}};
  for (const Row& r : rows) {
    const int a = rnd(64.0f * sinSquare((t + r.phase) / 2.0f));
    for (int i = 0; i < r.count; ++i)
      ref::blitKeyedSubtract((r.x0 * i + r.step) % r.period - r.offset, r.y, r.w, r.h, p.pictures[r.picture].data(),
                             p.target.data(), 0, a);
  }
  if (t < 63.0f) p.darken(255 - rnd(4.0 * t));
  p.lastUnits(t);
}

void plainForgo(Plain& p, float t) {
  const long double g = t * 300.0L / 1770.0L;
  const float f = float(g < 150 ? g : g - 150);
  p.frame(f, g < 150 ? 0 : 1);
  p.pass({}, false, drawPolygonAffine, p.target);
  p.border();
  p.half(f, 150);
  const int s = rnd(80.0f * std::sqrt(std::sin(f * 180.0f / 300.0f * 0.0174532924f)));
  p.smears(p.target, "LR", 1, s);
}

struct Section {
  const SceneModule& module;
  const char* directory;
  const char* file;
  std::vector<SectionPicture> pictures;
  void (*plain)(Plain&, float);
  std::vector<float> times;  // the edges of its timings
  float length;              // of its window (misc: one loop of its animation)
  float darkFrom, darkTo;    // where fades may darken it besides its first and last 130 units
};

const Section kSections[] = {
    {miscModule, "DATA\\misc\\", "kisvirag.3ds", {}, plainMisc, {0, 127.5f, 128, 885, 3540, 9999.5f}, 2655, 0, 0},
    {boxModule, "data\\box\\", "box.3ds", {{"grylpres.raw", 320, 200}}, plainBox,
     {0, 884.9f, 885, 1105.5f, 1106, 1770, 1771, 1824, 1825, 3539.9f}, 3540, 0, 900},
    {hyperModule, "DATA\\HYPER\\", "hyper.3ds", {}, plainHyper, {0, 127.5f, 128, 1770, 1771.5f, 2527, 2528, 2654.9f}, 2655, 0, 0},
    {boxboxModule, "DATA\\boxbox\\", "boxbox.3ds", {}, plainBoxbox, {0, 62.9f, 63, 885.5f, 1706.5f, 1769.9f, 1770}, 1770, 0, 0},
    {csapokModule, "DATA\\CSAPOK\\", "csapok.3ds", {{"greet.rgb", 2268, 18}}, plainCsapok, {0, 62.9f, 885, 1769.9f, 1770}, 1770, 0, 0},
    {bogyoModule, "DATA\\BOGYO\\", "bogyo.3ds", {}, plainBogyo, {0, 52.7f, 826, 884.9f, 885, 885.5f, 1769.9f}, 1770, 790, 980},
    {kockaModule, "DATA\\kocka\\", "kocka.3ds", {{"box1.rgb", 40, 20}, {"box2.rgb", 120, 60}, {"box3.rgb", 184, 84}},
     plainKocka, {0, 62.9f, 1000, 1769.9f, 1770}, 1770, 0, 0},
    {forgoModule, "DATA\\FORGo\\", "forgo.3ds", {}, plainForgo, {0, 300, 700, 884.9f, 885, 1769.9f}, 1770, 700, 1070},
};

void PrintTo(const Section& s, std::ostream* os) { *os << s.module.name; }

const char* kSceneData = "misc|data\\box|HYPER|boxbox|CSAPOK|BOGYO|kocka|FORGo";

class ThreeDsSections : public ::testing::TestWithParam<Section> {
 protected:
  void SetUp() override {
    USE_FORGED_DATA(root, kSceneData);
  }
};

// Every rule of the section, at each edge of its timings, over a previous frame of
// random pixels: the section's frame equals the plain reading's bit for bit. Then the
// window at a low frame rate: away from the fades every frame is lit over a good part
// of the screen and differs from the one before.
TEST_P(ThreeDsSections, FramesMatchThePlainReadingAndTheWindowPlays) {
  const Section& s = GetParam();
  Frame expected(kFramePixels), actual(kFramePixels), previous;
  Plain plain(expected);
  loadSceneSequence(plain.scene, s.directory, s.file);
  for (const SectionPicture& pic : s.pictures) {
    plain.pictures.emplace_back(size_t(pic.width) * size_t(pic.height));
    ASSERT_TRUE(loadRgbImage((std::string(s.directory) + pic.file).c_str(), pic.width, pic.height,
                             plain.pictures.back().data()));
  }
  s.module.load();
  TestRng rng(7);
  for (float t : s.times) {
    expected = actual = randomFrame(rng);
    s.plain(plain, t);
    s.module.render(t, actual.data());
    ASSERT_EQ(actual, expected) << s.module.name << " at " << t;
  }
  releaseSceneSequence(plain.scene);
  std::fill(actual.begin(), actual.end(), 0u);
  for (float t = 0; t < s.length; t += 23.0f) {
    s.module.render(t, actual.data());
    if (t < 130 || t > s.length - 130 || (t >= s.darkFrom && t <= s.darkTo)) continue;
    EXPECT_GT(litPixels(actual.data(), kFramePixels), kFramePixels / 4) << s.module.name << " at " << t;
    EXPECT_NE(actual, previous) << s.module.name << " at " << t;
    previous = actual;
  }
  s.module.release();
}

INSTANTIATE_TEST_SUITE_P(Sections, ThreeDsSections, ::testing::ValuesIn(kSections),
                         [](const ::testing::TestParamInfo<Section>& i) { return std::string(i.param.module.name); });

// The depth buffer is not cleared between the drawing pass and the glow pass: a glow
// object behind a nearer one is hidden where the nearer one covers it.
TEST(ThreeDsSectionToolkit, GlowPassIsHiddenBehindNearerObjects) {
  ThreeDsWriterScene s = testCubeScene({0, 0, -8}, {0, 0, 0});
  s.objects.push_back(testCube("Glow", 2.0f, "Mat"));
  for (Vector3& v : s.objects.back().vertices) v.z += 4;  // behind the box, larger
  s.nodes.push_back(testNode(ThreeDsNodeKind::object, "Glow", {0, 0, 0}));
  const std::string dir = engineTestDirectory("glow");
  writeTestScene(dir, "glow.3ds", s);
  setDataRoot(dir);
  ThreeDsSection section;
  loadThreeDsSection(section, {"", "glow.3ds", nullptr, 0, true});
  const char* const glowNames[] = {"Glow"};
  Frame target(kFramePixels, 0);
  runSectionFrame(section, 0, 0);
  drawPass(section, {glowNames, 1, false}, drawPolygonPerspective, target.data());
  drawGlowPass(section, {glowNames, 1, true}, drawPolygonPerspective);
  int both = 0, glowOnly = 0;
  for (int k = 0; k < kFramePixels; ++k) {
    both += target[k] != 0 && section.glow[k] != 0;
    glowOnly += target[k] == 0 && section.glow[k] != 0;
  }
  EXPECT_EQ(both, 0);
  EXPECT_GT(glowOnly, 1000);  // the larger glow cube shows round the nearer box
  releaseThreeDsSection(section);
}

}  // namespace
