#include <gtest/gtest.h>

#include "engine/ZCEngine.h"
#include "graphics/ImageLib.h"
#include "graphics/MemoryImage.h"
#include "shell/PakInterface.h"

namespace {

// The display centres a cursor picture on the mouse position, so clicks land on the picture's
// centre pixel: that pixel must be the arrow's tip, with nothing of the arrow above or to the
// left of it (the tip is the arrow's top-left point).
void ExpectTipAtCentre(Vesk::MemoryImage& image, const std::string& name) {
  const int32_t w = image.GetWidth(), h = image.GetHeight();
  ASSERT_GT(w, 0) << name;
  ASSERT_LE(w, 64) << name;  // the display's cursor area
  ASSERT_LE(h, 64) << name;
  const uint32_t* bits = image.GetBits();
  auto alpha = [&](int32_t x, int32_t y) { return int(bits[size_t(y) * size_t(w) + size_t(x)] >> 24); };
  const int32_t cx = w / 2, cy = h / 2;
  EXPECT_GE(alpha(cx, cy), 0x80) << name << ": the centre is not on the arrow";
  int32_t stray = 0;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      if ((y < cy - 1 || x < cx - 1) && alpha(x, y) > 0x20) ++stray;
  EXPECT_EQ(stray, 0) << name << ": parts of the arrow lie above or left of the tip";
  // The arrow is there at all: it reaches well below and right of its tip.
  EXPECT_GE(alpha(cx + 2, cy + 8), 0x80) << name;
}

TEST(CursorPicture, TheBuiltInArrowHasItsTipAtTheCentre) {
  Vesk::MemoryImage arrow;
  ZCEngine::DrawArrowCursor(arrow);
  ExpectTipAtCentre(arrow, "built-in arrow");
}

TEST(CursorPicture, TheSampleCursorsHaveTheirTipsAtTheCentre) {
  ASSERT_TRUE(GetPakInterface()->AddPakFile("data.pak"));
  for (const char* name : {"ui\\cursor_normal.png", "ui\\cursor_active.png"}) {
    std::unique_ptr<Vesk::MemoryImage> cursor = ImageLib::GetImage(name);
    ASSERT_NE(cursor, nullptr) << name;
    ExpectTipAtCentre(*cursor, name);
  }
}

}  // namespace
