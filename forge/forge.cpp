// The forge's registry of makers and the writing of the data set.
#include "forge/forge.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "base/clock.hpp"

namespace fs = std::filesystem;

namespace {
// Whether the makers on the second thread may start (see forgeLeaveOneCore).
std::mutex coreMutex;
std::condition_variable coreChange;
bool coreFree = false;

std::vector<ForgeEntry>& registry() {
  static std::vector<ForgeEntry> r;
  return r;
}

bool writeIfChanged(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (fs::exists(path, ec) && fs::file_size(path, ec) == bytes.size()) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> old(bytes.size());
    if (in.read(reinterpret_cast<char*>(old.data()), std::streamsize(old.size())) && old == bytes) return true;
  }
  // A private temporary name beside the file: two forges writing the same set at once
  // never read each other's half-written file, and the rename replaces it whole.
  std::string tmp = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
  int fd = mkstemp(tmp.data());
  if (fd < 0) return false;
  FILE* out = fdopen(fd, "wb");
  if (!out) {
    close(fd);
    fs::remove(tmp, ec);
    return false;
  }
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  written = (std::fclose(out) == 0) && written;
  // mkstemp makes the file private; the data set is read by everyone like any file.
  if (written) fs::permissions(tmp, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read, ec);
  if (written) fs::rename(tmp, path, ec);
  if (!written || ec) {
    fs::remove(tmp, ec);
    return false;
  }
  return true;
}

}  // namespace

void forgeLeaveOneCore() {
  std::lock_guard<std::mutex> lock(coreMutex);
  coreFree = true;
  coreChange.notify_all();
}

ForgeRegistrar::ForgeRegistrar(const char* showPath, ForgeMaker make, ForgeLane lane) {
  registry().push_back({showPath, make, lane});
}

std::vector<ForgeEntry> forgeEntries() {
  std::vector<ForgeEntry> e = registry();
  std::sort(e.begin(), e.end(), [](const ForgeEntry& a, const ForgeEntry& b) { return a.showPath < b.showPath; });
  return e;
}

std::string forgeRelativePath(const std::string& showPath) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : showPath) {
    if (c == '\\' || c == '/') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  std::string rel;
  for (size_t i = 1; i < parts.size(); ++i) {  // the first folder is "data"
    std::string p = parts[i];
    if (i + 1 < parts.size())
      for (char& c : p) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (!rel.empty()) rel += '/';
    rel += p;
  }
  return rel;
}

bool forgeSelects(const char* only, const std::string& showPath) {
  if (!only) return true;
  std::string alternatives = only;
  size_t at = 0;
  for (;;) {
    size_t bar = alternatives.find('|', at);
    std::string one = alternatives.substr(at, bar == std::string::npos ? std::string::npos : bar - at);
    if (!one.empty() && showPath.find(one) != std::string::npos) return true;
    if (bar == std::string::npos) return false;
    at = bar + 1;
  }
}

bool runForge(const std::string& outDir, const char* only, bool quiet) {
  std::vector<const ForgeEntry*> own, shared;
  const std::vector<ForgeEntry> entries = forgeEntries();
  for (const ForgeEntry& e : entries)
    if (forgeSelects(only, e.showPath)) (e.lane == ForgeLane::kOwnThread ? own : shared).push_back(&e);
  const size_t total = own.size() + shared.size();
  if (total == 0) {
    std::fprintf(stderr, "gvs-tool forge: no data file matches '%s'\n", only ? only : "");
    return false;
  }
  std::atomic<size_t> done{0};
  std::atomic<bool> failed{false};
  // Makes and writes one file; false (said on stderr) when that fails.
  auto makeOne = [&](const ForgeEntry& e) {
    const double t0 = preciseMilliseconds();
    std::vector<uint8_t> bytes;
    if (!e.make(bytes)) {
      std::fprintf(stderr, "gvs-tool forge: could not make %s\n", e.showPath.c_str());
      return false;
    }
    fs::path path = fs::path(outDir) / forgeRelativePath(e.showPath);
    if (!writeIfChanged(path, bytes)) {
      std::fprintf(stderr, "gvs-tool forge: cannot write %s\n", path.c_str());
      return false;
    }
    const double ms = preciseMilliseconds() - t0;
    const size_t n = ++done;
    if (!quiet)
      std::fprintf(stderr, "[%zu/%zu] %s (%zu bytes, %.0f ms)\n", n, total, path.c_str(), bytes.size(), ms);
    return true;
  };
  auto makeAll = [&](const std::vector<const ForgeEntry*>& list) {
    for (const ForgeEntry* e : list)
      if (failed || !makeOne(*e)) {
        failed = true;
        return;
      }
  };
  {
    std::lock_guard<std::mutex> lock(coreMutex);
    coreFree = own.empty();
  }
  std::thread beside([&] {
    {
      std::unique_lock<std::mutex> lock(coreMutex);
      coreChange.wait(lock, [] { return coreFree; });
    }
    makeAll(shared);
  });
  makeAll(own);
  forgeLeaveOneCore();
  beside.join();
  return !failed;
}
