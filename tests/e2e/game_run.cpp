// The whole game headless, played by a bot (GameBot.h) as a player would, from a first start
// with no profile to the quit: the real start-up loader and level loader on their threads, the
// main loop on simulated 10 ms steps, input through the game's own queue.
//
//   game_run --out DIR --record [--software] [--broken-pref]
//       plays and records the game's demo into DIR: DIR/demo.dmo, DIR/run.txt (the screens in
//       order, a frame hash every 10 update steps, the "pref.dat" checkpoints), DIR/frames.z (the
//       hashed frames, each kept as its difference from the one before), DIR/pref/N.dat and a
//       screenshot per screen in DIR/shots/.
//   game_run --out DIR --play TAG
//       replays DIR/demo.dmo alone and compares every frame hash and "pref.dat" checkpoint with
//       the recording's; the first differing frame is named and both pictures are written to
//       DIR/TAG/.
//   --steps N ends either after N update steps (a shorter run: the profile is not checked).
//   --no-frames with --record: frames are drawn every 50 update steps, not hashed or kept (no
//       replay follows).
//   game_run --out DIR --soak MINUTES [--seed N]
//       survival again and again for MINUTES of game time, random clicks over the café; the
//       live heap is sampled at each restart; from the first sample taken once every screen of
//       the run has been seen (a screen's first visit loads what it keeps) on, the median of the
//       last third of the samples may lie less than 1 MB above the median of the first third
//       (HeapTrend.h: one restart's heap differs from the next by about 2 MB either way). The run follows its seed: the game's random numbers come
//       from it and every load is handed over at the same step.
//
// Any "ERROR: " log line fails the run; so does a checkpoint the run does not reach. The bot plays at
// a person's pace (GameBot.h): a recording fails when the first day's rush lesson is lost, a note
// hides what the bot is to click, or its log of notes and clicks breaks the pace (CheckPace in
// PaceLog.h), and prints the lessons' steps and clicks and each day's money against its goal.
#include <malloc.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "board/BoardWorld.h"
#include "cafe/ProfileStore.h"
#include "cafe/ZCBoard_Game3.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "driver/ScreenGame.h"
#include "e2e/GameBot.h"
#include "e2e/HeapTrend.h"
#include "graphics/Graphics.h"
#include "graphics/ImageLib.h"
#include "graphics/MemoryImage.h"
#include "platform/video/Video.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_Confirm.h"
#include "screens/ZCBoard_EscapeMenu.h"
#include "screens/ZCBoard_HiScores.h"
#include "shell/Log.h"
#include "shell/Random.h"
#include "shell/StringUtil.h"
#include "widgets/WidgetManager.h"
#include "widgets/ZCDialog.h"
#include "widgets/ZCWidgetKit.h"

namespace fs = std::filesystem;

extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace {

constexpr uint64_t kHashEvery = 10;
// A run without frames (no replay follows it) draws one frame in so many update steps: enough
// for what drawing meets (the load screen over a loader, every screen), at a fraction of the cost.
constexpr uint64_t kDrawEveryWithoutFrames = 50;
// Update steps after which a run that has not ended fails (about 40 minutes of game time).
constexpr uint64_t kStepLimit = 240000;
// Steps a screen is shown before its screenshot is taken (page turns and fades have ended).
constexpr uint64_t kShotDelay = 80;

std::atomic<int> gErrors{0};
// The update step running, for the debug output.
uint64_t gStep = 0;
int gFailures = 0;

void Fail(const std::string& what) {
  ++gFailures;
  std::cerr << "FAIL: " << what << "\n";
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

size_t LiveHeap() {
  if (__sanitizer_get_current_allocated_bytes) return __sanitizer_get_current_allocated_bytes();
  return mallinfo2().uordblks;
}

bool SavePicture(const std::vector<uint32_t>& pixels, int32_t width, int32_t height, const fs::path& path) {
  Vesk::MemoryImage image(width, height);
  uint32_t* bits = image.GetBits();
  if (!bits || pixels.size() < size_t(width) * size_t(height)) return false;
  for (size_t i = 0; i < size_t(width) * size_t(height); ++i) bits[i] = pixels[i] | 0xFF000000u;
  image.BitsChanged();
  return ImageLib::WritePNG(image, path.string());
}

// The run's own loops over every word of every hashed frame (3 MB each, every tenth step) stay
// out of the sanitizers' checks, which would make them a large part of a sanitized run and keep
// them from being vectorised: they walk buffers of the frame's size.
#define FRAME_LOOP __attribute__((no_sanitize("address", "undefined")))

// The words kept as 0x00RRGGBB; their hash: FNV-1a over four interleaved lanes of words (one
// chain of multiplications would make the hash the dearest step of a frame), then over the lanes.
FRAME_LOOP uint64_t MaskAndHash(uint32_t* words, size_t n) {
  constexpr uint64_t kBasis = 0xCBF29CE484222325ull, kPrime = 0x100000001B3ull;
  uint64_t lane[4] = {kBasis, kBasis, kBasis, kBasis};
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    for (size_t k = 0; k < 4; ++k) {
      words[i + k] &= 0xFFFFFFu;
      lane[k] = (lane[k] ^ words[i + k]) * kPrime;
    }
  }
  uint64_t hash = kBasis;
  for (; i < n; ++i) {
    words[i] &= 0xFFFFFFu;
    hash = (hash ^ words[i]) * kPrime;
  }
  for (uint64_t l : lane) hash = (hash ^ l) * kPrime;
  return hash;
}

// delta = now ^ last, and last becomes now; whether any word differs.
FRAME_LOOP bool XorDelta(const uint32_t* now, uint32_t* last, uint32_t* delta, size_t n) {
  uint32_t differs = 0;
  for (size_t i = 0; i < n; ++i) {
    delta[i] = now[i] ^ last[i];
    differs |= delta[i];
    last[i] = now[i];
  }
  return differs != 0;
}

// The hashed frames of a run, each kept deflated as its difference from the frame before, so
// that a replay can show the recording's picture of any frame. Most rows stay as they were (about
// four in five from one hashed frame to the next), so a frame is kept as one word per row, 1 where
// the row changed, followed by the changed rows' differences alone: deflate packs a fifth as much.
class FrameStore {
 public:
  bool OpenForWriting(const fs::path& path) {
    mOut.open(path, std::ios::binary | std::ios::trunc);
    return bool(mOut);
  }
  void Append(const std::vector<uint32_t>& frame, int32_t width) {
    if (mLast.size() != frame.size()) mLast.assign(frame.size(), 0);
    const size_t w = size_t(std::max(width, 1)), rows = frame.size() / w;
    // The buffers are kept from frame to frame: a frame is 3 MB.
    std::vector<uint32_t>& delta = mDelta;
    delta.resize(rows + rows * w);
    size_t changed = 0;
    for (size_t y = 0; y < rows; ++y) {
      delta[y] = XorDelta(frame.data() + y * w, mLast.data() + y * w, delta.data() + rows + changed * w, w);
      changed += delta[y];
    }
    const size_t words = rows + changed * w;
    uLongf size = compressBound(uLong(words * 4));
    std::vector<uint8_t>& packed = mPacked;
    if (packed.size() < size) packed.resize(size);
    compress2(packed.data(), &size, reinterpret_cast<const Bytef*>(delta.data()), uLong(words * 4), 1);
    const uint32_t header[3] = {uint32_t(size), uint32_t(rows * w), uint32_t(w)};
    mOut.write(reinterpret_cast<const char*>(header), sizeof header);
    mOut.write(reinterpret_cast<const char*>(packed.data()), std::streamsize(size));
  }
  // The frame of the index (counted from 0) read back from a store; empty when it has none.
  static std::vector<uint32_t> Read(const fs::path& path, size_t index) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint32_t> frame;
    for (size_t n = 0; n <= index; ++n) {
      uint32_t header[3];
      if (!in.read(reinterpret_cast<char*>(header), sizeof header) || header[2] == 0) return {};
      std::vector<uint8_t> packed(header[0]);
      if (!in.read(reinterpret_cast<char*>(packed.data()), std::streamsize(packed.size()))) return {};
      const size_t w = header[2], rows = header[1] / w;
      std::vector<uint32_t> delta(rows + rows * w);
      uLongf size = uLongf(delta.size() * 4);
      if (uncompress(reinterpret_cast<Bytef*>(delta.data()), &size, packed.data(), uLong(packed.size())) != Z_OK)
        return {};
      if (frame.size() != rows * w) frame.assign(rows * w, 0);
      const uint32_t* from = delta.data() + rows;
      for (size_t y = 0; y < rows; ++y) {
        if (!delta[y]) continue;
        if (size_t(from - delta.data()) + w > size / 4) return {};
        for (size_t x = 0; x < w; ++x) frame[y * w + x] ^= from[x];
        from += w;
      }
    }
    return frame;
  }

 private:
  std::ofstream mOut;
  std::vector<uint32_t> mLast;
  std::vector<uint32_t> mDelta;
  std::vector<uint8_t> mPacked;
};

struct Options {
  fs::path out;
  bool record = false;
  std::string playTag;
  bool software = false;
  bool brokenPref = false;
  // Draws every fiftieth step, hashes and keeps nothing (a recording no replay will follow).
  bool noFrames = false;
  int soakMinutes = 0;
  // Ends the run after this many update steps (0: when the game quits).
  uint64_t steps = 0;
  uint32_t seed = 1;
};

// What a "pref.dat" holds of the run, read from its bytes without touching the file: the player,
// levels open, best money of days 1 and 2, her rows in the career and survival tables.
struct ProfileFacts {
  bool valid = false;
  std::wstring player;
  int32_t levelsOpen = 0;
  int32_t best1 = 0, best2 = 0;
  int32_t career = 0, survival = 0;

  explicit ProfileFacts(const std::vector<uint8_t>& bytes) {
    ProfileStore store;
    valid = !bytes.empty() && store.LoadBytes(bytes.data(), bytes.size(), true);
    if (!valid || !store.HasPlayer()) return;
    player = store.GetPlayerName();
    levelsOpen = store.mPlayer.levelsOpen;
    best1 = store.mPlayer.bestMoney[1];
    best2 = store.mPlayer.bestMoney[2];
    for (bool table : {false, true})
      for (const auto& row : store.GetScoreTable(table))
        if (ProfileCodec::NameToWide(row.name) == player) (table ? survival : career) = row.value;
  }
  std::string Describe() const {
    if (!valid) return "none";
    return "player=" + WideToUtf8(player) + " open=" + std::to_string(levelsOpen) + " best1=" + std::to_string(best1) +
           " best2=" + std::to_string(best2) + " career=" + std::to_string(career) +
           " survival=" + std::to_string(survival);
  }
};

// The screens on which a café is played.
bool IsPlayScreen(const std::string& screen) {
  return screen.rfind("level_", 0) == 0 || (screen.rfind("survival_", 0) == 0 && screen != "survival_menu");
}

// The players a "pref.dat" holds (none when it is missing or unreadable).
size_t PlayersInFile(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  ProfileStore store;
  if (bytes.empty() || !store.LoadBytes(bytes.data(), bytes.size(), true)) return 0;
  std::vector<ProfileStore::PlayerRecord> players;
  store.ListPlayers(players);
  return players.size();
}

// One line of run.txt: "<kind> <step> <value>".
struct RunLine {
  std::string kind;
  uint64_t step = 0;
  std::string value;
};

class GameRun : public ScreenGame {
 public:
  explicit GameRun(const Options& options) : ScreenGame("Game Run"), mOptions(options), mBot(*this) {
    mBot.mSoak = options.soakMinutes > 0;
    mBot.mRandom.seed(options.seed);
    mWaitForLoads = mBot.mSoak;
  }

  // Recording: the lines written; replay: the recording's lines, checked in order.
  std::vector<RunLine> mLines;
  size_t mNextLine = 0;
  // The soak's live heap at a restart, and how many different screens had been seen by then.
  struct HeapSample {
    uint64_t bytes = 0;
    size_t screensSeen = 0;
  };
  std::vector<HeapSample> mHeapAtRestart;
  std::set<std::string> mScreensSeen;
  bool mReplayMismatch = false;

  bool Recording() const { return mOptions.record; }
  bool Replaying() const { return !mOptions.playTag.empty(); }
  bool Soaking() const { return mOptions.soakMinutes > 0; }

  void WriteRunFile() {
    std::ofstream out(mOptions.out / "run.txt");
    for (const RunLine& line : mLines) out << line.kind << " " << line.step << " " << line.value << "\n";
  }

  // The checkpoints at the end of the run.
  void CheckEnd() {
    if (Replaying() && mNextLine < mLines.size())
      Fail("the replay ended before the recording's line " + std::to_string(mNextLine + 1) + ": " +
           mLines[mNextLine].kind + " " + std::to_string(mLines[mNextLine].step) + " " + mLines[mNextLine].value);
    if (!Soaking() && !mOptions.steps && mBot.GetPhase() != GameBot::kDone && Recording())
      Fail("the play-through stopped on " + mScreen + " in phase " + std::to_string(int(mBot.GetPhase())));
    // At a person's pace the lessons are passed at the first try, every target in sight.
    if (Recording() && !Soaking()) {
      for (const std::string& line : mBot.mLessonLog) std::cout << "lesson: " << line << "\n";
      if (mBot.mRushRetries) Fail("the rush lesson was lost " + std::to_string(mBot.mRushRetries) + " times");
      for (const std::string& name : mBot.mCovered) Fail("a note hid " + name + " when it was to be clicked");
      const std::vector<std::string> faults = CheckPace(mBot.mLog, kPractisedPace);
      if (!faults.empty()) Fail("pace: " + faults.front() + " (" + std::to_string(faults.size()) + " faults in all)");
    }
  }

 protected:
  void Fail(const std::string& what) override { ::Fail(what); }

  void UpdateStep() override {
    const uint64_t step = GetUpdateCount();
    gStep = step;
    ScreenGame::UpdateStep();
    if (IsShutdownRequested()) return;
    if (mBoxWatch.active) WatchBox();
    // A box runs steps of its own inside this one (the game's modal loop): go on from its last.
    if (GetUpdateCount() != step) return;
    const std::string screen = ScreenName(*this);
    if (screen != mScreen) OnScreen(screen, step);
    if (step == mScreenStep + kShotDelay && mScreen == "hiscores" && !Soaking()) CheckScores(step);
    if (mResumeStep && step >= mResumeStep + kResumeSteps) CheckResumed(step);
    if (step % kHashEvery == 0) {
      CheckPlay();
      mHashNext = true;
      if (!mOptions.noFrames || step % kDrawEveryWithoutFrames == 0) DrawFrame();
    }
    // A screen's picture once its fades and page turns have ended (or, on a screen that never
    // comes to rest, a while after it came), from the frame just drawn.
    if (!mShotTaken && mPlan.empty() && step % kHashEvery == 0 && step >= mScreenStep + kShotDelay &&
        (Calm() || step >= mScreenStep + 4 * kShotDelay) && Recording())
      TakeShot();
    if (!Replaying() && !Soaking()) {
      WatchSurvivalEnd();
      StepShotPlan(step);
    }
    if (!Replaying() && mPlan.empty()) mBot.Step(mScreen, step);
    if (step % 1000 == 0 && !Replaying()) Report(step);
    if (Soaking() && step >= uint64_t(mOptions.soakMinutes) * 6000) Shutdown();
    if (mOptions.steps && step >= mOptions.steps) Shutdown();
  }

  // Input as the game takes it, recorded or replayed: Escape in the new player's name field and
  // the window's close over play are checked around their handling.
  void HandleInput(const Platform::InputEvent& event) override {
    using Type = Platform::InputEvent::Type;
    const bool nameEscape = event.mType == Type::KeyDown && event.mKey == 27 && mScreen == "create_player";
    const bool closeOverPlay = event.mType == Type::Close && IsPlayScreen(mScreen) && !mMessageBoxOpen && !Soaking();
    if (closeOverPlay) {
      ZCBoard_Game3* board = GetBoard();
      mBoxWatch = BoxWatch{};
      mBoxWatch.active = true;
      mBoxWatch.screen = mScreen;
      mBoxWatch.levelTime = board ? board->GetLevelTime() : 0;
    }
    ScreenGame::HandleInput(event);
    if (nameEscape) CheckNoPlayerMade();
    if (closeOverPlay) CheckBoxAnswered();
  }

  // Only the hashed frames are drawn: one every kHashEvery update steps, in every run alike.
  bool IsDirty() const override { return false; }

  void DrawScreen(Vesk::Graphics* g) override {
    ScreenGame::DrawScreen(g);
    // The soak (and a run without frames) draws like the others but keeps no frames.
    if (!mHashNext || Soaking() || mOptions.noFrames) return;
    mHashNext = false;
    Vesk::DDImage* screen = GetDisplay()->GetScreenImage();
    // The draw surface is read where it stands (reading it back into the image's memory would
    // leave a copy that every later drawing has to keep up to date).
    Platform::Video::Surface* surface = screen->GetSurface();
    Platform::Video::LockInfo info;
    if (!surface || surface->Lock(&info) != Platform::Video::Result::Ok) {
      Fail("the draw surface cannot be read");
      return;
    }
    const int32_t width = info.mWidth, height = info.mHeight;
    const int32_t bpp = info.mFormat.BytesPerPixel();
    const Platform::Video::PixelShifts shifts(info.mFormat);
    // The buffer of the frame before the last is reused (a new one is zeroed first).
    std::vector<uint32_t> frame = std::move(mSpareFrame);
    frame.resize(size_t(width) * size_t(height));
    uint32_t* out = frame.data();
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* row = info.mBits + size_t(y) * size_t(info.mPitch);
      uint32_t* dst = out + size_t(y) * size_t(width);
      if (bpp == 4 && info.mFormat == Platform::Video::PixelFormat::X8R8G8B8()) {
        std::memcpy(dst, row, size_t(width) * 4);
        continue;
      }
      for (int32_t x = 0; x < width; ++x) {
        uint32_t pixel = 0;
        std::memcpy(&pixel, row + size_t(x) * size_t(bpp), size_t(bpp));
        dst[x] = shifts.ToArgb(pixel);
      }
    }
    surface->Unlock();
    const uint64_t hash = MaskAndHash(out, frame.size());
    mWidth = width;
    mHeight = height;
    if (Recording()) mFrames.Append(frame, width);
    Line("frame", GetUpdateCount(), std::to_string(hash), &frame);
    mSpareFrame = std::move(mLastFrame);
    mLastFrame = std::move(frame);
  }

 private:
  // A line of the run: kept when recording, compared with the recording's when replaying.
  void Line(const std::string& kind, uint64_t step, const std::string& value, const std::vector<uint32_t>* frame = nullptr) {
    if (Recording()) {
      mLines.push_back({kind, step, value});
      return;
    }
    if (!Replaying() || mReplayMismatch) return;
    if (mNextLine >= mLines.size()) {
      Mismatch("the recording has nothing more; the replay has " + kind + " " + std::to_string(step) + " " + value);
      return;
    }
    const RunLine& expected = mLines[mNextLine];
    if (kind == "frame") ++mFrameIndex;
    if (expected.kind != kind || expected.step != step || expected.value != value) {
      Mismatch("at step " + std::to_string(step) + " the recording has " + expected.kind + " " +
               std::to_string(expected.step) + " " + expected.value + ", the replay " + kind + " " + value);
      if (kind == "frame" && frame) WritePictures(*frame);
      return;
    }
    ++mNextLine;
  }

  void Mismatch(const std::string& what) {
    mReplayMismatch = true;
    Fail(what);
  }

  void WritePictures(const std::vector<uint32_t>& replayed) {
    const fs::path folder = mOptions.out / mOptions.playTag;
    fs::create_directories(folder);
    const size_t index = mFrameIndex - 1;
    const std::string name = "frame_" + std::to_string(GetUpdateCount());
    SavePicture(replayed, mWidth, mHeight, folder / (name + "_replay.png"));
    const std::vector<uint32_t> recorded = FrameStore::Read(mOptions.out / "frames.z", index);
    if (recorded.empty() || !SavePicture(recorded, mWidth, mHeight, folder / (name + "_recording.png")))
      Fail("the recording's frame " + std::to_string(index) + " cannot be read back");
    std::cerr << "pictures of the first differing frame: " << (folder / name).string() << "_{recording,replay}.png\n";
  }

  // Escape in the name field of the first start leaves no player, in the game or in the file.
  void CheckNoPlayerMade() {
    ProfileStore& store = GetProfileStore();
    std::vector<ProfileStore::PlayerRecord> players;
    store.ListPlayers(players);
    const size_t inFile = PlayersInFile(store.GetPath());
    if (store.HasPlayer() || !players.empty() || inFile)
      Fail("Escape in the name field made a player (" + std::to_string(players.size()) + " in the game, " +
           std::to_string(inFile) + " in pref.dat)");
    Line("check", GetUpdateCount(), "escape in the name field: no player");
  }

  // A step inside the box the close opened: how far its fade has come, and that play is still.
  void WatchBox() {
    ZCBoard_Box* box = ScreenTable::GetConfirmBox();
    if (!box || !box->IsShowing() || !mMessageBoxOpen) return;
    if (mBoxWatch.id.empty()) {
      mBoxWatch.id = box->GetBoxId();
      mBoxWatch.firstAlpha = box->GetAlpha();
    }
    mBoxWatch.lastAlpha = box->GetAlpha();
    ZCBoard_Game3* board = GetBoard();
    if (board && board->GetLevelTime() != mBoxWatch.levelTime && !mBoxWatch.played) {
      mBoxWatch.played = true;
      Fail("the café played on under the \"" + mBoxWatch.id + "\" box");
    }
  }

  // The close's box came over the café, faded in and was answered no: the game goes on.
  void CheckBoxAnswered() {
    mBoxWatch.active = false;
    const std::string over = mBoxWatch.screen;
    if (mBoxWatch.id.empty()) return Fail("the window's close over " + over + " showed no box");
    if (mBoxWatch.firstAlpha >= 1.0f || mBoxWatch.lastAlpha < 1.0f)
      Fail("the \"" + mBoxWatch.id + "\" box over " + over + " did not fade in (alpha " +
           std::to_string(mBoxWatch.firstAlpha) + " first, " + std::to_string(mBoxWatch.lastAlpha) + " last)");
    if (IsShutdownRequested() || mMessageBoxOpen) Fail("the \"" + mBoxWatch.id + "\" box answered no did not let play go on");
    ZCBoard_Game3* board = GetBoard();
    mResumeStep = GetUpdateCount();
    mResumeTime = board ? board->GetLevelTime() : 0;
    Line("check", GetUpdateCount(), "box_" + mBoxWatch.id + " over " + over + " faded in, answered");
  }

  // A while after the box: the same café runs with no pause token and its clock moving.
  void CheckResumed(uint64_t step) {
    const uint64_t since = step - mResumeStep;
    mResumeStep = 0;
    ZCBoard_Game3* board = IsLoaderRunning() ? nullptr : GetBoard();
    const float expected = float(since) * 0.01f;
    if (!board || mScreen != mBoxWatch.screen || !board->IsRunning())
      return Fail("play did not resume on " + mBoxWatch.screen + " after the box (now " + mScreen + ")");
    if (board->GetPauseCount() != 0)
      Fail("after the box the board holds " + std::to_string(board->GetPauseCount()) + " pause tokens");
    if (board->GetLevelTime() - mResumeTime < expected * 0.9f)
      Fail("after the box the café's clock moved " + std::to_string(board->GetLevelTime() - mResumeTime) + " s in " +
           std::to_string(since) + " steps");
    mBoxResumed = true;
    Line("check", step, mScreen + " resumed");
  }

  // The shop opens only with something on offer: the board's own list, and the shop's.
  void CheckShop(uint64_t step) {
    ZCBoard_Game3* board = GetBoard();
    auto* shop = board ? dynamic_cast<ZCBoard_Upgrade*>(&board->GetDialog(ZCBoard_Game3::kShop)) : nullptr;
    // The board's list draws a survival café's pending upgrade from its queue: only a day's is read.
    std::vector<UpgradeRecord*> offers;
    const int32_t listed = board && !board->IsSurvival() ? board->ListUpgradeOffers(offers) : -1;
    const int32_t shown = shop ? shop->GetOfferCount() : 0;
    if (listed == 0 || shown <= 0)
      Fail("the shop opened with " + std::to_string(shown) + " offers shown, " + std::to_string(listed) + " listed");
    Line("check", step, "shop with " + std::to_string(shown) + " offers");
  }

  // No fade or page turn runs and no input waits.
  bool Calm() const { return IsSettled(); }

  // Pictures besides one per screen, of what a screen holds in turn: each entry's click (if any)
  // is played once the game is calm, and its picture taken from the first frame drawn after the
  // game has been calm for a while. The bot waits meanwhile.
  struct PlanShot {
    std::string click;
    std::string name;
  };
  void StartShotPlan(std::vector<PlanShot> plan) {
    mPlan.assign(plan.begin(), plan.end());
    mPlanClicked = false;
    mCalmSince = 0;
  }
  void StepShotPlan(uint64_t step) {
    if (mPlan.empty()) return;
    if (!Calm()) {
      mCalmSince = 0;
      return;
    }
    if (!mCalmSince) mCalmSince = step;
    if (!mPlanClicked && !mPlan.front().click.empty()) {
      QueueClick(mPlan.front().click);
      mPlanClicked = true;
      mCalmSince = 0;
      return;
    }
    if (step < mCalmSince + kPlanCalmSteps || step % kHashEvery != 0) return;
    if (Recording() && !mPlan.front().name.empty()) TakeShot(mPlan.front().name);
    mPlan.pop_front();
    mPlanClicked = false;
    mCalmSince = 0;
  }
  // The escape menu's help, each of its pages; the shop, each of its offers (the first chosen
  // again at the end, as the bot takes it); the end of a survival game.
  void PlanShots(const std::string& screen) {
    if (screen == "escape_menu" && !mHelpShot) {
      mHelpShot = true;
      const std::string help = "help/";
      StartShotPlan({{"game_board/escape_menu/escape_dlg/right_page/help", "escape_help_1"},
                     {help + "next_btn", "escape_help_2"},
                     {help + "next_btn", "escape_help_3"},
                     {help + "close", ""}});
    } else if (screen == "upgrade") {
      ZCBoard_Game3* board = GetBoard();
      auto* shop = board ? dynamic_cast<ZCBoard_Upgrade*>(&board->GetDialog(ZCBoard_Game3::kShop)) : nullptr;
      const int32_t offers = shop ? shop->GetOfferCount() : 0;
      std::vector<PlanShot> plan;
      for (int32_t i = 0; i < offers; ++i)
        plan.push_back({i ? "game_board/upgrade/upgrade_tray" + std::to_string(i + 1) + "/button" : "",
                        "upgrade_offer_" + std::to_string(i + 1)});
      if (offers > 1) plan.push_back({"game_board/upgrade/upgrade_tray1/button", ""});
      StartShotPlan(plan);
    }
  }
  void WatchSurvivalEnd() {
    if (mSurvivalEndShot || mScreen.rfind("survival_", 0) != 0 || mScreen == "survival_menu") return;
    ZCCandyWidget* splash = FindWidget(this, "game_board/hud/surv_end_splash");
    if (!splash || !splash->IsVisibleInTree()) return;
    mSurvivalEndShot = true;
    StartShotPlan({{"", "survival_end"}});
  }

  void OnScreen(const std::string& screen, uint64_t step) {
    if (Recording() && !mShotTaken && !mScreen.empty() && mLastFrame.size()) TakeShot();
    mBot.ScreenChanged(mScreen, screen);
    // The survival page comes up again after a café: the soak starts it anew.
    if (Soaking() && screen.rfind("survival_", 0) == 0 && screen != "survival_menu") mSurvivalPlayed = true;
    mScreensSeen.insert(screen);
    if (Soaking() && screen == "survival_menu" && mSurvivalPlayed)
      mHeapAtRestart.push_back({LiveHeap(), mScreensSeen.size()});
    std::cout << "step " << step << ": " << screen << std::endl;
    // A day's result, as the debriefing shows it.
    if ((screen == "debriefing" || screen == "debriefing_fail") && GetBoard() && !GetBoard()->IsSurvival())
      std::cout << "step " << step << ": day " << GetBoard()->GetLevel() << " ended with money " << GetBoard()->GetMoney()
                << " against the goal " << GetBoard()->GetGoal() << std::endl;
    mScreen = screen;
    mScreenStep = step;
    mShotTaken = false;
    if (Soaking()) return;
    if (!Replaying()) PlanShots(screen);
    Line("screen", step, screen);
    if (screen == "upgrade") CheckShop(step);
    // The bot reaches every goal; after the box over day 2 that shows the day went on to its end.
    if (screen == "debriefing_fail")
      Fail(std::string("a day ended below its goal") + (mBoxResumed ? " after the box over it" : ""));
    // The profile after each result and profile change, as the file holds it.
    const std::vector<uint8_t> pref = ReadBytes(GetProfileStore().GetPath());
    if (pref != mLastPref) {
      mLastPref = pref;
      const std::string name = std::to_string(mPrefCount++) + ".dat";
      const std::string facts = name + " " + ProfileFacts(pref).Describe();
      std::cout << "step " << step << ": pref.dat " << facts << std::endl;
      if (Recording()) {
        fs::create_directories(mOptions.out / "pref");
        WriteBytes(mOptions.out / "pref" / name, pref);
      } else if (Replaying() && ReadBytes(mOptions.out / "pref" / name) != pref) {
        Mismatch("pref.dat differs from the recording's " + name);
      }
      Line("pref", step, facts);
    }
  }

  // Where the play stands, now and then, for whoever reads the run's output.
  void Report(uint64_t step) {
    ZCBoard_Game3* board = IsLoaderRunning() ? nullptr : GetBoard();
    if (!board || !board->IsRunning()) return;
    std::cout << "step " << step << ": " << mScreen << " money " << board->GetMoney() << " goal " << board->GetGoal()
              << " lives " << board->GetLives() << " time " << board->GetLevelTime() << " " << mBot.Describe() << std::endl;
    if (std::getenv("GAME_RUN_DEBUG")) SavePicture(mLastFrame, mWidth, mHeight, mOptions.out / "report.png");
  }

  // Play runs with no pausing dialog: the board holds no pause token.
  void CheckPlay() {
    ZCBoard_Game3* board = IsLoaderRunning() ? nullptr : GetBoard();
    if (!board || !board->IsRunning() || mMessageBoxOpen) return;
    // The board's dialogs (briefing, debriefings, shop, escape menu) pause it.
    const bool play = mScreen.rfind("level_", 0) == 0 || (mScreen.rfind("survival_", 0) == 0 && mScreen != "survival_menu");
    if (!play) return;
    if (board->GetPauseCount() != 0 && !mPauseReported) {
      mPauseReported = true;
      Fail("the board holds " + std::to_string(board->GetPauseCount()) + " pause tokens while play runs on " + mScreen);
    }
  }

  void TakeShot() {
    mShotTaken = true;
    TakeShot(mScreen);
  }
  void TakeShot(const std::string& what) {
    if (mLastFrame.empty()) return;
    fs::create_directories(mOptions.out / "shots");
    char name[64];
    std::snprintf(name, sizeof name, "%02d_", mShotCount++);
    SavePicture(mLastFrame, mWidth, mHeight, mOptions.out / "shots" / (name + what + ".png"));
  }

  // The high-score page: each table shows a row of the player, highlighted, and only hers.
  void CheckScores(uint64_t step) {
    auto* page = dynamic_cast<ZCBoard_HiScores*>(ScreenTable::Get(ScreenTable::kHiScores));
    if (!page) return;
    std::string seen;
    for (int table = 0; table < 2; ++table) {
      ZCCandyWidget* side = table ? page->mRight : page->mLeft;
      int mine = 0;
      for (int row = 0; side && row < 14; ++row) {
        const std::string index = std::to_string(table) + std::to_string(row);
        ZCCandyWidget* line = side->FindChild("line" + index);
        ZCCandyWidget* score = side->FindChild("score" + index);
        ZCText* name = line ? line->AsText() : nullptr;
        if (!name || name->GetText().empty()) continue;
        const bool hers = name->GetText() == L"Tess";
        if (hers != !line->IsDisabled() || (score && hers != !score->IsDisabled()))
          Fail("the high-score row " + index + " of " + WideToUtf8(name->GetText()) + " is " +
               (hers ? "not highlighted" : "highlighted"));
        if (!hers) continue;
        ++mine;
        ZCText* value = score ? score->AsText() : nullptr;
        seen += " " + index + ":" + (value ? WideToUtf8(value->GetText()) : std::string("?"));
        if (!line->IsVisible() || !value || value->GetText().empty())
          Fail("the high-score row " + index + " of Tess is not shown with its score");
      }
      if (mine != 1)
        Fail(std::string("the ") + (table ? "survival" : "career") + " table shows " + std::to_string(mine) +
             " rows of Tess");
    }
    Line("scores", step, seen.empty() ? "none" : seen.substr(1));
  }

  Options mOptions;
  GameBot mBot;
  FrameStore mFrames;
  std::string mScreen;
  uint64_t mScreenStep = 0;
  bool mShotTaken = true;
  int mShotCount = 0;
  bool mHashNext = false;
  std::vector<uint32_t> mLastFrame, mSpareFrame;
  int32_t mWidth = 0, mHeight = 0;
  size_t mFrameIndex = 0;
  std::vector<uint8_t> mLastPref;
  int mPrefCount = 0;
  bool mPauseReported = false;
  bool mSurvivalPlayed = false;
  // The pictures planned (StepShotPlan), and how long the game has been calm.
  std::deque<PlanShot> mPlan;
  bool mPlanClicked = false;
  uint64_t mCalmSince = 0;
  static constexpr uint64_t kPlanCalmSteps = 30;
  bool mHelpShot = false;
  bool mSurvivalEndShot = false;
  // The box a close opened over play, watched from the close to its answer.
  struct BoxWatch {
    bool active = false;
    std::string screen;
    std::string id;
    float levelTime = 0;
    float firstAlpha = 1, lastAlpha = 0;
    bool played = false;
  } mBoxWatch;
  // Steps after the box's answer at which play is checked again.
  static constexpr uint64_t kResumeSteps = 200;
  uint64_t mResumeStep = 0;
  float mResumeTime = 0;
  bool mBoxResumed = false;

 public:
  bool OpenFrames() { return mFrames.OpenForWriting(mOptions.out / "frames.z"); }
};

bool ParseArgs(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--out") o.out = next();
    else if (a == "--record") o.record = true;
    else if (a == "--play") o.playTag = next();
    else if (a == "--software") o.software = true;
    else if (a == "--broken-pref") o.brokenPref = true;
    else if (a == "--no-frames") o.noFrames = true;
    else if (a == "--soak") o.soakMinutes = std::atoi(next().c_str());
    else if (a == "--steps") o.steps = std::strtoull(next().c_str(), nullptr, 10);
    else if (a == "--seed") o.seed = uint32_t(std::strtoul(next().c_str(), nullptr, 10));
    else return false;
  }
  // A replay starts on the recording's settings: --software goes with both.
  const int modes = int(o.record) + int(!o.playTag.empty()) + int(o.soakMinutes > 0);
  return !o.out.empty() && modes == 1;
}

std::vector<RunLine> ReadRunFile(const fs::path& path) {
  std::vector<RunLine> lines;
  std::ifstream in(path);
  for (std::string text; std::getline(in, text);) {
    std::istringstream fields(text);
    RunLine line;
    if (fields >> line.kind >> line.step) {
      std::getline(fields >> std::ws, line.value);
      lines.push_back(line);
    }
  }
  return lines;
}

// The profile the play-through leaves: two days done, the player's rows in both tables.
void CheckProfile(const std::string& path) {
  const ProfileFacts facts(ReadBytes(path));
  std::cout << "pref.dat at the end: " << facts.Describe() << "\n";
  if (!facts.valid) return Fail("pref.dat cannot be read back: " + path);
  if (facts.player != L"Tess") Fail("the current player is \"" + WideToUtf8(facts.player) + "\", not Tess");
  if (facts.levelsOpen != 3) Fail("levels open: " + std::to_string(facts.levelsOpen) + ", not 3");
  if (facts.best1 <= 0 || facts.best2 <= 0) Fail("no best money of day 1 or 2");
  if (facts.career != facts.best1 + facts.best2)
    Fail("the career row of Tess holds " + std::to_string(facts.career) + ", not the sum of her best money");
  if (facts.survival <= 0) Fail("the survival table has no row of Tess");
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArgs(argc, argv, options)) {
    std::cerr << "usage: game_run --out DIR (--record [--software] [--broken-pref] | --play TAG [--software] | --soak MINUTES "
                 "[--seed N])\n";
    return 2;
  }
  fs::create_directories(options.out);
  // A recording starts clean: no pictures or profiles of an earlier run are left to mislead.
  if (options.record) {
    fs::remove_all(options.out / "shots");
    fs::remove_all(options.out / "pref");
  }
  // GAME_RUN_DEBUG: the board's events and the log on the output, for whoever follows the bot.
  struct PrintTrace : BoardTrace {
    void TraceEvent(const std::string& line) override { std::cout << gStep << " event: " << line << std::endl; }
  } printTrace;
  if (std::getenv("GAME_RUN_DEBUG")) GetBoardWorld().mTrace = &printTrace;
  // A cut profile is told of once, as it is kept aside; any other error fails the run.
  const bool brokenPref = options.brokenPref;
  static const bool debug = std::getenv("GAME_RUN_DEBUG") != nullptr;
  LogSink::Set([brokenPref](const std::string& line) {
    if (debug) std::cout << "log: " << line << std::endl;
    if (line.find("ERROR: ") == std::string::npos) return;
    if (brokenPref && line.find("pref.dat.bad") != std::string::npos) return;
    ++gErrors;
  });

  // A first start: no profile, or one cut inside its header when asked.
  const std::string prefPath = GetProfileStore().GetPath();
  fs::remove(prefPath);
  fs::remove(prefPath + ".bad");
  if (options.brokenPref) {
    fs::create_directories(fs::path(prefPath).parent_path());
    WriteBytes(prefPath, std::vector<uint8_t>(20, 0x5A));
  }
  const fs::path demo = options.out / "demo.dmo";
  auto game = std::make_unique<GameRun>(options);
  if (options.record) game->SetCommandLine({"-record", "-demofile", demo.string()});
  if (!options.playTag.empty()) {
    game->SetCommandLine({"-play", "-demofile", demo.string()});
    game->mLines = ReadRunFile(options.out / "run.txt");
    if (game->mLines.empty()) {
      std::cerr << "no recording in " << options.out << "\n";
      return 1;
    }
  }
  fs::create_directories(fs::path(game->SettingsFilePath()).parent_path());
  {
    std::ofstream ini(game->SettingsFilePath());
    ini << "[SOFTWARE\\Cafe Tests\\Game Run]\nIs3D=" << (options.software ? 0 : 1) << "\n";
  }
  if (options.record && !game->OpenFrames()) Fail("frames.z cannot be written");
  if (!game->Init()) {
    Fail("the game did not start");
    return 1;
  }
  // Without a demo the game seeds itself from the clock; the soak follows its own seed.
  if (options.soakMinutes > 0) SeedRandom(options.seed);
  game->PlayToEnd(kStepLimit);
  if (options.record && !game->GetDemo().Finish(game->GetUpdateCount())) Fail("the demo cannot be written");
  if (options.record) game->WriteRunFile();
  game->CheckEnd();
  const std::vector<GameRun::HeapSample> heap = game->mHeapAtRestart;
  const std::set<std::string> screensSeen = game->mScreensSeen;
  const uint64_t steps = game->GetUpdateCount();
  game.reset();
  LogSink::Set(nullptr);

  if (options.brokenPref && !fs::exists(prefPath + ".bad")) Fail("the cut pref.dat was not kept aside as pref.dat.bad");
  if (options.brokenPref && ProfileFacts(ReadBytes(prefPath)).player != L"Tess")
    Fail("after the cut pref.dat no profile of Tess was written");
  if (options.record && !options.steps) CheckProfile(prefPath);
  if (options.soakMinutes > 0) {
    std::cout << "soak: " << heap.size() << " restarts in " << steps << " steps\n";
    std::string screens;
    for (const std::string& name : screensSeen) screens += " " + name;
    std::cout << "soak: screens seen:" << screens << "\n";
    // The first restart after the last screen first seen: from there on nothing is loaded for
    // the first time.
    size_t first = 0;
    while (first < heap.size() && heap[first].screensSeen < screensSeen.size()) ++first;
    if (heap.size() - first < 2) {
      Fail("the soak restarted survival " + std::to_string(heap.size() - first) +
           " times after every screen was seen (" + std::to_string(heap.size()) + " in all)");
    } else {
      std::vector<int64_t> bytes;
      for (size_t i = first; i < heap.size(); ++i) bytes.push_back(int64_t(heap[i].bytes));
      const int64_t growth = HeapTrend::Growth(bytes);
      std::cout << "soak: live heap " << heap.front().bytes << " at the first restart, " << heap[first].bytes
                << " at restart " << first + 1 << " (every screen seen), " << heap.back().bytes
                << " at the last; the median of the last third against the first: " << growth << " bytes\n";
      if (growth >= (1 << 20)) Fail("the live heap grew by " + std::to_string(growth) + " bytes over the restarts");
    }
  }
  if (gErrors > 0) Fail(std::to_string(gErrors.load()) + " \"ERROR: \" log lines");
  std::cout << "game_run: " << steps << " update steps, " << gFailures << " failures\n";
  return gFailures ? 1 : 0;
}
