// Texture ids, counted handles, loading on the first lock and unloading after the last (or at
// the end of a hold).
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "graphics/Graphics.h"
#include "resources/ZCTextureCache.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"

namespace {

// A cache whose loader makes a 16 x 8 image per file and counts the loads; "missing.png" fails.
struct Fixture {
  std::atomic<int> loads{0};
  ZCTextureCache cache{[this](const std::string& file) -> std::unique_ptr<Vesk::MemoryImage> {
    ++loads;
    if (file == "missing.png") return nullptr;
    auto image = std::make_unique<Vesk::MemoryImage>(16, 8);
    image->mFilePath = file;
    return image;
  }};
  Fixture() {
    cache.AddTexture("cafe_01", "cafe_01.png");
    cache.AddTexture("briefing_00", "briefing_00.png");
    cache.AddTexture("broken", "missing.png");
  }
};

TEST(TextureCache, ReadsTheTexturesPartAndRefusesBadEntries) {
  ZCTextureCache cache;
  const std::string xml =
      "<root><textures>"
      "<texture id=\"a\" file=\"a.png\"/><texture id=\"b\" file=\"b.png\"/>"
      "<texture id=\"a\" file=\"other.png\"/><texture file=\"c.png\"/><texture id=\"d\"/>"
      "</textures><texture id=\"outside\" file=\"x.png\"/></root>";
  XmlNode root = LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), "ui.xml").documentElement();
  LogHistory::Clear();
  EXPECT_EQ(cache.LoadTextures(root), 2);
  EXPECT_EQ(cache.GetCount(), 2u);
  EXPECT_TRUE(LogHistory::Contains("texture \"a\" is declared twice"));
  EXPECT_TRUE(LogHistory::Contains("texture \"d\" needs an id and a file"));
  EXPECT_EQ(cache.GetTexture("a").GetDesc()->GetFile(), "a.png");
  EXPECT_FALSE(cache.HasTexture("outside"));
}

TEST(TextureCache, FlagsReachTheLoadedImageAndAColourTableIsMadeWhereItFits) {
  // Two colours fit a table; 300 do not.
  ZCTextureCache cache([](const std::string& file) -> std::unique_ptr<Vesk::MemoryImage> {
    auto image = std::make_unique<Vesk::MemoryImage>(30, 10);
    uint32_t* bits = image->GetBits();
    for (int32_t i = 0; i < 300; ++i) bits[i] = 0xFF000000u | uint32_t(file == "many.png" ? i : i % 2);
    image->BitsChanged();
    return image;
  });
  const std::string xml =
      "<root><textures>"
      "<texture id=\"panel\" file=\"few.png\" flags=\"prefer16, 64x64\"/>"
      "<texture id=\"icon\" file=\"few.png\" flags=\"palette pow2 fullcolor\"/>"
      "<texture id=\"photo\" file=\"many.png\" flags=\"palette sparkle\"/>"
      "</textures></root>";
  XmlNode root = LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(xml.data()), xml.size(), "ui.xml").documentElement();
  LogHistory::Clear();
  EXPECT_EQ(cache.LoadTextures(root), 3);
  EXPECT_TRUE(LogHistory::Contains("WARNING: ZCTextureCache: texture \"photo\" has an unknown flag \"sparkle\""));
  using Vesk::MemoryImage;
  TextureHandle panel = cache.GetTexture("panel"), icon = cache.GetTexture("icon"), photo = cache.GetTexture("photo");
  EXPECT_EQ(panel.GetImage()->mTextureFlags, MemoryImage::TEXFLAG_PREFER16 | MemoryImage::TEXFLAG_64X64);
  EXPECT_EQ(panel.GetImage()->mColorTable, nullptr);
  EXPECT_EQ(icon.GetImage()->mTextureFlags, MemoryImage::TEXFLAG_POW2 | MemoryImage::TEXFLAG_FULLCOLOR);
  EXPECT_NE(icon.GetImage()->mColorTable, nullptr);
  EXPECT_EQ(icon.GetImage()->GetBits()[3], 0xFF000001u);  // the pixels stay as they were
  EXPECT_EQ(photo.GetImage()->mColorTable, nullptr);
  EXPECT_TRUE(LogHistory::Contains("texture \"photo\" has more than 256 colours"));
}

TEST(TextureCache, LoadsOnTheFirstLockSharesAndUnloadsAfterTheLastUnlock) {
  Fixture f;
  TextureHandle a = f.cache.GetTexture("cafe_01");
  ASSERT_FALSE(a.IsNullHandle());
  EXPECT_FALSE(a.IsLocked());
  EXPECT_EQ(f.loads, 0);  // getting a handle loads nothing

  a.Lock();
  a.Lock();  // a handle holds one lock at most
  EXPECT_EQ(f.loads, 1);
  EXPECT_EQ(a.GetDesc()->GetLockCount(), 1);

  TextureHandle b = f.cache.GetTexture("cafe_01");
  Vesk::MemoryImage* image = b.GetImage();  // locks
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image, a.GetImage());
  EXPECT_EQ(image->mFilePath, "cafe_01.png");
  EXPECT_EQ(f.loads, 1);
  EXPECT_EQ(a.GetDesc()->GetLockCount(), 2);

  a.Unlock();
  a.Unlock();
  EXPECT_TRUE(b.GetDesc()->IsLoaded());
  b.Unlock();
  EXPECT_FALSE(b.GetDesc()->IsLoaded());
  EXPECT_EQ(f.cache.GetLoadedCount(), 0u);

  // A later lock loads it again.
  EXPECT_NE(a.GetImage(), nullptr);
  EXPECT_EQ(f.loads, 2);
}

TEST(TextureCache, AHoldKeepsReleasedImagesUntilItsEnd) {
  Fixture f;
  TextureHandle page = f.cache.GetTexture("cafe_01");
  TextureHandle kept = f.cache.GetTexture("briefing_00");
  {
    ZCTextureCache::Hold outer(&f.cache);
    {
      ZCTextureCache::Hold inner(&f.cache);
      // Widgets built one after another, each locking and letting go of the same picture.
      for (int i = 0; i < 3; ++i) {
        ASSERT_NE(page.GetImage(), nullptr);
        page.Unlock();
      }
      kept.Lock();
    }
    EXPECT_EQ(f.loads, 2);
    EXPECT_TRUE(page.GetDesc()->IsLoaded());  // the outer hold still lasts
  }
  // The end of the last hold unloads what nothing locks.
  EXPECT_FALSE(page.GetDesc()->IsLoaded());
  EXPECT_TRUE(kept.GetDesc()->IsLoaded());
  kept.Unlock();
  EXPECT_EQ(f.cache.GetLoadedCount(), 0u);
  ZCTextureCache::Hold none(nullptr);  // no cache: nothing to hold
}

TEST(TextureCache, AssignCopiesAndDestructionReleaseLocks) {
  Fixture f;
  TextureHandle a = f.cache.GetTexture("cafe_01");
  a.Lock();
  ZCImageDesc* desc = a.GetDesc();
  {
    TextureHandle copy(a);  // a locked source: the copy holds its own lock
    EXPECT_TRUE(copy.IsLocked());
    EXPECT_EQ(desc->GetLockCount(), 2);
    TextureHandle assigned;
    assigned.Assign(copy);
    EXPECT_EQ(desc->GetLockCount(), 3);
    // Assigning onto a handle of the same texture keeps it loaded throughout.
    assigned = a;
    EXPECT_EQ(desc->GetLockCount(), 3);
    EXPECT_EQ(f.loads, 1);
    TextureHandle unlocked = f.cache.GetTexture("cafe_01");
    TextureHandle copyOfUnlocked(unlocked);
    EXPECT_FALSE(copyOfUnlocked.IsLocked());
    EXPECT_EQ(desc->GetLockCount(), 3);
  }
  EXPECT_EQ(desc->GetLockCount(), 1);

  // Assigning another texture drops the lock on the first.
  TextureHandle other = f.cache.GetTexture("briefing_00");
  other.Lock();
  a = other;
  EXPECT_EQ(desc->GetLockCount(), 0);
  EXPECT_FALSE(desc->IsLoaded());
  EXPECT_EQ(a.GetDesc()->GetId(), "briefing_00");
  EXPECT_EQ(a.GetDesc()->GetLockCount(), 2);

  // A move carries the lock over.
  TextureHandle moved(std::move(a));
  EXPECT_TRUE(a.IsNullHandle());
  EXPECT_TRUE(moved.IsLocked());
  EXPECT_EQ(moved.GetDesc()->GetLockCount(), 2);
  moved = TextureHandle();
  other.Release();
  EXPECT_EQ(f.cache.GetLoadedCount(), 0u);
}

TEST(TextureCache, MissingIdsAndFailedImagesGiveNothing) {
  Fixture f;
  LogHistory::Clear();
  TextureHandle none = f.cache.GetTexture("hud_watch99");
  EXPECT_TRUE(none.IsNullHandle());
  EXPECT_TRUE(LogHistory::Contains("WARNING: ZCTextureCache: no texture \"hud_watch99\""));
  none.Lock();
  none.Unlock();
  EXPECT_EQ(none.GetImage(), nullptr);
  EXPECT_FALSE(f.cache.HasTexture("hud_watch99"));

  TextureHandle broken = f.cache.GetTexture("broken");
  EXPECT_EQ(broken.GetImage(), nullptr);
  EXPECT_TRUE(LogHistory::Contains("ERROR: ZCTextureCache: texture \"broken\" (missing.png) cannot be loaded"));
  broken.Unlock();
  EXPECT_EQ(broken.GetDesc()->GetLockCount(), 0);
}

TEST(TextureCache, TexturesCutFromAHandleKeepTheirImageAndStayInside) {
  Fixture f;
  TextureHandle h = f.cache.GetTexture("cafe_01");
  ZCTexture cell = ZCTexture::ZCTextureFromHandle(h, Rect(8, 4, 8, 4));
  ASSERT_FALSE(cell.IsNull());
  EXPECT_FALSE(h.IsLocked());  // the texture holds its own lock
  EXPECT_EQ(h.GetDesc()->GetLockCount(), 1);
  EXPECT_EQ(cell.GetWidth(), 8);
  EXPECT_EQ(cell.GetSrcRect(), Rect(8, 4, 8, 4));
  ZCTexture overhanging = ZCTexture::ZCTextureFromHandle(h, Rect(12, -2, 10, 20));
  EXPECT_EQ(overhanging.GetSrcRect(), Rect(12, 0, 4, 8));
  {
    ZCTexture copy = cell;
    EXPECT_EQ(h.GetDesc()->GetLockCount(), 3);
  }
  EXPECT_EQ(f.loads, 1);

  // Drawing copies the rectangle only.
  uint32_t* bits = cell.GetImage()->GetBits();
  for (int i = 0; i < 16 * 8; ++i) bits[i] = (i % 16 >= 8 && i / 16 >= 4) ? 0xFF00FF00u : 0xFFFF0000u;
  cell.GetImage()->BitsChanged();
  Vesk::MemoryImage dest(20, 20);
  Vesk::Graphics g(&dest);
  cell.Draw(g, 2, 3);
  EXPECT_EQ(dest.GetBits()[3 * 20 + 2], 0xFF00FF00u);
  EXPECT_EQ(dest.GetBits()[6 * 20 + 9], 0xFF00FF00u);
  EXPECT_EQ(dest.GetBits()[7 * 20 + 10], 0u);

  LogHistory::Clear();
  EXPECT_TRUE(ZCTexture::ZCTextureFromHandle(TextureHandle(), Rect(0, 0, 1, 1)).IsNull());
  EXPECT_TRUE(ZCTexture::ZCTextureFromHandle(f.cache.GetTexture("broken"), Rect(0, 0, 1, 1)).IsNull());
  EXPECT_TRUE(LogHistory::Contains("texture \"broken\" has no image to cut from"));
  EXPECT_EQ(f.cache.GetTexture("broken").GetDesc()->GetLockCount(), 0);
}

// Two threads lock, read and unlock the same textures at once while a third declares new ones:
// each image is one image while locked, and everything is unloaded at the end.
TEST(TextureCacheThreads, ConcurrentLocksShareOneImage) {
  Fixture f;
  for (int i = 0; i < 8; ++i) f.cache.AddTexture("t" + std::to_string(i), "t" + std::to_string(i) + ".png");
  std::atomic<int> mismatches{0};
  auto worker = [&](int seed) {
    std::vector<TextureHandle> held;
    for (int round = 0; round < 400; ++round) {
      std::string id = "t" + std::to_string((round * 7 + seed) % 8);
      TextureHandle h = f.cache.GetTexture(id);
      Vesk::MemoryImage* image = h.GetImage();
      if (!image || image->mFilePath != id + ".png") ++mismatches;
      TextureHandle again = h;
      if (again.GetImage() != image) ++mismatches;
      if (round % 5 == 0) held.push_back(h);
      if (held.size() > 3) held.erase(held.begin());
    }
  };
  std::thread declarer([&] {
    for (int i = 0; i < 50; ++i) f.cache.AddTexture("late" + std::to_string(i), "late.png");
  });
  std::thread a(worker, 0), b(worker, 3);
  a.join();
  b.join();
  declarer.join();
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(f.cache.GetLoadedCount(), 0u);
  EXPECT_GE(f.loads, 8);
}

}  // namespace
