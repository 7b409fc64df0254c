// Guards the end screen's fades on forged data.
#include <gtest/gtest.h>

#include "image/imagefile.hpp"
#include "tests/scenes/loaded_section.hpp"

TEST(Sections, EndScreenFadesInHoldsAndFadesOut) {
  LoadedSection s(endscrnModule, "endscrn");
  ASSERT_TRUE(s.ok);
  std::vector<uint32_t> picture(kFramePixels);
  ASSERT_TRUE(loadRgbImage("DATA\\endscrn\\endscrn.rgb", 320, 200, picture.data()));
  auto darkened = [&](int level) {
    std::vector<uint32_t> v(kFramePixels);
    darkenPixels(picture.data(), v.data(), kFramePixels, level);
    return v;
  };
  const std::vector<uint32_t> black(kFramePixels, 0);
  std::fill(s.frame.begin(), s.frame.end(), 0x12345678u);
  EXPECT_EQ(s.render(0.0f), black);
  EXPECT_EQ(s.render(126.9f), darkened(1));
  EXPECT_EQ(s.render(127.0f), picture);
  EXPECT_EQ(s.render(1157.0f), picture);
  EXPECT_EQ(s.render(1200.0f), darkened(86));
  EXPECT_EQ(s.render(1282.9f), darkened(252));
  EXPECT_EQ(s.render(1283.0f), black);
  EXPECT_EQ(s.render(1389.9f), black);
}
