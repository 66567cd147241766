#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "cafe/ZCBoard_Game3.h"
#include "graphics/MemoryImage.h"
#include "screens/ScreenTable.h"
#include "screens/ZCAtlasPack.h"
#include "screens/ZCBoard_Career.h"
#include "screens/ZCBoard_MainMenu.h"
#include "screens/ZCComix.h"
#include "screens/ZCComixActor.h"
#include "shell/XmlNode.h"
#include "sound/ZCMusic.h"
#include "support/ScreenDriver.h"

// The cut-scene player in the headless game: loading with faults, the episodes' timing, clicks,
// a box that stops the time, the picture geometry and the two ways a scene ends.
namespace {

XmlNode Parse(const std::string& xml) {
  return LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), "player test");
}

Vesk::VeskVector2 Through(const ComixPicGeometry& g, float x, float y) {
  Vesk::VeskVector2 p = g.matrix.TransformPoint(Vesk::VeskVector2(x, y));
  return p + g.at;
}

#define EXPECT_POINT(p, ex, ey)          \
  do {                                   \
    EXPECT_NEAR((p).x, (ex), 1e-3);      \
    EXPECT_NEAR((p).y, (ey), 1e-3);      \
  } while (0)

}  // namespace

TEST(ComixGeometryTest, PictureMatrix) {
  ComixImageRef own;
  own.SetOwnImage(std::make_unique<Vesk::MemoryImage>(100, 50));
  ComixImageRef none;
  ComixPicState s;
  s.pos = {30, 40};
  s.offset = {5, 6};
  s.centerpos = {1000, 1000};
  // Scale 1, angle 0: a translation to pos + offset whatever centerpos says.
  ComixPicGeometry g = ComputePicGeometry(s, own, none);
  EXPECT_TRUE(g.draw);
  EXPECT_POINT(Through(g, 0, 0), 35, 46);
  EXPECT_POINT(Through(g, 100, 50), 135, 96);
  EXPECT_EQ(g.source, Rect(0, 0, 100, 50));
  // Scale 0 draws full size (turned here by 180 degrees about the centre).
  s.centerpos = {50, 25};
  s.scale = 0;
  s.angle = 180;
  g = ComputePicGeometry(s, own, none);
  EXPECT_POINT(Through(g, 0, 0), 135, 96);
  EXPECT_POINT(Through(g, 100, 50), 35, 46);
  // centerposGlobal turns about the screen point (512, 384).
  s.scale = 2;
  s.angle = 90;
  s.centerposGlobal = true;
  s.centerpos = {512, 384};
  g = ComputePicGeometry(s, own, none);
  EXPECT_POINT(Through(g, 512 - 35, 384 - 46), 512, 384);
  EXPECT_POINT(Through(g, 512 - 35 + 10, 384 - 46), 512, 384 - 20);
  // Invisible, or a NaN angle: nothing is drawn.
  s.angle = std::nanf("");
  EXPECT_FALSE(ComputePicGeometry(s, own, none).draw);
  s.angle = 0;
  s.visible = false;
  EXPECT_FALSE(ComputePicGeometry(s, own, none).draw);
}

TEST(ComixGeometryTest, AtlasOffsetAndClip) {
  // A 20 x 10 piece at (100, 200) of a 64 x 48 picture, trimmed 8 from the left and 4 from the
  // top; turned by 180 degrees about the picture's centre.
  AtlasImageEntry entry;
  entry.offsetX = 8;
  entry.offsetY = 4;
  entry.atlasX = 100;
  entry.atlasY = 200;
  entry.W = 20;
  entry.H = 10;
  entry.origW = 64;
  entry.origH = 48;
  ComixImageRef piece;
  piece.SetEntry(&entry);
  ComixPicState s;
  s.pos = {300, 300};
  s.centerpos = {32, 24};
  s.angle = 180;
  ComixPicGeometry g = ComputePicGeometry(s, piece, ComixImageRef());
  EXPECT_FALSE(g.draw);  // no page
  // The piece's corner (8, 4) of the picture lands where the untrimmed picture's (8, 4) would.
  EXPECT_POINT(g.matrix.TransformPoint({0, 0}) + Vesk::VeskVector2(8, 4), 300 + 64 - 8, 300 + 48 - 4);

  // The clip read from the script: 10.9;20.2 clips from (10, 20); the default is the screen.
  ComixScene scene;
  scene.Build(nullptr, Parse(R"(<comix><objects>
      <object name="a" type="pic" clipRectPos="10.9;20.2"/><object name="b" type="pic"/>
    </objects></comix>)")
                           .selectSingleNode(L"comix"));
  EXPECT_EQ(scene.FindObject("a")->AsPic()->mState.clip, Rect(10, 20, 1024, 768));
  EXPECT_EQ(scene.FindObject("b")->AsPic()->mState.clip, Rect(0, 0, 1024, 768));
}

TEST_F(ScreenDriver, ComixFaultyScene) {
  Start();
  Settle();
  ZCComix* comix = ScreenTable::GetComix();
  ASSERT_TRUE(comix);
  Do([&] { comix->Load("sample_faulty"); });
  Settle();
  const ComixScene& scene = comix->GetScene();
  std::vector<std::string> names;
  for (const auto& object : scene.mObjects) names.push_back(object->mName);
  EXPECT_EQ(names, (std::vector<std::string>{"ok", "lost", "fontless", "inside_out", "hush", "medley"}));
  EXPECT_TRUE(scene.FindObject("ok")->AsPic()->mImage.GetImage());
  for (const char* blank : {"lost", "fontless", "inside_out"})
    EXPECT_FALSE(scene.FindObject(blank)->AsPic()->mImage.GetImage()) << blank;
  EXPECT_FALSE(scene.FindObject("hush")->AsSound()->mInstance);
  EXPECT_FALSE(scene.FindObject("medley")->AsSound()->mTrack);
  ASSERT_EQ(scene.mGroups.size(), 1u);
  EXPECT_EQ(scene.FindGroup("pair")->size(), 1u);
  ASSERT_EQ(scene.mEpisodes.size(), 1u);
  EXPECT_EQ(scene.mEpisodes[0]->actors.size(), 4u);
  // Its valid actors ran on the episode's start: the object wins over the group; the change
  // without duration is at its end once its time comes.
  const ComixPicState& ok = scene.FindObject("ok")->AsPic()->mState;
  EXPECT_EQ(ok.alpha, 0.5f);
  comix->Advance(1);
  EXPECT_EQ(ok.pos.y, 40);
  // Loading another scene clears this one first.
  Do([&] { comix->Load("sample_finish"); });
  Settle();
  EXPECT_EQ(comix->GetScene().mObjects.size(), 2u);
  EXPECT_EQ(comix->GetScene().FindObject("ok"), nullptr);
}

TEST_F(ScreenDriver, ComixEpisodesAndClicks) {
  Start(WithPlayers({L"Alice"}));
  Settle();
  ZCComix* comix = ScreenTable::GetComix();
  ASSERT_TRUE(comix);
  const XmlNode doc = Parse(R"(<comixes>
    <comix name="bare"><objects><object name="a" type="pic"/></objects></comix>
    <comix name="timed"><objects><object name="a" type="pic"/></objects><episodes>
      <episode finish_delay="1">
        <actor action="change_pos_x" object="a" val1="0" val2="10" t1="0.5" t2="2.5"/>
        <actor action="set_alpha" object="a" val="0.5" t="1"/>
      </episode>
      <episode><actor action="change_pos_y" object="a" val1="0" val2="10" t1="0" t2="5"/></episode>
      <episode><actor action="set_scale" object="a" val="2" t="9"/></episode>
    </episodes></comix>
    <comix name="background"><objects><object name="a" type="pic"/><object name="b" type="pic"/></objects><episodes>
      <episode>
        <actor action="change_pos_x" object="a" val1="0" val2="100" t1="0" t2="1" loop="1" local="0"/>
        <actor action="set_alpha" object="b" val="0.5" t="2"/>
      </episode>
      <episode>
        <actor action="change_pos_y" object="b" val1="0" val2="100" t1="0" t2="1" loop="1" local="0"/>
        <actor action="set_scale" object="b" val="2" t="5"/>
      </episode>
      <episode><actor action="set_scale" object="a" val="2" t="9"/></episode>
    </episodes></comix></comixes>)");

  // Without episodes the scene waits for its button.
  comix->LoadFrom(doc, "bare");
  comix->Advance(100);
  EXPECT_EQ(comix->GetEpisodeIndex(), 0);
  EXPECT_EQ(comix->GetScene().mObjects.size(), 1u);

  // Actors ending at 2.5 with finish_delay 1: 3.5 still belongs to the episode.
  comix->LoadFrom(doc, "timed");
  comix->Advance(3.5f);
  EXPECT_EQ(comix->GetEpisodeIndex(), 0);
  comix->Advance(0.01f);
  EXPECT_EQ(comix->GetEpisodeIndex(), 1);
  const ComixPicState& a = comix->GetScene().FindObject("a")->AsPic()->mState;
  // A click finishes the episode's actors and starts the next at once; not while paused.
  comix->Advance(1);
  EXPECT_NEAR(a.pos.y, 2, 1e-3);
  comix->SetPaused(true);
  comix->SkipEpisode();
  EXPECT_EQ(comix->GetEpisodeIndex(), 1);
  comix->SetPaused(false);
  comix->SkipEpisode();
  EXPECT_EQ(comix->GetEpisodeIndex(), 2);
  EXPECT_EQ(a.pos.y, 10);
  comix->SkipEpisode();
  EXPECT_EQ(a.scale, 2);
  EXPECT_EQ(comix->GetEpisodeIndex(), 3);

  // A motion that is not local to its episode runs on through the later ones, on its own
  // episode's clock. A click ends the actors of the episode it skips, but a background motion
  // whose end lies behind the scene's time (not the episode's) goes on.
  comix->LoadFrom(doc, "background");
  const ComixPicState& front = comix->GetScene().FindObject("a")->AsPic()->mState;
  const ComixPicState& back = comix->GetScene().FindObject("b")->AsPic()->mState;
  comix->Advance(2.01f);
  ASSERT_EQ(comix->GetEpisodeIndex(), 1);
  comix->Advance(0.25f);
  EXPECT_NEAR(front.pos.x, 26, 0.1);
  comix->Advance(0.25f);
  EXPECT_NEAR(front.pos.x, 51, 0.1);
  EXPECT_NEAR(back.pos.y, 50, 0.1);
  comix->SkipEpisode();
  EXPECT_EQ(comix->GetEpisodeIndex(), 2);
  EXPECT_EQ(back.scale, 2);
  comix->Advance(0.25f);
  EXPECT_NEAR(back.pos.y, 75, 0.1) << "the click stopped a background motion";
  EXPECT_NEAR(front.pos.x, 76, 0.1);

  // Shown, its time runs with the update steps, and stands still while a box is open.
  Do([&] {
    comix->LoadFrom(doc, "timed");
    comix->Show();
  });
  Settle();
  const float before = comix->GetTime();
  EXPECT_GT(before, 0);
  mGame->mMessageBoxOpen = true;
  Step(50);
  EXPECT_EQ(comix->GetTime(), before);
  mGame->mMessageBoxOpen = false;
  Step(50);
  EXPECT_NEAR(comix->GetTime(), before + 0.5f, 0.02f);
  // A click on the scene moves it on by one episode.
  const int32_t episode = comix->GetEpisodeIndex();
  Click("comix_ui");
  Settle();
  EXPECT_EQ(comix->GetEpisodeIndex(), episode + 1);
}

TEST_F(ScreenDriver, ComixEndings) {
  StartOptions options = WithPlayers({L"Alice"});
  options.fill = [](size_t, ProfileStore::PlayerRecord& record) { record.levelsOpen = 59; };
  Start(options);
  Settle();
  ZCComix* comix = ScreenTable::GetComix();
  ZCBoard_Career* career = ScreenTable::GetCareer();
  ZCBoard_Game3* board = mGame->GetBoard();
  ASSERT_TRUE(comix && career && board);

  // The level's start scene: hidden with its fade, the pause given back, the level's music on.
  Do([&] { career->StartLevel(5); });
  ASSERT_TRUE(StepUntil([&] { return board->IsRunning() && comix->IsVisible(); }, 20000));
  Settle();
  EXPECT_EQ(comix->GetComixName(), "sample_intro");
  EXPECT_EQ(PauseCount(), 1);
  Click("comix_ui/comix_end");
  Settle();
  EXPECT_FALSE(comix->IsVisible());
  EXPECT_EQ(PauseCount(), 0);
  EXPECT_EQ(mGame->GetMusic()->GetCurrentName(), "level1");

  // A finish scene shown with the replay flag plays the level again (its intro too), once.
  Do([&] {
    comix->SetReplay(true);
    board->PlayBoardComix("sample_finish");
  });
  Click("comix_ui/comix_end");
  ASSERT_TRUE(StepUntil([&] { return board->IsLoadingLevel(); }));
  ASSERT_TRUE(StepUntil([&] { return board->IsRunning() && comix->IsVisible(); }, 20000));
  EXPECT_EQ(board->GetLevel(), 5);
  EXPECT_EQ(PauseCount(), 1);
  Click("comix_ui/comix_end");
  Settle();
  EXPECT_EQ(PauseCount(), 0);

  // A finish scene after the last level: gone at once, the pause given back, the main menu.
  Do([&] { career->StartLevel(59); });
  Settle();
  ASSERT_TRUE(StepUntil([&] { return !board->IsLoadingLevel(); }, 20000));
  Settle();
  Do([&] { board->PlayBoardComix("sample_finish"); });
  Settle();
  EXPECT_EQ(PauseCount(), 1);
  Click("comix_ui/comix_end");
  Settle();
  EXPECT_FALSE(comix->IsVisible());
  EXPECT_EQ(PauseCount(), 0);
  EXPECT_EQ(career->GetStartedLevel(), -1);
  EXPECT_TRUE(ScreenTable::GetMainMenu()->IsVisible());
}
