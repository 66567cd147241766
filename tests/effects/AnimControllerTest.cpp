#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>

#include "AnmWriter.h"
#include "SpriteSheet.h"
#include "effects/EffectServices.h"
#include "effects/ZCAnimController.h"
#include "graphics/MemoryImage.h"
#include "shell/Log.h"
#include "shell/PakInterface.h"
#include "shell/Random.h"

namespace {

AnimEntry MakeAnim(const std::string& name, int frames, float time, bool loop, int stop = -1) {
  AnimEntry a;
  a.mName = name;
  a.mImageFile = "anm\\test.png";
  a.mFrameWidth = 10;
  a.mSheetWidth = 100;
  a.mSheetHeight = 40;
  a.mLooping = loop;
  a.mStopFrame = stop;
  for (int i = 0; i < frames; ++i) {
    AnimFrame f;
    f.mX = i * 10;
    f.mY = 0;
    f.mWidth = 10;
    f.mHeight = 20;
    f.mOffsetX = i;
    f.mOffsetY = -i;
    f.mTime = time;
    a.mFrames.push_back(f);
  }
  return a;
}

std::vector<AnimEntry> TestSet() {
  return {MakeAnim("walk", 4, 0.25f, true), MakeAnim("sit", 3, 0.25f, false), MakeAnim("idle01", 2, 0.5f, true),
          MakeAnim("idle02", 2, 0.5f, true), MakeAnim("idle03", 2, 0.5f, true), MakeAnim("wave", 5, 0.25f, true, 2)};
}

bool Load(ZCAnimController& c, const std::vector<uint8_t>& bytes) {
  return c.LoadFromMemory(bytes.data(), bytes.size(), "test.anm");
}

class AnimControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogHistory::Clear();
    ASSERT_TRUE(Load(mController, AnmWriter::Write(TestSet())));
  }
  ZCAnimController mController;
};

TEST_F(AnimControllerTest, RoundTripThroughTheWriter) {
  std::vector<AnimEntry> written = TestSet();
  ASSERT_EQ(mController.GetAnimationCount(), written.size());
  for (size_t i = 0; i < written.size(); ++i) {
    const AnimEntry& a = mController.GetAnimation(i);
    const AnimEntry& w = written[i];
    EXPECT_EQ(a.mName, w.mName);
    EXPECT_EQ(a.mImageFile, w.mImageFile);
    EXPECT_EQ(a.mFrameWidth, w.mFrameWidth);
    EXPECT_EQ(a.mSheetWidth, w.mSheetWidth);
    EXPECT_EQ(a.mSheetHeight, w.mSheetHeight);
    EXPECT_EQ(a.mLooping, w.mLooping);
    EXPECT_EQ(a.mStopFrame, w.mStopFrame);
    ASSERT_EQ(a.mFrames.size(), w.mFrames.size());
    for (size_t f = 0; f < a.mFrames.size(); ++f) {
      EXPECT_EQ(a.mFrames[f].mX, w.mFrames[f].mX);
      EXPECT_EQ(a.mFrames[f].mWidth, w.mFrames[f].mWidth);
      EXPECT_EQ(a.mFrames[f].mHeight, w.mFrames[f].mHeight);
      EXPECT_EQ(a.mFrames[f].mOffsetX, w.mFrames[f].mOffsetX);
      EXPECT_EQ(a.mFrames[f].mOffsetY, w.mFrames[f].mOffsetY);
      EXPECT_EQ(a.mFrames[f].mTime, w.mFrames[f].mTime);
    }
  }
  EXPECT_TRUE(LogHistory::Recent().empty());
}

TEST_F(AnimControllerTest, PlaysFramesOverTimeAndLoops) {
  EXPECT_EQ(mController.GetState(), ZCAnimController::State::Stopped);
  EXPECT_EQ(mController.GetCurrentAnimation(), nullptr);
  EXPECT_EQ(mController.GetCurrentFrame(), nullptr);
  EXPECT_EQ(mController.GetProgress(), 0.0f);
  ASSERT_TRUE(mController.Play("walk"));
  ASSERT_NE(mController.GetCurrentAnimation(), nullptr);
  EXPECT_EQ(mController.GetCurrentAnimation()->mName, "walk");
  bool stop = true;
  mController.Update(0.2f, stop);
  EXPECT_FALSE(stop);
  EXPECT_EQ(mController.GetFrameIndex(), 0);
  mController.Update(0.1f, stop);
  EXPECT_EQ(mController.GetFrameIndex(), 1);
  EXPECT_EQ(mController.GetCurrentFrame()->mOffsetX, 1);
  EXPECT_FLOAT_EQ(mController.GetProgress(), 0.25f);
  mController.Update(0.5f, stop);
  EXPECT_EQ(mController.GetFrameIndex(), 3);
  mController.Update(0.25f, stop);
  EXPECT_EQ(mController.GetFrameIndex(), 0);
  EXPECT_FALSE(stop);
  mController.Update(1e9f, stop);  // a huge step loops without running away
  EXPECT_TRUE(mController.IsPlaying());

  mController.Pause();
  int frame = mController.GetFrameIndex();
  mController.Update(0.5f, stop);
  EXPECT_EQ(mController.GetFrameIndex(), frame);
  EXPECT_NE(mController.GetCurrentFrame(), nullptr);  // paused still shows its frame
  mController.Resume();
  EXPECT_TRUE(mController.IsPlaying());
  mController.Stop();
  EXPECT_EQ(mController.GetCurrentAnimation(), nullptr);
  EXPECT_FALSE(mController.Play("run"));
}

TEST_F(AnimControllerTest, NonLoopingEndReportsLikeAStopFrame) {
  ASSERT_TRUE(mController.Play("sit"));
  bool stop = false;
  mController.Update(0.5f, stop);
  EXPECT_FALSE(stop);
  EXPECT_EQ(mController.GetFrameIndex(), 2);
  mController.Update(0.25f, stop);
  EXPECT_TRUE(stop);
  EXPECT_EQ(mController.GetState(), ZCAnimController::State::Paused);
  EXPECT_EQ(mController.GetFrameIndex(), 2);
  EXPECT_NE(mController.GetCurrentFrame(), nullptr);
  mController.Update(0.25f, stop);
  EXPECT_FALSE(stop);  // reported once
  mController.Resume();
  mController.Update(1.0f, stop);
  EXPECT_TRUE(stop);  // still at its end: reported again after a resume
  EXPECT_EQ(mController.GetFrameIndex(), 2);
}

TEST_F(AnimControllerTest, StopFramesPauseAndResumeMovesOn) {
  ASSERT_TRUE(mController.Play("wave"));
  EXPECT_EQ(mController.GetStopFrame(), 2);
  bool stop = false;
  mController.Update(0.6f, stop);  // would reach frame 2 and beyond: it stops at 2
  EXPECT_TRUE(stop);
  EXPECT_EQ(mController.GetFrameIndex(), 2);
  EXPECT_EQ(mController.GetState(), ZCAnimController::State::Paused);
  mController.Resume();
  mController.Update(0.25f, stop);
  EXPECT_FALSE(stop);
  EXPECT_EQ(mController.GetFrameIndex(), 3);
  // Once round the loop it stops there again.
  mController.Update(0.75f, stop);
  EXPECT_FALSE(stop);
  EXPECT_EQ(mController.GetFrameIndex(), 1);
  mController.Update(0.25f, stop);
  EXPECT_TRUE(stop);
  EXPECT_EQ(mController.GetFrameIndex(), 2);

  mController.Resume();
  mController.CancelPauseAtFrame();
  mController.Update(2.0f, stop);
  EXPECT_FALSE(stop);

  ASSERT_TRUE(mController.Play("walk"));
  mController.PauseAtFrame(1);
  mController.Update(0.25f, stop);
  EXPECT_TRUE(stop);
  EXPECT_EQ(mController.GetFrameIndex(), 1);
  mController.PauseAtFrame(99);  // outside the animation: no stop frame
  EXPECT_EQ(mController.GetStopFrame(), -1);
}

TEST_F(AnimControllerTest, VariantsAreChosenWithTheSeededGenerator) {
  auto sequence = [&](uint32_t seed) {
    SeedRandom(seed);
    std::string names;
    for (int i = 0; i < 30; ++i) {
      EXPECT_TRUE(mController.Play("idle"));
      names += mController.GetCurrentAnimation()->mName.back();
    }
    return names;
  };
  std::string a = sequence(42);
  EXPECT_EQ(a, sequence(42));
  for (char c : {'1', '2', '3'}) EXPECT_NE(a.find(c), std::string::npos) << a;
  // An exact name wins over variants; PlayByIndex takes exact names only.
  EXPECT_TRUE(mController.Play("idle02"));
  EXPECT_EQ(mController.GetCurrentAnimation()->mName, "idle02");
  EXPECT_FALSE(mController.PlayByIndex("idle"));
  EXPECT_TRUE(mController.PlayByIndex("sit"));
  EXPECT_EQ(mController.GetCurrentAnimation()->mName, "sit");
}

TEST_F(AnimControllerTest, KeepGoesOnWithTheCurrentAnimation) {
  ASSERT_TRUE(mController.Play("walk"));
  bool stop = false;
  mController.Update(0.5f, stop);
  EXPECT_TRUE(mController.Play("walk", true));
  EXPECT_EQ(mController.GetFrameIndex(), 2);
  EXPECT_TRUE(mController.Play("walk", false));
  EXPECT_EQ(mController.GetFrameIndex(), 0);
}

TEST(AnmReader, RefusesBadFilesWithALogLine) {
  ZCAnimController c;
  std::vector<uint8_t> good = AnmWriter::Write(TestSet());
  ASSERT_TRUE(Load(c, good));

  std::vector<uint8_t> noMagic = good;
  noMagic[3] = '?';
  LogHistory::Clear();
  EXPECT_FALSE(Load(c, noMagic));
  EXPECT_TRUE(LogHistory::Contains("ERROR: test.anm is not an animation file"));
  EXPECT_EQ(c.GetAnimationCount(), 0u);

  for (size_t cut : {size_t(0), size_t(4), size_t(7), good.size() / 2, good.size() - 1}) {
    std::vector<uint8_t> truncated(good.begin(), good.begin() + long(cut));
    EXPECT_FALSE(Load(c, truncated)) << cut;
    EXPECT_EQ(c.GetAnimationCount(), 0u);
  }
  std::vector<uint8_t> future = good;
  future[4] = 9;
  EXPECT_FALSE(Load(c, future));

  // Absurd counts are refused before anything is allocated.
  std::vector<uint8_t> many = good;
  many[6] = 0xFF;
  many[7] = 0xFF;
  EXPECT_FALSE(Load(c, many));
  std::vector<AnimEntry> one = {MakeAnim("a", 1, 0.1f, false)};
  std::vector<uint8_t> frames = AnmWriter::Write(one);
  size_t countAt = frames.size() - Anm::kFrameBytes - 2;
  frames[countAt] = 0xFF;
  frames[countAt + 1] = 0x7F;
  EXPECT_FALSE(Load(c, frames));
}

TEST(AnmReader, LeavesOutAnimationsWithBadData) {
  std::vector<AnimEntry> set = {MakeAnim("ok", 2, 0.1f, true), MakeAnim("outside", 2, 0.1f, true),
                                MakeAnim("zero_time", 2, 0.0f, true), MakeAnim("bad_stop", 2, 0.1f, false, 5),
                                MakeAnim("empty", 0, 0.1f, true), MakeAnim("ok", 1, 0.1f, true)};
  set[1].mFrames[1].mX = 95;  // 95 + 10 > sheet width 100
  LogHistory::Clear();
  ZCAnimController c;
  ASSERT_TRUE(Load(c, AnmWriter::Write(set)));
  ASSERT_EQ(c.GetAnimationCount(), 1u);
  EXPECT_EQ(c.GetAnimation(0).mName, "ok");
  EXPECT_EQ(c.GetAnimation(0).mFrames.size(), 2u);
  EXPECT_TRUE(LogHistory::Contains("animation 'outside' left out: a frame lies outside its sheet"));
  EXPECT_TRUE(LogHistory::Contains("animation 'zero_time' left out"));
  EXPECT_TRUE(LogHistory::Contains("animation 'bad_stop' left out"));
  EXPECT_TRUE(LogHistory::Contains("animation 'empty' left out"));
  EXPECT_TRUE(LogHistory::Contains("animation 'ok' is given twice"));
}

TEST(AnmReader, ImagesLoadThroughTheInstalledLoaderAndMustHoldTheFrames) {
  std::map<std::string, int> loads;
  GetEffectServices().mLoadImage = [&](const std::string& name) {
    ++loads[name];
    return std::make_shared<Vesk::MemoryImage>(name == "anm\\small.png" ? 50 : 100, 40);
  };
  AnimEntry a = MakeAnim("a", 2, 0.1f, false);
  EXPECT_TRUE(a.LoadImage());
  EXPECT_TRUE(a.LoadImage());
  EXPECT_EQ(loads["anm\\test.png"], 1);
  AnimEntry b = a;
  b.ReleaseImage();
  b.mImageFile = "anm\\small.png";
  LogHistory::Clear();
  EXPECT_FALSE(b.LoadImage());
  EXPECT_EQ(b.mImage, nullptr);
  EXPECT_TRUE(LogHistory::Contains("smaller than its 100x40 frames need"));
  GetEffectServices() = EffectServices();
}

TEST(AnmReader, LoadAnmFileReadsThroughTheFileLayer) {
  std::vector<SetDescription> sets;
  std::string error;
  ASSERT_TRUE(ParseSetDescriptions("set hero 16 24\nanim heroidle 3 0.2 loop color=FF0000\n"
                                   "# comment\n\nanim herowalk 2 0.1 stop=1 offset=-2,3\n",
                                   sets, error))
      << error;
  std::vector<AnimEntry> animations;
  auto sheet = DrawSheet(sets[0], animations);
  EXPECT_EQ(sheet->GetWidth(), 48);
  EXPECT_EQ(sheet->GetHeight(), 48);
  EXPECT_EQ(sheet->GetBits()[5 * 48 + 14], 0xFFFF0000u);  // inside the first frame's body
  // Through the file layer's disk fallback, from the working folder.
  std::filesystem::create_directories("anm");
  const std::string path = "anm/effects_test_hero.anm";
  ASSERT_TRUE(AnmWriter::WriteFile(animations, path));
  ZCAnimController c;
  EXPECT_TRUE(LoadAnmFile(c, "effects_test_hero"));
  std::filesystem::remove(path);
  EXPECT_FALSE(LoadAnmFile(c, "no_such_set"));

  for (const char* bad : {"anim x 1 0.1\n", "set a 0 5\n", "set a 4 4\nanim x 0 0.1\n", "set a 4 4\nanim x 2 0.1 stop=2\n",
                          "set a 4 4\nanim x 2 nan?\n", "set a 4 4\nanim x 2 0.1 sparkle\n", "frame\n"}) {
    std::vector<SetDescription> out;
    EXPECT_FALSE(ParseSetDescriptions(bad, out, error)) << bad;
    EXPECT_NE(error.find("line"), std::string::npos);
  }
  ASSERT_TRUE(Load(c, AnmWriter::Write(animations)));
  ASSERT_EQ(c.GetAnimationCount(), 2u);
  EXPECT_EQ(c.GetAnimation(1).mStopFrame, 1);
  EXPECT_EQ(c.GetAnimation(1).mFrames[0].mOffsetX, -2);
  EXPECT_EQ(c.GetAnimation(0).mImageFile, "anm\\hero.png");
}

}  // namespace

TEST(AnmReader, GeneratedSetsMaySpreadOverSheetsAndKeepTheAlphaOfTheirShapes) {
  std::vector<SetDescription> sets;
  std::string error;
  ASSERT_TRUE(ParseSetDescriptions("set t 10 10\nanim tidle 1 0.1\nsheet wood\n"
                                   "anim twoodidle 1 0.1 color=80FF0000 shape=ellipse\n",
                                   sets, error))
      << error;
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(sets[1].mName, "t");
  std::vector<AnimEntry> animations;
  auto sheet = DrawSheet(sets[1], animations);
  EXPECT_EQ(animations[0].mImageFile, "anm\\t_wood.png");
  EXPECT_EQ(sheet->GetBits()[8 * 10 + 5], 0x80FF0000u);  // inside the ellipse, below the label
  EXPECT_EQ(sheet->GetBits()[0], 0u);                    // its corner stays clear
  for (const char* bad : {"sheet wood\n", "set a 4 4\nsheet\n", "set a 4 4\nanim x 1 0.1 shape=star\n",
                          "set a 4 4\nanim x 1 0.1 color=GG0000\n"}) {
    std::vector<SetDescription> out;
    EXPECT_FALSE(ParseSetDescriptions(bad, out, error)) << bad;
  }
}
