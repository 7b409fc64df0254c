#include "tests/testutil.hpp"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "tools/forge.hpp"

namespace fs = std::filesystem;

std::vector<uint32_t> randomFrame(TestRng& rng, size_t n) {
  std::vector<uint32_t> v(n);
  for (uint32_t& p : v) p = rng.next() ^ (rng.next() << 16);
  return v;
}

std::string makeTempDir(const std::string& name) {
  fs::path p = fs::path(GVS_BINARY_DIR) / "test-tmp" / name;
  std::error_code ec;
  fs::remove_all(p, ec);
  fs::create_directories(p);
  return p.string();
}

std::string forgedDataRoot(const char* only) {
  // The build forges the whole default data set into build/data; use it when it is there.
  std::error_code ec;
  if (fs::exists(fs::path(GVS_BINARY_DIR) / "data" / ".forged", ec)) return GVS_BINARY_DIR;
  // Otherwise forge into folders of this process alone (ctest runs tests in parallel),
  // removed again when it ends. The map is never destroyed, so the exit handler can
  // still read it.
  static auto* done = new std::map<std::string, std::string>();
  std::string key = only ? only : "*";
  auto it = done->find(key);
  if (it != done->end()) return it->second;
  static const bool cleanup = std::atexit([] {
    std::error_code removeError;
    for (const auto& entry : *done) fs::remove_all(entry.second, removeError);
  }) == 0;
  (void)cleanup;
  std::string root = makeTempDir("forged-" + std::to_string(getpid()) + "-" + std::to_string(done->size()));
  if (!runForge(root + "/data", only, true)) {
    fs::remove_all(root, ec);
    return "";
  }
  (*done)[key] = root;
  return root;
}

int runCommand(const std::string& cmd, std::string* output) {
  FILE* p = popen((cmd + " 2>&1").c_str(), "r");
  if (!p) return -1;
  char buf[4096];
  size_t n;
  std::string out;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int status = pclose(p);
  if (output) *output = out;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
