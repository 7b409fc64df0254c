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
  Chunks& closeAll() {
    while (!open_.empty()) close();
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

// Hand-made files read in turn; each one's code and what was handed out, as one text.
struct Files {
  std::vector<std::pair<std::string, Chunks>> files;
  Chunks& add(const std::string& what) { return files.emplace_back(what, Chunks{}).second; }
  std::string read() {
    std::string text;
    for (auto& [what, chunks] : files) {
      Read d(chunks);
      text += "== " + what + ": code " + std::to_string(d.code) + "\n" + describe(*d.d);
    }
    return text;
  }
};

}  // namespace

TEST(ThreeDsReader, WalkRules) {
  Files f;
  f.add("only unknown chunks: an empty structure of the root's own size")
      .open(0x4D4D).open(0x1234).u32(7).close().open(0x0002).u32(3).closeAll();
  f.add("an outermost chunk that is not Main: the empty structure is handed out").open(0x3D3D).close();
  triangleObject(f.add("a full Main chunk followed by a foreign one: everything is read").open(0x4D4D)
                     .open(0x3D3D)).closeAll().open(0x1111).u32(0).close();
  triangleObject(f.add("one stray byte after Main is not read").open(0x4D4D).open(0x3D3D)).closeAll().u8(0x77);
  triangleObject(f.add("only the outermost level checks the id: Editor inside Editor").open(0x4D4D).open(0x3D3D)
                     .open(0x3D3D)).closeAll();
  f.add("a first header of length 0 ends the walk, whatever its id").header(0x3D3D, 0).u32(0xFFFFFFFF);
  Chunks& c = f.add("a length-0 chunk ends its own level; the enclosing level goes on: only 'Read'");
  triangleObject(c.open(0x4D4D).open(0x3D3D).header(0x0000, 0), "Skipped").close().open(0x3D3D);
  triangleObject(c, "Read").closeAll();
  Chunks& u = f.add("an unknown chunk is skipped with 'Hidden' inside; the frames chunk's extra bytes are passed");
  triangleObject(u.open(0x4D4D).open(0x3D3D).open(0x7777), "Hidden").close();
  u.open(0xB008).u32(3).u32(9).u32(0xDEADBEEF).close().open(0x4000).str("Box").open(0x4100).closeAll();
  expectGolden("engine/reader_walk.txt", f.read());
}

TEST(ThreeDsReader, LayoutsNamesKeysAndLinks) {
  Files f;
  // The points and the matrix's rows and columns with y and z exchanged, the mapping
  // coordinates 0 beyond the mapping list, the flags' edges AB, BC, CA in bits 2, 1, 0
  // and wraps U, V in bits 3, 4; a light's data and sub-chunks are never read.
  Chunks& c = f.add("mesh layouts and the axis exchange");
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
  c.open(0x4000).str("Lamp").open(0x4600).f32s({1, 2, 3});
  c.open(0x4110).u16(1).f32s({0, 0, 0}).closeAll();

  Chunks& n = f.add("material, texture, object and node names cut or \"$DUMMY$\"; both dummies linked");
  n.open(0x4D4D).open(0x3D3D);
  n.open(0xAFFF).open(0xA000).str("").close();
  // (The amount is given: without it the last one read carries over.)
  n.open(0xA200).open(0x0030).u16(100).close().open(0xA300).str("ABCDEFGHIJKLMNOP").close().close().close();
  n.open(0xAFFF).open(0xA000).str(std::string(40, 'n')).close().close();
  n.open(0x4000).str("").open(0x4100).close().close();
  n.close().open(0xB000).open(0xB002).open(0xB010).str("").u16(0).u16(0).u16(7).closeAll();

  Chunks& k = f.add("keyframer: frames modulo 65536, the camera's last target node of its name linked");
  k.open(0x4D4D).open(0xB000);
  k.open(0xB008).u32(100).u32(0).close();
  k.open(0xB003);
  k.open(0xB030).u16(9).u32(0).close();  // extra bytes after the id are skipped
  k.open(0xB010).str("Cam").u16(1).u16(2).u16(0xFFFF).close();
  k.open(0xB013).f32s({1, 2, 3}).close();
  // 70000 keys in the file's 32-bit count: 4464 are read (70000 mod 65536).
  k.open(0xB023).u16(0).u32(0).u32(0).u32(70000);
  for (int i = 0; i < 4464; ++i) k.u32(0x10000u + uint32_t(i)).u16(0).f32(float(i));
  k.close();
  // Spline flags 0x0021: tension, then a parameter that is dropped, then the value.
  k.open(0xB020).u16(0).u32(0).u32(0).u32(2);
  k.u32(5).u16(0x0021).f32s({0.5f, 99, 1, 2, 3});
  k.u32(6).u16(0x001F).f32s({1, 2, 3, 4, 5, 7, 8, 9});
  k.close();
  k.open(0xB021).u16(0).u32(0).u32(0).u32(1).u32(1).u16(0).f32s({1.5f, 1, 2, 3}).close();
  k.open(0xB022).u16(0).u32(0).u32(0).u32(0).close();  // no keys
  k.open(0xB024).u16(0).u32(0).u32(0).u32(1).u32(3).u16(0x0010).f32(0.75f).f32(45).close();
  k.open(0xB026).u16(0).u32(0).u32(0).u32(1).u32(4).u16(0).str("Target").close();
  k.close();
  k.open(0xB004).open(0xB010).str("Cam").u16(0).u16(0).u16(0).close().close();
  k.open(0xB004).open(0xB010).str("Cam").u16(0).u16(0).u16(0).close().close();
  k.close().open(0x3D3D).open(0x4000).str("Cam").open(0x4700);
  for (int i = 0; i < 8; ++i) k.f32(0);
  k.closeAll();

  Chunks& l = f.add("faces and objects take the last material and node of their name");
  l.open(0x4D4D).open(0x3D3D);
  for (int i = 0; i < 3; ++i) {
    l.open(0xAFFF).open(0xA000).str(i == 1 ? "Other" : "Same").close();
    l.open(0xA010).open(0x0011).u8(uint8_t(10 * i)).u8(1).u8(2).close().close();
    l.open(0xA200).open(0x0030).u16(uint16_t(50 + i)).close().close().close();
  }
  l.open(0x4000).str("Box").open(0x4100);
  l.open(0x4110).u16(3);
  for (int i = 0; i < 9; ++i) l.f32(0);
  l.close().open(0x4120).u16(2).u16(0).u16(1).u16(2).u16(0).u16(0).u16(1).u16(2).u16(0);
  l.open(0x4130).str("Same").u16(1).u16(0).close();
  l.open(0x4130).str("same").u16(1).u16(1).close();  // comparison is case-sensitive
  l.close().close().close();
  l.open(0x4000).str("Lonely").open(0x4100).close().close();
  l.close().open(0xB000);
  for (const char* name : {"Box", "X", "Box"})
    l.open(0xB002).open(0xB010).str(name).u16(0).u16(0).u16(0xFFFF).close().close();
  l.closeAll();

  f.add("the scratch colour carries over: an ambient colour given only as floats takes the byte colour read last")
      .open(0x4D4D).open(0x3D3D).open(0xAFFF).open(0xA010).open(0x0010).f32s({1, 1, 1}).closeAll();
  expectGolden("engine/reader_layouts.txt", f.read());
}

TEST(ThreeDsReader, PendingErrorsFileErrorsAndFreeing) {
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
  // Inside the mesh chunk of object "O".
  auto mesh = [&](const char* what) -> Chunks& {
    return add(what).open(0x4D4D).open(0x3D3D).open(0x4000).str("O").open(0x4100);
  };
  add("empty file");
  add("shorter than a header").u16(0x4D4D).u16(6);
  add("chunk past the file").header(0x4D4D, 20).u32(0);
  add("length below the header").header(0x4D4D, 5).u32(0);
  add("child past its parent").header(0x4D4D, 6 + 6 + 4).header(0x3D3D, 6 + 4 + 1).u32(0).u8(0);
  add("header cut by its parent's end").open(0x4D4D).open(0x3D3D).u16(0x4000).u8(0).closeAll();
  mesh("vertex list longer than its chunk").open(0x4110).u16(3).f32s({1, 2, 3}).closeAll();
  mesh("face index beyond the vertices").open(0x4110).u16(3).f32s({0, 0, 0, 0, 0, 0, 0, 0, 0}).close()
      .open(0x4120).u16(1).u16(0).u16(1).u16(3).u16(0).closeAll();
  mesh("faces before a shorter vertex list").open(0x4120).u16(1).u16(0).u16(1).u16(2).u16(0).close()
      .open(0x4110).u16(2).f32s({0, 0, 0, 0, 0, 0}).closeAll();
  mesh("mapping list face index beyond the faces").open(0x4110).u16(3).f32s({0, 0, 0, 0, 0, 0, 0, 0, 0}).close()
      .open(0x4120).u16(1).u16(0).u16(1).u16(2).u16(0).open(0x4130).str("M").u16(1).u16(1).closeAll();
  mesh("more mapping coordinates than vertices").open(0x4110).u16(1).f32s({0, 0, 0}).close()
      .open(0x4140).u16(2).f32s({0, 0, 0, 0}).closeAll();
  add("vertex list with no object").open(0x4D4D).open(0x3D3D).open(0x4110).u16(1).f32s({0, 0, 0}).closeAll();
  mesh("vertex list outside its object's chunk").close().open(0x4110).u16(1).f32s({0, 0, 0}).closeAll();
  add("key track outside its node").open(0x4D4D).open(0xB000).open(0xB002).close().open(0xB023).u16(0).u32(0)
      .u32(0).u32(1).u32(0).u16(0).f32(1).closeAll();
  add("material name with no material").open(0x4D4D).open(0x3D3D).open(0xA000).str("M").closeAll();
  mesh("second vertex list of one object").open(0x4110).u16(1).f32s({0, 0, 0}).close()
      .open(0x4110).u16(1).f32s({0, 0, 0}).closeAll();
  add("name without its zero byte").open(0x4D4D).open(0x3D3D).open(0x4000).u8('A').u8('B').closeAll();
  add("key count larger than the chunk").open(0x4D4D).open(0xB000).open(0xB002).open(0xB020).u16(0).u32(0)
      .u32(0).u32(2).u32(0).u16(0).f32s({1, 2, 3}).closeAll();
  add("spline parameters past the key track").open(0x4D4D).open(0xB000).open(0xB002).open(0xB024).u16(0)
      .u32(0).u32(0).u32(1).u32(0).u16(0xFFFF).f32(1).closeAll();
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
