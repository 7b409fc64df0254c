// Guards the base layer: show paths resolved against the data root (separators,
// letter case, missing parts), where the data root is found (installed trees too), error messages without
// a box, and the one way the program ends early.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "base/clock.hpp"
#include "base/clock_testing.hpp"
#include "base/datapath.hpp"
#include "base/ending.hpp"
#include "tests/testutil.hpp"

TEST(DataPath, ResolvesBackslashPathsCaseInsensitively) {
  const std::string root = makeTempDir("datapath");
  writeFile(root + "/data/hyper/Hyper.3DS", "x");
  setDataRoot(root);
  EXPECT_EQ(resolveDataPath("DATA\\HYPER\\hyper.3ds"), root + "/data/hyper/Hyper.3DS");
  // A missing component keeps the rest as written.
  EXPECT_EQ(resolveDataPath("data\\nothing\\x.rgb"), root + "/data/nothing/x.rgb");
}

// In order: the current folder, the program's folder, share/gvs beside the
// program's folder (an installed tree); with none, the program's folder.
TEST(DataPath, RootIsHereThenBesideTheProgramThenItsShareFolder) {
  namespace fs = std::filesystem;
  const std::string prefix = makeTempDir("prefix"), here = makeTempDir("here");
  fs::create_directories(prefix + "/share/gvs/data");
  fs::create_directories(prefix + "/bin");
  EXPECT_EQ(findDataRoot(here, prefix + "/bin"), prefix + "/share/gvs");
  fs::create_directories(prefix + "/bin/Data");
  EXPECT_EQ(findDataRoot(here, prefix + "/bin"), prefix + "/bin");
  fs::create_directories(here + "/DATA");
  EXPECT_EQ(findDataRoot(here, prefix + "/bin"), here);
  const std::string bare = makeTempDir("bare-bin");
  EXPECT_EQ(findDataRoot(makeTempDir("bare-here"), bare), bare);
}

TEST(DataPath, RootIsTheCurrentFolderWithDataElseTheExecutables) {
  const std::string saved = std::filesystem::current_path().string(), with = makeTempDir("with-data");
  std::filesystem::create_directories(with + "/DATA");
  ASSERT_EQ(chdir(with.c_str()), 0);
  initDataRoot();
  EXPECT_EQ(dataRoot(), ".");
  ASSERT_EQ(chdir(makeTempDir("without-data").c_str()), 0);
  initDataRoot();
  EXPECT_EQ(dataRoot(), executableDirectory());
  EXPECT_TRUE(std::filesystem::exists(dataRoot() + "/gvs-tests"));
  ASSERT_EQ(chdir(saved.c_str()), 0);
}

TEST(Clock, TickCanBeScriptedAndGoesOn) {
  setTickSource([] { return 0xFFFFFFF0u; });
  EXPECT_EQ(millisecondTick(), 0xFFFFFFF0u);
  setTickSource(nullptr);
  const uint32_t a = millisecondTick();
  const double p = preciseMilliseconds();
  EXPECT_GE(millisecondTick(), a);
  EXPECT_GE(preciseMilliseconds(), p);
}

TEST(Ending, MessagesAndTheLastWords) {
  testing::internal::CaptureStderr();
  showErrorMessage(kShowCaption, "no box here");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Greyline Video System: no box here\n");
  installErrorBox([](const char*, const char*) { return true; });
  testing::internal::CaptureStderr();
  showErrorMessage(kShowCaption, "in the box");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  installErrorBox(nullptr);
  // Standard output goes to standard error in the children so the lines can be matched.
  EXPECT_EXIT((dup2(2, 1), std::atexit([] { std::fputs("handlers ran", stderr); }),
               endProgram("Error(23): Can't initialize device", LastWords::StandardOutput, 1, ExitHandlers::Skip)),
              testing::ExitedWithCode(1), "^Error\\(23\\): Can't initialize device\n$");
  EXPECT_EXIT((std::atexit([] { std::fputs("handlers ran", stderr); }),
               endProgram("gone", LastWords::ErrorMessage, 3)),
              testing::ExitedWithCode(3), "^Greyline Video System: gone\nhandlers ran$");
}
