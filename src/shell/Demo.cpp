#include "shell/Demo.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/paths/UserPaths.h"
#include "shell/Buffer.h"
#include "shell/Log.h"

namespace {

constexpr char kMagic[4] = {'P', 'C', 'D', 'M'};
constexpr uint16_t kVersion = 1;
constexpr int kKindBits = 2;
constexpr int kTypeBits = 4;
constexpr size_t kMaxString = 65536;
constexpr uint8_t kLastEventType = uint8_t(Platform::InputEvent::Type::MouseLeave);

}  // namespace

Demo::~Demo() {
  if (mMode == Mode::Recording) Finish(mLastStep);
}

std::string Demo::FileName(const std::string& demoFile, int number) {
  if (!demoFile.empty()) return demoFile;
  return std::to_string(number) + ".dmo";
}

bool Demo::StartRecording(const std::string& path, uint32_t seed) {
  if (mMode == Mode::Recording) Finish(mLastStep);
  mMode = Mode::Recording;
  mPath = path;
  mSeed = seed;
  mRandom.SRand(seed);
  mLastStep = 0;
  mRecords.clear();
  mEvents.clear();
  mSyncs.clear();
  return true;
}

void Demo::RecordEvent(uint64_t step, const Platform::InputEvent& ev) {
  if (mMode != Mode::Recording) return;
  if (step < mLastStep) step = mLastStep;  // the loop's step counter never goes back
  if (step > UINT32_MAX) return;
  mLastStep = step;
  Record r;
    r.mKind = Record::kEvent;
  r.mStep = step;
  r.mEvent = ev;
  mRecords.push_back(std::move(r));
}

void Demo::SyncBool(bool& value) {
  if (mMode == Mode::Recording) {
    Record r;
    r.mKind = Record::kBool;
    r.mSync.mBool = value;
    mRecords.push_back(std::move(r));
  } else if (mMode == Mode::Playing) {
    if (mSyncs.empty() || mSyncs.front().mIsString) return StopPlayback("no recorded bool value here");
    value = mSyncs.front().mBool;
    mSyncs.pop_front();
  }
}

void Demo::SyncString(std::string& value) {
  if (mMode == Mode::Recording) {
    Record r;
    r.mKind = Record::kString;
    r.mSync.mIsString = true;
    r.mSync.mString = value.size() > kMaxString ? value.substr(0, kMaxString) : value;
    mRecords.push_back(std::move(r));
  } else if (mMode == Mode::Playing) {
    if (mSyncs.empty() || !mSyncs.front().mIsString) return StopPlayback("no recorded string value here");
    value = mSyncs.front().mString;
    mSyncs.pop_front();
  }
}

void Demo::StopPlayback(const char* why) {
  LogMessage("ERROR: Demo: playback of %s out of step (%s); playback stopped", mPath.c_str(), why);
  mMode = Mode::Off;
  mEvents.clear();
  mSyncs.clear();
}

std::vector<Platform::InputEvent> Demo::TakeEvents(uint64_t step) {
  std::vector<Platform::InputEvent> out;
  if (mMode != Mode::Playing) return out;
  while (!mEvents.empty() && mEvents.begin()->first <= step) {
    auto& evs = mEvents.begin()->second;
    out.insert(out.end(), evs.begin(), evs.end());
    mEvents.erase(mEvents.begin());
  }
  return out;
}

bool Demo::PlaybackFinished(uint64_t step) const {
  return mMode != Mode::Playing || (mEvents.empty() && step >= mLastStep);
}

bool Demo::Finish(uint64_t lastStep) {
  if (mMode == Mode::Playing) {
    mMode = Mode::Off;
    mEvents.clear();
    mSyncs.clear();
    return true;
  }
  if (mMode != Mode::Recording) return true;
  mMode = Mode::Off;
  if (lastStep > mLastStep && lastStep <= UINT32_MAX) mLastStep = lastStep;

  Vesk::Buffer b;
  b.WriteBytes(reinterpret_cast<const uint8_t*>(kMagic), 4);
  b.WriteNumBits(kVersion, 16);
  b.WriteNumBits(mSeed, 32);
  for (const Record& r : mRecords) {
    b.WriteNumBits(r.mKind, kKindBits);
    switch (r.mKind) {
      case Record::kEvent:
        b.WriteNumBits(r.mStep, 32);
        b.WriteNumBits(uint8_t(r.mEvent.mType), kTypeBits);
        b.WriteLong(r.mEvent.mX);
        b.WriteLong(r.mEvent.mY);
        b.WriteLong(r.mEvent.mButton);
        b.WriteLong(r.mEvent.mKey);
        b.WriteLong(r.mEvent.mClicks);
        break;
      case Record::kBool: b.WriteBoolean(r.mSync.mBool); break;
      case Record::kString: b.WriteString(r.mSync.mString); break;
      case Record::kEnd: break;
    }
  }
  b.WriteNumBits(Record::kEnd, kKindBits);
  b.WriteNumBits(mLastStep, 32);
  b.WriteNumBits(mRecords.size(), 32);
  mRecords.clear();

  std::string error;
  if (!Platform::WriteFileAtomic(mPath, b.GetDataPtr(), b.GetDataLen(), &error)) {
    LogMessage("ERROR: Demo: cannot write %s (%s)", mPath.c_str(), error.c_str());
    return false;
  }
  return true;
}

bool Demo::StartPlayback(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (mMode == Mode::Recording) Finish(mLastStep);
    mMode = Mode::Off;
    LogMessage("ERROR: Demo: cannot open %s", path.c_str());
    return false;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return StartPlaybackFromMemory(bytes, path);
}

bool Demo::StartPlaybackFromMemory(const std::vector<uint8_t>& bytes, const std::string& label) {
  if (mMode == Mode::Recording) Finish(mLastStep);
  mMode = Mode::Off;
  mEvents.clear();
  mSyncs.clear();
  mPath = label;

  auto fail = [&](const std::string& why) {
    LogMessage("ERROR: Demo: %s is not a valid demo (%s)", label.c_str(), why.c_str());
    mEvents.clear();
    mSyncs.clear();
    return false;
  };
  if (bytes.size() < 4 || std::memcmp(bytes.data(), kMagic, 4) != 0) return fail("bad magic");
  Vesk::Buffer b(bytes);
  b.ReadNumBits(32);
  uint16_t version = uint16_t(b.ReadNumBits(16));
  uint32_t seed = uint32_t(b.ReadNumBits(32));
  if (b.HasError()) return fail("truncated header");
  if (version != kVersion) return fail("unsupported version " + std::to_string(version));

  uint64_t count = 0, lastStep = 0;
  bool ended = false;
  while (!ended) {
    uint8_t kind = uint8_t(b.ReadNumBits(kKindBits));
    if (b.HasError()) return fail("truncated");
    switch (kind) {
      case Record::kEvent: {
        uint64_t step = b.ReadNumBits(32);
        uint8_t type = uint8_t(b.ReadNumBits(kTypeBits));
        Platform::InputEvent ev;
        ev.mType = Platform::InputEvent::Type(type);
        ev.mX = b.ReadLong();
        ev.mY = b.ReadLong();
        ev.mButton = b.ReadLong();
        ev.mKey = b.ReadLong();
        ev.mClicks = b.ReadLong();
        if (b.HasError()) return fail("truncated event");
        if (type > kLastEventType) return fail("unknown event type " + std::to_string(type));
        if (step < lastStep) return fail("steps out of order");
        lastStep = step;
        mEvents[step].push_back(ev);
        break;
      }
      case Record::kBool: {
        Sync s;
        s.mBool = b.ReadBoolean();
        if (b.HasError()) return fail("truncated value");
        mSyncs.push_back(std::move(s));
        break;
      }
      case Record::kString: {
        Sync s;
        s.mIsString = true;
        if (!b.ReadString(s.mString, kMaxString)) return fail("truncated or oversized text value");
        mSyncs.push_back(std::move(s));
        break;
      }
      default: {
        uint64_t endStep = b.ReadNumBits(32);
        uint64_t endCount = b.ReadNumBits(32);
        if (b.HasError()) return fail("truncated end record");
        if (endCount != count) return fail("record count mismatch");
        if (endStep < lastStep) return fail("last step before the last event");
        if (!b.AtEnd()) return fail("data after the end record");
        lastStep = endStep;
        ended = true;
        continue;
      }
    }
    ++count;
  }
  mSeed = seed;
  mRandom.SRand(seed);
  mLastStep = lastStep;
  mMode = Mode::Playing;
  return true;
}
