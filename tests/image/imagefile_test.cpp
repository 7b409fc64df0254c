// Guards the picture files: conversion order, short, long and missing files, and the
// end of the program when a picture the show needs is missing.
#include <gtest/gtest.h>

#include <fstream>

#include "base/datapath.hpp"
#include "image/imagefile.hpp"
#include "tests/testutil.hpp"

namespace {
void writeBytes(const std::string& path, size_t n) {
  std::string bytes(n, '\0');
  for (size_t i = 0; i < n; ++i) bytes[i] = char(uint8_t(i * 7));
  writeFile(path, bytes);
}

struct ImageFiles : ::testing::Test {
  std::string root = makeTempDir("imagefiles");
  void SetUp() override { setDataRoot(root); }
};
}  // namespace

TEST_F(ImageFiles, ConvertsRgbToPixelsWithGreenInByte3) {
  writeBytes(root + "/data/Pics/full.rgb", 192000);
  std::ofstream(root + "/data/Pics/full.rgb", std::ios::binary | std::ios::in).write("\x0a\x14\x1e", 3);
  std::vector<uint32_t> pixels(64000, 0xCCCCCCCCu);
  ASSERT_TRUE(loadRgbImage("DATA\\pics\\FULL.rgb", 320, 200, pixels.data()));
  EXPECT_EQ(pixels[0], px(30, 20, 10, 20));
  // The last pixel is made from the last three file bytes.
  uint8_t r = uint8_t(191997 * 7), g = uint8_t(191998 * 7), b = uint8_t(191999 * 7);
  EXPECT_EQ(pixels[63999], px(b, g, r, g));
}

TEST_F(ImageFiles, ShortFileFailsLongFileLoads) {
  writeBytes(root + "/data/short.rgb", 191999);
  writeBytes(root + "/data/long.rgb", 192001);
  std::vector<uint32_t> pixels(64000);
  EXPECT_FALSE(loadRgbImage("data\\short.rgb", 320, 200, pixels.data()));
  EXPECT_TRUE(loadRgbImage("data\\long.rgb", 320, 200, pixels.data()));
  EXPECT_FALSE(loadRgbImage("data\\missing.rgb", 320, 200, pixels.data()));
  std::vector<uint8_t> bytes(100);
  EXPECT_TRUE(loadRawBytes("data\\short.rgb", 10, 10, bytes.data()));
  EXPECT_EQ(bytes[1], 7);
  EXPECT_FALSE(loadRawBytes("data\\short.rgb", 1000, 192, std::vector<uint8_t>(192000).data()));
}

TEST(ImageFilesDeath, MissingFileEndsWithMessageAndStatus1) {
  EXPECT_EXIT(
      {
        std::vector<uint32_t> p(4);
        loadRgbImageOrDie("data\\nowhere\\gone.rgb", 2, 2, p.data());
      },
      ::testing::ExitedWithCode(1), "Greyline Video System: KVS_RAW ERROR: Failed to load file");
}
