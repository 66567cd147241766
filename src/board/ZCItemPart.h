#pragma once
#include <cstdint>
#include <string>

#include "board/ZCItem.h"
#include "effects/ZCIEffect.h"

class XmlNode;
class ZCItem;

// One drawable layer of an item. This form holds its owner, its name and its visible flag and
// answers the item's calls as a part without animation set or effect does: animation calls do
// nothing and answer false.
class ZCItemPart : public ZCIEffect {
 public:
  explicit ZCItemPart(ZCItem* owner);
  virtual ~ZCItemPart();
  ZCItemPart(const ZCItemPart&) = delete;
  ZCItemPart& operator=(const ZCItemPart&) = delete;

  // Reads a "part" node of the object description.
  virtual void ReadPart(const XmlNode& node);

  void SetSkin(const std::string& name);
  void SetOrientation(const std::string& name, bool replay);
  bool PlayAnimation(const std::string& name, bool keep);
  void PlayExact(const std::string& name);
  bool BindSkinTextures();
  // Sends "onshow"/"onhide" to the part's effect; without one that handles it, sets the flag.
  void SetVisible(bool show);
  // The part's and its owner's visible flags are both set.
  bool IsShown() const;
  void Update();
  void SetStopFrame(int32_t frame);
  void CancelStopFrameFor(const std::string& name);
  void PauseAnimation();
  void ResumeAnimation();
  // Frame number / frame count of the current animation; 0 without one.
  float GetAnimProgress() const;
  void ReleaseAnimImages();
  bool SendEffectMessage(const std::string& name);
  // The three draw-order reference points of the part.
  void SetReferencePoints(const BoardPoint& left, const BoardPoint& middle, const BoardPoint& right) {
    mRefPoints[0] = left;
    mRefPoints[1] = middle;
    mRefPoints[2] = right;
  }
  const BoardPoint& GetReferencePoint(int index) const { return mRefPoints[index]; }
  // The trail of faded frames: lowers every record by the amount; adds a record of the frame.
  void DecayTrail(float) {}
  void AddTrail() {}

  ZCItem* GetOwner() const { return mOwner; }
  const std::string& GetCurrentAnimation() const { return mCurrentAnim; }
  bool IsVisible() const { return mVisible; }

  // ZCIEffect.
  void SetAlpha(float) override {}
  void SetScale(float) override {}
  void SetVisibleFlag(bool visible) override { mVisible = visible; }
  void SetScalePointX(int32_t) override {}
  void SetScalePointY(int32_t) override {}
  ZCIEffect* SetOffsetX(int32_t) override { return this; }
  ZCIEffect* SetOffsetY(int32_t) override { return this; }
  const std::string& GetName() const override { return mName; }

 protected:
  ZCItem* mOwner;
  bool mVisible = true;
  std::string mName;
  std::string mCurrentAnim;
  BoardPoint mRefPoints[3];
};
