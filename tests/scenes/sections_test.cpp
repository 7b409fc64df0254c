// Guards the table of sections: the show's windows, load order, overlay and end as
// the show has always had them, and the end screen's fades on forged data.
#include <gtest/gtest.h>

#include "image/imagefile.hpp"
#include "tests/scenes/loaded_section.hpp"

TEST(Sections, TableHoldsTheShowsWindowsAndLoadOrder) {
  const char* names[] = {"box",   "vohel",   "matrix", "hyper", "sphere", "boxbox", "csapok",
                         "blobs", "metabox", "bogyo",  "kocka", "forgo",  "endscrn"};
  const double ends[] = {3540, 6195, 7965, 10620, 12390, 14160, 15930, 16815, 17700, 19470, 21240, 23010, 24400};
  const char* loads[] = {"box",   "vohel",  "matrix", "hyper",   "sphere", "forgo",  "bogyo",
                         "blobs", "boxbox", "csapok", "metabox", "kocka",  "endscrn"};
  ASSERT_EQ(kShowSectionCount, 13);
  for (int i = 0; i < kShowSectionCount; ++i) {
    EXPECT_STREQ(kShowSections[i].module->name, names[i]);
    EXPECT_EQ(double(sectionStart(i)), i ? ends[i - 1] : 0.0) << names[i];
    EXPECT_EQ(double(sectionEnd(i)), ends[i]) << names[i];
    EXPECT_STREQ(loads[kShowSections[i].loadRank], names[i]);
  }
  EXPECT_EQ(double(barTime(kOverlayBar)), 2655.0);
  EXPECT_EQ(double(kShowEnd), 24500.0);
  EXPECT_STREQ(miscModule.name, "misc");
  EXPECT_EQ(double(barTime(kSingleSceneBenchBars)), 2655.0);
}

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
