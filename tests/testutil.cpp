// The shared helpers of the tests.
#include "tests/testutil.hpp"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "forge/forge.hpp"
#include "synth/voices.hpp"
#include "video/display.hpp"

namespace fs = std::filesystem;

int brightestByte(const uint32_t* pixels, int count) {
  int m = 0;
  for (int i = 0; i < count; ++i)
    for (int c = 0; c < 24; c += 8) m = std::max(m, int((pixels[i] >> c) & 255));
  return m;
}

int litPixels(const uint32_t* pixels, int count) {
  return int(std::count_if(pixels, pixels + count, [](uint32_t p) { return (p & 0xFFFFFF) != 0; }));
}

void openHeadlessDisplay() {
  DisplayOptions o;
  o.headless = true;
  configureDisplay(o);
  ASSERT_EQ(openDisplay(), 0);
}

std::vector<uint32_t> randomFrame(TestRng& rng, size_t n) {
  std::vector<uint32_t> v(n);
  for (uint32_t& p : v) p = rng.next() ^ (rng.next() << 16);
  return v;
}

namespace {
// The process's own folder under build/test-tmp, made on first use.
const fs::path& processTempRoot() {
  static const fs::path root = [] {
    fs::path base = fs::path(GVS_BINARY_DIR) / "test-tmp";
    std::error_code ec;
    fs::create_directories(base, ec);
    std::string pattern = (base / ("run-" + std::to_string(getpid()) + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    if (!std::getenv("GVS_KEEP_TEST_TMP"))
      std::atexit([] {
        std::error_code ignored;
        fs::remove_all(processTempRoot(), ignored);
      });
    return fs::path(pattern);
  }();
  return root;
}

std::string testDataRoot() {
  const char* env = std::getenv("GVS_TESTDATA");
  return env ? env : GVS_TESTDATA;
}
}  // namespace

std::string makeTempDir(const std::string& name) {
  static int made = 0;
  fs::path p = processTempRoot() / (name + "-" + std::to_string(++made));
  fs::create_directories(p);
  return p.string();
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool writeFile(const std::string& path, const std::string& bytes) {
  std::error_code ec;
  if (fs::path(path).has_parent_path()) fs::create_directories(fs::path(path).parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  return bool(out.write(bytes.data(), std::streamsize(bytes.size())));
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  return writeFile(path, std::string(bytes.begin(), bytes.end()));
}

std::vector<uint8_t> readPngRgb(const std::string& path, unsigned width, unsigned height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  std::vector<uint8_t> rgb;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return rgb;
  image.format = PNG_FORMAT_RGB;
  if (image.width == width && image.height == height) {
    rgb.resize(size_t(width) * height * 3);
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) rgb.clear();
  }
  png_image_free(&image);
  return rgb;
}

int runCommand(const std::string& cmd, std::string* output, bool stdoutOnly) {
  FILE* p = popen((cmd + (stdoutOnly ? " 2>/dev/null" : " 2>&1")).c_str(), "r");
  if (!p) return -1;
  char buf[4096];
  size_t n;
  std::string out;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int status = pclose(p);
  if (output) *output = out;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int runTool(const std::string& args, std::string* output) {
  return runCommand(std::string(GVS_TOOL_PATH) + " " + args, output, true);
}

KickFit fitKick(const std::vector<float>& mono, long around, long window) {
  static const std::vector<float> kick = [] {
    BusWindow b(2000);
    renderKick(b, 0, 1.0, 1.0);
    return std::vector<float>(b.l.begin(), b.l.begin() + 1323);
  }();
  double kk = 0;
  for (float v : kick) kk += double(v) * v;
  KickFit best{around, -2.0};
  for (long s = std::max(around - window, 0L); s <= around + window && s + long(kick.size()) <= long(mono.size()); ++s) {
    double xy = 0, xx = 0;
    for (size_t i = 0; i < kick.size(); ++i) {
      xy += double(mono[size_t(s) + i]) * kick[i];
      xx += double(mono[size_t(s) + i]) * mono[size_t(s) + i];
    }
    const double c = xy / std::sqrt(xx * kk + 1e-30);
    if (c > best.correlation) best = {s, c};
  }
  return best;
}

void expectGolden(const std::string& name, const std::string& actual) {
  const fs::path golden = fs::path(GVS_SOURCE_DIR) / "tests" / "golden" / name;
  if (std::getenv("GVS_UPDATE_GOLDEN")) {
    writeFile(golden.string(), actual);
    return;
  }
  if (readFile(golden.string()) == actual) return;
  const std::string got = makeTempDir("golden") + "/" + fs::path(name).filename().string();
  writeFile(got, actual);
  ADD_FAILURE() << "differs from tests/golden/" << name << "; the text made is in " << got;
}

std::string realEditorFile(const std::string& name) {
  const std::string root = testDataRoot();
  if (root.empty()) return "";
  fs::path file = fs::path(root) / "3ds" / name;
  std::error_code ec;
  return fs::is_regular_file(file, ec) ? file.string() : "";
}

std::string missingRealEditorFile(const std::string& name) {
  const std::string root = testDataRoot();
  return "needs the real-editor file 3ds/" + name + " (" + (root.empty() ? "GVS_TESTDATA is not set" : "not in " + root) +
         "): point GVS_TESTDATA (environment, or cmake -DGVS_TESTDATA=DIR) at a folder holding 3ds/";
}

std::string forgedDataRoot(const char* only) {
  // The build forges the whole default data set into build/data; use it when it is there.
  std::error_code ec;
  if (fs::exists(fs::path(GVS_BINARY_DIR) / "data" / ".forged", ec)) return GVS_BINARY_DIR;
  static std::map<std::string, std::string> done;
  std::string key = only ? only : "*";
  auto it = done.find(key);
  if (it != done.end()) return it->second;
  std::string root = makeTempDir("forged-" + std::to_string(done.size()));
  if (!runForge(root + "/data", only, true)) return "";
  done[key] = root;
  return root;
}
