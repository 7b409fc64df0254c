// The forge: same bytes on every run, paths laid out as the show resolves them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/testutil.hpp"
#include "forge/forge.hpp"

namespace fs = std::filesystem;

TEST(Forge, OutputFolderLayout) {
  EXPECT_EQ(forgeRelativePath("DATA\\HYPER\\hyper.3ds"), "hyper/hyper.3ds");
  EXPECT_EQ(forgeRelativePath("data\\loader\\loader.rgb"), "loader/loader.rgb");
  EXPECT_EQ(forgeRelativePath("DATA\\FORGo\\Forgo.3DS"), "forgo/Forgo.3DS");
  EXPECT_TRUE(forgeSelects("loader|endscrn", "DATA\\endscrn\\endscrn.rgb"));
  EXPECT_FALSE(forgeSelects("loader|endscrn", "data\\music\\qz0.mp3"));
}

TEST(Forge, TwoRunsWriteIdenticalBytes) {
  std::string a = makeTempDir("forge-a"), b = makeTempDir("forge-b");
  std::string out;
  ASSERT_EQ(runCommand(std::string(GVS_TOOL_PATH) + " forge --quiet " + a, &out), 0) << out;
  ASSERT_EQ(runCommand(std::string(GVS_TOOL_PATH) + " forge --quiet " + b, &out), 0) << out;
  size_t files = 0;
  for (const auto& e : fs::recursive_directory_iterator(a)) {
    if (!e.is_regular_file() || e.path().filename() == ".forged") continue;
    fs::path other = fs::path(b) / fs::relative(e.path(), a);
    ASSERT_TRUE(fs::exists(other)) << other;
    std::ifstream fa(e.path(), std::ios::binary), fb(other, std::ios::binary);
    std::stringstream sa, sb;
    sa << fa.rdbuf();
    sb << fb.rdbuf();
    EXPECT_TRUE(sa.str() == sb.str()) << e.path() << " differs between runs";
    ++files;
  }
  EXPECT_EQ(files, forgeEntries().size());
}

TEST(Forge, CommandLineErrors) {
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
