#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>

#include "shell/Log.h"
#include "shell/PakFormat.h"
#include "shell/PakInterface.h"
#include "shell/support/TestFiles.h"

namespace {

using Files = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

int CountLogLines(const std::string& text) {
  int n = 0;
  for (const std::string& line : LogHistory::Recent()) n += line.find(text) != std::string::npos;
  return n;
}

std::string ReadAll(PakInterface& pak, const std::string& name) {
  std::vector<uint8_t> bytes;
  if (!pak.ReadWholeFile(name, bytes)) return "<missing>";
  return std::string(bytes.begin(), bytes.end());
}

class PakTest : public ::testing::Test {
 protected:
  PakInterface mPak;
  TempDir mDir;
};

}  // namespace

TEST_F(PakTest, LaterPacksWinAndTheDiskComesLast) {
  WriteFile(mDir / "data.pak", PakFormat::Build({{"cfg/a.xml", Bytes("data-a")}, {"cfg/b.xml", Bytes("data-b")}}));
  WriteFile(mDir / "loc.pak", PakFormat::Build({{"cfg/b.xml", Bytes("loc-b")}, {"cfg/loc.xml", Bytes("loc")}}));
  WriteFile(mDir / "mod.pak", PakFormat::Build({{"CFG/A.XML", Bytes("mod-a")}}, 0x3C));
  WriteFile(mDir / "Cfg/Disk.Xml", "disk");
  WriteFile(mDir / "cfg/a.xml", "disk-a");
  EXPECT_EQ(AddStandardPaks(&mPak, mDir.Path()), 3);

  EXPECT_EQ(ReadAll(mPak, "cfg\\a.xml"), "mod-a");
  EXPECT_EQ(ReadAll(mPak, "cfg/B.xml"), "loc-b");
  EXPECT_EQ(ReadAll(mPak, "CFG\\LOC.XML"), "loc");
  EXPECT_TRUE(mPak.IsInPak("./cfg//loc.xml"));
  // Names no pack holds come from the disk, matched without regard to case or separator.
  EXPECT_FALSE(mPak.IsInPak(mDir / "cfg/disk.xml"));
  EXPECT_EQ(ReadAll(mPak, mDir.Path() + "\\cfg\\disk.xml"), "disk");
  EXPECT_EQ(ReadAll(mPak, mDir / "CFG/DISK.XML"), "disk");
  EXPECT_TRUE(mPak.Exists(mDir / "cfg\\Disk.xml"));
  EXPECT_FALSE(mPak.Exists(mDir / "cfg/none.xml"));
  EXPECT_EQ(ReadAll(mPak, "cfg/none.xml"), "<missing>");

  mPak.Reset();
  EXPECT_FALSE(mPak.IsInPak("cfg/a.xml"));
}

TEST_F(PakTest, HandlesWorkLikeStdio) {
  ASSERT_TRUE(mPak.AddPakMemory(PakFormat::Build({{"f.bin", Bytes("0123456789")}}), "mem"));
  WriteFile(mDir / "disk.bin", "0123456789");
  for (std::string name : {std::string("F.BIN"), mDir / "DISK.bin"}) {
    SCOPED_TRACE(name);
    PakFileHandle* h = mPak.FOpen(name, "rb");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(mPak.FSize(h), 10);
    char buf[8] = {};
    EXPECT_EQ(mPak.FRead(buf, 1, 4, h), 4u);
    EXPECT_EQ(std::string(buf, 4), "0123");
    EXPECT_EQ(mPak.FTell(h), 4);
    EXPECT_EQ(mPak.FSeek(h, -2, SEEK_END), 0);
    EXPECT_EQ(mPak.FRead(buf, 3, 2, h), 0u);  // only two bytes left: no whole item of three
    EXPECT_EQ(mPak.FSeek(h, 2, SEEK_SET), 0);
    EXPECT_EQ(mPak.FSeek(h, 3, SEEK_CUR), 0);
    EXPECT_EQ(mPak.FTell(h), 5);
    EXPECT_EQ(mPak.FRead(buf, 2, 2, h), 2u);
    EXPECT_EQ(std::string(buf, 4), "5678");
    EXPECT_EQ(mPak.FSize(h), 10);
    EXPECT_EQ(mPak.FTell(h), 9);
    EXPECT_EQ(mPak.FClose(h), 0);
  }
  PakFileHandle* h = mPak.FOpen("f.bin", "rb");
  EXPECT_NE(mPak.FSeek(h, -1, SEEK_SET), 0);
  EXPECT_NE(mPak.FSeek(h, std::numeric_limits<long>::max(), SEEK_END), 0);
  EXPECT_EQ(mPak.FSeek(h, 100, SEEK_SET), 0);  // past the end, as stdio allows: reads give nothing
  char c;
  EXPECT_EQ(mPak.FRead(&c, 1, 1, h), 0u);
  mPak.FClose(h);
  EXPECT_EQ(mPak.FOpen("missing.bin", "rb"), nullptr);
  EXPECT_EQ(mPak.FOpen(mDir.Path(), "rb"), nullptr);  // a folder is not a file
  EXPECT_EQ(mPak.FRead(nullptr, 1, 1, nullptr), 0u);
  EXPECT_EQ(mPak.FClose(nullptr), -1);
  // Writing always goes to the disk, even for a name a pack holds.
  std::string out = mDir / "f.bin";
  PakFileHandle* w = mPak.FOpen(out, "wb");
  ASSERT_NE(w, nullptr);
  mPak.FClose(w);
  EXPECT_TRUE(std::filesystem::exists(out));
}

TEST_F(PakTest, ForgedPacksAreRefusedWithAnErrorLine) {
  std::vector<uint8_t> good = PakFormat::Build({{"a.txt", Bytes("hello")}, {"b.txt", Bytes("world!")}});
  auto put32 = [](std::vector<uint8_t>& v, size_t at, uint32_t x, uint8_t key) {
    for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i)) ^ key;
  };
  const uint8_t key = good[6];
  const size_t entry0Offset = 16 + 2 + 5;  // after the first name
  std::vector<std::pair<std::string, std::vector<uint8_t>>> cases;
  cases.push_back({"empty", {}});
  cases.push_back({"short header", std::vector<uint8_t>(good.begin(), good.begin() + 10)});
  {
    auto v = good;
    v[0] = 'X';
    cases.push_back({"bad magic", v});
  }
  {
    auto v = good;
    v[4] = 9;
    cases.push_back({"bad version", v});
  }
  {
    auto v = good;
    put32(v, 8, 0x10000000, 0);
    cases.push_back({"huge count", v});
  }
  {
    auto v = good;
    put32(v, 12, 0xFFFFFFF0, 0);
    cases.push_back({"directory past the end", v});
  }
  {
    auto v = good;
    put32(v, entry0Offset, 0xFFFFFFF0, key);
    cases.push_back({"offset past the end", v});
  }
  {
    auto v = good;
    put32(v, entry0Offset + 4, 1000, key);
    cases.push_back({"size past the end", v});
  }
  {
    auto v = good;
    put32(v, entry0Offset, 3, key);
    cases.push_back({"offset inside the header", v});
  }
  // The directory ends where the first entry's data begins: one byte earlier is inside it.
  const uint32_t dataStart = 16 + (2 + 5 + 8) * 2;
  for (uint32_t offset : {16u + 2u, dataStart - 1}) {
    auto v = good;
    put32(v, entry0Offset, offset, key);
    cases.push_back({"offset inside the directory " + std::to_string(offset), v});
  }
  {
    auto v = good;
    v[16] = 0xFF ^ key;
    v[17] = 0xFF ^ key;
    cases.push_back({"name past the directory", v});
  }
  cases.push_back({"truncated data", std::vector<uint8_t>(good.begin(), good.end() - 1)});
  for (auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    LogHistory::Clear();
    EXPECT_FALSE(mPak.AddPakMemory(bytes, name));
    EXPECT_TRUE(LogHistory::Contains("ERROR: PakInterface: " + name + " is not a valid pack"));
  }
  EXPECT_FALSE(mPak.IsInPak("a.txt"));
  EXPECT_TRUE(mPak.AddPakMemory(good, "good"));
  EXPECT_EQ(ReadAll(mPak, "b.txt"), "world!");

  LogHistory::Clear();
  EXPECT_FALSE(mPak.AddPakFile(mDir / "nothing.pak"));
  EXPECT_TRUE(LogHistory::Contains("ERROR: PakInterface: cannot open pack"));
}

TEST_F(PakTest, ToolRoundTrip) {
  const char* bin = std::getenv("CAFE_BINARY_DIR");
  ASSERT_NE(bin, nullptr);
  std::string tool = std::string(bin) + "/bin/pak";
  std::string src = mDir / "src";
  std::vector<uint8_t> binary(300);
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = uint8_t(i * 7);
  WriteFile(src + "/cfg/loc.xml", "<loc/>");
  WriteFile(src + "/cfg/Sub Folder/deep.bin", binary);
  WriteFile(src + "/img/empty.png", "");
  WriteFile(src + "/skip/me.txt", "no");
  std::string pack = mDir / "out.pak";
  std::string cmd = tool + " build '" + pack + "' '" + src + "' --exclude skip > /dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::string listing = mDir / "list.txt";
  ASSERT_EQ(std::system((tool + " list '" + pack + "' > '" + listing + "'").c_str()), 0);
  std::vector<uint8_t> text = ReadFileBytes(listing);
  EXPECT_EQ(std::string(text.begin(), text.end()),
            "       300 cfg/Sub Folder/deep.bin\n         6 cfg/loc.xml\n         0 img/empty.png\n");

  ASSERT_TRUE(mPak.AddPakFile(pack));
  EXPECT_EQ(ReadAll(mPak, "cfg\\sub folder\\DEEP.bin"), std::string(binary.begin(), binary.end()));
  EXPECT_EQ(ReadAll(mPak, "cfg/loc.xml"), "<loc/>");
  EXPECT_EQ(ReadAll(mPak, "img/empty.png"), "");
  EXPECT_FALSE(mPak.IsInPak("skip/me.txt"));
  // The contents are scrambled in the file.
  std::vector<uint8_t> raw = ReadFileBytes(pack);
  EXPECT_EQ(std::search(raw.begin(), raw.end(), binary.begin(), binary.end()), raw.end());

  // A listing of a damaged pack fails.
  raw.resize(raw.size() - 1);
  WriteFile(pack, raw);
  EXPECT_NE(std::system((tool + " list '" + pack + "' 2> /dev/null").c_str()), 0);
}

// Confined to its folder, the layer reads names inside it (with ".." that stays inside) and
// refuses absolute names and names that climb out, in the packs and on the disk alike, each with
// one warning line.
TEST_F(PakTest, AConfinedLayerReadsNothingOutsideItsFolder) {
  const std::filesystem::path before = std::filesystem::current_path();
  WriteFile(mDir / "game/cfg/level.xml", "level");
  WriteFile(mDir / "secret.txt", "secret");
  std::filesystem::current_path(mDir / "game");
  ASSERT_TRUE(mPak.AddPakMemory(PakFormat::Build({{"cfg/packed.xml", Bytes("packed")}}), "mem"));
  mPak.ConfineToDataFolder(true);
  EXPECT_EQ(ReadAll(mPak, "cfg\\level.xml"), "level");
  EXPECT_EQ(ReadAll(mPak, "cfg\\..\\cfg\\.\\level.xml"), "level");
  EXPECT_EQ(ReadAll(mPak, "img\\..\\cfg\\packed.xml"), "packed");
  for (const std::string& name : {std::string("..\\secret.txt"), std::string("cfg\\..\\..\\secret.txt"),
                                  mDir / "secret.txt", std::string("\\etc\\passwd"),
                                  std::string("C:\\secret.txt"), std::string("cfg/../../game/cfg/level.xml")}) {
    SCOPED_TRACE(name);
    LogHistory::Clear();
    EXPECT_EQ(ReadAll(mPak, name), "<missing>");
    EXPECT_FALSE(mPak.Exists(name));
    EXPECT_EQ(mPak.FOpen(name, "rb"), nullptr);
    EXPECT_EQ(CountLogLines("WARNING: PakInterface: \"" + name + "\" is outside the game's folders"), 1);
  }
  // Unconfined (tools, tests), any path is read.
  mPak.ConfineToDataFolder(false);
  EXPECT_EQ(ReadAll(mPak, "..\\secret.txt"), "secret");
  std::filesystem::current_path(before);
}

// Only regular files are read from the disk: a pipe is not waited on (nor even opened), a device
// not read for ever, a folder refused, each with a warning line; nor is such a file added as a
// pack. A pack entry over its kind's limit is refused too.
TEST_F(PakTest, OnlyRegularFilesAreRead) {
  const std::string fifo = mDir / "pipe.xml";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A writer held open: a reader that opens the pipe regardless returns at once, and is seen.
  const int holder = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(::inotify_add_watch(watch, fifo.c_str(), IN_OPEN), 0);
  std::filesystem::create_directories(mDir / "folder.png");
  std::vector<uint8_t> out;
  for (const std::string& name : {fifo, std::string("/dev/zero"), mDir / "folder.png"}) {
    SCOPED_TRACE(name);
    LogHistory::Clear();
    EXPECT_FALSE(mPak.ReadWholeFile(name, out, FileKind::kFontFace));
    EXPECT_TRUE(LogHistory::Contains("WARNING: PakInterface: \"" + name + "\" is not a regular file"));
    EXPECT_FALSE(mPak.Exists(name));
    EXPECT_EQ(mPak.FOpen(name, "rb"), nullptr);
  }
  LogHistory::Clear();
  EXPECT_FALSE(mPak.AddPakFile(fifo));
  EXPECT_TRUE(LogHistory::Contains("ERROR: PakInterface: pack " + fifo + " is not a regular file"));
  char events[4096];
  EXPECT_LT(::read(watch, events, sizeof events), 0) << "the named pipe was opened";
  ::close(watch);
  ::close(holder);

  const uint64_t limit = FileSizeLimit(FileKind::kFontDescription);
  ASSERT_TRUE(mPak.AddPakMemory(PakFormat::Build({{"big.fnt", std::vector<uint8_t>(size_t(limit) + 1, 'y')}}), "mem"));
  LogHistory::Clear();
  EXPECT_FALSE(mPak.ReadWholeFile("big.fnt", out, FileKind::kFontDescription));
  EXPECT_TRUE(LogHistory::Contains("WARNING: PakInterface: \"big.fnt\" in mem is larger than"));
  EXPECT_TRUE(mPak.ReadWholeFile("big.fnt", out, FileKind::kImage));
}

// Each kind's limit (docs/formats.md): a disk file of the limit is read whole, one byte more is
// refused with a warning line. The files are sparse, so they take no room on the disk.
TEST_F(PakTest, EachKindIsReadUpToItsLimit) {
  constexpr uint64_t kMiB = 1024 * 1024;
  const std::pair<FileKind, uint64_t> limits[] = {
      {FileKind::kXml, 16 * kMiB},   {FileKind::kImage, 64 * kMiB},     {FileKind::kFontFace, 32 * kMiB},
      {FileKind::kFontDescription, 4 * kMiB}, {FileKind::kAnimation, 32 * kMiB}, {FileKind::kSound, 32 * kMiB},
      {FileKind::kMusic, 128 * kMiB}, {FileKind::kAny, 64 * kMiB}};
  const std::string file = mDir / "file";
  WriteFile(file, "");
  std::vector<uint8_t> out;
  for (const auto& [kind, limit] : limits) {
    SCOPED_TRACE(std::to_string(limit / kMiB) + " MiB");
    ASSERT_EQ(::truncate(file.c_str(), off_t(limit)), 0);
    EXPECT_TRUE(mPak.ReadWholeFile(file, out, kind));
    EXPECT_EQ(out.size(), limit);
    ASSERT_EQ(::truncate(file.c_str(), off_t(limit + 1)), 0);
    LogHistory::Clear();
    EXPECT_FALSE(mPak.ReadWholeFile(file, out, kind));
    EXPECT_TRUE(LogHistory::Contains("file\" is larger than " + std::to_string(limit) + " bytes"));
  }
}

TEST(PakContent, TheBuildPacksTheSampleData) {
  // Tests run beside the executable, where the build puts data.pak and loc.pak.
  PakInterface pak;
  EXPECT_GE(AddStandardPaks(&pak, "."), 2);
  EXPECT_TRUE(pak.IsInPak("cfg\\loc.xml"));
}
