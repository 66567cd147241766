#pragma once
#include <cstdint>
#include <string>

// What an effect may change on the thing it belongs to (a widget, a board item or an item
// part). Effects never see the classes behind it: they call these eight operations, or write
// through the target pointers the owner hands them (ZCEffect::SetTarget).
class ZCIEffect {
 public:
  virtual void SetAlpha(float alpha) = 0;
  virtual void SetScale(float scale) = 0;
  virtual void SetVisibleFlag(bool visible) = 0;
  virtual void SetScalePointX(int32_t x) = 0;
  virtual void SetScalePointY(int32_t y) = 0;
  virtual ZCIEffect* SetOffsetX(int32_t x) = 0;
  virtual ZCIEffect* SetOffsetY(int32_t y) = 0;
  virtual const std::string& GetName() const = 0;

 protected:
  ~ZCIEffect() = default;
};

// One part's fields as an effect writes them: pointers into the part, any of which may be null.
struct ZCPartRecord {
  int32_t* mOffsetX = nullptr;
  int32_t* mOffsetY = nullptr;
  float* mScale = nullptr;
  int32_t* mScalePointX = nullptr;
  int32_t* mScalePointY = nullptr;
  float* mAlpha = nullptr;
  bool* mVisible = nullptr;
  bool* mOrientationFree = nullptr;
  int32_t* mTextColor = nullptr;
  int32_t* mTextColor2 = nullptr;
};

// The parts an item hands its effect (target kTargetParts): a count, the item's running flag and
// up to kMaxRecords records (the last of the sixteen slots stays unused).
struct ZCPartRecordBlock {
  static constexpr int32_t kSlots = 16;
  static constexpr int32_t kMaxRecords = 15;
  int32_t mCount = 0;
  bool* mRunning = nullptr;
  ZCPartRecord mRecords[kSlots];

  // Appends a record; false (and nothing recorded) when the block is full.
  bool Add(const ZCPartRecord& record) {
    if (mCount >= kMaxRecords) return false;
    mRecords[mCount++] = record;
    return true;
  }
};
