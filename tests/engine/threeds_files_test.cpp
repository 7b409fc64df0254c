// Guards the reader on whole files: what the real editors' files hold, and that every
// truncation and thousands of random byte flips of them and of a written scene are
// read without a fault (these run in the sanitizer build too).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/threeds.hpp"
#include "tests/threeds_scenes.hpp"

namespace {

const char* const kFiles[] = {"CameraRollAnim.3ds",  "TargetCameraAnim.3ds",
                              "RotatingCube.3DS",    "cube_with_diffuse_texture.3DS",
                              "cubes_with_alpha.3DS", "fels.3ds"};

struct Loaded {
  ThreeDsData* data = nullptr;
  int code = 0;
  explicit Loaded(const std::vector<uint8_t>& bytes) {
    load3dsFromMemory(data, bytes.data(), bytes.size());
    code = take3dsError();
  }
  ~Loaded() {
    if (data != nullptr) free3ds(data);
  }
};

#define LOAD_OR_SKIP(name, bytes)                  \
  REAL_EDITOR_FILE_OR_SKIP(bytes##Path, name);           \
  const std::string bytes##Text = readFile(bytes##Path); \
  const std::vector<uint8_t> bytes(bytes##Text.begin(), bytes##Text.end())

// The index array holds the list in order, and nothing when it is empty.
template <typename T>
void expectIndex(uint16_t count, T* const* index, const T* head) {
  EXPECT_EQ(count == 0, index == nullptr);
  uint32_t n = 0;
  for (; head != nullptr; head = head->next, ++n) ASSERT_TRUE(n < count && index[n] == head) << n;
  ASSERT_EQ(n, count);
}
template <size_t N>
void expectTerminated(const char (&text)[N]) { EXPECT_LT(strnlen(text, N), N); }
template <typename Key>
void expectKeys(uint16_t count, const Key* keys) { EXPECT_EQ(count == 0, keys == nullptr); }

// Whatever the file held, a structure handed out is consistent: every index fits the
// array it names and every name ends inside its field.
void expectConsistent(const ThreeDsData& d) {
  expectIndex(d.objectCount, d.objects, d.objectList);
  expectIndex(d.cameraCount, d.cameras, d.cameraList);
  expectIndex(d.lightCount, d.lights, d.lightList);
  expectIndex(d.materialCount, d.materials, d.materialList);
  expectIndex(d.trackNodeCount, d.trackNodes, d.trackNodeList);
  for (uint32_t i = 0; i < d.objectCount; ++i) {
    const ThreeDsObject& o = *d.objects[i];
    expectTerminated(o.name);
    EXPECT_EQ(o.vertexCount == 0, o.vertices == nullptr);
    EXPECT_EQ(o.faceCount == 0, o.faces == nullptr);
    EXPECT_TRUE(o.trackNode == 0 || o.trackNode < d.trackNodeCount);
    for (uint32_t f = 0; f < o.faceCount; ++f) {
      const ThreeDsFace& face = o.faces[f];
      ASSERT_LT(face.a, o.vertexCount);
      ASSERT_LT(face.b, o.vertexCount);
      ASSERT_LT(face.c, o.vertexCount);
      EXPECT_TRUE(face.materialIndex == 0 || face.materialIndex < d.materialCount);
      expectTerminated(face.materialName);
    }
  }
  for (uint32_t i = 0; i < d.cameraCount; ++i) {
    const ThreeDsCamera& c = *d.cameras[i];
    expectTerminated(c.name);
    EXPECT_TRUE(c.positionNode == kThreeDsNoNode || c.positionNode < d.trackNodeCount);
    EXPECT_TRUE(c.targetNode == kThreeDsNoNode || c.targetNode < d.trackNodeCount);
  }
  for (uint32_t i = 0; i < d.materialCount; ++i) {
    expectTerminated(d.materials[i]->name);
    expectTerminated(d.materials[i]->textureFile);
  }
  for (uint32_t i = 0; i < d.trackNodeCount; ++i) {
    const ThreeDsTrackNode& n = *d.trackNodes[i];
    expectTerminated(n.name);
    expectKeys(n.positionKeyCount, n.positionKeys);
    expectKeys(n.rotationKeyCount, n.rotationKeys);
    expectKeys(n.scaleKeyCount, n.scaleKeys);
    expectKeys(n.fovKeyCount, n.fovKeys);
    expectKeys(n.rollKeyCount, n.rollKeys);
    expectKeys(n.morphKeyCount, n.morphKeys);
    for (uint32_t k = 0; k < n.morphKeyCount; ++k) expectTerminated(n.morphKeys[k].target);
  }
}

// The camera chunk found by scanning the raw bytes: position, target, bank, lens.
bool rawCamera(const std::vector<uint8_t>& bytes, const char* name, float out[8]) {
  const size_t nameLength = std::strlen(name) + 1;
  for (size_t i = 0; i + nameLength + 6 + 32 <= bytes.size(); ++i) {
    if (std::memcmp(&bytes[i], name, nameLength) != 0) continue;
    const size_t chunk = i + nameLength;
    if (bytes[chunk] != 0x00 || bytes[chunk + 1] != 0x47) continue;
    std::memcpy(out, &bytes[chunk + 6], 32);
    return true;
  }
  return false;
}

}  // namespace

TEST(ThreeDsRealFiles, CountsNamesAndCameras) {
  LOAD_OR_SKIP("CameraRollAnim.3ds", rollBytes);
  const Loaded roll(rollBytes);
  ASSERT_EQ(roll.code, 0);
  const ThreeDsData& d = *roll.data;
  ASSERT_EQ(d.objectCount, 1);
  EXPECT_STREQ(d.objects[0]->name, "Box01");
  EXPECT_EQ(d.objects[0]->vertexCount, 26);
  EXPECT_EQ(d.objects[0]->faceCount, 12);
  ASSERT_EQ(d.cameraCount, 1);
  const ThreeDsCamera& c = *d.cameras[0];
  EXPECT_STREQ(c.name, "Camera01");
  float raw[8];
  ASSERT_TRUE(rawCamera(rollBytes, "Camera01", raw));
  // y and z exchanged against the file.
  EXPECT_EQ(c.position, (Vector3{raw[0], raw[2], raw[1]}));
  EXPECT_EQ(c.target, (Vector3{raw[3], raw[5], raw[4]}));
  EXPECT_EQ(c.bank, raw[6]);
  EXPECT_EQ(c.lens, raw[7]);
  EXPECT_NEAR(c.lens, 53.3333f, 1e-3f);
  ASSERT_NE(c.positionNode, kThreeDsNoNode);
  ASSERT_NE(c.targetNode, kThreeDsNoNode);
  EXPECT_EQ(d.trackNodes[c.positionNode]->kind, ThreeDsNodeKind::cameraPosition);
  EXPECT_EQ(d.trackNodes[c.targetNode]->kind, ThreeDsNodeKind::cameraTarget);
  EXPECT_EQ(d.trackNodes[c.positionNode]->rollKeyCount, 2);
  EXPECT_EQ(d.startFrame, 0);
  EXPECT_EQ(d.endFrame, 300);
  EXPECT_EQ(d.frameCount, 300);
  expectConsistent(d);

  LOAD_OR_SKIP("TargetCameraAnim.3ds", targetBytes);
  const Loaded target(targetBytes);
  ASSERT_EQ(target.code, 0);
  const ThreeDsCamera& t = *target.data->cameras[0];
  EXPECT_EQ(target.data->trackNodes[t.positionNode]->positionKeyCount, 4);
  EXPECT_EQ(target.data->trackNodes[t.targetNode]->positionKeyCount, 3);
  EXPECT_EQ(target.data->frameCount, 300);

  LOAD_OR_SKIP("RotatingCube.3DS", cubeBytes);
  const Loaded cube(cubeBytes);
  ASSERT_EQ(cube.code, 0);
  EXPECT_EQ(cube.data->cameraCount, 0);
  ASSERT_EQ(cube.data->trackNodeCount, 1);
  EXPECT_EQ(cube.data->trackNodes[0]->rotationKeyCount, 182);
  EXPECT_EQ(cube.data->objects[0]->trackNode, 0);

  LOAD_OR_SKIP("cube_with_diffuse_texture.3DS", texturedBytes);
  const Loaded textured(texturedBytes);
  ASSERT_EQ(textured.code, 0);
  ASSERT_EQ(textured.data->materialCount, 1);
  EXPECT_STREQ(textured.data->materials[0]->textureFile, "TEST.PNG");
  const ThreeDsObject& o = *textured.data->objects[0];
  for (uint32_t f = 0; f < o.faceCount; ++f) EXPECT_EQ(o.faces[f].materialIndex, 0);

  LOAD_OR_SKIP("cubes_with_alpha.3DS", cubesBytes);
  const Loaded cubes(cubesBytes);
  ASSERT_EQ(cubes.code, 0);
  EXPECT_EQ(cubes.data->objectCount, 5);
  EXPECT_EQ(cubes.data->materialCount, 5);
  for (uint32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(cubes.data->objects[i]->name, "Quader0" + std::to_string(i + 1));
    EXPECT_EQ(cubes.data->objects[i]->trackNode, i);
  }
  expectConsistent(*cubes.data);

  LOAD_OR_SKIP("fels.3ds", felsBytes);
  const Loaded fels(felsBytes);
  ASSERT_EQ(fels.code, 0);
  EXPECT_EQ(fels.data->objects[0]->vertexCount, 386);
  EXPECT_EQ(fels.data->objects[0]->faceCount, 768);
  EXPECT_EQ(fels.data->trackNodeCount, 0);
  EXPECT_EQ(fels.data->trackNodes, nullptr);

  LOAD_OR_SKIP("empty.3ds", emptyBytes);
  const Loaded empty(emptyBytes);
  EXPECT_EQ(empty.code, kThreeDsCorrupt);
  EXPECT_EQ(empty.data, nullptr);
}

namespace {

// Every prefix of a file: the Main chunk then runs past the file, so each is refused
// with code 6 and nothing is handed out. With the Main chunk's length set to the
// prefix the walk goes on inside, where the cut chunk runs past its parent; a cut
// that falls between two chunks leaves a shorter file that reads consistently.
void expectEveryTruncationRefused(const std::string& name, const std::vector<uint8_t>& bytes, int& between) {
  ASSERT_GE(bytes.size(), 6u);
  uint32_t mainLength;
  std::memcpy(&mainLength, &bytes[2], 4);
  ASSERT_EQ(mainLength, bytes.size()) << name;
  for (size_t size = 0; size < bytes.size(); ++size) {
    // A copy of exactly the prefix, so the sanitizer sees any read past its end.
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + ptrdiff_t(size));
    Loaded l(cut);
    ASSERT_EQ(l.code, kThreeDsCorrupt) << name << " cut to " << size;
    ASSERT_EQ(l.data, nullptr);
    if (size < 6) continue;
    const uint32_t cutLength = uint32_t(size);
    std::memcpy(&cut[2], &cutLength, 4);
    Loaded inner(cut);
    if (inner.code == 0) {
      ++between;
      expectConsistent(*inner.data);
    } else {
      ASSERT_EQ(inner.code, kThreeDsCorrupt) << name << " cut to " << size;
      ASSERT_EQ(inner.data, nullptr);
    }
  }
}

// Random flips of one to four bytes: each file is refused (codes 5 or 6) or handed
// out consistent.
void flipRounds(const std::string& name, const std::vector<uint8_t>& bytes, int rounds, TestRng& rng, int& accepted,
                int& total) {
  for (int round = 0; round < rounds; ++round) {
    std::vector<uint8_t> flipped = bytes;
    const int flips = 1 + rng.below(4);
    for (int i = 0; i < flips; ++i) flipped[size_t(rng.below(int(flipped.size())))] ^= uint8_t(1 + rng.below(255));
    Loaded l(flipped);
    ++total;
    if (l.code == 0 || l.code == kThreeDsNotThreeDs) {
      ASSERT_NE(l.data, nullptr);
      expectConsistent(*l.data);
      if (l.code == 0) ++accepted;
    } else {
      ASSERT_EQ(l.code, kThreeDsCorrupt) << name << " round " << round;
      ASSERT_EQ(l.data, nullptr);
    }
  }
}

}  // namespace

TEST(ThreeDsReaderRobustness, TruncationsAndRandomByteFlipsOfAWrittenScene) {
  std::vector<uint8_t> written;
  ASSERT_TRUE(writeThreeDs(sampleScene(), written));
  int between = 0, accepted = 0, total = 0;
  expectEveryTruncationRefused("written scene", written, between);
  EXPECT_GT(between, 0);
  TestRng rng(0x3D5EED);
  flipRounds("written scene", written, 1500, rng, accepted, total);
  // Most flips land in vertex and key values and leave the structure intact.
  EXPECT_GT(accepted, total / 4);
}

TEST(ThreeDsReaderRobustness, TruncationsAndRandomByteFlipsOfTheEditorFiles) {
  int between = 0, accepted = 0, total = 0;
  TestRng rng(0xF11E5);
  for (const char* name : kFiles) {
    LOAD_OR_SKIP(name, bytes);
    expectEveryTruncationRefused(name, bytes, between);
    flipRounds(name, bytes, 700, rng, accepted, total);
  }
  EXPECT_GT(between, 0);
  EXPECT_GT(accepted, total / 4);
}
