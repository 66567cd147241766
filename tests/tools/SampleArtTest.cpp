#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "ArtDescription.h"
#include "effects/AnmFile.h"
#include "graphics/ImageLib.h"
#include "graphics/MemoryImage.h"
#include "shell/PakInterface.h"
#include "shell/XmlNode.h"

namespace {

namespace fs = std::filesystem;


// The sample art as the game gets it: the packs beside the tests, read against the descriptions
// in content/art.
class SampleArtTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(GetPakInterface()->AddPakFile("data.pak")); }

  static std::map<std::string, ArtDescription> Descriptions() {
    std::map<std::string, ArtDescription> out;
    const fs::path art = fs::path(std::getenv("CAFE_SOURCE_DIR")) / "content" / "art";
    for (const auto& f : fs::directory_iterator(art)) {
      if (f.path().extension() != ".art") continue;
      std::ifstream in(f.path());
      std::stringstream text;
      text << in.rdbuf();
      std::string error;
      EXPECT_TRUE(ParseArtDescription(text.str(), out[f.path().filename().string()], error)) << error;
    }
    return out;
  }
  // The animations of a set in the pack (empty when it is missing).
  std::vector<AnimEntry>& Set(const std::string& name) {
    auto found = mSets.find(name);
    if (found != mSets.end()) return found->second;
    std::vector<AnimEntry>& anims = mSets[name];
    std::vector<uint8_t> bytes;
    if (GetPakInterface()->IsInPak("anm\\" + name + ".anm") &&
        GetPakInterface()->ReadWholeFile("anm\\" + name + ".anm", bytes))
      Anm::Parse(bytes.data(), bytes.size(), name, anims);
    return anims;
  }
  const AnimEntry* Find(const std::string& set, const std::string& anim) {
    for (const AnimEntry& a : Set(set))
      if (a.mName == anim) return &a;
    return nullptr;
  }
  Vesk::MemoryImage* Picture(const std::string& file) {
    auto& image = mPictures[file];
    if (!image && GetPakInterface()->IsInPak(file)) image = ImageLib::GetImage(file);
    return image.get();
  }

  std::map<std::string, std::vector<AnimEntry>> mSets;
  std::map<std::string, std::unique_ptr<Vesk::MemoryImage>> mPictures;
};

TEST_F(SampleArtTest, EveryDescribedPictureIsInThePackWithItsSizeAndFrames) {
  const auto descriptions = Descriptions();
  ASSERT_FALSE(descriptions.empty());
  for (const auto& [file, desc] : descriptions) {
    for (const ArtSheet& sheet : desc.mSheets)
      for (const ArtAnim& want : sheet.mAnims) {
        const AnimEntry* got = Find(sheet.mSetName, want.mName);
        ASSERT_NE(got, nullptr) << file << ": " << want.mName;
        EXPECT_EQ(got->mFrames.size(), want.mFrames.size()) << want.mName;
        EXPECT_EQ(got->mLooping, want.mLoop) << want.mName;
        EXPECT_EQ(got->mStopFrame, want.mStopFrame) << want.mName;
        for (const AnimFrame& f : got->mFrames) {
          EXPECT_EQ(f.mWidth, sheet.mFrameWidth) << want.mName;
          EXPECT_EQ(f.mHeight, sheet.mFrameHeight) << want.mName;
          EXPECT_FLOAT_EQ(f.mTime, want.mFrameTime) << want.mName;
        }
        EXPECT_EQ(got->mImageFile, "anm\\" + sheet.mSheet + ".png");
        Vesk::MemoryImage* image = Picture(got->mImageFile);
        ASSERT_NE(image, nullptr) << got->mImageFile;
        EXPECT_EQ(image->GetWidth(), got->mSheetWidth) << got->mImageFile;
        EXPECT_EQ(image->GetHeight(), got->mSheetHeight) << got->mImageFile;
      }
    for (const ArtPicture& p : desc.mPictures) {
      Vesk::MemoryImage* image = Picture(p.mFile);
      ASSERT_NE(image, nullptr) << file << ": " << p.mFile;
      EXPECT_EQ(image->GetWidth(), p.mWidth * int32_t(p.mFrames.mFrames.size())) << p.mFile;
      EXPECT_EQ(image->GetHeight(), p.mHeight) << p.mFile;
    }
  }
}

TEST_F(SampleArtTest, WhatTheSampleContentNamesIsInThePack) {
  // Every part of the test room has its set, and the animation its level starts it with (skin
  // and heading included; a mirrored heading draws its twin's frames).
  XmlNode room = LoadXmlDocument("cfg\\testroom.xml");
  XmlNode level = LoadXmlDocument("cfg\\l090.xml");
  ASSERT_TRUE(room && level);
  int checked = 0;
  for (const XmlNode& state : level.selectNodes(L"//objects/object")) {
    std::string name, anim, skin;
    state.getAttribute("name", name);
    if (!state.getAttribute("anim", anim)) continue;
    state.getAttribute("skin", skin);
    for (const XmlNode& part : room.selectNodes(L"//objects/object[@name='" + std::wstring(name.begin(), name.end()) +
                                               L"']/part")) {
      std::string set, orient;
      part.getAttribute("name", set);
      if (set == "held_items") continue;  // a holder, drawn by what it holds
      part.getAttribute("orient", orient);
      std::string partSkin = skin;
      for (const XmlNode& exchange : part.selectNodes(L"exchange_skin")) {
        std::string from, to;
        exchange.getAttribute("from", from);
        exchange.getAttribute("to", to);
        if (from == skin) partSkin = to;
      }
      if (!orient.empty() && orient[0] == 'm') orient.erase(0, 1);
      EXPECT_FALSE(Set(set).empty()) << "anm\\" << set << ".anm";
      const bool plain = Find(set, set + partSkin + orient + anim) != nullptr;
      const bool variant = Find(set, set + partSkin + orient + anim + "01") != nullptr;
      EXPECT_TRUE(plain || variant) << name << ": " << set + partSkin + orient + anim;
      ++checked;
    }
  }
  EXPECT_GE(checked, 10);
  // The walker stands and walks under every heading, its shadow with it.
  for (const char* heading : {"t", "tr", "r", "br", "b", "bl", "l", "tl"})
    for (const char* anim : {"idle", "walk"})
      for (const char* set : {"body", "shadow"})
        EXPECT_NE(Find(set, std::string(set) + heading + anim), nullptr) << set << heading << anim;
  // Every texture of ui.xml.
  XmlNode ui = LoadXmlDocument("cfg\\ui.xml");
  ASSERT_TRUE(ui);
  for (const XmlNode& texture : ui.selectNodes(L"//textures/texture")) {
    std::string file;
    texture.getAttribute("file", file);
    EXPECT_NE(Picture(file), nullptr) << file;
  }
}

// A picture that shows anything shows shading, not one flat colour: several colours among its
// opaque pixels, or (for lights and shadows, which have none) several levels of alpha.
void ExpectShaded(const uint32_t* bits, int32_t stride, int32_t x0, int32_t y0, int32_t w, int32_t h,
                  const std::string& name) {
  std::set<uint32_t> colours, alphas;
  for (int32_t y = y0; y < y0 + h; ++y)
    for (int32_t x = x0; x < x0 + w; ++x) {
      const uint32_t p = bits[size_t(y) * size_t(stride) + size_t(x)];
      if (p >> 24 == 0xFF) colours.insert(p & 0xF0F0F0u);
      if (p >> 24) alphas.insert(p >> 28);
    }
  if (alphas.empty()) return;  // nothing shown
  EXPECT_TRUE(colours.size() >= 4 || (colours.empty() && alphas.size() >= 3))
      << name << ": " << colours.size() << " colours, " << alphas.size() << " alpha levels";
}

TEST_F(SampleArtTest, NoShownPictureIsASingleFlatColour) {
  int frames = 0;
  for (const auto& [file, desc] : Descriptions()) {
    for (const ArtSheet& sheet : desc.mSheets)
      for (const AnimEntry& a : Set(sheet.mSetName)) {
        Vesk::MemoryImage* image = Picture(a.mImageFile);
        ASSERT_NE(image, nullptr) << a.mImageFile;
        for (size_t i = 0; i < a.mFrames.size(); ++i, ++frames) {
          const AnimFrame& f = a.mFrames[i];
          ExpectShaded(image->GetBits(), image->GetWidth(), f.mX, f.mY, f.mWidth, f.mHeight,
                       a.mName + " frame " + std::to_string(i));
        }
      }
    for (const ArtPicture& p : desc.mPictures) {
      Vesk::MemoryImage* image = Picture(p.mFile);
      ASSERT_NE(image, nullptr) << p.mFile;
      for (size_t i = 0; i < p.mFrames.mFrames.size(); ++i, ++frames)
        ExpectShaded(image->GetBits(), image->GetWidth(), int32_t(i) * p.mWidth, 0, p.mWidth, p.mHeight, p.mFile);
    }
  }
  EXPECT_GT(frames, 100);
}

}  // namespace
