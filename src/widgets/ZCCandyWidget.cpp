#include "widgets/ZCCandyWidget.h"

#include <algorithm>
#include <cmath>

#include "effects/EffectCallbacks.h"
#include "effects/EffectLibrary.h"
#include "effects/EffectServices.h"
#include "effects/ParticleSystem.h"
#include "effects/ZCEffect.h"
#include "fonts/ZCFont.h"
#include "graphics/Graphics.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"
#include "widgets/FrameStep.h"
#include "widgets/UiXml.h"
#include "widgets/WidgetManager.h"
#include "widgets/WidgetServices.h"
#include "widgets/ZCTask.h"

namespace {

// Sends an effect message of the widget when the mouse enters or leaves it.
class EffectMessageTask : public ZCTask {
 public:
  EffectMessageTask(ZCCandyWidget* widget, std::string message) : mWidget(widget), mMessage(std::move(message)) {}
  void Run() override { mWidget->SendEffectMessage(mMessage); }

 private:
  ZCCandyWidget* mWidget;
  std::string mMessage;
};

}  // namespace

Rect ZCWidgetTexture::FrameRect(int32_t imageWidth, int32_t imageHeight) const {
  Rect src = mSrc;
  if (src.mWidth <= 0 || src.mHeight <= 0) src = Rect(0, 0, imageWidth, imageHeight);
  if (mFrames <= 1 || mFrame <= 0) return src;
  int32_t columns = std::max(1, (imageWidth - src.mX) / std::max(1, src.mWidth));
  return Rect(src.mX + (mFrame % columns) * src.mWidth, src.mY + (mFrame / columns) * src.mHeight, src.mWidth,
              src.mHeight);
}

bool ZCWidgetTexture::Advance(float seconds) {
  if (!mPlaying || mFrames <= 1 || mFps <= 0) return false;
  mTime += seconds;
  int32_t frame = int32_t(mTime * mFps);
  if (frame >= mFrames) {
    if (mLoop) {
      frame %= mFrames;
      mTime = std::fmod(mTime, float(mFrames) / mFps);
    } else {
      frame = mFrames - 1;
      mPlaying = false;
    }
  }
  bool changed = frame != mFrame;
  mFrame = frame;
  return changed;
}

void ZCWidgetTexture::Restart() {
  mFrame = 0;
  mTime = 0;
  mPlaying = mFrames > 1;
}

ZCCandyWidget::ZCCandyWidget() { mVisible = false; }

ZCCandyWidget::~ZCCandyWidget() {
  // The effect goes first: its callbacks point at this widget.
  mEffect.reset();
}

void ZCCandyWidget::Update() {
  float step = GetFrameStep();
  if (mEffect) {
    mEffect->Update(step);
    if (ParticleSystemTable* particles = GetEffectServices().mParticles) {
      particles->UpdateByName(mEffect->GetParticleKey(), step);
      // Its particles move: they are drawn with the widget.
      if (particles->CountByName(mEffect->GetParticleKey()) > 0) MarkDirty();
    }
    if (mEffect->IsRunning()) MarkDirty();
  }
  for (ZCWidgetTexture& t : mTextures)
    if (t.Advance(step)) MarkDirty();
}

void ZCCandyWidget::DrawTexture(Vesk::Graphics* g, ZCWidgetTexture& texture, int32_t dx, int32_t dy) {
  if (texture.mHandle.IsNullHandle()) return;
  Vesk::MemoryImage* image = texture.mHandle.GetImage();
  if (!image) return;
  Rect src = texture.FrameRect(image->mWidth, image->mHeight);
  g->DrawImage(image, texture.mX + dx, texture.mY + dy, src);
}

void ZCCandyWidget::Draw(Vesk::Graphics* g) {
  for (ZCWidgetTexture& t : mTextures) DrawTexture(g, t);
}

void ZCCandyWidget::DrawAll(Vesk::Graphics* g) {
  float inherited = g->GetColorizeImages() ? float(g->GetColor().mAlpha) / 255.0f : 1.0f;
  float alpha = std::clamp(mAlpha, 0.0f, 1.0f) * inherited;
  if (alpha <= 0) return;
  Vesk::Graphics cg(*g);
  // A clipping widget keeps everything it draws inside its own rectangle, wherever its display
  // offset moves the content (a turning page shows only its revealed part).
  if (mClip) cg.ClipRect(mOffsetX, mOffsetY, mWidth, mHeight);
  cg.Translate(float(mOffsetX + mDisplayOffsetX), float(mOffsetY + mDisplayOffsetY));
  if (alpha < 1) {
    cg.SetColorizeImages(true);
    cg.SetColor(Color(255, 255, 255, int32_t(std::lround(alpha * 255))));
  }
  if (mScale != 1)
    cg.SetScale(mScale, mScale, cg.GetTransX() + float(mScalePointX), cg.GetTransY() + float(mScalePointY));
  WidgetContainer::DrawAll(&cg);
  // The particle systems the widget's effect started (sparkles, coins) are drawn over it, in
  // its coordinates; Update moves them on.
  if (mEffect)
    if (ParticleSystemTable* particles = GetEffectServices().mParticles)
      particles->DrawByName(mEffect->GetParticleKey(), cg);
}

void ZCCandyWidget::Resize(int32_t x, int32_t y, int32_t width, int32_t height) {
  Widget::Resize(x, y, width, height);
}

void ZCCandyWidget::Move(int32_t x, int32_t y) { Widget::Move(x, y); }

void ZCCandyWidget::SetVisible(bool visible) {
  bool changed = mVisible != visible;
  Widget::SetVisible(visible);
  mEffectVisible = visible;
  mShowing = visible;
  mHiding = !visible;
  if (changed) SyncTextureLocks();
  if (changed && !visible) ReleaseEffectLocks();
}

void ZCCandyWidget::ReleaseEffectLocks() {
  if (mEffect) ReleaseWidgetsLock(mEffect.get());
  for (Vesk::Widget* child : GetChildren())
    if (auto* candy = dynamic_cast<ZCCandyWidget*>(child)) candy->ReleaseEffectLocks();
}

void ZCCandyWidget::AddWidget(Vesk::Widget* widget) {
  Widget::AddWidget(widget);
  if (auto* candy = dynamic_cast<ZCCandyWidget*>(widget); candy && HasWidget(widget)) candy->SyncTextureLocks();
}

bool ZCCandyWidget::RemoveWidget(Vesk::Widget* widget) {
  if (!Widget::RemoveWidget(widget)) return false;
  if (auto* candy = dynamic_cast<ZCCandyWidget*>(widget)) candy->SyncTextureLocks();
  return true;
}

void ZCCandyWidget::SyncTextureLocks() {
  bool want = IsVisibleInTree();
  if (want && !mTexturesLocked) {
    mTexturesLocked = true;
    LockTextures();
  } else if (!want && mTexturesLocked) {
    mTexturesLocked = false;
    UnlockTextures();
  }
  std::vector<Vesk::Widget*> children = mChildren;
  for (Vesk::Widget* child : children)
    if (HasWidget(child))
      if (auto* candy = dynamic_cast<ZCCandyWidget*>(child)) candy->SyncTextureLocks();
}

void ZCCandyWidget::LockSlots() {
  for (ZCWidgetTexture& t : mTextures) t.mHandle.Lock();
}

void ZCCandyWidget::UnlockSlots() {
  for (ZCWidgetTexture& t : mTextures) t.mHandle.Unlock();
}

void ZCCandyWidget::LockTextures() { LockSlots(); }
void ZCCandyWidget::UnlockTextures() { UnlockSlots(); }

bool ZCCandyWidget::IsVisibleInTree() const {
  for (const Vesk::WidgetContainer* c = this; c; c = c->GetParent()) {
    const auto* candy = dynamic_cast<const ZCCandyWidget*>(c);
    if (candy && !candy->mVisible) return false;
  }
  return true;
}

void ZCCandyWidget::Show() {
  if (mShowing) return;
  mShowing = true;
  mHiding = false;
  OnShowStart();
  if (EffectTakes("onshow"))
    mEffect->SendMessage("onshow");
  else
    SetVisible(true);
  MarkDirty();
}

void ZCCandyWidget::Hide() {
  if (mHiding) return;
  mHiding = true;
  mShowing = false;
  OnHideStart();
  if (EffectTakes("onhide"))
    mEffect->SendMessage("onhide");
  else
    SetVisible(false);
  MarkDirty();
}

void ZCCandyWidget::ShowChildren() {
  std::map<std::string, ZCCandyWidget*> named = mNamed;
  for (auto& [name, child] : named)
    if (HasWidget(child)) child->Show();
}

void ZCCandyWidget::HideChildren() {
  std::map<std::string, ZCCandyWidget*> named = mNamed;
  for (auto& [name, child] : named)
    if (HasWidget(child)) child->Hide();
}

void ZCCandyWidget::MouseEnter() {
  if (mEnterTask) mEnterTask->Run();
}

void ZCCandyWidget::MouseLeave() {
  if (mLeaveTask) mLeaveTask->Run();
}

void ZCCandyWidget::AddChild(const std::string& name, ZCCandyWidget* widget) {
  if (!widget) return;
  widget->SetName(name);
  AddWidget(widget);
  if (name.empty()) return;
  // A child that left this widget gives its name back.
  auto it = mNamed.find(name);
  if (it != mNamed.end() && HasWidget(it->second) && it->second != widget) {
    LogMessage("WARNING: widget \"%s\" has two children named \"%s\"; the first is kept by name", mName.c_str(),
               name.c_str());
    return;
  }
  mNamed[name] = widget;
}

ZCCandyWidget* ZCCandyWidget::FindChild(const std::string& name) const {
  auto it = mNamed.find(name);
  if (it == mNamed.end() || !HasWidget(it->second)) return nullptr;
  return it->second;
}

ZCWidgetTexture* ZCCandyWidget::GetFirstTexture() { return GetTexture(0); }

ZCWidgetTexture* ZCCandyWidget::GetTexture(int32_t slot) {
  if (slot < 0 || slot >= int32_t(mTextures.size()) || mTextures[size_t(slot)].mHandle.IsNullHandle()) return nullptr;
  return &mTextures[size_t(slot)];
}

void ZCCandyWidget::SetTexture(int32_t slot, const TextureHandle& handle, const Rect& src) {
  if (slot < 0 || slot >= 64) {
    LogMessage("WARNING: widget \"%s\": texture slot %d out of range 0..63", mName.c_str(), slot);
    return;
  }
  if (size_t(slot) >= mTextures.size()) mTextures.resize(size_t(slot) + 1);
  ZCWidgetTexture& t = mTextures[size_t(slot)];
  t.mHandle.Assign(handle);
  t.mHandle.Unlock();
  t.mSrc = src;
  t.mFrame = 0;
  t.mTime = 0;
  if (mTexturesLocked) t.mHandle.Lock();
  MarkDirty();
}

void ZCCandyWidget::RestartTextures() {
  for (ZCWidgetTexture& t : mTextures) t.Restart();
  MarkDirty();
}

bool ZCCandyWidget::IsAnyTexturePlaying() const {
  return std::any_of(mTextures.begin(), mTextures.end(), [](const ZCWidgetTexture& t) { return t.mPlaying; });
}

void ZCCandyWidget::RewindTextures() {
  for (ZCWidgetTexture& t : mTextures) {
    t.mFrame = 0;
    t.mTime = 0;
  }
  MarkDirty();
}

void ZCCandyWidget::SetEffect(std::unique_ptr<ZCEffect> effect) {
  mEffect = std::move(effect);
  if (!mEffect) return;
  mEffect->SetOwner(this);
  mEffect->SetTarget(ZCEffect::kTargetVisible, &mEffectVisible);
}

bool ZCCandyWidget::SendEffectMessage(const std::string& message) {
  if (!mEffect) return false;
  MarkDirty();
  return mEffect->SendMessage(message);
}

bool ZCCandyWidget::EffectTakes(const std::string& message) const {
  return mEffect && mEffect->HasMessage(message) && mEffect->IsMessageEnabled(message);
}

void ZCCandyWidget::SetDisplayOffset(int32_t x, int32_t y) {
  mDisplayOffsetX = x;
  mDisplayOffsetY = y;
  MarkDirty();
}

void ZCCandyWidget::SetAlpha(float alpha) {
  mAlpha = std::isfinite(alpha) ? alpha : 1.0f;
  MarkDirty();
}

void ZCCandyWidget::SetScale(float scale) {
  mScale = std::isfinite(scale) && scale > 0 ? scale : 1.0f;
  MarkDirty();
}

void ZCCandyWidget::SetVisibleFlag(bool visible) {
  // The effect's own show and hide keep the showing / hiding state it was started with.
  bool showing = mShowing, hiding = mHiding;
  SetVisible(visible);
  if (visible && hiding) mHiding = true, mShowing = false;
  if (!visible && showing) mShowing = true, mHiding = false;
}

void ZCCandyWidget::SetScalePointX(int32_t x) { mScalePointX = x; }
void ZCCandyWidget::SetScalePointY(int32_t y) { mScalePointY = y; }

ZCIEffect* ZCCandyWidget::SetOffsetX(int32_t x) {
  mOffsetX = x;
  MarkDirty();
  return this;
}

ZCIEffect* ZCCandyWidget::SetOffsetY(int32_t y) {
  mOffsetY = y;
  MarkDirty();
  return this;
}

bool ZCCandyWidget::IsLaidOn(const ZCCandyWidget& other) const {
  return std::any_of(mLaidOn.begin(), mLaidOn.end(),
                     [&](const std::string& name) { return name == "*" || name == other.mName; });
}

void ZCCandyWidget::LoadFromXml(const XmlNode& node) {
  std::string label = UiLabel(node);
  int32_t x = UiAttrInt(node, "x", mX), y = UiAttrInt(node, "y", mY);
  int32_t w = UiAttrInt(node, "w", mWidth), h = UiAttrInt(node, "h", mHeight);
  if (w < 0 || h < 0 || w > kUiMaxCoord || h > kUiMaxCoord || std::abs(x) > kUiMaxCoord ||
      std::abs(y) > kUiMaxCoord) {
    LogMessage("WARNING: ui.xml widget \"%s\": rectangle %d;%d;%d;%d is out of range; using 0;0;0;0",
               label.c_str(), x, y, w, h);
    x = y = w = h = 0;
  }
  Resize(x, y, w, h);
  mId = UiAttrInt(node, "id", mId);
  mMouseVisible = UiAttrBool(node, "mouse", mMouseVisible);
  mClip = UiAttrBool(node, "clip", mClip);
  const std::string on = UiAttr(node, "on");
  for (size_t start = 0; start < on.size();) {
    const size_t end = std::min(on.find(';', start), on.size());
    if (end > start) mLaidOn.push_back(on.substr(start, end - start));
    start = end + 1;
  }
  SetDisabled(UiAttrBool(node, "disabled", mDisabled));
  SetAlpha(UiAttrFloat(node, "alpha", mAlpha));
  SetScale(UiAttrFloat(node, "scale", mScale));

  std::string font = UiAttr(node, "font");
  if (!font.empty()) {
    mFont = GetFontByName(font);
    if (!mFont) LogMessage("WARNING: ui.xml widget \"%s\": no font \"%s\"", label.c_str(), font.c_str());
  }
  std::string effect = UiAttr(node, "effect");
  if (!effect.empty()) {
    std::unique_ptr<ZCEffect> e = CreateEffect(effect);
    if (!e) LogMessage("WARNING: ui.xml widget \"%s\": no effect \"%s\"", label.c_str(), effect.c_str());
    SetEffect(std::move(e));
  }
  std::string enter = UiAttr(node, "onenter"), leave = UiAttr(node, "onleave");
  if (!enter.empty()) {
    mOwnedEnterTask = std::make_unique<EffectMessageTask>(this, enter);
    mEnterTask = mOwnedEnterTask.get();
  }
  if (!leave.empty()) {
    mOwnedLeaveTask = std::make_unique<EffectMessageTask>(this, leave);
    mLeaveTask = mOwnedLeaveTask.get();
  }

  // Texture slots: <texture id="..." slot="n" src="x;y;w;h" x="" y="" frames="" fps="" loop="" play=""/>
  int32_t next = 0;
  for (const XmlNode& t : node.selectNodes(L"texture")) {
    int32_t slot = UiAttrInt(t, "slot", next);
    if (slot < 0 || slot >= 64) {
      LogMessage("WARNING: ui.xml widget \"%s\": texture slot %d out of range 0..63", label.c_str(), slot);
      continue;
    }
    next = slot + 1;
    std::string id = UiAttr(t, "id");
    ZCTextureCache* cache = GetWidgetServices().mTextures;
    TextureHandle handle = cache ? cache->GetTexture(id) : TextureHandle();
    if (handle.IsNullHandle()) {
      LogMessage("WARNING: ui.xml widget \"%s\": no texture \"%s\"", label.c_str(), id.c_str());
      continue;
    }
    Rect src;
    if (t.getAttribute(std::string("src"), id) && !UiAttrRect(t, "src", src))
      LogMessage("WARNING: ui.xml widget \"%s\": texture source \"%s\" is not x;y;w;h", label.c_str(), id.c_str());
    if (src.mWidth < 0 || src.mHeight < 0 || src.mWidth > kUiMaxCoord || src.mHeight > kUiMaxCoord) src = Rect();
    SetTexture(slot, handle, src);
    ZCWidgetTexture& slotRef = mTextures[size_t(slot)];
    slotRef.mX = std::clamp(UiAttrInt(t, "x", 0), -kUiMaxCoord, kUiMaxCoord);
    slotRef.mY = std::clamp(UiAttrInt(t, "y", 0), -kUiMaxCoord, kUiMaxCoord);
    slotRef.mFrames = std::clamp(UiAttrInt(t, "frames", 1), 1, 4096);
    slotRef.mFps = std::clamp(UiAttrFloat(t, "fps", 10), 0.0f, 1000.0f);
    slotRef.mLoop = UiAttrBool(t, "loop", true);
    if (slotRef.mFrames > 1 && UiAttrBool(t, "play", true)) slotRef.Restart();
  }
}
