// The forge writes the default data set. Every file of it is made by one maker
// function, registered next to the code that designs it:
//   static const ForgeRegistrar reg("data\\loader\\loader.rgb", makeLoaderPicture);
// Paths are show paths; the leading "data" folder is the forge's output folder.
// Makers must be deterministic: the same bytes on every run.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

using ForgeMaker = bool (*)(std::vector<uint8_t>& out);

struct ForgeRegistrar {
  ForgeRegistrar(const char* showPath, ForgeMaker make);
};

struct ForgeEntry {
  std::string showPath;
  ForgeMaker make;
};
// Registered files sorted by show path.
std::vector<ForgeEntry> forgeEntries();

// Where a show path lands under the output folder: "DATA\HYPER\hyper.3ds" -> "hyper/hyper.3ds"
// (folders in lower case, the file name as written).
std::string forgeRelativePath(const std::string& showPath);

// True when `only` is null or one of its '|'-separated parts occurs in showPath.
bool forgeSelects(const char* only, const std::string& showPath);

// Writes every file (or those forgeSelects picks, when `only` is given) under
// outDir; progress to stderr. Returns false and says why on the first failure.
bool runForge(const std::string& outDir, const char* only, bool quiet);
