// Guards the engine log's lines and its stop, and the reader's fatal wrappers.
#include <gtest/gtest.h>
#include <unistd.h>

#include "engine/enginelog.hpp"
#include "engine/threeds.hpp"

TEST(EngineLog, LinesAndStop) {
  testing::internal::CaptureStdout();
  logWarning("careful", false);
  logNote("", false);
  logHint("h", false);
  logDebug("d", false);
  logPanic("p", false);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "VRX_WARNING: careful\nVRX_NOTE: \nVRX_HINT: h\nVRX_DEBUG: d\nVRX_PANIC: p\n");
  EXPECT_TRUE(stopOnFatal);
  // The death-test child sends its standard output to standard error so the line
  // can be matched.
  EXPECT_EXIT(
      {
        dup2(2, 1);
        logFatal("no cameras in mesh", stopOnFatal);
      },
      testing::ExitedWithCode(1), "^VRX_FATAL: no cameras in mesh\n$");
}

TEST(EngineLog, ReaderFailuresEndTheProgram) {
  EXPECT_EXIT(
      {
        dup2(2, 1);
        load3dsOrDie("no\\such\\scene.3ds");
      },
      testing::ExitedWithCode(1), "^VRX_FATAL: Can't open .3DS file!\n$");
  EXPECT_EXIT(
      {
        dup2(2, 1);
        ThreeDsData* none = nullptr;
        free3dsOrDie(none);
      },
      testing::ExitedWithCode(1), "^VRX_FATAL: Can't free up 3DS structure!\n$");
  EXPECT_EQ(take3dsError(), 0);  // the children's codes stay in the children
}
