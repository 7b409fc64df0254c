// Guards the forge: the same bytes on every run, paths laid out as the show resolves
// them.
#include <gtest/gtest.h>

#include <filesystem>

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
    EXPECT_TRUE(readFile(e.path()) == readFile(other)) << e.path() << " differs between runs";
    ++files;
  }
  EXPECT_EQ(files, forgeEntries().size());
}
