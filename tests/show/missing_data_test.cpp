// Guards the show against a data set with one file missing or cut to half its
// length: for every file of the show's table, the real gvs (headless, silent) ends
// with that file's message and status 1, never a crash or a hang, and writes nothing
// into the data folder. The copies link the unchanged files of the forged set, each
// in a fresh folder of its own, and run side by side.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <thread>

#include "forge/forge.hpp"
#include "forge/show_files.hpp"
#include "tests/testutil.hpp"

namespace fs = std::filesystem;

namespace {
struct Case {
  std::string what;                       // e.g. "DATA\HYPER\hyper.3ds cut to half"
  std::string folder;                     // the copy's root (holds data/)
  std::map<std::string, bool> changed;    // relative path -> true: cut to half, false: removed
  bool singleScene = false;
  std::string expected;                   // the line the run must end with
  int status = -1;
  std::string output;
  std::string before, after;              // the data folder's listing around the run
};

// Every entry of the data folder with its kind, size and times, links followed and not.
std::string listing(const std::string& dataDir) {
  std::string out;
  for (const auto& e : fs::recursive_directory_iterator(dataDir)) {
    struct stat own {}, target {};
    lstat(e.path().c_str(), &own);
    stat(e.path().c_str(), &target);
    out += fs::relative(e.path(), dataDir).string() + " " + std::to_string(own.st_mode) + " " +
           std::to_string(own.st_size) + " " + std::to_string(own.st_mtim.tv_sec) + "." +
           std::to_string(own.st_mtim.tv_nsec) + " " + std::to_string(target.st_size) + " " +
           std::to_string(target.st_mtim.tv_sec) + "." + std::to_string(target.st_mtim.tv_nsec) + "\n";
  }
  return out;
}

std::string lastLine(std::string text) {
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text.substr(text.rfind('\n') + 1);  // npos + 1 is 0
}

std::string expectedLine(ShowFileKind kind, bool half) {
  switch (kind) {
    case ShowFileKind::Scene: return half ? "VRX_FATAL: Fatal error in .3DS file!" : "VRX_FATAL: Can't open .3DS file!";
    case ShowFileKind::Music: return half ? "Error(41): Not an mp3" : "Error(2): Not an mp3";
    default: return "KVS_RAW ERROR: Failed to load file";
  }
}

// The copy: every forged file linked, except the changed ones (left out, or half of them written).
void layOut(const std::string& forged, Case& c) {
  for (const ForgeEntry& e : forgeEntries()) {
    const std::string rel = forgeRelativePath(e.showPath);
    const fs::path dst = fs::path(c.folder) / "data" / rel;
    fs::create_directories(dst.parent_path());
    auto it = c.changed.find(rel);
    if (it == c.changed.end()) {
      fs::create_symlink(fs::path(forged) / "data" / rel, dst);
    } else if (it->second) {
      const std::string whole = readFile(forged + "/data/" + rel);
      writeFile(dst.string(), whole.substr(0, whole.size() / 2));
    }
  }
}
}  // namespace

TEST(MissingData, EveryFileMissingOrCutToHalfEndsTheShowWithItsMessage) {
  const std::string forged = forgedDataRoot();
  ASSERT_FALSE(forged.empty());
  ASSERT_TRUE(fs::exists(forged + "/data/music/qz0.mp3")) << "the test needs the whole data set";

  // The fallback texture.rgb of each folder of a 3DS scene.
  std::map<std::string, std::string> fallbackOf;
  for (int i = 0; i < kShowFileCount; ++i)
    if (kShowFiles[i].kind == ShowFileKind::Fallback) {
      const std::string rel = forgeRelativePath(kShowFiles[i].showPath);
      fallbackOf[rel.substr(0, rel.rfind('/'))] = rel;
    }

  std::vector<Case> cases;
  for (int i = 0; i < kShowFileCount; ++i) {
    const ShowFile& f = kShowFiles[i];
    // A fallback is read only in place of a texture that failed: the texture cases cover it.
    if (f.kind == ShowFileKind::Fallback) continue;
    const std::string rel = forgeRelativePath(f.showPath);
    for (bool half : {false, true}) {
      Case c;
      c.what = std::string(f.showPath) + (half ? " cut to half" : " removed");
      c.changed[rel] = half;
      // A material's texture that fails is replaced by the folder's texture.rgb and the
      // show goes on; with that one failing too, the texture's own message comes.
      if (f.kind == ShowFileKind::Texture) {
        const auto fb = fallbackOf.find(rel.substr(0, rel.rfind('/')));
        ASSERT_NE(fb, fallbackOf.end()) << f.showPath;
        c.changed[fb->second] = half;
      }
      c.singleScene = f.singleScene;
      c.expected = expectedLine(f.kind, half);
      c.folder = makeTempDir("missing-data");
      cases.push_back(std::move(c));
    }
  }
  for (Case& c : cases) {
    layOut(forged, c);
    c.before = listing(c.folder + "/data");
  }

  // Each run sits four seconds in the loader's fade before it loads the sections and
  // takes about one second of processor time, so many run at once. Without a display SDL uses its offscreen driver and the error
  // message goes to standard error.
  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t k; (k = next++) < cases.size();) {
      Case& c = cases[k];
      const std::string cmd = "cd '" + c.folder + "' && env -u DISPLAY SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout -k 5 120 " +
                              GVS_SHOW_PATH + (c.singleScene ? " Kirschkuchens" : "") + " --silent";
      c.status = runCommand(cmd, &c.output);
      c.after = listing(c.folder + "/data");
    }
  };
  std::vector<std::thread> workers;
  for (int i = 0; i < 16; ++i) workers.emplace_back(worker);
  for (std::thread& t : workers) t.join();

  for (const Case& c : cases) {
    EXPECT_EQ(c.status, 1) << c.what << " (124: still running after two minutes)\n" << c.output;
    EXPECT_TRUE(lastLine(c.output).ends_with(c.expected)) << c.what << ": expected '" << c.expected << "'\n" << c.output;
    EXPECT_EQ(c.before, c.after) << c.what << ": the data folder changed";
  }
}
