// The data root and case-insensitive resolution of show paths.
#include "base/datapath.hpp"

#include <strings.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {
std::string gDataRoot = ".";

bool holdsDataFolder(const fs::path& dir) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec))
    if (strcasecmp(e.path().filename().c_str(), "data") == 0 && e.is_directory(ec)) return true;
  return false;
}
}  // namespace

std::string executableDirectory() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return ".";
  return exe.parent_path().string();
}

std::string findDataRoot(const std::string& currentDirectory, const std::string& executableDirectory) {
  if (holdsDataFolder(currentDirectory)) return currentDirectory;
  if (holdsDataFolder(executableDirectory)) return executableDirectory;
  const fs::path installed = (fs::path(executableDirectory).parent_path() / "share" / "gvs").lexically_normal();
  if (holdsDataFolder(installed)) return installed.string();
  return executableDirectory;
}

void initDataRoot() { gDataRoot = findDataRoot(".", executableDirectory()); }

void setDataRoot(const std::string& root) { gDataRoot = root; }
const std::string& dataRoot() { return gDataRoot; }

std::string resolveDataPath(const std::string& showPath) {
  std::vector<std::string> parts;
  std::string cur;
  for (char ch : showPath) {
    if (ch == '\\' || ch == '/') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += ch;
    }
  }
  if (!cur.empty()) parts.push_back(cur);

  fs::path at = gDataRoot;
  bool onDisk = true;
  for (const std::string& part : parts) {
    if (onDisk) {
      std::error_code ec;
      fs::path exact = at / part;
      if (fs::exists(exact, ec)) {
        at = exact;
        continue;
      }
      bool found = false;
      for (const auto& e : fs::directory_iterator(at, ec)) {
        if (strcasecmp(e.path().filename().c_str(), part.c_str()) == 0) {
          at = e.path();
          found = true;
          break;
        }
      }
      if (found) continue;
      onDisk = false;
    }
    at /= part;
  }
  return at.string();
}
