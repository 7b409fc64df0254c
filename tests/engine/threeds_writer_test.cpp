// Guards the 3DS writer: every field read back by the engine's reader as written,
// its refusals, and the names and counts an independent reader (assimp) finds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/threeds.hpp"
#include "tests/threeds_scenes.hpp"

TEST(ThreeDsWriter, RoundTripEveryField) {
  const ThreeDsWriterScene scene = sampleScene();
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(writeThreeDs(scene, bytes));
  ThreeDsData* d = nullptr;
  ASSERT_TRUE(load3dsFromMemory(d, bytes.data(), bytes.size())) << take3dsError();
  ASSERT_NE(d, nullptr);
  // Every field as written: the sample's values, the y and z of points as the engine
  // keeps them, spline parameters only where their flag bit is set.
  expectGolden("engine/writer_sample.txt", describe(*d));
  EXPECT_TRUE(free3ds(d));
  EXPECT_EQ(d, nullptr);
}

TEST(ThreeDsWriter, RefusesWhatTheFormatCannotHold) {
  std::vector<uint8_t> bytes;
  ThreeDsWriterScene s = sampleScene();
  s.objects[0].faces[0].c = 8;  // one past the last vertex
  EXPECT_FALSE(writeThreeDs(s, bytes));
  s = sampleScene();
  s.objects[0].faceGroups[0].faces.push_back(12);
  EXPECT_FALSE(writeThreeDs(s, bytes));
  s = sampleScene();
  s.objects[0].vertices.resize(70000);
  EXPECT_FALSE(writeThreeDs(s, bytes));
  EXPECT_TRUE(bytes.empty());
}

// Files the writer makes are read by assimp with the same names and counts.
TEST(ThreeDsWriter, IndependentReaderAgrees) {
  if (runCommand("command -v assimp") != 0) GTEST_SKIP() << "assimp is not on PATH";
  const std::string path = writeTestScene(makeTempDir("writer") + "/", "assimp.3ds", sampleScene());
  std::string out;
  ASSERT_EQ(runCommand("assimp info '" + path + "'", &out), 0) << out;
  // assimp splits each object by material; both boxes have faces with and without one,
  // and the faces without one share its default material.
  for (const char* line : {"Meshes:             4", "Materials:          3", "Cameras:            1",
                           "Lights:             2", "Faces:              24", "'Red'", "'Plain'", "Cube (mesh",
                           "Small (mesh", "\u2574Camera01\n", "\u2574Omni01\n", "\u2574Spot01\n", "'REDWALL.RGB'"})
    EXPECT_NE(out.find(line), std::string::npos) << line << " in\n" << out;
}
