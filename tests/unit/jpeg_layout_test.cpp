#include "jpeg_layout.h"

#include <gtest/gtest.h>

TEST(JpegLayout, TheSmallestScaleThatCoversTheFittedPicture) {
  struct Case {
    int width, height, boxWidth, boxHeight, eighths;
  } cases[] = {
      {4000, 3000, 176, 160, 1},  // 500 x 375 for a 176 x 132 fit
      {2560, 1600, 400, 400, 2},  // 1/8 gives 320 wide, the fit needs 400
      {2560, 1600, 1000, 900, 4}, {1600, 1200, 200, 150, 1},  // exactly the fit
      {1600, 1200, 201, 151, 2},                              // one pixel more
      {8000, 1000, 176, 160, 1},                          // a panorama: 1000 x 125 covers 176 x 22
      {1000, 8000, 176, 160, 1},  {61, 37, 176, 160, 8},  // small pictures are decoded whole (and
                                                          // enlarged)
      {4000, 3000, 0, 160, 8},    {4000, 3000, 176, -1, 8},  {0, 3000, 176, 160, 8},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChooseScaleEighths(c.width, c.height, c.boxWidth, c.boxHeight), c.eighths)
        << c.width << "x" << c.height << " in " << c.boxWidth << "x" << c.boxHeight;
}

TEST(JpegLayout, PickingFactorsCoverTheFitToo) {
  EXPECT_EQ(ChoosePickingFactor(4000, 3000, 176, 160), 8);
  EXPECT_EQ(ChoosePickingFactor(2560, 1600, 400, 400), 4);
  EXPECT_EQ(ChoosePickingFactor(2560, 1600, 900, 900), 2);   // 3/8 would do: 1/2
  EXPECT_EQ(ChoosePickingFactor(2560, 1600, 1000, 900), 2);
  EXPECT_EQ(ChoosePickingFactor(2560, 1600, 1500, 1500), 1);  // 5/8: whole
  EXPECT_EQ(ChoosePickingFactor(61, 37, 176, 160), 1);
}

TEST(JpegLayout, ScaledSidesAreRoundedUpAsLibjpegDoes) {
  EXPECT_EQ(ScaledSide(4000, 1), 500);
  EXPECT_EQ(ScaledSide(4001, 1), 501);
  EXPECT_EQ(ScaledSide(1, 1), 1);
  EXPECT_EQ(ScaledSide(65500, 8), 65500);
  EXPECT_EQ(ScaledSide(37, 3), 14);
}

TEST(JpegLayout, SizesBeyondMemoryOrLibjpegAreRefused) {
  EXPECT_TRUE(IsAcceptableJpegSize(30000, 20));
  EXPECT_TRUE(IsAcceptableJpegSize(20000, 20000));   // 1.2 GB
  EXPECT_FALSE(IsAcceptableJpegSize(30000, 30000));  // 2.7 GB
  EXPECT_FALSE(IsAcceptableJpegSize(65500, 65500));
  EXPECT_FALSE(IsAcceptableJpegSize(65501, 1));
  EXPECT_FALSE(IsAcceptableJpegSize(0, 10));
  EXPECT_FALSE(IsAcceptableJpegSize(10, -1));
}

TEST(JpegLayout, CmykInksInBothForms) {
  // Adobe's inverted form: 255 is no ink.
  const uint8_t inverted[] = {255, 255, 255, 255, 0,   255, 255, 255,
                              255, 255, 255, 0,   255, 128, 0,   255};
  uint8_t bgr[12];
  CmykToBgr(inverted, 4, true, bgr);
  const uint8_t expectedInverted[] = {255, 255, 255, 255, 255, 0, 0, 0, 0, 0, 128, 255};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(bgr[i], expectedInverted[i]) << i;
  // The plain form: 0 is no ink; full cyan leaves green and blue.
  const uint8_t plain[] = {0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 255};
  CmykToBgr(plain, 3, false, bgr);
  const uint8_t expectedPlain[] = {255, 255, 255, 255, 255, 0, 0, 0, 0};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(bgr[i], expectedPlain[i]) << i;
}
