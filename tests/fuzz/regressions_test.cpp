// Replays every input that ever made a fuzz target fail (tests/fuzz/regressions/TARGET)
// and the hand-made seeds (tests/fuzz/seeds/TARGET) through the same target functions
// libFuzzer runs, without libFuzzer; under the sanitizers too.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/fuzz/fuzz_targets.hpp"
#include "tests/testutil.hpp"

namespace fs = std::filesystem;

TEST(FuzzRegressions, EveryInputThatFoundAFaultRunsClean) {
  const fs::path fuzz = fs::path(GVS_SOURCE_DIR) / "tests" / "fuzz";
  int replayed = 0;
  for (int t = 0; t < kFuzzTargetCount; ++t)
    for (const char* corpus : {"regressions", "seeds"}) {
      const fs::path dir = fuzz / corpus / kFuzzTargets[t].name;
      if (!fs::is_directory(dir)) continue;
      for (const auto& e : fs::directory_iterator(dir)) {
        if (!e.is_regular_file() || e.path().filename().string()[0] == '.') continue;
        SCOPED_TRACE(e.path().string());
        const std::string bytes = readFile(e.path().string());
        kFuzzTargets[t].run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        ++replayed;
      }
    }
  EXPECT_GT(replayed, 0);
}
