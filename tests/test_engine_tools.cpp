// gvs-tool view and dump on the editor-made test files: the box is on screen and
// moves as the keys say; failures give the engine's fatal line and status 1.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "engine_testscene.hpp"

namespace {

const std::string kFiles = GVS_SOURCE_DIR "/../shared/testdata/3ds/";

struct ToolRun {
  int status;
  std::string out;
};

ToolRun runTool(const std::string& args) {
  std::string cmd = std::string(GVS_TOOL_PATH) + " " + args + " 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  ToolRun r{-1, ""};
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

struct Picture {
  std::vector<uint8_t> rgb;
  int count = 0;  // pixels that are not black
  double row = 0, column = 0;  // centroid of those
  double tilt = 0;  // slope of the top edge, degrees (positive: falling to the right)
};

Picture view(const std::string& file, float frame, const std::string& extra = "") {
  std::string out = testing::TempDir() + "gvs_engine_view.png";
  std::remove(out.c_str());
  ToolRun r = runTool("view " + kFiles + file + " --frame " + std::to_string(frame) + " --out " + out + " " + extra);
  EXPECT_EQ(r.status, 0) << file << " " << frame;
  Picture pic;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, out.c_str())) {
    ADD_FAILURE() << "no picture for " << file << " " << frame;
    return pic;
  }
  image.format = PNG_FORMAT_RGB;
  EXPECT_EQ(image.width, 320u);
  EXPECT_EQ(image.height, 200u);
  pic.rgb.resize(PNG_IMAGE_SIZE(image));
  png_image_finish_read(&image, nullptr, pic.rgb.data(), 0, nullptr);
  int left = 320, right = -1;
  auto lit = [&](int x, int y) {
    const uint8_t* p = &pic.rgb[(y * 320 + x) * 3];
    return (p[0] | p[1] | p[2]) != 0;
  };
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 320; ++x)
      if (lit(x, y)) {
        ++pic.count;
        pic.row += y;
        pic.column += x;
        if (x < left) left = x;
        if (x > right) right = x;
      }
  if (!pic.count) return pic;
  pic.row /= pic.count;
  pic.column /= pic.count;
  // Least-squares line through the topmost lit pixel of the middle columns.
  double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  const int margin = (right - left) / 5;
  for (int x = left + margin; x <= right - margin; ++x)
    for (int y = 0; y < 200; ++y)
      if (lit(x, y)) {
        n += 1;
        sx += x;
        sy += y;
        sxx += double(x) * x;
        sxy += double(x) * y;
        break;
      }
  if (n > 2) pic.tilt = std::atan((n * sxy - sx * sy) / (n * sxx - sx * sx)) * 180.0 / M_PI;
  return pic;
}

TEST(EngineTools, ViewFollowsTheTargetCameraKeys) {
  // The camera starts level with the box's base, rises above it by frame 30, turns
  // toward a target further off by frame 60 and ends below the box from frame 90.
  Picture f0 = view("TargetCameraAnim.3ds", 0);
  Picture f30 = view("TargetCameraAnim.3ds", 30);
  Picture f60 = view("TargetCameraAnim.3ds", 60);
  Picture f100 = view("TargetCameraAnim.3ds", 100);
  for (const Picture* p : {&f0, &f30, &f60, &f100}) EXPECT_GT(p->count, 2000);
  // Level with the base: the whole box is above the centre row, right of the centre.
  EXPECT_LT(f0.row, 100);
  EXPECT_GT(f0.column, 160);
  for (int y = 101; y < 200; ++y)
    for (int x = 0; x < 320; ++x) ASSERT_EQ(f0.rgb[(y * 320 + x) * 3 + 2], 0) << x << "," << y;
  // Looking down on it, then tilting up toward the far target: it sinks on screen.
  EXPECT_GT(f30.row, f0.row + 20);
  EXPECT_GT(f60.row, f30.row + 10);
  // From below it is above the centre again.
  EXPECT_LT(f100.row, 100);
  // Past the last key the picture holds; past the last frame it wraps (400 -> 100).
  Picture f200 = view("TargetCameraAnim.3ds", 200);
  Picture f400 = view("TargetCameraAnim.3ds", 400);
  EXPECT_EQ(f200.rgb, f100.rgb);
  EXPECT_EQ(f400.rgb, f100.rgb);
  Picture f330 = view("TargetCameraAnim.3ds", 330);
  EXPECT_EQ(f330.rgb, f30.rgb);
}

TEST(EngineTools, ViewFollowsTheRollKeys) {
  Picture f0 = view("CameraRollAnim.3ds", 0);
  Picture f60 = view("CameraRollAnim.3ds", 60);
  Picture f120 = view("CameraRollAnim.3ds", 120);
  for (const Picture* p : {&f0, &f60, &f120}) EXPECT_GT(p->count, 2000);
  // The camera position and target do not move: the box stays put while the roll
  // (from 0 to -77 degrees, applied to the up vector) turns it steadily one way. The
  // camera looks almost along the world's x axis, so the up vector turning in the
  // x-y plane turns the picture only by about atan(0.03 tan(roll)): 1.4 degrees at
  // frame 60, 7 at frame 120.
  EXPECT_NEAR(f60.row, f0.row, 12);
  EXPECT_NEAR(f60.column, f0.column, 12);
  EXPECT_LT(std::fabs(f0.tilt), 1.0);
  EXPECT_GT(std::fabs(f60.tilt), std::fabs(f0.tilt) + 1.0);
  EXPECT_GT(std::fabs(f120.tilt), std::fabs(f60.tilt) + 1.0);
  EXPECT_GT(f60.tilt * f120.tilt, 0.0);
}

TEST(EngineTools, AffineViewCoversTheSamePixels) {
  Picture p = view("TargetCameraAnim.3ds", 45);
  Picture a = view("TargetCameraAnim.3ds", 45, "--affine");
  EXPECT_NEAR(a.count, p.count, p.count / 50);
  EXPECT_NE(a.rgb, p.rgb);
}

TEST(EngineTools, FatalLinesAndStatus) {
  ToolRun r = runTool("view " + kFiles + "fels.3ds --out /dev/null");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "VRX_FATAL: no cameras in mesh\n");
  r = runTool("dump " + kFiles + "no-such-file.3ds");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "VRX_FATAL: Can't open .3DS file!\n");
  // A camera with a position node but no target node is refused by name.
  ThreeDsWriterScene s = testCubeScene({0, 0, -5}, {0, 0, 0});
  s.nodes.pop_back();
  std::string dir = engineTestDirectory("tools_notarget");
  std::string file = writeTestScene(dir, "t.3ds", s);
  r = runTool("view " + file + " --out /dev/null");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "VRX_FATAL: camera 'Cam' has no target node\n");
  r = runTool("dump " + file);
  EXPECT_EQ(r.status, 1);
  // Bad arguments.
  EXPECT_EQ(runTool("view " + kFiles + "TargetCameraAnim.3ds --camera 3 --out /dev/null").status, 2);
  EXPECT_EQ(runTool("view " + kFiles + "TargetCameraAnim.3ds --frame ten").status, 2);
  EXPECT_EQ(runTool("dump").status, 2);
  EXPECT_EQ(runTool("dump --help").status, 0);
  EXPECT_EQ(runTool("view --help").status, 0);
}

TEST(EngineTools, DumpEncodings) {
  ToolRun raw = runTool("dump " + kFiles + "TargetCameraAnim.3ds --frame 50 --cp437");
  ASSERT_EQ(raw.status, 0);
  std::string top = "\n\n\xDA" + std::string(29, '\xC4') + "\xBF\n\xB3 VRX_RNDR DEBUG - Scene dump \xB3\n";
  EXPECT_EQ(raw.out.substr(0, top.size()), top);
  EXPECT_NE(raw.out.find("FOV        : 45.000\n"), std::string::npos);
  EXPECT_NE(raw.out.find(" Track #2 Name: 'Camera01' Type: camera target\n"), std::string::npos);
  EXPECT_NE(raw.out.find(" \xC0\xC4o 'Camera01' (track 2)\n"), std::string::npos);
  // Not a terminal: the bytes pass through unchanged by default.
  EXPECT_EQ(runTool("dump " + kFiles + "TargetCameraAnim.3ds --frame 50").out, raw.out);
  ToolRun utf8 = runTool("dump " + kFiles + "TargetCameraAnim.3ds --frame 50 --utf8");
  ASSERT_EQ(utf8.status, 0);
  EXPECT_NE(utf8.out.find("\xE2\x94\x82 VRX_RNDR DEBUG - Scene dump \xE2\x94\x82\n"), std::string::npos);
  EXPECT_NE(utf8.out.find(" \xE2\x94\x94\xE2\x94\x80o 'Camera01' (track 2)\n"), std::string::npos);
  EXPECT_EQ(utf8.out.find('\xC4'), std::string::npos);
}

}  // namespace
