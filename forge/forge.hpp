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

// A long maker (the music) is made on a thread of its own while the other files are
// made beside it.
enum class ForgeLane { kShared, kOwnThread };

struct ForgeRegistrar {
  ForgeRegistrar(const char* showPath, ForgeMaker make, ForgeLane lane = ForgeLane::kShared);
};

struct ForgeEntry {
  std::string showPath;
  ForgeMaker make;
  ForgeLane lane;
};
// Registered files sorted by show path.
std::vector<ForgeEntry> forgeEntries();

// Where a show path lands under the output folder: "DATA\HYPER\hyper.3ds" -> "hyper/hyper.3ds"
// (folders in lower case, the file name as written).
std::string forgeRelativePath(const std::string& showPath);

// True when `only` is null or one of its '|'-separated parts occurs in showPath.
bool forgeSelects(const char* only, const std::string& showPath);

// Called by a long maker when it goes on with one thread: the other files start.
void forgeLeaveOneCore();

// Writes every file (or those forgeSelects picks, when `only` is given) under
// outDir; progress to stderr as each file is done. The long makers run on this
// thread; the others on a second one from the moment a long maker leaves a core
// free (at once when there is none). Returns false and says why on the first
// failure.
bool runForge(const std::string& outDir, const char* only, bool quiet);
