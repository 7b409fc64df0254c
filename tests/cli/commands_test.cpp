// Guards the gvs-tool commands that run the show offline, end to end: render writes
// numbered pages (with a progress line on a terminal), bench reports every section,
// the contact sheet shows them all; the installed tree finds its data from anywhere;
// and both programs' command lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/testutil.hpp"

namespace fs = std::filesystem;

// Render writes one numbered page per frame; on a terminal (script(1) gives it one) it
// shows its progress line, into a pipe it does not.
TEST(ToolCommands, RenderWritesOnePagePerFrameWithProgressOnATerminal) {
  const std::string out = makeTempDir("render-out"), tool = std::string(GVS_TOOL_PATH) + " render --out " + out;
  const std::string render = tool + " --from 23000 --to 23120 --fps 10 --data-root " + forgedDataRoot();
  std::string log;
  ASSERT_EQ(runCommand(render, &log), 0) << log;
  EXPECT_EQ(log.find("frame 10 of 10"), std::string::npos) << log;
  EXPECT_NE(log.find("rendered 10 frames"), std::string::npos) << log;
  // t = 23000, 23012, ..., 23108: below 23120 -> ten frames.
  EXPECT_GT(fs::file_size(out + "/frame_000009.png"), 100u);
  EXPECT_FALSE(fs::exists(out + "/frame_000010.png"));
  ASSERT_EQ(runCommand(render + " --single-scene", &log), 0) << log;
  if (runCommand("command -v script") == 0) {
    ASSERT_EQ(runCommand("script -qec '" + render + "' /dev/null", &log), 0) << log;
    EXPECT_NE(log.find("frame 10 of 10 (100%)"), std::string::npos) << log;
    EXPECT_NE(log.find(" left"), std::string::npos) << log;
  }
  EXPECT_NE(runCommand(tool + " --from 0 --to 1 --fps 1 --data-root " + makeTempDir("render-nodata"), &log), 0);
  EXPECT_NE(log.find("no data folder"), std::string::npos) << log;
}

// The whole show at one frame per 120 units and the single-scene mode over one loop
// of its animation, through the headless display (also under the sanitizers).
TEST(ToolRenderUnderSanitizers, ShowAndSingleSceneAtALowFrameRate) {
  const std::string data =
      forgedDataRoot("loader|box|vohel|matrix|HYPER|SPHERE|CSAPOK|BLOBS|metabox|BOGYO|kocka|FORGo|endscrn|misc");
  ASSERT_FALSE(data.empty());
  std::string log;
  const std::string render = std::string(GVS_TOOL_PATH) + " render --data-root " + data + " --out ";
  ASSERT_EQ(runCommand(render + makeTempDir("render-show") + " --from 0 --to 24500 --fps 1", &log), 0) << log;
  ASSERT_EQ(runCommand(render + makeTempDir("render-misc") + " --single-scene --from 0 --to 2655 --fps 2", &log), 0)
      << log;
}

// The text of one field of the object whose name is `name` in the bench's JSON.
std::string benchField(const std::string& json, const std::string& name, const std::string& field) {
  size_t at = json.find("{\"name\":\"" + name + "\"");
  if (at == std::string::npos) return "";
  size_t end = json.find('}', at);
  size_t f = json.find("\"" + field + "\":", at);
  if (f == std::string::npos || f > end) return "";
  f += field.size() + 3;
  return json.substr(f, json.find_first_of(",}", f) - f);
}

// Every section with its frame times, its passes (copies of a frame) and no heap
// allocation in any frame; the whole show's load time and peak memory. The hidden
// probe allocates in every frame and must be caught by the counter.
TEST(ToolCommands, BenchReportsEverySectionAsJson) {
  std::string log;
  ASSERT_EQ(runCommand(std::string(GVS_TOOL_PATH) + " bench --fps 0.5 --json --allocating-probe --data-root " +
                           forgedDataRoot(),
                       &log),
            0)
      << log;
  for (const char* name : {"box", "vohel", "matrix", "hyper", "sphere", "boxbox", "csapok", "blobs", "metabox",
                           "bogyo", "kocka", "forgo", "endscrn", "misc"}) {
    EXPECT_NE(log.find(std::string("{\"name\":\"") + name + "\",\"frames\":"), std::string::npos) << name;
    EXPECT_GT(std::stod("0" + benchField(log, name, "passes")), 0.0) << name << "\n" << log;
    EXPECT_EQ(benchField(log, name, "allocsPerFrame"), "0.000") << name << " allocates while it renders";
  }
  EXPECT_GE(std::stod("0" + benchField(log, "probe", "allocsPerFrame")), 1.0) << log;
  EXPECT_NE(log.find("\"total\":{\"name\":\"total\""), std::string::npos) << log;
  for (const char* field : {"passes", "allocsPerFrame", "loadMs", "peakRssMb"})
    EXPECT_NE(benchField(log, "total", field), "") << field << "\n" << log;
  EXPECT_GT(std::stod("0" + benchField(log, "total", "peakRssMb")), 10.0) << log;
  EXPECT_EQ(log.find("measuring"), std::string::npos);  // nothing but the object with --json
  ASSERT_EQ(runCommand(std::string(GVS_TOOL_PATH) + " bench --section endscrn --from 23100 --to 23400 --fps 1 "
                           "--data-root " + forgedDataRoot(),
                       &log),
            0)
      << log;
  EXPECT_NE(log.find("endscrn           3"), std::string::npos) << log;
  EXPECT_EQ(runCommand(std::string(GVS_TOOL_PATH) + " bench --section nosuch", &log), 2);
}

TEST(ToolCommands, CommandLineErrors) {
  std::string out;
  EXPECT_EQ(runCommand(std::string(GVS_TOOL_PATH) + " forge --bogus", &out), 2);
  EXPECT_NE(out.find("unknown option"), std::string::npos);
  EXPECT_EQ(runCommand(std::string(GVS_TOOL_PATH) + " forge " + makeTempDir("forge-none") + " --only nothing-matches", &out), 1);
  EXPECT_EQ(runCommand(std::string(GVS_TOOL_PATH) + " nosuchcommand", &out), 2);
  EXPECT_EQ(runCommand(std::string(GVS_TOOL_PATH) + " render --from 0 --to 10", &out), 2);
  EXPECT_EQ(runCommand(std::string(GVS_TOOL_PATH) + " bench --fps -3", &out), 2);
  EXPECT_EQ(runCommand(std::string(GVS_SHOW_PATH) + " --scale 0", &out), 2);
  EXPECT_EQ(runCommand(std::string(GVS_SHOW_PATH) + " --help", &out), 0);
  EXPECT_NE(out.find("--window"), std::string::npos);
}

// Every section and the single scene get a thumbnail that shows a picture (not black,
// not one flat colour), labelled beneath.
TEST(ToolCommands, ContactSheetShowsEverySection) {
  const std::string out = makeTempDir("contact-sheet") + "/sheet.png";
  std::string log;
  ASSERT_EQ(runCommand(std::string(GVS_TOOL_PATH) + " contact-sheet " + out + " --at start --data-root " +
                           forgedDataRoot(),
                       &log),
            0)
      << log;
  // Four columns of 160 x 100 thumbnails, 8 apart, under a 28-row title, 30 rows of
  // label under each.
  const std::vector<uint8_t> sheet = readPngRgb(out, 680, 580);
  ASSERT_FALSE(sheet.empty()) << log;
  auto luma = [&](int x, int y) {
    const uint8_t* p = &sheet[(size_t(y) * 680 + size_t(x)) * 3];
    return (2 * p[0] + 5 * p[1] + p[2]) / 8;
  };
  for (int tile = 0; tile < 14; ++tile) {
    const int left = 8 + (tile % 4) * 168, top = 28 + (tile / 4) * 138;
    int lit = 0, lo = 255, hi = 0, label = 0;
    for (int y = top; y < top + 100; ++y)
      for (int x = left; x < left + 160; ++x) {
        lit += luma(x, y) > 24;
        lo = std::min(lo, luma(x, y));
        hi = std::max(hi, luma(x, y));
      }
    for (int y = top + 100; y < top + 130; ++y)
      for (int x = left; x < left + 160; ++x) label += luma(x, y) > 128;
    EXPECT_GT(lit, 1600) << "tile " << tile;
    EXPECT_GT(hi - lo, 60) << "tile " << tile;
    EXPECT_GT(label, 40) << "tile " << tile;
  }
  EXPECT_EQ(runTool("contact-sheet " + out + " --at noon"), 2);
  EXPECT_EQ(runTool("contact-sheet"), 2);
}

// cmake --install puts gvs, gvs-tool and the data set under a prefix; from a folder
// without data both find it in PREFIX/share/gvs.
TEST(ToolCommands, InstalledTreeRunsFromAnotherFolder) {
  const std::string prefix = makeTempDir("install-prefix"), elsewhere = makeTempDir("install-elsewhere");
  std::string log;
  ASSERT_EQ(runCommand(std::string(GVS_CMAKE_COMMAND) + " --install " + GVS_BINARY_DIR + " --prefix " + prefix, &log), 0)
      << log;
  for (const char* file : {"bin/gvs", "bin/gvs-tool", "share/gvs/data/music/qz0.mp3", "share/gvs/data/loader/loader.rgb"})
    EXPECT_TRUE(fs::exists(prefix + "/" + file)) << file;
  ASSERT_EQ(runCommand("cd " + elsewhere + " && " + prefix + "/bin/gvs-tool render --from 23000 --to 23024 --fps 10 --out frames",
                       &log),
            0)
      << log;
  EXPECT_TRUE(fs::exists(elsewhere + "/frames/frame_000001.png")) << log;
  // The show reads its loader picture at once and would stop on a missing one; it
  // is still fading it in when killed.
  EXPECT_EQ(runCommand("cd " + elsewhere + " && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout -s KILL 3 " +
                           prefix + "/bin/gvs --silent",
                       &log),
            128 + 9)
      << log;
}
