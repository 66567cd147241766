#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "cafe/ZBoard_Hud.h"
#include "cafe/ZCBoard_Game3.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "driver/HeadlessGame.h"
#include "graphics/ImageLib.h"
#include "graphics/MemoryImage.h"

namespace {

// The screen as an opaque picture.
std::unique_ptr<Vesk::MemoryImage> Shot(HeadlessGame& game) {
  Vesk::DDImage* screen = game.GetDisplay()->GetScreenImage();
  std::vector<uint32_t> bits(size_t(screen->mWidth) * size_t(screen->mHeight));
  for (size_t i = 0; i < bits.size(); ++i) bits[i] = screen->GetBits()[i] | 0xFF000000u;
  auto shot = std::make_unique<Vesk::MemoryImage>();
  shot->SetBits(bits.data(), screen->mWidth, screen->mHeight);
  return shot;
}

// Pixels that differ between the two pictures inside the rectangle.
int Differing(Vesk::MemoryImage& a, Vesk::MemoryImage& b, int x0, int y0, int w, int h) {
  int n = 0;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) {
      const size_t i = size_t(y) * size_t(a.mWidth) + size_t(x);
      n += a.GetBits()[i] != b.GetBits()[i];
    }
  return n;
}

}  // namespace

// Level 2 through the whole game, headless with drawing on: the money reaches the goal, the
// head-up display turns to the expert panel and shows the goal splash, and one frame is written
// as hud.png in the build folder to look at.
TEST(HudScreen, TheGoalReachedOnLevelTwoShowsTheExpertPanelAndTheSplash) {
  HeadlessGame game("Hud Screen Test");
  ASSERT_TRUE(game.Init());
  game.BeginStartup();
  ASSERT_TRUE(game.RunUntilLevelRuns());
  ZCBoard_Game3* board = game.GetBoard();
  ASSERT_EQ(board->GetLevel(), 2);
  auto* hud = dynamic_cast<ZBoard_Hud*>(board->FindChild("hud"));
  ASSERT_NE(hud, nullptr);
  ASSERT_EQ(&board->GetHud(), static_cast<CafeHud*>(hud));
  EXPECT_TRUE(hud->IsVisible());
  EXPECT_EQ(hud->GetWatchFrameCount(), 12u);
  EXPECT_EQ(hud->GetUpgradeFrameCount(), 12u);
  EXPECT_TRUE(hud->FindDescendant("goal_text")->IsVisible());
  // Level 2's tasks: coin and clean, at the two right-most slots.
  EXPECT_TRUE(hud->GetTaskIcon(0)->IsVisible());
  EXPECT_FALSE(hud->GetTaskIcon(1)->IsVisible());
  EXPECT_EQ(hud->GetTaskIcon(2)->mX, 512 + 60 * 4);

  for (int i = 0; i < 10; ++i) game.Step();
  game.Frame();
  const auto before = Shot(game);
  board->AddMoney(board->GetGoal() - board->GetMoney());
  // The splash pops in over a few tenths of a second (update steps of 10 ms).
  for (int i = 0; i < 60; ++i) game.Step();
  game.Frame();
  const auto after = Shot(game);
  const char* dir = std::getenv("CAFE_BINARY_DIR");
  EXPECT_TRUE(ImageLib::WritePNG(*after, std::string(dir ? dir : ".") + "/hud.png"));

  EXPECT_TRUE(board->IsGoalMarked());
  EXPECT_TRUE(hud->FindDescendant("expert_text")->IsVisible());
  EXPECT_TRUE(hud->FindDescendant("expert_bkg")->IsVisible());
  EXPECT_FALSE(hud->FindDescendant("goal_text")->IsVisible());
  EXPECT_FALSE(hud->FindDescendant("goal_bkg")->IsVisible());
  ZCCandyWidget* splash = hud->FindDescendant("goal_splash");
  EXPECT_TRUE(splash->IsVisibleInTree());
  // Drawn: the splash's corner of the screen and the goal ribbon changed.
  EXPECT_GT(Differing(*before, *after, splash->mX, splash->mY, splash->mWidth, splash->mHeight), 2000);
  EXPECT_GT(Differing(*before, *after, 736 + 8, 8 + 6, 120, 40), 500);
}
