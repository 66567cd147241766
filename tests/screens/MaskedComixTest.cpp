#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "cafe/ZCBoard_Game3.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "screens/ScreenTable.h"
#include "screens/ZCComix.h"
#include "screens/ZCComixObjects.h"
#include "shell/Log.h"
#include "support/ScreenDriver.h"

// The intro's masked pictures on both display routes: on the 3D route a picture shows only
// within its mapped mask (a static one, and one that moves with its picture), on the software
// route it shows unmasked; a 3D device that fails its start-up test sends the game to the
// software route.
namespace {

class MaskedComix : public ScreenDriver {
 protected:
  // Starts on day 5 with the given settings and plays the intro into its second episode, where
  // the face has slid in under its mask; the scene is then held still.
  ZCComix* StartIntro(const std::map<std::string, std::string>& settings) {
    StartOptions options = WithPlayers({L"Alice"});
    options.fill = [](size_t, ProfileStore::PlayerRecord& record) { record.levelsOpen = 5; };
    options.settings = settings;
    Start(options);
    Settle();
    ZCComix* comix = ScreenTable::GetComix();
    ZCBoard_Game3* board = mGame->GetBoard();
    if (!comix || !board) return nullptr;
    Click("main_menu/main_menu_dlg/right_page/career");
    Settle();
    Click("career_menu/career_dlg/left_page/day_button_05");
    Click("career_menu/career_dlg/right_page/play_button");
    if (!StepUntil([&] { return board->IsRunning() && comix->IsVisible(); }, 20000)) return nullptr;
    Click("comix_ui");
    Settle();
    if (!StepUntil([&] { return comix->GetEpisodeIndex() == 1 && comix->GetTime() >= 1.2f; })) return nullptr;
    Do([&] { comix->SetPaused(true); });
    Settle();
    return comix;
  }

  // The frame drawn with and without the picture: pixels that differ, and their summed change,
  // within and outside the picture's mapped mask (a pixel's width of its edge left out).
  struct Difference {
    int32_t inside = 0, outside = 0;
    int64_t change = 0;
  };
  Difference Compare(ZCComixObjectPic& pic, const std::string& name) {
    auto frame = [&](const std::string& shot) {
      Shot(shot);
      const Platform::Video::Surface* s = mGame->GetDisplay()->GetScreenImage()->GetSurface();
      std::vector<uint32_t> px;
      for (int32_t y = 0; y < s->Height(); ++y)
        for (int32_t x = 0; x < s->Width(); ++x) px.push_back(Platform::Video::ToArgb(s->PixelAt(x, y), s->Format()));
      return px;
    };
    const std::vector<uint32_t> with = frame(name);
    Do([&] { pic.mState.visible = false; });
    Settle();
    const std::vector<uint32_t> without = frame(name + "_without");
    Do([&] { pic.mState.visible = true; });
    const ComixPicGeometry g = pic.Geometry();
    Matrix3 back;
    EXPECT_TRUE(g.masked && g.maskTransform.Invert(back));
    Difference d;
    const int32_t w = mGame->GetDisplay()->GetScreenImage()->GetWidth();
    for (size_t i = 0; i < with.size(); ++i) {
      if (with[i] == without[i]) continue;
      // The pixel's place in the mask's source rectangle.
      const float sx = float(int32_t(i) % w) + 0.5f, sy = float(int32_t(i) / w) + 0.5f;
      const Vesk::VeskVector2 m = back.TransformPoint(Vesk::VeskVector2(sx - g.at.x, sy - g.at.y)) -
                                  Vesk::VeskVector2(float(g.maskFrame.mX) - g.at.x, float(g.maskFrame.mY) - g.at.y);
      const bool in = m.x > 1 && m.y > 1 && m.x < float(g.maskSource.mWidth) - 1 && m.y < float(g.maskSource.mHeight) - 1;
      const bool out = m.x < -1 || m.y < -1 || m.x > float(g.maskSource.mWidth) + 1 || m.y > float(g.maskSource.mHeight) + 1;
      d.inside += in;
      d.outside += out;
      for (int32_t s : {0, 8, 16}) d.change += std::abs(int32_t((with[i] >> s) & 255u) - int32_t((without[i] >> s) & 255u));
    }
    return d;
  }
};

}  // namespace

TEST_F(MaskedComix, TheThreeDRouteDrawsThePictureWithinItsMask) {
  ZCComix* comix = StartIntro({{"Is3D", "1"}});
  ASSERT_TRUE(comix);
  ASSERT_TRUE(mGame->GetDisplay()->mIs3D);
  ZCComixObjectPic* face = comix->GetScene().FindObject("face")->AsPic();
  ASSERT_TRUE(face && face->Geometry().masked);
  const Difference d = Compare(*face, "masked_comix_3d");
  EXPECT_GT(d.inside, 100);
  EXPECT_EQ(d.outside, 0);
  Difference soft;
  {
    // The same picture on the software route (a display of its own started on the same game).
    Do([&] { mGame->SwitchScreenMode(mGame->mWindowed, false, true); });
    Settle();
    ASSERT_FALSE(mGame->GetDisplay()->mIs3D);
    soft = Compare(*face, "masked_comix_soft");
  }
  // Unmasked, the picture changes the frame more than under its soft-edged mask.
  EXPECT_GT(soft.change, d.change);

  // Back in 3D, the next episode: the bouncing cup's mask moves with it.
  Do([&] { mGame->SwitchScreenMode(mGame->mWindowed, true, true); });
  Do([&] { comix->SetPaused(false); });
  Click("comix_ui");
  Settle();
  ASSERT_TRUE(StepUntil([&] { return comix->GetEpisodeIndex() == 2 && comix->GetTime() >= 0.5f; }));
  Do([&] { comix->SetPaused(true); });
  Settle();
  ASSERT_TRUE(mGame->GetDisplay()->mIs3D);
  ZCComixObjectPic* cup = comix->GetScene().FindObject("cup")->AsPic();
  ASSERT_TRUE(cup && cup->Geometry().masked && cup->mState.visible);
  const Difference moving = Compare(*cup, "masked_comix_cup");
  EXPECT_GT(moving.inside, 100);
  EXPECT_EQ(moving.outside, 0);
}

TEST_F(MaskedComix, AFailedThreeDTestStartsTheGameInSoftware) {
  LogHistory::Clear();
  ZCComix* comix = StartIntro({{"Is3D", "1"}, {"D3DFault", "wrong:additive"}});
  ASSERT_TRUE(comix);
  EXPECT_FALSE(mGame->GetDisplay()->mIs3D);
  EXPECT_TRUE(LogHistory::Contains("WARNING: 3D test failed: Additive blend not supported."));
  EXPECT_EQ(mGame->GetDisplay()->GetTester()->mFailureReason, "Additive blend not supported.");
}
