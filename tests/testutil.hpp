// Shared helpers of the tests: random buffers, private temporary folders, files,
// commands, golden texts and the data sets the tests read.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/datapath.hpp"
#include "image/pixelops.hpp"

// A deterministic generator for random test buffers.
struct TestRng {
  uint64_t s;
  explicit TestRng(uint64_t seed) : s(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint32_t next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return uint32_t(s >> 11);
  }
  int below(int n) { return int(next() % uint32_t(n)); }
};

// Runs `check` once per vector path the processor has, then restores the default.
template <typename Check>
void onEveryPath(Check check) {
  for (VectorPath path : {VectorPath::Avx2, VectorPath::Sse2}) {
    if (path == VectorPath::Avx2 && !processorHasAvx2()) continue;
    setVectorPath(path);
    ASSERT_EQ(vectorPath(), path);
    SCOPED_TRACE(path == VectorPath::Avx2 ? "AVX2" : "SSE2");
    check();
  }
  setVectorPath(VectorPath::Avx2);
}

inline uint32_t px(int b0, int b1, int b2, int b3) {
  return uint32_t(b0) | (uint32_t(b1) << 8) | (uint32_t(b2) << 16) | (uint32_t(b3) << 24);
}
inline int byteOf(uint32_t p, int i) { return int((p >> (8 * i)) & 0xFF); }
// The largest of bytes 0 to 2 over the first `count` pixels; how many have any of them set.
int brightestByte(const uint32_t* pixels, int count);
int litPixels(const uint32_t* pixels, int count);

std::vector<uint32_t> randomFrame(TestRng& rng, size_t n = 64000);

// A fresh empty folder of this process's own (no two processes or calls share
// one), under the build's temporary area; removed when the process ends unless
// GVS_KEEP_TEST_TMP is set.
std::string makeTempDir(const std::string& name);

// Whole files; writeFile makes the missing folders.
std::string readFile(const std::string& path);
bool writeFile(const std::string& path, const std::string& bytes);
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

// A PNG file's pixels as R, G, B bytes, rows top to bottom; empty when it cannot be
// read or is not width x height.
std::vector<uint8_t> readPngRgb(const std::string& path, unsigned width, unsigned height);

// Runs a shell command; returns its exit status and captures its standard output,
// with standard error too unless stdoutOnly.
int runCommand(const std::string& cmd, std::string* output = nullptr, bool stdoutOnly = false);
// gvs-tool with the arguments, standard output only.
int runTool(const std::string& args, std::string* output = nullptr);

// Where the synthesizer's kick drum (its first 30 ms) best fits a mono sound at 44100 Hz
// within `window` samples of sample `around`, by normalised correlation (1: the kick alone).
struct KickFit {
  long at;
  double correlation;
};
KickFit fitKick(const std::vector<float>& mono, long around, long window);

// Compares a long exact text with tests/golden/<name>. With GVS_UPDATE_GOLDEN set the
// file is rewritten instead (review the difference before committing it).
void expectGolden(const std::string& name, const std::string& actual);

// The 3DS files written by real 3D editors live in GVS_TESTDATA/3ds, GVS_TESTDATA
// coming from the environment or else from the build's setting of that name. The
// full path of one of them, or "" when it is not there.
std::string realEditorFile(const std::string& name);
// The one line a test skips with when realEditorFile(name) is "".
std::string missingRealEditorFile(const std::string& name);
#define REAL_EDITOR_FILE_OR_SKIP(path, name)    \
  const std::string path = realEditorFile(name); \
  if (path.empty()) GTEST_SKIP() << missingRealEditorFile(name)

// A data root holding the forged data set: the build's own build/data when the
// build forged it, otherwise the files `only` selects forged once per process into a
// temporary folder. Tests never write into it; copy it first to change it.
std::string forgedDataRoot(const char* only = nullptr);
// forgedDataRoot(only) made the data root as `root`; the test fails when the forge does.
#define USE_FORGED_DATA(root, only)                             \
  const std::string root = forgedDataRoot(only);                \
  ASSERT_FALSE(root.empty()) << "the forge failed";             \
  setDataRoot(root)
// Opens the headless display (a test fails when it cannot).
void openHeadlessDisplay();
