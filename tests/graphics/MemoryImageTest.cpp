#include <gtest/gtest.h>

#include "graphics/MemoryImage.h"
#include "support/PixelReference.h"

using Vesk::MemoryImage;

TEST(MemoryImage, GetBitsEndsWithSentinelAndKeepsTheBuffer) {
  MemoryImage img(3, 2);
  uint32_t* bits = img.GetBits();
  ASSERT_NE(bits, nullptr);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(bits[i], 0u);
  EXPECT_EQ(bits[6], MemoryImage::kSentinel);
  EXPECT_EQ(img.GetBits(), bits);
  // Through the texture view too.
  TriangleTexture& tex = img;
  EXPECT_EQ(tex.GetBits(), bits);
  EXPECT_EQ(tex.TextureWidth(), 3);
  EXPECT_EQ(tex.TextureHeight(), 2);
}

TEST(MemoryImage, CommitBitsComputesFlagsOnlyAfterAChange) {
  auto img = ref::MakeImage(4, 1, [](int x, int) { return x == 0 ? 0xFF102030u : 0xFF000000u; });
  img->CommitBits();
  EXPECT_FALSE(img->mHasTrans);
  EXPECT_FALSE(img->mHasAlpha);
  // A change without BitsChanged is not seen.
  img->GetBits()[1] = 0x80FFFFFF;
  img->CommitBits();
  EXPECT_FALSE(img->mHasAlpha);
  img->BitsChanged();
  img->CommitBits();
  EXPECT_TRUE(img->mHasAlpha);
  EXPECT_FALSE(img->mHasTrans);
  img->GetBits()[2] = 0x00FFFFFF;
  img->BitsChanged();
  img->CommitBits();
  EXPECT_TRUE(img->mHasTrans);
  EXPECT_TRUE(img->mHasAlpha);
  // Back to opaque: both flags clear again.
  img->GetBits()[1] = img->GetBits()[2] = 0xFF000000;
  img->BitsChanged();
  img->CommitBits();
  EXPECT_FALSE(img->mHasTrans);
  EXPECT_FALSE(img->mHasAlpha);
}

TEST(MemoryImage, SetImageModeFixesTheFlags) {
  auto img = ref::MakeImage(2, 1, [](int, int) { return 0x00000000u; });
  img->SetImageMode(false, true);
  img->BitsChanged();
  img->CommitBits();
  EXPECT_FALSE(img->mHasTrans);
  EXPECT_TRUE(img->mHasAlpha);
}

TEST(MemoryImage, ImageWithoutPixelsIsTransparent) {
  MemoryImage img;
  img.CommitBits();
  EXPECT_TRUE(img.mHasTrans);
  EXPECT_FALSE(img.mHasAlpha);
}

TEST(MemoryImage, BitsChangedCounterAndCachesFollowEveryChange) {
  auto img = ref::RandomSprite(20, 3, 1);
  int before = img->mBitsChangedCount;
  img->GetAlphaRuns();
  img->GetDisplayFormatBits(Vesk::NativeDisplay::Default32());
  ASSERT_TRUE(img->mRLAlphaData && img->mNativeAlphaData);
  img->FillRect(Rect(0, 0, 1, 1), Color(1, 2, 3, 255), 0);
  EXPECT_GT(img->mBitsChangedCount, before);
  EXPECT_FALSE(img->mRLAlphaData);
  EXPECT_FALSE(img->mNativeAlphaData);
}

TEST(MemoryImage, AlphaRunsCountPixelsOfOneClassAcrossRows) {
  // Row 0: T T O P P ; row 1: P O O O O
  const uint32_t px[] = {0x00FFFFFF, 0x00000000, 0xFF000000, 0x80000000, 0x01000000,
                         0xFE000000, 0xFF111111, 0xFF222222, 0xFF333333, 0xFF444444};
  MemoryImage img;
  img.SetBits(px, 5, 2);
  const uint8_t* runs = img.GetAlphaRuns();
  const uint8_t expected[] = {2, 1, 1, 3, 2, 1, 4, 3, 2, 1};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(runs[i], expected[i]) << i;
  const uint8_t* add = img.GetAdditiveRuns();
  // Adds nothing: transparent, black, or too faint to round up: 0,1,2,3,4,5 ; then colour.
  const uint8_t expectedAdd[] = {6, 5, 4, 3, 2, 1, 4, 3, 2, 1};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(add[i], expectedAdd[i]) << i;
}

TEST(MemoryImage, LongRunsAreCappedAt255) {
  MemoryImage img(600, 1);
  const uint8_t* runs = img.GetAlphaRuns();
  EXPECT_EQ(runs[0], 255);
  EXPECT_EQ(runs[599], 1);
  EXPECT_EQ(runs[599 - 254], 255);
}

TEST(MemoryImage, DisplayFormatBitsArePremultipliedInTheDisplayLayout) {
  const uint32_t px[] = {0x80FF8040, 0xFFFFFFFF};
  MemoryImage img;
  img.SetBits(px, 2, 1);
  const uint32_t* words = img.GetDisplayFormatBits(Vesk::NativeDisplay::Default32());
  EXPECT_EQ(words[0], 0x80804020u);
  EXPECT_EQ(words[1], 0xFFFFFFFFu);
  Vesk::NativeDisplay rgb565;
  rgb565.mBitsPerPixel = 16;
  rgb565.mRedBits = 5;
  rgb565.mGreenBits = 6;
  rgb565.mBlueBits = 5;
  rgb565.mRedShift = 11;
  rgb565.mGreenShift = 5;
  rgb565.mBlueShift = 0;
  words = img.GetDisplayFormatBits(rgb565);
  EXPECT_EQ(words[1], 0xFF00FFFFu);
  EXPECT_EQ(words[0], (0x80u << 24) | (16u << 11) | (16u << 5) | 4u);
}

TEST(MemoryImage, PalettizeMovesPixelsToAColourTableAndBack) {
  auto img = ref::MakeImage(16, 16, [](int x, int y) { return uint32_t((x + y) % 7) * 0x01020304u | 0xFF000000u; });
  std::vector<uint32_t> original(img->GetBits(), img->GetBits() + 256);
  ASSERT_TRUE(img->Palettize());
  EXPECT_FALSE(img->mBits);
  ASSERT_TRUE(img->mColorTable && img->mColorIndices);
  // The display-format copy of a colour-table image is a 256-entry table.
  const uint32_t* table = img->GetDisplayFormatBits(Vesk::NativeDisplay::Default32());
  EXPECT_EQ(table[img->mColorIndices[0]], original[0]);
  img->mBitsChangedSinceCommit = true;
  img->CommitBits();
  EXPECT_FALSE(img->mHasAlpha);
  const uint32_t* bits = img->GetBits();
  for (int i = 0; i < 256; ++i) ASSERT_EQ(bits[i], original[size_t(i)]);
  EXPECT_EQ(bits[256], MemoryImage::kSentinel);
  // Drawing makes the pixels the only copy again.
  img->FillRect(Rect(0, 0, 1, 1), Color(9, 9, 9, 255), 0);
  EXPECT_FALSE(img->mColorTable);
}

TEST(MemoryImage, PalettizeRefusesMoreThan256Colours) {
  auto img = ref::MakeImage(300, 1, [](int x, int) { return 0xFF000000u | uint32_t(x); });
  EXPECT_FALSE(img->Palettize());
  EXPECT_TRUE(img->mBits);
}

TEST(MemoryImage, PurgeKeepsTheOnlyExactCopy) {
  auto img = ref::RandomSprite(8, 8, 3);
  std::vector<uint32_t> original(img->GetBits(), img->GetBits() + 64);
  img->PurgeBits();
  EXPECT_TRUE(img->mPurgeBits);
  ASSERT_TRUE(img->mBits);
  auto pal = ref::MakeImage(4, 4, [](int x, int) { return x ? 0xFF0000FFu : 0x00000000u; });
  ASSERT_TRUE(pal->Palettize());
  pal->GetBits();
  pal->PurgeBits();
  EXPECT_FALSE(pal->mBits);
  EXPECT_EQ(pal->GetBits()[1], 0xFF0000FFu);
}

TEST(MemoryImage, BitsRebuiltFromTheDisplayFormatCopy) {
  const uint32_t px[] = {0xFF123456, 0x00000000};
  MemoryImage img;
  img.SetBits(px, 2, 1);
  img.GetDisplayFormatBits(Vesk::NativeDisplay::Default32());
  img.mBits.reset();
  const uint32_t* bits = img.GetBits();
  EXPECT_EQ(bits[0], 0xFF123456u);
  EXPECT_EQ(bits[1], 0u);
  EXPECT_EQ(bits[2], MemoryImage::kSentinel);
}

TEST(MemoryImage, CreateDropsTheOldPixelsAndColourTable) {
  auto img = ref::MakeImage(4, 4, [](int, int) { return 0xFF00FF00u; });
  ASSERT_TRUE(img->Palettize());
  img->Create(2, 3);
  EXPECT_FALSE(img->mColorTable);
  const uint32_t* bits = img->GetBits();
  for (int i = 0; i < 6; ++i) EXPECT_EQ(bits[i], 0u);
  EXPECT_EQ(bits[6], MemoryImage::kSentinel);
  img->Delete3DBuffers();
  img->DeleteExtraBuffers();
  EXPECT_TRUE(img->mBits);
}
