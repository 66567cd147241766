#include "board/ZCItemPart.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>

#include "board/BoardText.h"
#include "board/BoardWorld.h"
#include "board/ZCBoard_Game.h"
#include "effects/EffectLibrary.h"
#include "effects/EffectServices.h"
#include "effects/ParticleSystem.h"
#include "effects/ZCAnimController.h"
#include "effects/ZCEffect.h"
#include "fonts/ZCFont.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"

namespace {
// Scales nearer to 1 than this draw unscaled.
constexpr float kScaleThreshold = 0.01f;
// The highlight: the frame drawn once more, added in white at this alpha.
constexpr int32_t kHighlightAlpha = 50;

// Text colours are packed red, green, blue, alpha from the high byte down.
Color TextColor(int32_t packed) {
  const uint32_t c = uint32_t(packed);
  return Color(int32_t(c >> 24), int32_t((c >> 16) & 0xFF), int32_t((c >> 8) & 0xFF), int32_t(c & 0xFF));
}

bool StartsWithM(const std::string& s) { return !s.empty() && s[0] == 'm'; }
}  // namespace

ZCItemPart::ZCItemPart(ZCItem* owner) : mOwner(owner) {
  ZCPartRecord record;
  record.mOffsetX = &mEffectOffset.x;
  record.mOffsetY = &mEffectOffset.y;
  record.mScale = &mScale;
  record.mScalePointX = &mEffectScalePoint.x;
  record.mScalePointY = &mEffectScalePoint.y;
  record.mAlpha = &mAlpha;
  record.mVisible = &mVisible;
  record.mOrientationFree = &mOrientationFree;
  record.mTextColor = &mTextColor;
  record.mTextColor2 = &mTextColor2;
  mOwnRecord.Add(record);
  if (mOwner) mOwner->AddPartRecord(record);
}

ZCItemPart::~ZCItemPart() {
  ReleaseAnimImages();
  // The effect points into the part: it goes before the fields it writes.
  mEffect.reset();
  mController.reset();
  mTextImage.reset();
  mTrail.clear();
}

ZCIEffect* ZCItemPart::SetOffsetX(int32_t x) {
  mEffectOffset.x = x;
  return this;
}

ZCIEffect* ZCItemPart::SetOffsetY(int32_t y) {
  mEffectOffset.y = y;
  return this;
}

void ZCItemPart::ReadPart(const XmlNode& node) {
  mName = ReadBoardText(node, L"name");
  const std::string effect = ReadBoardText(node, L"effect");
  std::string font, subFont;
  if (ReadBoardText(node, L"font", font)) mFont = GetFontByName(font);
  if (ReadBoardText(node, L"sub_font", subFont)) mSubFont = GetFontByName(subFont);
  ReadBoardCoord(node, L"offs_x", mOffset.x);
  ReadBoardCoord(node, L"offs_y", mOffset.y);
  ReadBoardCoord(node, L"scale_point_x", mScalePoint.x);
  ReadBoardCoord(node, L"scale_point_y", mScalePoint.y);
  int32_t mirror = 0;
  if (GetClampedInt(node, "the board layout", L"mirror", mirror, 0, 1)) mMirrored = mirror != 0;
  const std::string orient = ReadBoardText(node, L"orient");
  if (!orient.empty()) SetOrientation(orient, false);
  for (const XmlNode& entry : node.selectNodes(L"exchange_skin"))
    mSkinExchange[ReadBoardText(entry, L"from")] = ReadBoardText(entry, L"to");
  GetAttrBool(node, L"zover", mZOver);

  for (BoardPoint& p : mRefPoints) p = BoardPoint{};
  if (!mZOver) {
    ReadBoardText(node, L"parent_z", mParentRef);
    for (int32_t i = 0; i < 3; ++i) {
      const std::wstring x = L"order" + std::to_wstring(i) + L"_x";
      const std::wstring y = L"order" + std::to_wstring(i) + L"_y";
      ReadBoardCoord(node, x.c_str(), mRefPoints[i].x);
      ReadBoardCoord(node, y.c_str(), mRefPoints[i].y);
    }
  }
  mOrientationFree = mName == kOrientationFreeName;

  mEffect.reset();
  if (!effect.empty()) mEffect = CreateEffect(effect);
  if (mEffect) {
    mEffect->SetTarget(ZCEffect::kTargetParts, &mOwnRecord);
    mEffect->SetTarget(ZCEffect::kTargetVisible, &mVisible);
    mEffect->SetOwner(this);
    mEffect->SendMessage("oncreate");
    const BoardPoint pos = GetDrawPos();
    mEffectPosX = SaturatingAdd(pos.x, ZCEffect::kPositionBiasX);
    mEffectPosY = SaturatingAdd(pos.y, ZCEffect::kPositionBiasY);
    mEffect->SetTarget(ZCEffect::kTargetX, &mEffectPosX);
    mEffect->SetTarget(ZCEffect::kTargetY, &mEffectPosY);
    mEffect->SetTarget(ZCEffect::kTargetOrientation, &mOrientation);
    mEffect->SetTarget(ZCEffect::kTargetMirrored, &mMirrored);
  }
  LoadAnimationSet();
}

bool ZCItemPart::LoadAnimationSet() {
  if (!mController) mController = std::make_unique<ZCAnimController>(this);
  if (!LoadAnmFile(*mController, mName)) {
    mController.reset();
    return false;
  }
  return true;
}

std::string ZCItemPart::FullAnimationName(const std::string& anim) const {
  return mName + mSkin + (mOrientationFree ? std::string() : mOrientation) + anim;
}

void ZCItemPart::SetSkin(const std::string& name) {
  auto it = mSkinExchange.find(name);
  mSkin = it != mSkinExchange.end() ? it->second : name;
}

void ZCItemPart::SetOrientation(const std::string& name, bool replay) {
  if (name.empty()) return;
  mMirrored = StartsWithM(name);
  mOrientation = mMirrored ? name.substr(1) : name;
  if (replay && mController && mController->IsPlaying()) {
    BindSkinTextures();
    PlayAnimation(mCurrentAnim, false);
  }
}

bool ZCItemPart::PlayAnimation(const std::string& name, bool keep) {
  if (!mController || name.empty()) return false;
  if (!mController->Play(FullAnimationName(name), keep)) return false;
  mCurrentAnim = name;
  BindCurrentImage();
  return true;
}

void ZCItemPart::PlayExact(const std::string& name) {
  if (mController && mController->PlayByIndex(FullAnimationName(name))) BindCurrentImage();
}

void ZCItemPart::BindCurrentImage() {
  // An item whose skin is empty never binds its sheets through its level state; the sheet of
  // what it plays is loaded here, so that every animation that plays can be drawn.
  const AnimEntry* current = mController ? mController->GetCurrentAnimation() : nullptr;
  if (!current || current->mImage) return;
  mController->GetAnimation(size_t(mController->FindAnimation(current->mName))).LoadImage();
}

bool ZCItemPart::BindSkinTextures() {
  if (!mController) return true;
  const std::string key = mSkin + (mOrientationFree ? std::string() : mOrientation);
  // The animations of a set share a few sheets: each sheet is read once and handed to every
  // animation drawn on it that it is large enough for.
  std::map<std::string, std::shared_ptr<Vesk::MemoryImage>> sheets;
  for (size_t i = 0; i < mController->GetAnimationCount(); ++i) {
    AnimEntry& entry = mController->GetAnimation(i);
    if (entry.mImage || entry.mName.find(key) == std::string::npos) continue;
    auto it = sheets.find(entry.mImageFile);
    if (it != sheets.end() && it->second->GetWidth() >= entry.mSheetWidth &&
        it->second->GetHeight() >= entry.mSheetHeight) {
      entry.mImage = it->second;
      continue;
    }
    if (entry.LoadImage()) sheets[entry.mImageFile] = entry.mImage;
  }
  return true;
}

void ZCItemPart::ReleaseAnimImages() {
  if (!mController) return;
  ZCBoard_Game* board = GetGameBoard();
  for (size_t i = 0; i < mController->GetAnimationCount(); ++i) {
    AnimEntry& entry = mController->GetAnimation(i);
    if (!entry.mImage) continue;
    if (board) board->KeepLevelImage(std::move(entry.mImage));
    entry.ReleaseImage();
  }
}

void ZCItemPart::SetVisible(bool show) {
  if (SendEffectMessage(show ? "onshow" : "onhide")) return;
  mVisible = show;
}

bool ZCItemPart::IsShown() const { return mVisible && mOwner && mOwner->IsVisible(); }

void ZCItemPart::Update() {
  if (!IsShown()) return;
  const float step = GetGameStep();
  if (mEffect) {
    mEffect->Update(step);
    if (ParticleSystemTable* particles = GetEffectServices().mParticles)
      particles->UpdateByName(mEffect->GetParticleKey(), step);
  }
  if (!mController) return;
  bool stopReached = false;
  mController->Update(step, stopReached);
  if (stopReached && mOwner) mOwner->ArmAnimRestart(this, mCurrentAnim);
}

bool ZCItemPart::AddDrawState(uint64_t& hash) const {
  auto mix = [&hash](uint64_t v) { hash = (hash ^ v) * 0x100000001B3ull; };
  auto mixFloat = [&mix](float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    mix(bits);
  };
  const bool shown = IsShown();
  mix(shown);
  if (!shown) return false;
  const BoardPoint base = mOwner ? mOwner->GetBasePoint(mOffset) : mOffset;
  mix(uint32_t(base.x));
  mix(uint32_t(base.y));
  mix(uint32_t(mEffectOffset.x));
  mix(uint32_t(mEffectOffset.y));
  if (mController) {
    mix(uint64_t(uintptr_t(mController->GetCurrentAnimation())));
    mix(uint64_t(uintptr_t(mController->GetCurrentFrame())));
    mix(uint64_t(mController->GetState()));
  }
  mix(mTint);
  mixFloat(mAlpha);
  mixFloat(mScale);
  mix(mMirrored);
  mix(mHasText);
  mix(mTextDirty);
  mix(mOwner && mOwner->IsHighlighted());
  for (const TrailRecord& record : mTrail) {
    mix(uint32_t(record.mPos.x));
    mix(uint32_t(record.mPos.y));
    mix(uint64_t(uintptr_t(record.mFrame)));
    mixFloat(record.mFade);
  }
  if (!mEffect) return false;
  if (mEffect->IsRunning()) return true;
  const ParticleSystemTable* particles = GetEffectServices().mParticles;
  return particles && !mEffect->GetParticleKey().empty() && particles->CountByName(mEffect->GetParticleKey()) > 0;
}

BoardPoint ZCItemPart::GetDrawPos() const {
  BoardPoint pos = mOffset;
  if (mOwner) pos = mOwner->GetBasePoint(mOffset);
  const AnimEntry* entry = mController ? mController->GetCurrentAnimation() : nullptr;
  const AnimFrame* frame = mController ? mController->GetCurrentFrame() : nullptr;
  if (entry && frame) {
    // The placement of a mirrored frame, whatever the mirrored flag says.
    pos.x = SaturatingAdd(pos.x, int64_t(entry->mFrameWidth) - frame->mWidth - frame->mOffsetX);
    pos.y = SaturatingAdd(pos.y, frame->mOffsetY);
  }
  pos.x = SaturatingAdd(pos.x, mEffectOffset.x);
  pos.y = SaturatingAdd(pos.y, mEffectOffset.y);
  return pos;
}

bool ZCItemPart::GetFrameRect(Rect& out) const {
  if (!IsShown() || !mController) return false;
  const AnimEntry* entry = mController->GetCurrentAnimation();
  const AnimFrame* frame = mController->GetCurrentFrame();
  if (!entry || !frame || frame->mWidth <= 0 || frame->mHeight <= 0) return false;
  BoardPoint pos = mOwner ? mOwner->GetBasePoint(mOffset) : mOffset;
  const bool mirrored = mMirrored && !mOrientationFree;
  pos.x = SaturatingAdd(pos.x, mirrored ? int64_t(entry->mFrameWidth) - frame->mWidth - frame->mOffsetX : frame->mOffsetX);
  pos.y = SaturatingAdd(pos.y, frame->mOffsetY);
  pos.x = SaturatingAdd(pos.x, mEffectOffset.x);
  pos.y = SaturatingAdd(pos.y, mEffectOffset.y);
  out = Rect(pos.x, pos.y, frame->mWidth, frame->mHeight);
  return true;
}

void ZCItemPart::Draw(Vesk::Graphics* g) {
  if (!g || !IsShown()) return;
  const float alpha = mAlpha;
  for (const TrailRecord& record : mTrail) {
    if (!record.mEntry || !record.mFrame) continue;
    mAlpha = record.mFade / 255.0f;
    DrawFrame(g, record.mEntry->mImage.get(), record.mEntry->mFrameWidth, *record.mFrame, record.mPos);
  }
  mAlpha = alpha;

  const bool animating = mController && mController->GetState() != ZCAnimController::State::Stopped;
  if (animating || mHasText) {
    BoardPoint pos = mOwner ? mOwner->GetBasePoint(mOffset) : mOffset;
    pos.x = SaturatingAdd(pos.x, mEffectOffset.x);
    pos.y = SaturatingAdd(pos.y, mEffectOffset.y);
    if (mHasText) {
      RenderText();
      if (mTextImage) {
        AnimFrame whole;
        whole.mWidth = mTextWidth;
        whole.mHeight = mTextHeight;
        DrawFrame(g, mTextImage.get(), mTextWidth, whole, pos);
      }
    } else if (const AnimEntry* entry = mController->GetCurrentAnimation()) {
      if (const AnimFrame* frame = mController->GetCurrentFrame())
        DrawFrame(g, entry->mImage.get(), entry->mFrameWidth, *frame, pos);
    }
  }

  if (mEffect) {
    mEffect->SetTarget(ZCEffect::kTargetGraphics, g);
    mEffect->SendMessage("render_ps");
  }
}

void ZCItemPart::RenderText() {
  if (!mTextDirty) return;
  mTextDirty = false;
  mTextImage.reset();
  // A text without room allocates and draws nothing.
  if (mTextWidth <= 0 || mTextHeight <= 0) return;
  mTextImage = std::make_unique<Vesk::MemoryImage>(mTextWidth, mTextHeight);
  mTextImage->Clear();
  if (!mFont) return;
  Vesk::Graphics tg(mTextImage.get());
  const Rect rect(0, 0, mTextWidth, mTextHeight);
  if (mSubFont) {
    tg.SetFont(mSubFont);
    tg.SetColor(TextColor(mTextColor2));
    tg.DrawWrappedText(mText, rect);
  }
  tg.SetFont(mFont);
  tg.SetColor(TextColor(mTextColor));
  tg.DrawWrappedText(mText, rect);
}

void ZCItemPart::DrawFrame(Vesk::Graphics* g, Vesk::MemoryImage* image, int32_t frameWidth, const AnimFrame& frame,
                           BoardPoint pos) {
  if (!image) return;
  const bool mirrored = mMirrored && !mOrientationFree;
  const Color oldColor = g->GetColor();
  const bool oldColorize = g->GetColorizeImages();
  const int32_t oldMode = g->GetDrawMode();

  if (mTint != 0) {
    g->SetColor(Color::FromARGB(mTint));
    g->SetColorizeImages(true);
  }
  if (mAlpha != 1.0f) {
    if (g->GetColorizeImages()) {
      Color c = g->GetColor();
      c.mAlpha = int32_t(float(c.mAlpha) * mAlpha);
      g->SetColor(c);
    } else {
      g->SetColor(Color(255, 255, 255, int32_t(mAlpha * 255.0f)));
      g->SetColorizeImages(true);
    }
  }
  const Color drawColor = g->GetColor();
  const bool drawColorize = g->GetColorizeImages();

  const Rect src(frame.mX, frame.mY, frame.mWidth, frame.mHeight);
  const bool scaled = std::fabs(mScale - 1.0f) >= kScaleThreshold;
  for (int32_t i = 0; i < mRepeatCount; ++i) {
    float x = float(int64_t(pos.x) + (mirrored ? int64_t(frameWidth) - frame.mWidth - frame.mOffsetX : frame.mOffsetX));
    float y = float(int64_t(pos.y) + frame.mOffsetY);
    float w = float(frame.mWidth), h = float(frame.mHeight);
    if (scaled) {
      const float px = float(int64_t(mScalePoint.x) + mEffectScalePoint.x);
      const float py = float(int64_t(mScalePoint.y) + mEffectScalePoint.y);
      x += px * (1.0f - mScale);
      y += py * (1.0f - mScale);
      w *= mScale;
      h *= mScale;
    }
    const Rect dest{ClampToInt32(x), ClampToInt32(y), ClampToInt32(w), ClampToInt32(h)};
    g->DrawImageMirrored(image, dest, src, mirrored);
    if (mOwner && mOwner->IsHighlighted()) {
      g->SetDrawMode(Vesk::DRAWMODE_ADDITIVE);
      g->SetColor(Color(255, 255, 255, kHighlightAlpha));
      g->SetColorizeImages(true);
      g->DrawImageMirrored(image, dest, src, mirrored);
      g->SetDrawMode(oldMode);
      g->SetColor(drawColor);
      g->SetColorizeImages(drawColorize);
    }
    pos.x = SaturatingAdd(pos.x, mRepeatStep.x);
    pos.y = SaturatingAdd(pos.y, mRepeatStep.y);
  }

  g->SetColor(oldColor);
  g->SetColorizeImages(oldColorize);
  g->SetDrawMode(oldMode);
}

void ZCItemPart::SetText(const std::wstring& text, int32_t width, int32_t height) {
  mTextDirty = true;
  if (text.empty()) {
    mHasText = false;
    return;
  }
  mHasText = true;
  mText = text;
  mTextWidth = width;
  mTextHeight = height;
}

void ZCItemPart::AddTrail() {
  const AnimEntry* entry = mController ? mController->GetCurrentAnimation() : nullptr;
  const AnimFrame* frame = mController ? mController->GetCurrentFrame() : nullptr;
  if (!entry || !frame) return;
  mTrail.push_back(TrailRecord{GetDrawPos(), entry, frame, kTrailFade});
}

void ZCItemPart::DecayTrail(float seconds) {
  for (TrailRecord& record : mTrail) record.mFade -= seconds;
  std::erase_if(mTrail, [](const TrailRecord& record) { return record.mFade <= 0; });
}

void ZCItemPart::SetStopFrame(int32_t frame) {
  if (mController) mController->PauseAtFrame(frame);
}

void ZCItemPart::CancelStopFrameFor(const std::string& name) {
  if (mController && mCurrentAnim.find(name) != std::string::npos) mController->CancelPauseAtFrame();
}

void ZCItemPart::PauseAnimation() {
  if (mController) mController->Pause();
}

void ZCItemPart::SetAnimStage(float stage) {
  if (mController) mController->SetStage(stage);
}

void ZCItemPart::ResumeAnimation() {
  if (mController) mController->Resume();
}

float ZCItemPart::GetAnimProgress() const { return mController ? mController->GetProgress() : 0.0f; }

bool ZCItemPart::SendEffectMessage(const std::string& name) { return mEffect && mEffect->SendMessage(name); }

void ZCItemPart::SetReferencePoints(const BoardPoint& a, const BoardPoint& b, const BoardPoint& c) {
  mRefPoints[0] = a;
  mRefPoints[1] = b;
  mRefPoints[2] = c;
}

ZCItemPart* ZCItemPart::FindParentPart() const {
  if (mParentRef.empty()) return nullptr;
  const size_t colon = mParentRef.find(':');
  if (colon == std::string::npos) {
    LogMessage("WARNING: Invalid part name '%s'", mParentRef.c_str());
    return nullptr;
  }
  const std::string itemName = mParentRef.substr(0, colon);
  std::string partName = mParentRef.substr(colon + 1);
  int32_t n = 1;
  const size_t dollar = partName.find('$');
  if (dollar != std::string::npos) {
    const std::string number = partName.substr(dollar + 1);
    partName.resize(dollar);
    char* end = nullptr;
    const long value = std::strtol(number.c_str(), &end, 10);
    // "$" must be followed by a whole number from 1.
    if (number.empty() || *end != '\0' || value < 1 || value > INT32_MAX) {
      LogMessage("WARNING: Invalid part name '%s'", mParentRef.c_str());
      return nullptr;
    }
    n = int32_t(value);
  }
  ZCItem* item = ZCItem::FindByName(itemName);
  if (!item) {
    LogMessage("WARNING: Item not found '%s'", itemName.c_str());
    return nullptr;
  }
  ZCItemPart* part = item->FindPart(partName, n - 1);
  if (!part) LogMessage("WARNING: Part not found '%s'", mParentRef.c_str());
  return part;
}
