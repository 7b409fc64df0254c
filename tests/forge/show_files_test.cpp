// Guards the table of the files the show reads against the forge's registry of the
// files it writes: the same set, every 3DS scene's materials named by the texture
// entries of its folder, and one fallback texture.rgb in each such folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "engine/construction.hpp"
#include "engine/threeds.hpp"
#include "forge/forge.hpp"
#include "forge/show_files.hpp"
#include "tests/testutil.hpp"

namespace {
// Where a show path lands in the data set, compared without letter case like the show's paths.
std::string lower(std::string p) {
  std::transform(p.begin(), p.end(), p.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return p;
}
std::string landing(const std::string& showPath) { return lower(forgeRelativePath(showPath)); }
std::string folderOf(const std::string& rel) { return rel.substr(0, rel.rfind('/') + 1); }
}  // namespace

TEST(ShowFiles, TheShowReadsExactlyWhatTheForgeWrites) {
  std::set<std::string> written, read;
  for (const ForgeEntry& e : forgeEntries()) written.insert(landing(e.showPath));
  for (int i = 0; i < kShowFileCount; ++i)
    EXPECT_TRUE(read.insert(landing(kShowFiles[i].showPath)).second) << "listed twice: " << kShowFiles[i].showPath;
  EXPECT_EQ(read, written);
}

TEST(ShowFiles, TextureEntriesAreTheScenesMaterials) {
  const std::string root = forgedDataRoot(".3ds");
  ASSERT_FALSE(root.empty());
  std::map<std::string, std::set<std::string>> listed, materials;  // by folder
  std::map<std::string, int> fallbacks;
  for (int i = 0; i < kShowFileCount; ++i) {
    const std::string rel = landing(kShowFiles[i].showPath);
    switch (kShowFiles[i].kind) {
      case ShowFileKind::Texture: listed[folderOf(rel)].insert(rel); break;
      case ShowFileKind::Fallback:
        EXPECT_EQ(rel, folderOf(rel) + "texture.rgb");
        ++fallbacks[folderOf(rel)];
        break;
      case ShowFileKind::Scene: {
        ThreeDsData* mesh = nullptr;
        ASSERT_TRUE(load3dsFromDisk(mesh, root + "/data/" + forgeRelativePath(kShowFiles[i].showPath))) << rel;
        for (unsigned m = 0; m < mesh->materialCount; ++m)
          materials[folderOf(rel)].insert(folderOf(rel) + lower(textureFileName(mesh->materials[m]->textureFile)));
        free3ds(mesh);
        break;
      }
      default: break;
    }
  }
  EXPECT_EQ(listed, materials);
  for (const auto& [folder, names] : materials) EXPECT_EQ(fallbacks[folder], 1) << folder;
}
