// Data for the benchmarks: the forged set in a private temporary folder, and the
// real-editor 3DS files found through GVS_TESTDATA like the tests find them.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "forge/forge.hpp"

// Forges the files `only` selects into a fresh folder of this process (removed at
// exit) and returns the folder that holds 'data', or "" when the forge failed.
inline std::string benchForgedRoot(const char* only) {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/gvs-bench-XXXXXX";
  if (!mkdtemp(pattern.data())) return "";
  static std::string made;  // one folder per process is all a benchmark run needs
  made = pattern;
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(made, ec);
  });
  return runForge(pattern + "/data", only, true) ? pattern : "";
}

// GVS_TESTDATA/3ds/name, or "" (with a note on standard error) when it is not there.
inline std::string benchRealEditorFile(const char* name) {
  const char* env = std::getenv("GVS_TESTDATA");
  const std::string root = env ? env : GVS_TESTDATA;
  const std::filesystem::path file = std::filesystem::path(root) / "3ds" / name;
  std::error_code ec;
  if (!root.empty() && std::filesystem::is_regular_file(file, ec)) return file.string();
  std::fprintf(stderr, "skipped: needs the real-editor file 3ds/%s; point GVS_TESTDATA at a folder holding 3ds/\n", name);
  return "";
}
