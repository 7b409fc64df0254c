// Guards gvs-tool view, dump and info on 3DS files: the picture follows the camera's
// keys, holds past the last key and wraps past the last frame, the roll tilts it; a
// file without a camera is framed whole; the dump's box characters; what info
// reports; failures give the engine's fatal line and status 1. Checked on scenes our
// writer makes, and on files written by real editors when GVS_TESTDATA has them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/threeds_scenes.hpp"

namespace {

struct Picture {
  std::vector<uint8_t> rgb;
  int count = 0;  // pixels that are not black
  double row = 0, column = 0;  // centroid of those
  double tilt = 0;  // slope of the top edge, degrees (positive: falling to the right)
};

// Renders one frame with gvs-tool view. A picture is always 320 x 200 pixels; when
// the tool made none the test has already failed and the picture is black.
Picture view(const std::string& file, float frame, const std::string& extra = "") {
  static const std::string dir = makeTempDir("view");
  const std::string out = dir + "/view.png";
  std::remove(out.c_str());
  EXPECT_EQ(runTool("view " + file + " --frame " + std::to_string(frame) + " --out " + out + " " + extra), 0)
      << file << " " << frame;
  Picture pic;
  pic.rgb = readPngRgb(out, 320, 200);
  if (pic.rgb.empty()) {
    ADD_FAILURE() << "no 320 x 200 picture for " << file << " " << frame;
    pic.rgb.assign(320 * 200 * 3, 0);
  }
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

ThreeDsWriterKey<Vector3> at(uint16_t frame, Vector3 v) { return {frame, {}, v}; }

// One box at the origin and a target camera panning with its target: level with the
// box at frame 0, raised by 1.5 at frame 30 (the box sinks on screen), back down below
// the box by frame 100, which is the last key; the segment ends at 300.
std::string writtenPanningScene() {
  static const std::string file = [] {
    ThreeDsWriterScene s = testCubeScene({0, 0, -6}, {0, 0, 0});
    s.cameras[0].name = "Camera01";
    s.endFrame = 300;
    s.nodes[1].name = s.nodes[2].name = "Camera01";
    s.nodes[1].fovKeys[0].value = 45;
    s.nodes[1].positionKeys = {at(0, {0, 0, -6}), at(30, {0, 1.5f, -6}), at(100, {0, -1.2f, -6})};
    s.nodes[2].positionKeys = {at(0, {0, 0, 0}), at(30, {0, 1.5f, 0}), at(100, {0, -1.2f, 0})};
    return writeTestScene(engineTestDirectory("panning"), "panning.3ds", s);
  }();
  return file;
}

// The frames of a camera that pans up by frame 30 and down below its start by 100,
// the last key, in a segment ending at 300.
void expectPanningPictures(const std::string& file) {
  Picture f0 = view(file, 0), f30 = view(file, 30), f100 = view(file, 100);
  for (const Picture* p : {&f0, &f30, &f100}) EXPECT_GT(p->count, 2000) << file;
  EXPECT_GT(f30.row, f0.row + 10) << file;
  // Past the last key the picture holds; past the last frame it wraps (400 -> 100).
  EXPECT_EQ(view(file, 200).rgb, f100.rgb) << file;
  EXPECT_EQ(view(file, 400).rgb, f100.rgb) << file;
  EXPECT_EQ(view(file, 330).rgb, f30.rgb) << file;
  // The affine rasterizer covers the same pixels with other texels.
  Picture affine = view(file, 30, "--affine");
  EXPECT_NEAR(affine.count, f30.count, f30.count / 50) << file;
  EXPECT_NE(affine.rgb, f30.rgb) << file;
}

TEST(EngineTools, ViewFollowsTheCameraKeys) {
  const std::string file = writtenPanningScene();
  expectPanningPictures(file);
  Picture f0 = view(file, 0), f100 = view(file, 100);
  // Centred at first; from below, above the centre.
  EXPECT_NEAR(f0.row, 100, 3);
  EXPECT_NEAR(f0.column, 160, 3);
  EXPECT_LT(f100.row, f0.row - 10);
}

// Three frames of a camera whose roll turns steadily while position and target hold
// still: the box stays put, level at first, and turns one way by more than `step`
// degrees from frame to frame.
void expectRolling(const std::string& file, float f0, float f1, float f2, double step) {
  Picture p0 = view(file, f0), p1 = view(file, f1), p2 = view(file, f2);
  for (const Picture* p : {&p0, &p1, &p2}) EXPECT_GT(p->count, 2000) << file;
  EXPECT_NEAR(p1.row, p0.row, 12) << file;
  EXPECT_NEAR(p1.column, p0.column, 12) << file;
  EXPECT_LT(std::fabs(p0.tilt), 1.0) << file;
  EXPECT_GT(std::fabs(p1.tilt), std::fabs(p0.tilt) + step) << file;
  EXPECT_GT(std::fabs(p2.tilt), std::fabs(p1.tilt) + step) << file;
  EXPECT_GT(p1.tilt * p2.tilt, 0.0) << file;
}

// A plank three times as wide as high, seen straight along the world's z axis while
// the roll goes from 0 to 30 degrees over frames 0 to 100.
TEST(EngineTools, ViewFollowsTheRollKeys) {
  ThreeDsWriterScene s = testCubeScene({0.3f, 0.2f, -6}, {0.3f, 0.2f, 0});
  for (Vector3& v : s.objects[0].vertices) v.x *= 3;
  s.endFrame = 100;
  s.nodes[1].rollKeys = {{0, {}, 0.0f}, {100, {}, 30.0f}};
  expectRolling(writeTestScene(engineTestDirectory("rolling"), "rolling.3ds", s), 0, 50, 100, 8.0);
}

// What the tool prints on standard output, and its exit status.
std::string toolOutput(const std::string& args, int status) {
  std::string out;
  EXPECT_EQ(runTool(args, &out), status) << args;
  return out;
}

// The whole scene in view: lit pixels, none on the picture's edges, centred.
void expectFramed(const Picture& p, const std::string& what) {
  EXPECT_GT(p.count, 1500) << what;
  for (int i = 0; i < 320 * 200; ++i) {
    const bool edge = i < 320 || i >= 199 * 320 || i % 320 == 0 || i % 320 == 319;
    ASSERT_EQ(edge ? p.rgb[i * 3] | p.rgb[i * 3 + 1] : 0, 0) << what << " pixel " << i;
  }
  EXPECT_NEAR(p.column, 160, 30) << what;
  EXPECT_NEAR(p.row, 100, 30) << what;
}

// A file without a camera is seen whole from a generated camera, wherever its
// object lies and however large; --camera cannot pick one of its own. dump keeps
// the fatal line.
TEST(EngineTools, ViewFramesAFileWithoutCamera) {
  ThreeDsWriterScene noCamera = testCubeScene({0, 0, -5}, {0, 0, 0}, 40.0f);
  noCamera.cameras.clear();
  noCamera.nodes.resize(1);
  noCamera.nodes[0].positionKeys[0].value = {300, -50, 1000};
  const std::string file = writeTestScene(engineTestDirectory("nocamera"), "nocamera.3ds", noCamera);
  std::string log;
  const std::string out = makeTempDir("view-framed") + "/framed.png";
  ASSERT_EQ(runCommand(std::string(GVS_TOOL_PATH) + " view " + file + " --out " + out, &log), 0) << log;
  EXPECT_NE(log.find("note: " + file + " has no camera; a generated camera shows the whole scene"), std::string::npos)
      << log;
  expectFramed(view(file, 0), file);
  EXPECT_EQ(runCommand(std::string(GVS_TOOL_PATH) + " view " + file + " --camera 0 --out " + out, &log), 2);
  EXPECT_NE(log.find("has no cameras of its own for --camera to pick"), std::string::npos) << log;
  EXPECT_EQ(toolOutput("dump " + file, 1), "VRX_FATAL: no cameras in mesh\n");
}

TEST(EngineTools, FatalLinesAndStatus) {
  EXPECT_EQ(toolOutput("dump " + engineTestDirectory("missing") + "no-such-file.3ds", 1),
            "VRX_FATAL: Can't open .3DS file!\n");
  // A camera with a position node but no target node is refused by name.
  ThreeDsWriterScene s = testCubeScene({0, 0, -5}, {0, 0, 0});
  s.nodes.pop_back();
  std::string file = writeTestScene(engineTestDirectory("notarget"), "t.3ds", s);
  EXPECT_EQ(toolOutput("view " + file + " --out /dev/null", 1), "VRX_FATAL: camera 'Cam' has no target node\n");
  toolOutput("dump " + file, 1);
  // Bad arguments.
  EXPECT_EQ(runTool("view " + writtenPanningScene() + " --camera 3 --out /dev/null"), 2);
  EXPECT_EQ(runTool("view " + writtenPanningScene() + " --frame ten"), 2);
  EXPECT_EQ(runTool("dump"), 2);
  EXPECT_EQ(runTool("dump --help"), 0);
  EXPECT_EQ(runTool("view --help"), 0);
}

// The dump's box characters: code page 437 as they are, or UTF-8 when asked.
void expectDumpEncodings(const std::string& file, const std::string& targetTrack) {
  const std::string raw = toolOutput("dump " + file + " --frame 50 --cp437", 0);
  std::string top = "\n\n\xDA" + std::string(29, '\xC4') + "\xBF\n\xB3 VRX_RNDR DEBUG - Scene dump \xB3\n";
  EXPECT_EQ(raw.substr(0, top.size()), top);
  EXPECT_NE(raw.find("FOV        : 45.000\n"), std::string::npos);
  EXPECT_NE(raw.find(" Track #" + targetTrack + " Name: 'Camera01' Type: camera target\n"), std::string::npos);
  EXPECT_NE(raw.find(" \xC0\xC4o 'Camera01' (track " + targetTrack + ")\n"), std::string::npos);
  // Not a terminal: the bytes pass through unchanged by default.
  EXPECT_EQ(toolOutput("dump " + file + " --frame 50", 0), raw);
  const std::string utf8 = toolOutput("dump " + file + " --frame 50 --utf8", 0);
  EXPECT_NE(utf8.find("\xE2\x94\x82 VRX_RNDR DEBUG - Scene dump \xE2\x94\x82\n"), std::string::npos);
  EXPECT_NE(utf8.find(" \xE2\x94\x94\xE2\x94\x80o 'Camera01' (track " + targetTrack + ")\n"), std::string::npos);
  EXPECT_EQ(utf8.find('\xC4'), std::string::npos);
}

TEST(EngineTools, DumpEncodings) { expectDumpEncodings(writtenPanningScene(), "2"); }

// What the reader found, as text and as JSON; a reader failure is the fatal line.
TEST(EngineTools, InfoReportsTheReadersFindings) {
  const std::string dir = makeTempDir("info") + "/";
  const std::string file = writeTestScene(dir, "sample.3ds", sampleScene());
  std::string text;
  EXPECT_EQ(runCommand("cd " + dir + " && " + GVS_TOOL_PATH + " info sample.3ds", &text, true), 0);
  expectGolden("cli/info_sample.txt", text);
  // The light nodes are named for what editors put in their chunks: 0xB005 an omni
  // light, 0xB007 a spotlight, 0xB006 its target.
  for (const char* node : {"'Omni01' (omni light)", "'Spot01' (spotlight)", "'Spot01' (spotlight target)"})
    EXPECT_NE(text.find(node), std::string::npos) << node;
  expectGolden("cli/info_sample.json", toolOutput("info " + file + " --json", 0));
  EXPECT_EQ(toolOutput("info '" + dir + "no such file.3ds'", 1), "VRX_FATAL: Can't open .3DS file!\n");
  std::string bytes = readFile(file);
  writeFile(dir + "cut.3ds", bytes.substr(0, bytes.size() / 2));
  EXPECT_EQ(toolOutput("info " + dir + "cut.3ds", 1), "VRX_FATAL: Fatal error in .3DS file!\n");
  EXPECT_EQ(runTool("info"), 2);
}

// The same on files written by real editors.
TEST(EngineToolsOnEditorFiles, ViewFollowsTheTargetCameraKeys) {
  // The camera starts level with the box's base, rises above it by frame 30, turns
  // toward a target further off by frame 60 and ends below the box from frame 90.
  REAL_EDITOR_FILE_OR_SKIP(file, "TargetCameraAnim.3ds");
  expectPanningPictures(file);
  Picture f0 = view(file, 0), f30 = view(file, 30), f60 = view(file, 60), f100 = view(file, 100);
  // Level with the base: the whole box is above the centre row, right of the centre.
  EXPECT_LT(f0.row, 100);
  EXPECT_GT(f0.column, 160);
  for (int y = 101; y < 200; ++y)
    for (int x = 0; x < 320; ++x) ASSERT_EQ(f0.rgb[(y * 320 + x) * 3 + 2], 0) << x << "," << y;
  EXPECT_GT(f30.row, f0.row + 20);
  // Tilting up toward the far target: it sinks further. From below it is above the centre again.
  EXPECT_GT(f60.row, f30.row + 10);
  EXPECT_LT(f100.row, 100);
}

TEST(EngineToolsOnEditorFiles, ViewFollowsTheRollKeys) {
  REAL_EDITOR_FILE_OR_SKIP(file, "CameraRollAnim.3ds");
  // The roll goes from 0 to -77 degrees, applied to the up vector. The camera looks
  // almost along the world's x axis, so the up vector turning in the x-y plane turns
  // the picture only by about atan(0.03 tan(roll)): 1.4 degrees at frame 60, 7 at 120.
  expectRolling(file, 0, 60, 120, 1.0);
}

TEST(EngineToolsOnEditorFiles, ViewFramesFilesWithoutCameraAndDumps) {
  REAL_EDITOR_FILE_OR_SKIP(fels, "fels.3ds");
  expectFramed(view(fels, 0), fels);
  EXPECT_EQ(toolOutput("dump " + fels, 1), "VRX_FATAL: no cameras in mesh\n");
  REAL_EDITOR_FILE_OR_SKIP(rotating, "RotatingCube.3DS");
  expectFramed(view(rotating, 40), rotating);
  REAL_EDITOR_FILE_OR_SKIP(target, "TargetCameraAnim.3ds");
  expectDumpEncodings(target, "2");
}

}  // namespace
