// Images shared by file name with counted references.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "resources/SharedImages.h"
#include "shell/Log.h"

namespace {

struct Fixture {
  std::map<std::string, int> loads;
  SharedImageTable table{[this](const std::string& file) -> std::unique_ptr<Vesk::MemoryImage> {
    ++loads[file];
    if (file.find("missing") != std::string::npos) return nullptr;
    return std::make_unique<Vesk::MemoryImage>(4, 4);
  }};
};

TEST(SharedImages, OneLoadPerNameCountedAndFreedAtZero) {
  Fixture f;
  ImageRef a, b, c;
  ASSERT_TRUE(f.table.GetSharedImage(a, "anm\\Boss.png"));
  // Case and separator do not make another image.
  ASSERT_TRUE(f.table.GetSharedImage(b, "ANM/boss.png", "", 0));
  EXPECT_EQ(a.GetImage(), b.GetImage());
  EXPECT_EQ(f.loads.size(), 1u);
  EXPECT_EQ(f.table.GetRefCount("anm/boss.png"), 2);

  ASSERT_TRUE(f.table.GetSharedImage(c, "boss.png", "anm\\"));
  EXPECT_EQ(c.GetImage(), a.GetImage());
  EXPECT_EQ(f.table.GetRefCount("anm/boss.png"), 3);

  a.Release();
  a.Release();  // a second release of the same reference counts nothing
  EXPECT_TRUE(a.IsNull());
  EXPECT_EQ(f.table.GetRefCount("anm/boss.png"), 2);
  {
    ImageRef copy = b;  // a copy is one more share
    EXPECT_EQ(f.table.GetRefCount("anm/boss.png"), 3);
    copy = c;  // re-pointing at the same image keeps it
    EXPECT_EQ(f.table.GetRefCount("anm/boss.png"), 3);
  }
  b.Release();
  EXPECT_EQ(f.table.GetCount(), 1u);
  ImageRef moved(std::move(c));
  EXPECT_TRUE(c.IsNull());
  moved = ImageRef();
  EXPECT_EQ(f.table.GetCount(), 0u);
  EXPECT_EQ(f.table.GetRefCount("anm/boss.png"), 0);

  // Loaded anew after it was freed.
  ASSERT_TRUE(f.table.GetSharedImage(a, "anm/boss.png"));
  EXPECT_EQ(f.loads["anm/boss.png"], 1);
  EXPECT_EQ(f.loads["anm\\Boss.png"], 1);
}

TEST(SharedImages, ReFillingAReferenceReleasesItsOldImage) {
  Fixture f;
  ImageRef r;
  ASSERT_TRUE(f.table.GetSharedImage(r, "a.png"));
  ASSERT_TRUE(f.table.GetSharedImage(r, "b.png"));
  EXPECT_EQ(f.table.GetRefCount("a.png"), 0);
  EXPECT_EQ(f.table.GetRefCount("b.png"), 1);
  ASSERT_TRUE(f.table.GetSharedImage(r, "b.png"));
  EXPECT_EQ(f.table.GetRefCount("b.png"), 1);

  LogHistory::Clear();
  EXPECT_FALSE(f.table.GetSharedImage(r, "missing.png"));
  EXPECT_TRUE(r.IsNull());
  EXPECT_EQ(f.table.GetCount(), 0u);
  EXPECT_TRUE(LogHistory::Contains("ERROR: shared image missing.png cannot be loaded"));
}

TEST(SharedImages, OwnedReferencesAndReferencesOutlivingTheTable) {
  ImageRef owned(std::make_unique<Vesk::MemoryImage>(2, 2));
  EXPECT_FALSE(owned.IsShared());
  EXPECT_FALSE(owned.IsNull());
  ImageRef copy = owned;  // an owned image is not duplicated
  EXPECT_TRUE(copy.IsNull());
  owned.Release();
  EXPECT_TRUE(owned.IsNull());

  ImageRef survivor;
  {
    Fixture f;
    ASSERT_TRUE(f.table.GetSharedImage(survivor, "a.png"));
  }
  // The table is gone; the image stays valid until its last reference goes.
  ASSERT_NE(survivor.GetImage(), nullptr);
  EXPECT_EQ(survivor.GetImage()->GetWidth(), 4);
  survivor.Release();
}

}  // namespace
