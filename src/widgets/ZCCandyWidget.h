#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "effects/ZCIEffect.h"
#include "graphics/Rect.h"
#include "resources/ZCTextureCache.h"
#include "widgets/Widget.h"

class XmlNode;
class ZCEffect;
class ZCFont;
class ZCTask;
class ZCText;

// One texture slot of a widget: a part of a texture, drawn at an offset in the widget. An
// animated slot steps through `mFrames` cells of the source rectangle's size, laid out left to
// right from the rectangle (wrapping to the next row at the image's edge).
struct ZCWidgetTexture {
  TextureHandle mHandle;
  Rect mSrc;  // width 0: the whole image
  int32_t mX = 0;
  int32_t mY = 0;
  int32_t mFrames = 1;
  float mFps = 10;
  bool mLoop = true;
  bool mPlaying = false;
  int32_t mFrame = 0;
  float mTime = 0;

  bool IsAnimated() const { return mFrames > 1; }
  // The source rectangle of the current frame (the image must be loaded).
  Rect FrameRect(int32_t imageWidth, int32_t imageHeight) const;
  // Advances the animation; true when the frame changed.
  bool Advance(float seconds);
  void Restart();
};

// The base of every widget built from "cfg\\ui.xml": texture slots, an effect it hosts through
// ZCIEffect, named children, show and hide through the effect's "onshow" and "onhide", and the
// drawing state effects change (alpha, scale, offset). Every candy widget starts invisible.
class ZCCandyWidget : public Vesk::Widget, public ZCIEffect {
 public:
  ZCCandyWidget();
  ~ZCCandyWidget() override;

  // Effect timers and texture animations by the frame step.
  void Update() override;
  // Draws the texture slots.
  void Draw(Vesk::Graphics* g) override;
  void Resize(int32_t x, int32_t y, int32_t width, int32_t height) override;
  void Move(int32_t x, int32_t y) override;
  // Immediate visibility without effects; locks the textures of the subtree that became visible
  // and unlocks those of the subtree that became invisible.
  void SetVisible(bool visible) override;
  // A child joining or leaving takes the texture locks of its new place in the tree.
  void AddWidget(Vesk::Widget* widget) override;
  bool RemoveWidget(Vesk::Widget* widget) override;
  void MouseEnter() override;
  void MouseLeave() override;

  // Unless already showing: OnShowStart, then "onshow" when the effect takes it, else
  // SetVisible(true). Hide likewise with OnHideStart and "onhide".
  void Show();
  void Hide();
  bool IsShowing() const { return mShowing; }
  bool IsHiding() const { return mHiding; }
  // Show or Hide on every named child.
  void ShowChildren();
  void HideChildren();
  // True when this widget and every candy widget above it are visible.
  bool IsVisibleInTree() const;

  virtual void OnShowStart() {}
  virtual void OnHideStart() {}
  // Run when the widget becomes visible in the tree, and invisible again.
  virtual void LockTextures();
  virtual void UnlockTextures();
  // Names the child, adds it to the child list and to the name map (the first of a name wins).
  virtual void AddChild(const std::string& name, ZCCandyWidget* widget);
  virtual ZCCandyWidget* FindChild(const std::string& name) const;
  // Reads the common attributes and the texture slots of a ui.xml element.
  virtual void LoadFromXml(const XmlNode& node);
  virtual ZCText* AsText() { return nullptr; }

  // Texture slots.
  ZCWidgetTexture* GetFirstTexture();
  ZCWidgetTexture* GetTexture(int32_t slot);
  int32_t GetTextureCount() const { return int32_t(mTextures.size()); }
  // Puts a texture in the slot (the list grows to it); a source rectangle of width 0 is the
  // whole image. Locked at once when the widget is visible in the tree.
  void SetTexture(int32_t slot, const TextureHandle& handle, const Rect& src = Rect());
  void RestartTextures();
  bool IsAnyTexturePlaying() const;
  void RewindTextures();

  // The hosted effect.
  void SetEffect(std::unique_ptr<ZCEffect> effect);
  ZCEffect* GetEffect() const { return mEffect.get(); }
  // Sends a message to the effect; false without effect or when it has no such message.
  bool SendEffectMessage(const std::string& message);
  // True when the effect has the message enabled.
  bool EffectTakes(const std::string& message) const;

  // The offset at which the widget and its named children draw their content.
  void SetDisplayOffset(int32_t x, int32_t y);
  // ui.xml "clip": everything the widget draws (itself and its children) stays inside its own
  // rectangle, which the display offset does not move.
  void SetClip(bool clip) { mClip = clip; }
  bool IsClipping() const { return mClip; }

  // ZCIEffect.
  void SetAlpha(float alpha) override;
  void SetScale(float scale) override;
  void SetVisibleFlag(bool visible) override;
  void SetScalePointX(int32_t x) override;
  void SetScalePointY(int32_t y) override;
  ZCIEffect* SetOffsetX(int32_t x) override;
  ZCIEffect* SetOffsetY(int32_t y) override;
  const std::string& GetName() const override { return mName; }
  void SetName(const std::string& name) { mName = name; }
  float GetAlpha() const { return mAlpha; }
  float GetScale() const { return mScale; }
  int32_t GetOffsetX() const { return mOffsetX; }
  int32_t GetOffsetY() const { return mOffsetY; }
  void GetDrawOffset(int32_t& x, int32_t& y) const override {
    x = mOffsetX + mDisplayOffsetX;
    y = mOffsetY + mDisplayOffsetY;
  }

  // Tasks run when the mouse enters and leaves the widget (not owned).
  void SetMouseEnterTask(ZCTask* task) { mEnterTask = task; }
  void SetMouseLeaveTask(ZCTask* task) { mLeaveTask = task; }

  // Whether the layout lays this widget over the other on purpose (ui.xml "on": its names, or
  // "*" for any), as a label on its button.
  bool IsLaidOn(const ZCCandyWidget& other) const;

  // The font named in the layout (null for none).
  ZCFont* mFont = nullptr;
  // The id given in the layout (buttons report it).
  int32_t mId = 0;

 protected:
  void DrawAll(Vesk::Graphics* g) override;
  // Draws one slot at its offset.
  void DrawTexture(Vesk::Graphics* g, ZCWidgetTexture& texture, int32_t dx = 0, int32_t dy = 0);
  // Locks or unlocks every widget of the subtree as it is now visible in the tree or not.
  void SyncTextureLocks();
  // The widget locks held by the effects of this widget and those under it are given back: a
  // hidden widget's effects no longer run, so they would never end their lock themselves.
  void ReleaseEffectLocks();
  void LockSlots();
  void UnlockSlots();

  std::string mName;
  std::vector<std::string> mLaidOn;
  std::vector<ZCWidgetTexture> mTextures;
  std::map<std::string, ZCCandyWidget*> mNamed;
  std::unique_ptr<ZCEffect> mEffect;
  std::unique_ptr<ZCTask> mOwnedEnterTask, mOwnedLeaveTask;
  ZCTask* mEnterTask = nullptr;
  ZCTask* mLeaveTask = nullptr;
  float mAlpha = 1;
  float mScale = 1;
  int32_t mScalePointX = 0;
  int32_t mScalePointY = 0;
  int32_t mOffsetX = 0;
  int32_t mOffsetY = 0;
  int32_t mDisplayOffsetX = 0;
  int32_t mDisplayOffsetY = 0;
  bool mClip = false;
  bool mShowing = false;
  bool mHiding = false;
  bool mTexturesLocked = false;
  // The effect's view of the visible flag (target 257).
  bool mEffectVisible = false;
};
