#include <gtest/gtest.h>

#include <map>

#include "board/BoardWorld.h"
#include "board/ZCItemPart.h"
#include "board/support/BoardTestSupport.h"
#include "board/support/TestBoard.h"
#include "effects/EffectServices.h"
#include "effects/ZCAnimController.h"
#include "fonts/SysFont.h"
#include "fonts/ZCFont.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "resources/SharedImages.h"
#include "shell/Log.h"
#include "shell/Random.h"

namespace {

class ItemPartTest : public BoardWorldTest {
 protected:
  void SetUp() override {
    BoardWorldTest::SetUp();
    ASSERT_TRUE(OpenSampleData());
  }

  // One item of the given parts, visible and running.
  ZCItem* Make(const std::string& name, const std::string& parts, const std::string& attrs = "") {
    ZCItem::ReadLevelObjects(ParseXml("<root><objects><object class=\"item\" name=\"" + name + "\" " + attrs + ">" +
                                      parts + "</object></objects></root>"));
    ZCItem* item = ZCItem::FindByName(name);
    item->SetVisibleFlag(true);
    item->SetRunning(true);
    return item;
  }
  static ZCItemPart* Part(ZCItem* item, size_t i = 0) { return item->GetParts()[i].get(); }
  static std::string Playing(ZCItemPart* part) {
    const AnimEntry* entry = part->GetController() ? part->GetController()->GetCurrentAnimation() : nullptr;
    return entry ? entry->mName : "";
  }
};

TEST_F(ItemPartTest, NamesJoinPartSkinOrientationAndAnimation) {
  ZCItem* boss = Make("boss", "<part name=\"body\" orient=\"mbr\"/><part name=\"checkmark\" orient=\"mbr\"/>");
  ZCItemPart* body = Part(boss);
  EXPECT_EQ(body->GetOrientation(), "br");
  EXPECT_TRUE(body->IsMirrored());
  ASSERT_TRUE(body->PlayAnimation("walk", false));
  EXPECT_EQ(Playing(body), "bodybrwalk");
  EXPECT_EQ(body->GetCurrentAnimation(), "walk");

  body->SetOrientation("tl", false);
  EXPECT_FALSE(body->IsMirrored());
  body->SetOrientation("", false);
  EXPECT_EQ(body->GetOrientation(), "tl");
  EXPECT_FALSE(body->PlayAnimation("fly", false));
  EXPECT_FALSE(body->PlayAnimation("", false));
  EXPECT_EQ(body->GetCurrentAnimation(), "walk");
  // With replay a playing part takes its new heading at once.
  body->SetOrientation("ml", true);
  EXPECT_EQ(Playing(body), "bodylwalk");

  // The check mark never carries its orientation.
  ZCItemPart* check = Part(boss, 1);
  EXPECT_TRUE(check->IsOrientationFree());
  EXPECT_EQ(check->FullAnimationName("idle"), "checkmarkidle");
  EXPECT_TRUE(check->PlayAnimation("idle", false));

  // The item's exact-name replay keeps the current animation name.
  boss->SetPartsImageSuffix("idle");
  EXPECT_EQ(Playing(body), "bodylidle");
  EXPECT_EQ(body->GetCurrentAnimation(), "walk");
}

TEST_F(ItemPartTest, SkinsGoThroughTheExchangeMapAndVariantsAreChosenWhenOnlyNumberedOnesExist) {
  ZCItem* table = Make("t", "<part name=\"table\"/><part name=\"checkmark\"><exchange_skin from=\"wood\" to=\"\"/>"
                            "<exchange_skin from=\"oak\" to=\"wood\"/></part>");
  table->SetSkin("wood", true);
  EXPECT_EQ(Part(table)->GetSkin(), "wood");
  EXPECT_EQ(Part(table, 1)->GetSkin(), "");
  table->PlayAnimation("idle", false);
  EXPECT_EQ(Playing(Part(table)), "tablewoodidle");
  EXPECT_EQ(Playing(Part(table, 1)), "checkmarkidle");
  Part(table, 1)->SetSkin("oak");
  EXPECT_EQ(Part(table, 1)->GetSkin(), "wood");

  std::map<std::string, int> seen;
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    SeedRandom(seed);
    ASSERT_TRUE(Part(table)->PlayAnimation("shake", false));
    ++seen[Playing(Part(table))];
  }
  EXPECT_EQ(Part(table)->GetCurrentAnimation(), "shake");
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_TRUE(seen.count("tablewoodshake01") && seen.count("tablewoodshake02"));
}

TEST_F(ItemPartTest, ParentReferencesFindTheNthPartAndReportBadOnes) {
  Make("table1", "<part name=\"top\"/><part name=\"top\"/><part name=\"cup\"/>");
  ZCItem* kids = Make("kids",
                      "<part name=\"a\" parent_z=\"table1:top$2\"/><part name=\"b\" parent_z=\"table1:top\"/>"
                      "<part name=\"c\" parent_z=\"table1top\"/><part name=\"d\" parent_z=\"nobody:top\"/>"
                      "<part name=\"e\" parent_z=\"table1:top$0\"/><part name=\"f\" parent_z=\"table1:top$\"/>"
                      "<part name=\"g\" parent_z=\"table1:top$3\"/><part name=\"h\"/>"
                      "<part name=\"i\" zover=\"true\" parent_z=\"table1:cup\"/>");
  ZCItem* table = ZCItem::FindByName("table1");
  EXPECT_EQ(Part(kids, 0)->FindParentPart(), Part(table, 1));
  EXPECT_EQ(Part(kids, 1)->FindParentPart(), Part(table, 0));
  EXPECT_EQ(Part(kids, 2)->FindParentPart(), nullptr);
  EXPECT_TRUE(LogHistory::Contains("WARNING: Invalid part name 'table1top'"));
  EXPECT_EQ(Part(kids, 3)->FindParentPart(), nullptr);
  EXPECT_TRUE(LogHistory::Contains("WARNING: Item not found 'nobody'"));
  for (size_t i : {4, 5, 6, 7, 8}) EXPECT_EQ(Part(kids, i)->FindParentPart(), nullptr) << i;
  EXPECT_TRUE(LogHistory::Contains("WARNING: Invalid part name 'table1:top$'"));
}

TEST_F(ItemPartTest, BindingLoadsTheSheetsOfTheSkinOnceAndReleasedImagesGoToTheLevelList) {
  std::map<std::string, int> loads;
  SharedImageTable shared([&](const std::string& file) {
    ++loads[file];
    return LoadMemoryImageFile(file);
  });
  GetEffectServices().mLoadImage = [&](const std::string& file) -> std::shared_ptr<Vesk::MemoryImage> {
    auto ref = std::make_shared<ImageRef>();
    if (!shared.GetSharedImage(*ref, file)) return nullptr;
    Vesk::MemoryImage* image = ref->GetImage();
    return std::shared_ptr<Vesk::MemoryImage>(std::move(ref), image);
  };
  TestBoard board;
  {
    ZCItem* wood = Make("wood", "<part name=\"table\"/>");
    ZCItem* plain = Make("plain", "<part name=\"table\"/>");
    wood->SetSkin("wood", true);
    wood->ReplayAnimation("");
    ZCAnimController* woodSet = Part(wood)->GetController();
    for (size_t i = 0; i < woodSet->GetAnimationCount(); ++i) {
      const AnimEntry& entry = woodSet->GetAnimation(i);
      EXPECT_EQ(entry.mImage != nullptr, entry.mName.find("wood") != std::string::npos) << entry.mName;
    }
    EXPECT_EQ(loads["anm\\table.png"], 0);

    plain->ReplayAnimation("");
    ZCAnimController* plainSet = Part(plain)->GetController();
    for (size_t i = 0; i < plainSet->GetAnimationCount(); ++i)
      EXPECT_NE(plainSet->GetAnimation(i).mImage, nullptr) << plainSet->GetAnimation(i).mName;
    EXPECT_EQ(loads["anm\\table.png"], 1);
    EXPECT_EQ(loads["anm\\table_wood.png"], 1);

    ZCItem::ClearAllStates();
    EXPECT_EQ(board.GetLevelImageCount(), plainSet->GetAnimationCount() + 4);
    EXPECT_EQ(plainSet->GetAnimation(0).mImage, nullptr);
    // The next level binds what both levels use from the kept images.
    plain->ReplayAnimation("");
    board.ClearImageList();
    EXPECT_EQ(loads["anm\\table.png"], 1);
  }
  ResetBoardWorld();
  GetEffectServices().mLoadImage = nullptr;
}

TEST_F(ItemPartTest, AnItemWithAnEmptySkinGetsTheSheetOfWhatItPlays) {
  ZCItem* lamp = Make("lamp", "<part name=\"lamp\"/>");
  lamp->ReadState(ParseXml("<object name=\"lamp\" anim=\"idle\"/>"));
  EXPECT_NE(Part(lamp)->GetController()->GetCurrentAnimation()->mImage, nullptr);
}

TEST_F(ItemPartTest, RestartRulesFireExactlyWhenTheirDelayIsOverAndARemovedRuleDoesNothing) {
  for (bool removed : {false, true}) {
    ResetBoardWorld();
    ZCItem* table = Make("t", "<part name=\"table\"/>");
    table->SetSkin("wood", true);
    table->SetAnimRestart("wipe", 2, 0.25f, 0.25f);
    table->PlayAnimation("wipe", false);
    ZCAnimController* anim = Part(table)->GetController();
    EXPECT_EQ(anim->GetStopFrame(), 2);
    StepItems(2, 0.125f);  // frame 2 is reached: the rule is armed again
    EXPECT_EQ(anim->GetState(), ZCAnimController::State::Paused);
    EXPECT_EQ(anim->GetFrameIndex(), 2);
    if (removed) table->RemoveAnimRestart("wipe");
    StepItems(1, 0.125f);  // the delay reaches 0, not below
    EXPECT_EQ(anim->GetState(), ZCAnimController::State::Paused);
    StepItems(1, 0.125f);
    if (removed) {
      EXPECT_TRUE(table->IsRestartArmed());
      EXPECT_EQ(anim->GetState(), ZCAnimController::State::Paused);
      EXPECT_EQ(anim->GetFrameIndex(), 2);
    } else {
      EXPECT_FALSE(table->IsRestartArmed());
      EXPECT_EQ(anim->GetState(), ZCAnimController::State::Playing);
      EXPECT_EQ(anim->GetFrameIndex(), 0);
      EXPECT_EQ(anim->GetCurrentAnimation()->mName, "tablewoodwipe");
      EXPECT_EQ(anim->GetStopFrame(), 2);
    }
  }
}

// Pixels of a part drawn into a memory image.
class PartPixelTest : public ItemPartTest {
 protected:
  void SetUp() override {
    ItemPartTest::SetUp();
    image.Create(200, 200);
    image.Clear();
  }
  uint32_t At(int x, int y) { return image.GetBits()[y * image.GetWidth() + x]; }
  static int Red(uint32_t c) { return int((c >> 16) & 0xFF); }
  static int Green(uint32_t c) { return int((c >> 8) & 0xFF); }
  void Fill(uint32_t argb) { std::fill_n(image.GetBits(), 200 * 200, argb); }
  // An item at (10, 10) showing the animation.
  ZCItemPart* Show(const std::string& part, const std::string& anim, const std::string& attrs = "") {
    ZCItem* item = Make(part + std::to_string(++shown), "<part name=\"" + part + "\" " + attrs + "/>", "pos_x=\"10\" pos_y=\"10\"");
    EXPECT_TRUE(item->GetParts()[0]->PlayAnimation(anim, false));
    return item->GetParts()[0].get();
  }

  Vesk::MemoryImage image;
  int shown = 0;
};

TEST_F(PartPixelTest, AMirroredFrameIsPlacedWhereTheUnmirroredOneIsAndFlipped) {
  Vesk::Graphics g(&image);
  Show("sign", "idle", "orient=\"br\"")->Draw(&g);
  const std::vector<uint32_t> plain(image.GetBits(), image.GetBits() + 200 * 200);
  image.Clear();
  Show("sign", "idle", "orient=\"mbr\"")->Draw(&g);
  // The 64x48 frame at (10, 10), its columns in the other order; nothing outside it.
  int differing = 0, opaque = 0;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 200; ++x) {
      const bool inside = x >= 10 && x < 74 && y >= 10 && y < 58;
      if (!inside) {
        EXPECT_EQ(At(x, y), 0u) << x << "," << y;
        continue;
      }
      EXPECT_EQ(At(x, y), plain[size_t(y) * 200 + size_t(83 - x)]) << x << "," << y;
      differing += At(x, y) != plain[size_t(y) * 200 + size_t(x)];
      opaque += At(x, y) >> 24 == 0xFF;
    }
  EXPECT_GT(differing, 200);  // the sign is not symmetric: mirroring shows
  EXPECT_GT(opaque, 500);
}

TEST_F(PartPixelTest, ScalesNearOneDrawUnscaledOthersScaleAboutTheScalePoint) {
  Vesk::Graphics g(&image);
  ZCItemPart* lamp = Show("lamp", "idle", "scale_point_x=\"40\" scale_point_y=\"120\"");
  lamp->SetScale(0.995f);
  lamp->Draw(&g);
  EXPECT_NE(At(10 + 39, 10 + 119) >> 24, 0u);
  image.Clear();
  lamp->SetScale(0.98f);
  lamp->Draw(&g);
  EXPECT_EQ(At(10 + 39, 10 + 119) >> 24, 0u);
  EXPECT_NE(At(10 + 38, 10 + 116) >> 24, 0u);
  image.Clear();
  // Half size about the bottom right corner: the top left quarter stays empty.
  lamp->SetScale(0.5f);
  lamp->Draw(&g);
  EXPECT_EQ(At(10 + 10, 10 + 10) >> 24, 0u);
  EXPECT_EQ(At(10 + 19, 10 + 59) >> 24, 0u);
  EXPECT_NE(At(10 + 30, 10 + 100) >> 24, 0u);
  EXPECT_NE(At(10 + 39, 10 + 119) >> 24, 0u);
}

TEST_F(PartPixelTest, TintAlphaAndHighlightColourTheFrameAndTheGraphicsStateIsRestored) {
  Vesk::Graphics g(&image);
  g.SetColor(Color(1, 2, 3, 4));
  ZCItemPart* lamp = Show("lamp", "idle");
  const int x = 10 + 20, y = 10 + 60;  // on the lamp's pole

  Fill(0xFF000000u);
  lamp->Draw(&g);
  const uint32_t plain = At(x, y);
  ASSERT_GT(Red(plain), 0x20);
  ASSERT_GT(Green(plain), 0x20);

  Fill(0xFF000000u);
  lamp->SetTint(0xFF00FF00u);
  lamp->Draw(&g);
  EXPECT_EQ(Red(At(x, y)), 0);
  EXPECT_NEAR(Green(At(x, y)), Green(plain), 1);
  lamp->SetTint(0);

  Fill(0xFF000000u);
  lamp->SetAlpha(0.5f);
  lamp->Draw(&g);
  EXPECT_NEAR(Red(At(x, y)), Red(plain) / 2, 2);

  Fill(0xFF000000u);
  lamp->SetAlpha(1.0f);
  lamp->GetOwner()->SetHighlight(BoardPoint{}, true);
  lamp->Draw(&g);
  // The frame added once more at alpha 50, held to 255.
  EXPECT_NEAR(Red(At(x, y)), std::min(255, Red(plain) + Red(plain) * 50 / 255), 2);

  EXPECT_EQ(g.GetColor(), Color(1, 2, 3, 4));
  EXPECT_FALSE(g.GetColorizeImages());
  EXPECT_EQ(g.GetDrawMode(), Vesk::DRAWMODE_NORMAL);
}

TEST_F(PartPixelTest, WithoutAnAnimationSetEveryAnimationCallFailsButTextStillDraws) {
  ZCFontTable fonts;
  ZCFontTable::SetCurrent(&fonts);
  fonts.AddFont("label", Vesk::SysFont::Create("DejaVu Sans", 16));
  ZCItem* sign = Make("sign", "<part name=\"no_such_set\" font=\"label\"/><part name=\"other\" font=\"nope\"/>"
                              "<part name=\"empty\" font=\"label\"/>",
                      "pos_x=\"10\" pos_y=\"10\"");
  ZCItemPart* text = Part(sign);
  EXPECT_EQ(text->GetController(), nullptr);
  EXPECT_FALSE(text->PlayAnimation("idle", false));
  EXPECT_FALSE(sign->ReplayAnimation("idle"));
  text->SetStopFrame(1);
  text->PauseAnimation();
  text->Update();

  *sign->GetPartRecords().mRecords[0].mTextColor = int32_t(0xFFFFFFFFu);
  text->SetText(L"Hello", 100, 40);
  Part(sign, 1)->SetText(L"Hello", 100, 40);
  Part(sign, 2)->SetText(L"Hello", 0, -5);
  Vesk::Graphics g(&image);
  for (auto& part : sign->GetParts()) part->Draw(&g);
  int lit = 0;
  for (int y = 10; y < 50; ++y)
    for (int x = 10; x < 110; ++x) lit += (At(x, y) >> 24) != 0;
  EXPECT_GT(lit, 20);

  // An empty text stops the drawing.
  image.Clear();
  text->SetText(L"", 0, 0);
  EXPECT_FALSE(text->HasText());
  text->Draw(&g);
  EXPECT_EQ(At(12, 20), 0u);
  ZCFontTable::SetCurrent(nullptr);
}

TEST_F(PartPixelTest, TrailsFadeAndGo) {
  ZCItemPart* lamp = Show("lamp", "idle");
  lamp->AddTrail();
  lamp->GetOwner()->SetOffsetX(60);
  lamp->AddTrail();
  ASSERT_EQ(lamp->GetTrail().size(), 2u);
  EXPECT_EQ(lamp->GetTrail()[1].mPos.x, 70);
  lamp->DecayTrail(35.0f);
  EXPECT_EQ(lamp->GetTrail().size(), 2u);
  Fill(0xFF000000u);
  Vesk::Graphics g(&image);
  lamp->Draw(&g);
  EXPECT_GT(Red(At(10 + 20, 10 + 60)), 0);
  lamp->DecayTrail(35.0f);
  EXPECT_TRUE(lamp->GetTrail().empty());
}

}  // namespace

namespace {

// A part binds its sheets at level start: a sheet drawn with many animations is read once, not
// once per animation.
TEST_F(ItemPartTest, AnimationsOfOneSheetShareOneImage) {
  ZCItem::ReadLevelObjects(ParseXml(R"(<root><objects><object class="item" name="boss">
      <part name="body" orient="b"/></object></objects></root>)"));
  ZCItemPart* body = ZCItem::FindByName("boss")->GetParts()[0].get();
  ASSERT_NE(body->GetController(), nullptr);
  ASSERT_TRUE(body->BindSkinTextures());
  const ZCAnimController* c = body->GetController();
  const AnimEntry& idle = c->GetAnimation(size_t(c->FindAnimation("bodybidle")));
  const AnimEntry& walk = c->GetAnimation(size_t(c->FindAnimation("bodybwalk")));
  ASSERT_NE(idle.mImage, nullptr);
  EXPECT_EQ(idle.mImage, walk.mImage);
}

}  // namespace
