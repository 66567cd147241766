#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "board/ZCItem.h"
#include "effects/ZCIEffect.h"
#include "graphics/Rect.h"

class XmlNode;
class ZCAnimController;
class ZCEffect;
class ZCFont;
struct AnimEntry;
struct AnimFrame;
namespace Vesk {
class Graphics;
class MemoryImage;
}  // namespace Vesk

// A faded copy of an earlier frame, left behind by a walking item.
struct TrailRecord {
  BoardPoint mPos;
  const AnimEntry* mEntry = nullptr;
  const AnimFrame* mFrame = nullptr;
  float mFade = 0;  // 0 to 255
};

// One drawable layer of an item: a body, a shadow, a tray on a table, a text label. It plays the
// animations of its own .anm set, named by its name, the item's skin and its orientation; it may
// carry an effect, draw a text instead of a frame, and says where it stands in the draw order
// (a base line of three points, a parent part, or over everything).
class ZCItemPart : public ZCIEffect {
 public:
  // The part whose names never carry the orientation and which is never mirrored.
  static constexpr const char* kOrientationFreeName = "checkmark";
  // Fade of a new trail record.
  static constexpr float kTrailFade = 70.0f;

  explicit ZCItemPart(ZCItem* owner);
  virtual ~ZCItemPart();
  ZCItemPart(const ZCItemPart&) = delete;
  ZCItemPart& operator=(const ZCItemPart&) = delete;

  // Reads a "part" node of the object description, then loads the animation set of its name.
  virtual void ReadPart(const XmlNode& node);
  // Loads "anm\\<name>.anm"; without it the part has no controller. True when loaded.
  bool LoadAnimationSet();

  // Stores the skin through the exchange map.
  void SetSkin(const std::string& name);
  // A leading "m" mirrors; an empty name changes nothing. With replay a playing animation is
  // bound and played again under the new orientation.
  void SetOrientation(const std::string& name, bool replay);
  // Plays name, skin, orientation and animation joined (or one of its variants 01 to 09).
  bool PlayAnimation(const std::string& name, bool keep);
  // Plays the joined name by exact name only; the current animation name stays.
  void PlayExact(const std::string& name);
  // Loads the sheets of every animation of the current skin and orientation.
  bool BindSkinTextures();
  // Hands every loaded sheet to the board's level image list.
  void ReleaseAnimImages();
  // Sends "onshow"/"onhide" to the part's effect; without one that handles it, sets the flag.
  void SetVisible(bool show);
  // The part's and its owner's visible flags are both set.
  bool IsShown() const;
  void Update();
  void Draw(Vesk::Graphics* g);
  // Folds what Draw depends on (shown, place, frame, tint, alpha, scale, text, trail, highlight)
  // into the hash; true when the part changes by itself from step to step (a running effect,
  // live particles), so that it must be drawn again whatever the hash says.
  bool AddDrawState(uint64_t& hash) const;
  // Where the current frame is placed: owner position and offset, the part's offset, the
  // frame's placement and the effect offset.
  BoardPoint GetDrawPos() const;
  // The board rectangle the current frame covers when shown (repeats and scale left out);
  // false when the part shows no frame.
  bool GetFrameRect(Rect& out) const;
  // A non-empty text is drawn instead of the frame, word-wrapped into an image of that size.
  void SetText(const std::wstring& text, int32_t width, int32_t height);
  void AddTrail();
  void DecayTrail(float seconds);
  void SetStopFrame(int32_t frame);
  // Cancels the stop frame when the current animation's name contains the name.
  void CancelStopFrameFor(const std::string& name);
  void PauseAnimation();
  // Shows the current animation paused at the share of its frames the stage gives (0..1]: a
  // progress bar.
  void SetAnimStage(float stage);
  void ResumeAnimation();
  // Frame number / frame count of the current animation; 0 without one.
  float GetAnimProgress() const;
  // True when the part's effect has the message.
  bool SendEffectMessage(const std::string& name);

  // The part named by "parent_z" ("item:part" or "item:part$n", n from 1), or null. Bad
  // references are logged.
  ZCItemPart* FindParentPart() const;
  // Name, skin, orientation (unless orientation-free) and the animation name, joined.
  std::string FullAnimationName(const std::string& anim) const;

  ZCItem* GetOwner() const { return mOwner; }
  ZCAnimController* GetController() const { return mController.get(); }
  ZCEffect* GetEffect() const { return mEffect.get(); }
  const std::string& GetCurrentAnimation() const { return mCurrentAnim; }
  const std::string& GetSkin() const { return mSkin; }
  const std::string& GetOrientation() const { return mOrientation; }
  const std::string& GetParentReference() const { return mParentRef; }
  bool IsVisible() const { return mVisible; }
  bool IsMirrored() const { return mMirrored; }
  bool IsOrientationFree() const { return mOrientationFree; }
  bool IsZOver() const { return mZOver; }
  bool HasText() const { return mHasText; }
  const std::wstring& GetText() const { return mText; }
  float GetAlpha() const { return mAlpha; }
  float GetScale() const { return mScale; }
  const std::vector<TrailRecord>& GetTrail() const { return mTrail; }
  const BoardPoint& GetOffset() const { return mOffset; }
  // The three base-line points of the draw order (0 to 2).
  const BoardPoint& GetReferencePoint(int32_t i) const { return mRefPoints[i]; }
  // Walkers move their base line with them.
  void SetReferencePoints(const BoardPoint& a, const BoardPoint& b, const BoardPoint& c);
  void SetTint(uint32_t argb) { mTint = argb; }
  uint32_t GetTint() const { return mTint; }
  void SetRepeat(int32_t count, const BoardPoint& step) {
    mRepeatCount = count;
    mRepeatStep = step;
  }
  void SetOffset(const BoardPoint& offset) { mOffset = offset; }

  // ZCIEffect.
  void SetAlpha(float alpha) override { mAlpha = alpha; }
  void SetScale(float scale) override { mScale = scale; }
  void SetVisibleFlag(bool visible) override { mVisible = visible; }
  void SetScalePointX(int32_t x) override { mScalePoint.x = x; }
  void SetScalePointY(int32_t y) override { mScalePoint.y = y; }
  ZCIEffect* SetOffsetX(int32_t x) override;
  ZCIEffect* SetOffsetY(int32_t y) override;
  const std::string& GetName() const override { return mName; }

 protected:
  // Draws one frame of a sheet with the part's tint, alpha, scale, repeat and highlight.
  void DrawFrame(Vesk::Graphics* g, Vesk::MemoryImage* image, int32_t frameWidth, const AnimFrame& frame,
                 BoardPoint pos);
  // The images of the current animation, loaded when a play found them unbound.
  void BindCurrentImage();
  // Renders the text image again when the text changed.
  void RenderText();

  ZCItem* mOwner;
  std::unique_ptr<ZCAnimController> mController;
  std::string mSkin;
  std::string mOrientation;
  bool mOrientationFree = false;
  std::map<std::string, std::string> mSkinExchange;
  bool mVisible = true;
  bool mZOver = false;
  float mScale = 1.0f;
  float mAlpha = 1.0f;
  BoardPoint mScalePoint;
  std::unique_ptr<ZCEffect> mEffect;
  BoardPoint mEffectScalePoint;
  BoardPoint mEffectOffset;
  ZCPartRecordBlock mOwnRecord;
  // The drawing position handed to the effect (targets 263 and 264), biased by 512 and 384.
  int32_t mEffectPosX = 0;
  int32_t mEffectPosY = 0;
  bool mHasText = false;
  bool mTextDirty = false;
  std::wstring mText;
  ZCFont* mFont = nullptr;
  ZCFont* mSubFont = nullptr;
  int32_t mTextWidth = 0;
  int32_t mTextHeight = 0;
  std::unique_ptr<Vesk::MemoryImage> mTextImage;
  // Packed red, green, blue, alpha from the high byte down.
  int32_t mTextColor = 0;
  int32_t mTextColor2 = 0;
  std::vector<TrailRecord> mTrail;
  uint32_t mTint = 0;
  int32_t mRepeatCount = 1;
  BoardPoint mRepeatStep;
  std::string mName;
  std::string mCurrentAnim;
  std::string mParentRef;
  BoardPoint mOffset;
  BoardPoint mRefPoints[3];
  bool mMirrored = false;
};
