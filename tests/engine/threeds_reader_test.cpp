// Guards the 3DS reader on hand-made chunk trees: the walk's rules, the handlers'
// layouts, the name links, the error state, and the refusal of files whose structure
// does not fit together. The chunks are written with their ids as numbers, a reading
// of the format independent of the reader's table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/datapath.hpp"
#include "engine/threeds.hpp"
#include "tests/threeds_scenes.hpp"

namespace {

// Builds chunk trees byte by byte; open/close patch the chunk lengths.
struct Chunks {
  std::vector<uint8_t> bytes;
  std::vector<size_t> open_;

  Chunks& u8(uint8_t v) {
    bytes.push_back(v);
    return *this;
  }
  Chunks& u16(uint16_t v) { return u8(uint8_t(v)).u8(uint8_t(v >> 8)); }
  Chunks& u32(uint32_t v) { return u16(uint16_t(v)).u16(uint16_t(v >> 16)); }
  Chunks& f32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return u32(bits);
  }
  Chunks& f32s(std::initializer_list<float> values) {
    for (float v : values) f32(v);
    return *this;
  }
  Chunks& str(const std::string& s) {
    for (char c : s) u8(uint8_t(c));
    return u8(0);
  }
  Chunks& open(uint16_t id) {
    open_.push_back(bytes.size());
    return u16(id).u32(0);
  }
  Chunks& close() {
    const size_t start = open_.back();
    open_.pop_back();
    const uint32_t length = uint32_t(bytes.size() - start);
    std::memcpy(&bytes[start + 2], &length, 4);
    return *this;
  }
  // A chunk with a fixed length, whatever follows.
  Chunks& header(uint16_t id, uint32_t length) { return u16(id).u32(length); }
};

// A file read from memory: the pending code (taken, so 0 on success) and what was
// handed out, freed at the end.
struct Read {
  ThreeDsData* d = nullptr;
  int code;
  explicit Read(const Chunks& c) {
    const bool ok = load3dsFromMemory(d, c.bytes.data(), c.bytes.size());
    code = take3dsError();
    EXPECT_EQ(ok, code == 0);
  }
  ~Read() {
    if (d != nullptr) {
      EXPECT_TRUE(free3ds(d));
    }
  }
  ThreeDsData* operator->() const { return d; }
};

// Main > Editor > Object block "Box" > Object mesh with three vertices and one face.
Chunks& triangleObject(Chunks& c, const char* name = "Box") {
  c.open(0x4000).str(name).open(0x4100);
  c.open(0x4110).u16(3).f32s({1, 2, 3, 4, 5, 6, 7, 8, 9}).close();
  c.open(0x4120).u16(1).u16(0).u16(1).u16(2).u16(0x0005).close();
  return c.close().close();
}

}  // namespace

TEST(ThreeDsReader, WalkRules) {
  {  // Only unknown chunks: an empty structure of the root's own size.
    Chunks c;
    c.open(0x4D4D).open(0x1234).u32(7).close().open(0x0002).u32(3).close().close();
    Read d(c);
    ASSERT_EQ(d.code, 0);
    EXPECT_EQ(d->objectCount + d->cameraCount + d->lightCount + d->materialCount + d->trackNodeCount, 0);
    EXPECT_EQ(d->objects, nullptr);
    EXPECT_EQ(d->trackNodes, nullptr);
    EXPECT_EQ(d->totalBytes, sizeof(ThreeDsData));
  }
  {  // An outermost chunk that is not Main: code 5, and the empty structure is handed out.
    Chunks c;
    c.open(0x3D3D).close();
    Read d(c);
    ASSERT_EQ(d.code, kThreeDsNotThreeDs);
    ASSERT_NE(d.d, nullptr);
    EXPECT_EQ(d->objectCount, 0);
  }
  {  // A full Main chunk followed by a foreign one: code 5 with everything read.
    Chunks c;
    c.open(0x4D4D).open(0x3D3D);
    triangleObject(c);
    c.close().close().open(0x1111).u32(0).close();
    Read d(c);
    ASSERT_EQ(d.code, kThreeDsNotThreeDs);
    ASSERT_NE(d.d, nullptr);
    ASSERT_EQ(d->objectCount, 1);
    EXPECT_EQ(d->objects[0]->vertexCount, 3);
  }
  {  // One stray byte after Main is not read.
    Chunks c;
    c.open(0x4D4D).open(0x3D3D);
    triangleObject(c);
    c.close().close().u8(0x77);
    Read d(c);
    ASSERT_EQ(d.code, 0);
    EXPECT_EQ(d->objectCount, 1);
  }
  {  // Only the outermost level checks the id: Editor directly inside Editor is fine.
    Chunks c;
    c.open(0x4D4D).open(0x3D3D).open(0x3D3D);
    triangleObject(c);
    c.close().close().close();
    Read d(c);
    ASSERT_EQ(d.code, 0);
    EXPECT_EQ(d->objectCount, 1);
  }
  {  // A first header of length 0 ends the walk at once, whatever its id.
    Chunks c;
    c.header(0x3D3D, 0).u32(0xFFFFFFFF);
    Read d(c);
    ASSERT_EQ(d.code, 0);
    EXPECT_EQ(d->objectCount, 0);
  }
  {  // A length-0 chunk ends its own level; the enclosing level goes on after its chunk.
    Chunks c;
    c.open(0x4D4D).open(0x3D3D);
    c.header(0x0000, 0);
    triangleObject(c, "Skipped");
    c.close();
    c.open(0x3D3D);
    triangleObject(c, "Read");
    c.close().close();
    Read d(c);
    ASSERT_EQ(d.code, 0);
    ASSERT_EQ(d->objectCount, 1);
    EXPECT_STREQ(d->objects[0]->name, "Read");
  }
  {  // An unknown chunk is skipped with the known chunks inside it; a handler that
     // reads less than its chunk holds is followed by the next sibling.
    Chunks c;
    c.open(0x4D4D).open(0x3D3D).open(0x7777);
    triangleObject(c, "Hidden");
    c.close();
    c.open(0xB008).u32(3).u32(9).u32(0xDEADBEEF).close();  // four bytes after the data
    c.open(0x4000).str("Box").open(0x4100).close().close();
    c.close().close();
    Read d(c);
    ASSERT_EQ(d.code, 0);
    ASSERT_EQ(d->objectCount, 1);
    EXPECT_STREQ(d->objects[0]->name, "Box");
    EXPECT_EQ(d->startFrame, 3);
    EXPECT_EQ(d->frameCount, 6);
  }
  EXPECT_STREQ(lookupChunk(0x4D4D).name, "Main");
  EXPECT_TRUE(lookupChunk(0xB029).known);
  EXPECT_EQ(lookupChunk(0x3D3D).handler, nullptr);
  EXPECT_FALSE(lookupChunk(0x4200).known);
  EXPECT_STREQ(lookupChunk(0x4200).name, "Unknown");
}

TEST(ThreeDsReader, MeshLayoutsAndAxisExchange) {
  Chunks c;
  c.open(0x4D4D).open(0x3D3D);
  c.open(0xAFFF).open(0xA000).str("Mat").close().close();
  c.open(0x4000).str("Obj").open(0x4100);
  c.open(0x4110).u16(3).f32s({1, 2, 3, 4, 5, 6, 7, 8, 9}).close();
  c.open(0x4140).u16(2).f32s({0.5f, 0.25f, 1, 2}).close();
  c.open(0x4160);
  for (int i = 1; i <= 12; ++i) c.f32(float(i));
  c.close();
  c.open(0x4120).u16(2).u16(0).u16(1).u16(2).u16(0x0005).u16(2).u16(1).u16(0).u16(0x001A);
  c.open(0x4130).str("Mat").u16(1).u16(1).close();
  c.open(0x4130).str("Nothing").u16(0).close();
  c.close().close().close();
  c.open(0x4000).str("Cam").open(0x4700);
  c.f32s({1, 2, 3, 4, 5, 6, 7.5f, 50}).close().close();
  // A light's data and sub-chunks are never read.
  c.open(0x4000).str("Lamp").open(0x4600).f32s({1, 2, 3});
  c.open(0x4110).u16(1).f32s({0, 0, 0}).close().close().close();
  c.close().close();
  Read d(c);
  ASSERT_EQ(d.code, 0);
  ASSERT_EQ(d->objectCount, 1);
  const ThreeDsObject& o = *d->objects[0];
  EXPECT_EQ(d->objectList, d->objects[0]);
  ASSERT_EQ(o.vertexCount, 3);
  EXPECT_EQ((Vector3{o.vertices[0].x, o.vertices[0].y, o.vertices[0].z}), (Vector3{1, 3, 2}));
  EXPECT_EQ(o.vertices[1].u, 1);
  EXPECT_EQ(o.vertices[1].v, 2);
  EXPECT_EQ(o.vertices[2].u, 0);  // beyond the mapping list
  // Rows and columns of the matrix exchanged like the points.
  EXPECT_EQ(o.xAxis, (Vector3{1, 3, 2}));
  EXPECT_EQ(o.yAxis, (Vector3{7, 9, 8}));
  EXPECT_EQ(o.zAxis, (Vector3{4, 6, 5}));
  EXPECT_EQ(o.origin, (Vector3{10, 12, 11}));
  ASSERT_EQ(o.faceCount, 2);
  // Flags 0x0005 and 0x001A: edges AB, BC, CA are bits 2, 1, 0; wraps U, V bits 3, 4.
  auto flags = [](const ThreeDsFace& f) {
    return std::vector<int>{f.edgeAB, f.edgeBC, f.edgeCA, f.wrapU, f.wrapV};
  };
  EXPECT_EQ(flags(o.faces[0]), (std::vector<int>{1, 0, 1, 0, 0}));
  EXPECT_EQ(flags(o.faces[1]), (std::vector<int>{0, 1, 0, 1, 1}));
  EXPECT_EQ(o.faces[1].a, 2);
  EXPECT_STREQ(o.faces[0].materialName, "");
  EXPECT_STREQ(o.faces[1].materialName, "Mat");
  EXPECT_EQ(o.faces[1].materialIndex, 0);
  EXPECT_EQ(o.faceNormals, nullptr);

  ASSERT_EQ(d->cameraCount, 1);
  const ThreeDsCamera& cam = *d->cameras[0];
  EXPECT_STREQ(cam.name, "Cam");
  EXPECT_EQ(cam.position, (Vector3{1, 3, 2}));
  EXPECT_EQ(cam.target, (Vector3{4, 6, 5}));
  EXPECT_EQ(cam.bank, 7.5f);
  EXPECT_EQ(cam.lens, 50);
  EXPECT_EQ(cam.positionNode, kThreeDsNoNode);
  EXPECT_EQ(cam.targetNode, kThreeDsNoNode);
  ASSERT_EQ(d->lightCount, 1);
  EXPECT_STREQ(d->lights[0]->name, "Lamp");
  // Root, object, 3 vertices, 2 faces, camera, light, material and the four index arrays.
  EXPECT_EQ(d->totalBytes, sizeof(ThreeDsData) + sizeof(ThreeDsObject) + 3 * sizeof(ThreeDsVertex) +
                               2 * sizeof(ThreeDsFace) + sizeof(ThreeDsCamera) +
                               sizeof(ThreeDsLight) + sizeof(ThreeDsMaterial) + 4 * sizeof(void*));
}

TEST(ThreeDsReader, NamesAreCutAndEmptyNamesAreDummies) {
  const std::string long40(40, 'n');
  Chunks c;
  c.open(0x4D4D).open(0x3D3D);
  c.open(0xAFFF).open(0xA000).str("").close();
  c.open(0xA200).open(0xA300).str("ABCDEFGHIJKLMNOP").close().close().close();
  c.open(0xAFFF).open(0xA000).str(long40).close().close();
  c.open(0x4000).str("").open(0x4100).close().close();
  c.close().open(0xB000).open(0xB002).open(0xB010).str("").u16(0).u16(0).u16(7).close().close();
  c.close().close();
  Read d(c);
  ASSERT_EQ(d.code, 0);
  ASSERT_EQ(d->materialCount, 2);
  EXPECT_STREQ(d->materials[0]->name, "$DUMMY$");
  EXPECT_STREQ(d->materials[0]->textureFile, "ABCDEFGHIJKL");
  EXPECT_STREQ(d->materials[1]->name, long40.substr(0, 32).c_str());
  EXPECT_STREQ(d->objects[0]->name, "$DUMMY$");
  EXPECT_STREQ(d->trackNodes[0]->name, "$DUMMY$");
  EXPECT_EQ(d->trackNodes[0]->parent, 7);
  EXPECT_EQ(d->objects[0]->trackNode, 0);  // both "$DUMMY$"
}

TEST(ThreeDsReader, KeyframerCountsFramesAndSplines) {
  Chunks c;
  c.open(0x4D4D).open(0xB000);
  c.open(0xB008).u32(100).u32(0).close();
  c.open(0xB003);
  c.open(0xB030).u16(9).u32(0).close();  // extra bytes after the id are skipped
  c.open(0xB010).str("Cam").u16(1).u16(2).u16(0xFFFF).close();
  c.open(0xB013).f32s({1, 2, 3}).close();
  // 70000 keys in the file's 32-bit count: 4464 are read (70000 mod 65536).
  c.open(0xB023).u16(0).u32(0).u32(0).u32(70000);
  for (int i = 0; i < 4464; ++i) c.u32(0x10000u + uint32_t(i)).u16(0).f32(float(i));
  c.close();
  // Spline flags 0x0021: tension, then a parameter that is dropped, then the value.
  c.open(0xB020).u16(0).u32(0).u32(0).u32(2);
  c.u32(5).u16(0x0021).f32s({0.5f, 99, 1, 2, 3});
  c.u32(6).u16(0x001F).f32s({1, 2, 3, 4, 5, 7, 8, 9});
  c.close();
  c.open(0xB021).u16(0).u32(0).u32(0).u32(1).u32(1).u16(0).f32s({1.5f, 1, 2, 3}).close();
  c.open(0xB022).u16(0).u32(0).u32(0).u32(0).close();  // no keys
  c.open(0xB024).u16(0).u32(0).u32(0).u32(1).u32(3).u16(0x0010).f32(0.75f).f32(45).close();
  c.open(0xB026).u16(0).u32(0).u32(0).u32(1).u32(4).u16(0).str("Target").close();
  c.close();
  c.open(0xB004).open(0xB010).str("Cam").u16(0).u16(0).u16(0).close().close();
  c.open(0xB004).open(0xB010).str("Cam").u16(0).u16(0).u16(0).close().close();
  c.close().open(0x3D3D).open(0x4000).str("Cam").open(0x4700);
  for (int i = 0; i < 8; ++i) c.f32(0);
  c.close().close().close().close();
  Read d(c);
  ASSERT_EQ(d.code, 0);
  EXPECT_EQ(d->startFrame, 100);
  EXPECT_EQ(d->endFrame, 0);
  EXPECT_EQ(d->frameCount, 100);
  ASSERT_EQ(d->trackNodeCount, 3);
  const ThreeDsTrackNode& n = *d->trackNodes[0];
  EXPECT_EQ(n.kind, ThreeDsNodeKind::cameraPosition);
  EXPECT_EQ(n.nodeId, 9);
  EXPECT_EQ(n.parent, kThreeDsNoNode);
  EXPECT_EQ(n.pivot.y, 3);
  ASSERT_EQ(n.fovKeyCount, 4464);
  EXPECT_EQ(n.fovKeys[4463].frame, 4463);  // frames are taken modulo 65536
  EXPECT_EQ(n.fovKeys[4463].fov, 4463.0f);
  ASSERT_EQ(n.positionKeyCount, 2);
  EXPECT_EQ(n.positionKeys[0].frame, 5);
  EXPECT_EQ(n.positionKeys[0].spline.flags, 0x0021);
  EXPECT_EQ(n.positionKeys[0].spline.tension, 0.5f);
  EXPECT_EQ(n.positionKeys[0].spline.continuity, 0);
  EXPECT_EQ(n.positionKeys[0].position, (Vector3{1, 3, 2}));
  const ThreeDsSplineParams& s = n.positionKeys[1].spline;
  EXPECT_EQ((std::vector<float>{s.tension, s.continuity, s.bias, s.easeTo, s.easeFrom}),
            (std::vector<float>{1, 2, 3, 4, 5}));
  EXPECT_EQ(n.positionKeys[1].position.x, 7);
  ASSERT_EQ(n.rotationKeyCount, 1);
  EXPECT_EQ(n.rotationKeys[0].angle, 1.5f);
  EXPECT_EQ(n.rotationKeys[0].axis.y, 3);
  EXPECT_EQ(n.rotationKeys[0].quaternion.w, 0);
  EXPECT_EQ(n.scaleKeyCount, 0);
  EXPECT_EQ(n.scaleKeys, nullptr);
  ASSERT_EQ(n.rollKeyCount, 1);
  EXPECT_EQ(n.rollKeys[0].spline.easeFrom, 0.75f);
  EXPECT_EQ(n.rollKeys[0].roll, 45);
  ASSERT_EQ(n.morphKeyCount, 1);
  EXPECT_STREQ(n.morphKeys[0].target, "Target");
  // Name links: the last target node of the camera's name wins.
  EXPECT_EQ(d->cameras[0]->positionNode, 0);
  EXPECT_EQ(d->cameras[0]->targetNode, 2);
}

TEST(ThreeDsReader, NameLinksLastMatchWins) {
  Chunks c;
  c.open(0x4D4D).open(0x3D3D);
  for (int i = 0; i < 3; ++i) {
    c.open(0xAFFF).open(0xA000).str(i == 1 ? "Other" : "Same").close();
    c.open(0xA010).open(0x0011).u8(uint8_t(10 * i)).u8(1).u8(2).close().close();
    c.open(0xA200).open(0x0030).u16(uint16_t(50 + i)).close().close().close();
  }
  c.open(0x4000).str("Box").open(0x4100);
  c.open(0x4110).u16(3);
  for (int i = 0; i < 9; ++i) c.f32(0);
  c.close().open(0x4120).u16(2).u16(0).u16(1).u16(2).u16(0).u16(0).u16(1).u16(2).u16(0);
  c.open(0x4130).str("Same").u16(1).u16(0).close();
  c.open(0x4130).str("same").u16(1).u16(1).close();  // comparison is case-sensitive
  c.close().close().close();
  c.open(0x4000).str("Lonely").open(0x4100).close().close();
  c.close().open(0xB000);
  for (const char* name : {"Box", "X", "Box"})
    c.open(0xB002).open(0xB010).str(name).u16(0).u16(0).u16(0xFFFF).close().close();
  c.close().close();
  Read d(c);
  ASSERT_EQ(d.code, 0);
  EXPECT_EQ(d->objects[0]->faces[0].materialIndex, 2);
  EXPECT_EQ(d->objects[0]->faces[1].materialIndex, 0);
  EXPECT_EQ(d->objects[0]->trackNode, 2);
  EXPECT_EQ(d->objects[1]->trackNode, 0);
  EXPECT_EQ(d->materials[2]->ambient[0], 20);
  EXPECT_EQ(d->materials[2]->textureAmount, 52);

  // The scratch colour carries over: an ambient colour given only as floats takes the
  // byte colour read last, here in the file before.
  Chunks f;
  f.open(0x4D4D).open(0x3D3D).open(0xAFFF).open(0xA010).open(0x0010).f32s({1, 1, 1});
  f.close().close().close().close().close();
  Read e(f);
  ASSERT_EQ(e.code, 0);
  EXPECT_EQ(e->materials[0]->ambient[0], 20);
  EXPECT_EQ(e->materials[0]->ambient[2], 2);
}

TEST(ThreeDsReader, PendingErrorsAndFreeing) {
  ThreeDsData* d = nullptr;
  EXPECT_FALSE(free3ds(d));
  EXPECT_EQ(take3dsError(), kThreeDsNothingToFree);

  Chunks bad;
  bad.open(0x3D3D).close();
  Chunks good;
  good.open(0x4D4D).close();
  ASSERT_FALSE(load3dsFromMemory(d, bad.bytes.data(), bad.bytes.size()));
  ThreeDsData* partial = d;
  d = nullptr;
  // While the code is pending every load and free is refused.
  EXPECT_FALSE(load3dsFromMemory(d, good.bytes.data(), good.bytes.size()));
  EXPECT_EQ(d, nullptr);
  EXPECT_FALSE(free3ds(partial));
  EXPECT_NE(partial, nullptr);
  EXPECT_EQ(take3dsError(), kThreeDsNotThreeDs);
  EXPECT_EQ(take3dsError(), 0);
  EXPECT_TRUE(free3ds(partial));
  EXPECT_EQ(partial, nullptr);
  ASSERT_TRUE(load3dsFromMemory(d, good.bytes.data(), good.bytes.size()));
  EXPECT_TRUE(free3ds(d));

  const char* const texts[] = {"Unknown error!",        "Filename is empty!",
                               "Can't open .3DS file!", "Can't read .3DS file!",
                               "Not enough memory available to load .3DS file!", "Not a 3DS file or corrupted file!",
                               "Fatal error in .3DS file!", "Can't free up 3DS structure!", "Unknown error!"};
  for (int code = 0; code <= 8; ++code) EXPECT_STREQ(threeDsErrorText(code), texts[code]) << code;
}

TEST(ThreeDsReader, FileErrors) {
  ThreeDsData* d = nullptr;
  EXPECT_FALSE(load3ds(d, ""));
  EXPECT_EQ(take3dsError(), kThreeDsEmptyFileName);
  EXPECT_FALSE(load3dsFromDisk(d, std::string(GVS_BINARY_DIR) + "/no such file.3ds"));
  EXPECT_EQ(take3dsError(), kThreeDsCantOpen);
  EXPECT_FALSE(load3dsFromDisk(d, GVS_BINARY_DIR));  // a folder opens but cannot be read
  EXPECT_EQ(take3dsError(), kThreeDsCantRead);
  EXPECT_EQ(d, nullptr);

  // Show paths resolve under the data root, letter case ignored.
  const std::string root = makeTempDir("reader-show-path");
  writeTestScene(root + "/data/scenes/", "Sample.3ds", sampleScene());
  const std::string saved = dataRoot();
  setDataRoot(root);
  const bool ok = load3ds(d, "DATA\\SCENES\\sample.3DS");
  setDataRoot(saved);
  ASSERT_TRUE(ok) << "error " << take3dsError();
  EXPECT_EQ(d->objectCount, sampleScene().objects.size());
  EXPECT_TRUE(free3ds(d));
}

// Files whose structure does not fit together are refused with code 6 and nothing
// is handed out.
TEST(ThreeDsReader, StructuralFaultsAreRefused) {
  std::vector<std::pair<const char*, Chunks>> cases;
  auto add = [&](const char* what) -> Chunks& {
    cases.push_back({what, Chunks{}});
    return cases.back().second;
  };
  add("empty file");
  add("shorter than a header").u16(0x4D4D).u16(6);
  add("chunk past the file").header(0x4D4D, 20).u32(0);
  add("length below the header").header(0x4D4D, 5).u32(0);
  add("child past its parent").header(0x4D4D, 6 + 6 + 4).header(0x3D3D, 6 + 4 + 1).u32(0).u8(0);
  add("header cut by its parent's end").open(0x4D4D).open(0x3D3D).u16(0x4000).u8(0).close().close();
  add("vertex list longer than its chunk").open(0x4D4D).open(0x3D3D).open(0x4000).str("O").open(0x4100)
      .open(0x4110).u16(3).f32s({1, 2, 3}).close().close().close().close().close();
  add("face index beyond the vertices").open(0x4D4D).open(0x3D3D).open(0x4000).str("O").open(0x4100)
      .open(0x4110).u16(3).f32s({0, 0, 0, 0, 0, 0, 0, 0, 0}).close().open(0x4120).u16(1).u16(0).u16(1).u16(3)
      .u16(0).close().close().close().close().close();
  add("faces before a shorter vertex list").open(0x4D4D).open(0x3D3D).open(0x4000).str("O").open(0x4100)
      .open(0x4120).u16(1).u16(0).u16(1).u16(2).u16(0).close().open(0x4110).u16(2).f32s({0, 0, 0, 0, 0, 0})
      .close().close().close().close().close();
  add("mapping list face index beyond the faces").open(0x4D4D).open(0x3D3D).open(0x4000).str("O").open(0x4100)
      .open(0x4110).u16(3).f32s({0, 0, 0, 0, 0, 0, 0, 0, 0}).close().open(0x4120).u16(1).u16(0).u16(1).u16(2)
      .u16(0).open(0x4130).str("M").u16(1).u16(1).close().close().close().close().close().close();
  add("more mapping coordinates than vertices").open(0x4D4D).open(0x3D3D).open(0x4000).str("O").open(0x4100)
      .open(0x4110).u16(1).f32s({0, 0, 0}).close().open(0x4140).u16(2).f32s({0, 0, 0, 0}).close().close()
      .close().close().close();
  add("vertex list with no object").open(0x4D4D).open(0x3D3D).open(0x4110).u16(1).f32s({0, 0, 0}).close()
      .close().close();
  add("vertex list outside its object's chunk").open(0x4D4D).open(0x3D3D).open(0x4000).str("O").open(0x4100)
      .close().open(0x4110).u16(1).f32s({0, 0, 0}).close().close().close().close();
  add("key track outside its node").open(0x4D4D).open(0xB000).open(0xB002).close().open(0xB023).u16(0).u32(0)
      .u32(0).u32(1).u32(0).u16(0).f32(1).close().close().close();
  add("material name with no material").open(0x4D4D).open(0x3D3D).open(0xA000).str("M").close().close().close();
  add("second vertex list of one object").open(0x4D4D).open(0x3D3D).open(0x4000).str("O").open(0x4100)
      .open(0x4110).u16(1).f32s({0, 0, 0}).close().open(0x4110).u16(1).f32s({0, 0, 0}).close().close().close()
      .close().close();
  add("name without its zero byte").open(0x4D4D).open(0x3D3D).open(0x4000).u8('A').u8('B').close().close().close();
  add("key count larger than the chunk").open(0x4D4D).open(0xB000).open(0xB002).open(0xB020).u16(0).u32(0)
      .u32(0).u32(2).u32(0).u16(0).f32s({1, 2, 3}).close().close().close().close();
  add("spline parameters past the key track").open(0x4D4D).open(0xB000).open(0xB002).open(0xB024).u16(0)
      .u32(0).u32(0).u32(1).u32(0).u16(0xFFFF).f32(1).close().close().close().close();
  {
    Chunks& c = add("containers nested past any real file");
    for (int i = 0; i < 200; ++i) c.open(i == 0 ? 0x4D4D : 0x3D3D);
    for (int i = 0; i < 200; ++i) c.close();
  }
  for (auto& [what, c] : cases) {
    ThreeDsData* d = nullptr;
    EXPECT_FALSE(load3dsFromMemory(d, c.bytes.data(), c.bytes.size())) << what;
    EXPECT_EQ(take3dsError(), kThreeDsCorrupt) << what;
    EXPECT_EQ(d, nullptr) << what;
  }
}
