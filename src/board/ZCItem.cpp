#include "board/ZCItem.h"

#include <algorithm>
#include <unordered_map>

#include "board/BoardText.h"
#include "board/BoardWorld.h"
#include "board/ZCItemPart.h"
#include "board/ZOrderResolver.h"
#include "effects/EffectLibrary.h"
#include "effects/ZCEffect.h"
#include "shell/Random.h"
#include "shell/XmlNode.h"


ZCItem::ZCItem() { mPartRecords.mRunning = &mRunning; }

ZCItem::~ZCItem() {
  // The effect may point into the parts: it goes first.
  mEffect.reset();
  mParts.clear();
  GetItemRegistry().Remove(this);
  BoardWorld& world = GetBoardWorld();
  if (world.mBoss == this) world.mBoss = nullptr;
  if (world.mBonus == this) world.mBonus = nullptr;
}

ZCItem* ZCItem::Create() { return new ZCItem(); }

void ZCItem::SetVisibleFlag(bool visible) {
  mVisible = visible;
  mHighlighted = false;
}

ZCIEffect* ZCItem::SetOffsetX(int32_t x) {
  mOffset.x = x;
  return this;
}

ZCIEffect* ZCItem::SetOffsetY(int32_t y) {
  mOffset.y = y;
  return this;
}

void ZCItem::ApplyUpgradeSkin(const std::string& skin) {
  SetSkin(skin, true);
  ReplayAnimation(mCurrentAnim);
}

void ZCItem::Activate(bool active) {
  if (active) SetVisible(true);
}

void ZCItem::ArmAnimRestart(ZCItemPart*, const std::string& animation) {
  AnimRestartRule* rule = FindRule(animation);
  if (!rule) return;
  mRestartArmed = true;
  mRestartDelay = RandomFloat(rule->mMinDelay, rule->mMaxDelay);
  mPendingRestart = animation;
}

void ZCItem::SetHighlight(const BoardPoint&, bool highlighted) { mHighlighted = highlighted; }

void ZCItem::ReadState(const XmlNode& node) {
  const std::string skin = ReadBoardText(node, L"skin");
  const std::string anim = ReadBoardText(node, L"anim");
  SetSkin(skin, true);
  if (!mSkin.empty()) ReplayAnimation("");
  if (!anim.empty()) PlayAnimation(anim, false);
  bool stop = false;
  if (GetAttrBool(node, L"stop", stop) && stop) {
    SetVisibleFlag(false);
    mRunning = false;
  } else {
    mRunning = true;
  }
}

void ZCItem::ClearState() {
  for (auto& part : mParts) part->ReleaseAnimImages();
}

void ZCItem::ReadItem(const XmlNode& node) {
  mName = ReadBoardText(node, L"name");
  ReadBoardText(node, L"orient", mOrientation);
  mPos = BoardPoint{};
  mOffset = BoardPoint{};
  ReadBoardCoord(node, L"pos_x", mPos.x);
  ReadBoardCoord(node, L"pos_y", mPos.y);
  ReadBoardCoord(node, L"offs_x", mOffset.x);
  ReadBoardCoord(node, L"offs_y", mOffset.y);

  mEffect.reset();
  const std::string effect = ReadBoardText(node, L"effect");
  if (!effect.empty()) {
    mEffect = CreateEffect(effect);
    if (mEffect) {
      mEffect->SetTarget(ZCEffect::kTargetParts, &mPartRecords);
      mEffect->SetTarget(ZCEffect::kTargetVisible, &mVisible);
      mEffect->SetOwner(this);
    }
  }

  for (const XmlNode& partNode : node.selectNodes(L"part")) {
    auto part = std::make_unique<ZCItemPart>(this);
    part->ReadPart(partNode);
    mParts.push_back(std::move(part));
  }
}

void ZCItem::ClearParts() {
  // The effect's targets point into the parts and the record block: both go with the parts.
  mParts.clear();
  mPartRecords.mCount = 0;
  mEffect.reset();
}

void ZCItem::Update() {
  const float step = GetGameStep();
  if (mEffect) mEffect->Update(step);
  if (!mRunning || !mVisible) return;
  for (size_t i = 0; i < mParts.size(); ++i) mParts[i]->Update();
  if (mRestartArmed) UpdateRestart();
  if (mActionTime > 0) {
    mActionTime -= step;
    if (mActionTime <= 0) {
      mActionTime = 0;
      OnActionTimer(mActionKind);
    }
  }
}

bool ZCItem::Interact(ZCItem* other, bool dryRun, int32_t* scratch) {
  ZCItem* actor = FindActorForPlace(other, this);
  // An actor that is its own place would ask itself for ever.
  if (!actor || actor == this) return false;
  return actor->Interact(other, dryRun, scratch);
}

void ZCItem::SetPartsImageSuffix(const std::string& name) {
  for (auto& part : mParts) part->PlayExact(name);
}

void ZCItem::SetVisible(bool show) {
  if (mEffect && mEffect->SendMessage(show ? "onshow" : "onhide")) return;
  SetVisibleFlag(show);
  for (auto& part : mParts) part->SetVisible(show);
}

void ZCItem::SetSkin(const std::string& name, bool toParts) {
  mSkin = name;
  if (toParts)
    for (auto& part : mParts) part->SetSkin(name);
}

void ZCItem::SetOrientation(const std::string& name, bool toParts) {
  mOrientation = name;
  if (toParts)
    for (auto& part : mParts) part->SetOrientation(name, false);
}

void ZCItem::PlayAnimation(const std::string& name, bool reorient) {
  for (auto& part : mParts) {
    if (reorient) part->SetOrientation(mOrientation, false);
    if (part->PlayAnimation(name, false)) {
      mCurrentAnim = name;
      mRestartArmed = false;
      ApplyRestartRule(name);
    }
  }
}

bool ZCItem::ReplayAnimation(const std::string& name, float* length) {
  bool played = false;
  float longest = -1.0f;
  for (auto& part : mParts) {
    part->SetSkin(mSkin);
    part->SetOrientation(mOrientation, false);
    part->BindSkinTextures();
    if (part->PlayAnimation(name, false)) played = true;
    longest = std::max(longest, part->GetAnimProgress());
  }
  if (length) *length = longest;
  if (played) {
    mCurrentAnim = name;
    mRestartArmed = false;
    ApplyRestartRule(name);
  }
  return played;
}

AnimRestartRule* ZCItem::FindRule(const std::string& name) {
  for (auto& rule : mRestartRules)
    if (rule.mName == name) return &rule;
  return nullptr;
}

void ZCItem::ApplyRestartRule(const std::string& name) {
  AnimRestartRule* rule = FindRule(name);
  if (!rule) return;
  mRestartArmed = true;
  mRestartDelay = RandomFloat(rule->mMinDelay, rule->mMaxDelay);
  mPendingRestart = name;
  SetStopFrame(rule->mStopFrame);
}

void ZCItem::SetAnimRestart(const std::string& name, int32_t stopFrame, float minDelay, float maxDelay) {
  if (AnimRestartRule* rule = FindRule(name)) {
    rule->mStopFrame = stopFrame;
    rule->mMinDelay = minDelay;
    rule->mMaxDelay = maxDelay;
    return;
  }
  mRestartRules.push_back(AnimRestartRule{name, stopFrame, minDelay, maxDelay});
}

void ZCItem::RemoveAnimRestart(const std::string& name) {
  std::erase_if(mRestartRules, [&](const AnimRestartRule& rule) { return rule.mName == name; });
  for (auto& part : mParts)
    if (part->GetCurrentAnimation().find(name) != std::string::npos) part->CancelStopFrameFor(name);
  mRestartArmed = true;
}

void ZCItem::UpdateRestart() {
  mRestartDelay -= GetGameStep();
  if (mRestartDelay >= 0) return;
  // A rule removed meanwhile leaves the item armed, doing nothing.
  AnimRestartRule* rule = FindRule(mPendingRestart);
  if (!rule) return;
  const int32_t stopFrame = rule->mStopFrame;
  SetPartsImageSuffix(mPendingRestart);
  SetStopFrame(stopFrame);
  PauseAnimations(false);
  mRestartArmed = false;
}

void ZCItem::SetStopFrame(int32_t frame) {
  for (auto& part : mParts) part->SetStopFrame(frame);
}

void ZCItem::PauseAnimations(bool pause) {
  for (auto& part : mParts) {
    if (pause)
      part->PauseAnimation();
    else
      part->ResumeAnimation();
  }
}

void ZCItem::SendEffectMessage(const std::string& name) {
  if (mEffect) mEffect->SendMessage(name);
  for (auto& part : mParts) part->SendEffectMessage(name);
}

ZCItemPart* ZCItem::FindPart(const std::string& name, int32_t index) const {
  if (index < 0) return nullptr;
  for (auto& part : mParts)
    if (part->GetName() == name && index-- == 0) return part.get();
  return nullptr;
}

void ZCItem::StartAction(float seconds, int32_t kind) {
  mActionTime = seconds;
  mActionKind = kind;
}

BoardPoint ZCItem::GetBasePoint(const BoardPoint& point) const {
  return BoardPoint{SaturatingAdd(mPos.x, int64_t(mOffset.x) + point.x), SaturatingAdd(mPos.y, int64_t(mOffset.y) + point.y)};
}

bool ZCItem::IsNamed(const std::string& text) const { return mName.compare(0, text.size(), text) == 0; }

// ---- The registry's walks ----

ZCItem* ZCItem::FindByName(const std::string& name) { return GetItemRegistry().Find(name); }

void ZCItem::ApplyLevelStates(const XmlNode& level) {
  // One walk over the level's objects; the first object of a name is that name's state.
  std::unordered_map<std::string, XmlNode> states;
  for (const XmlNode& node : level.selectNodes(L"objects//object")) {
    std::string name;
    if (ReadBoardText(node, L"name", name)) states.emplace(name, node);
  }
  // A copy: an item's state may create or delete items.
  const std::vector<ZCItem*> items = GetItemRegistry().Items();
  for (ZCItem* item : items) {
    auto it = states.find(item->mName);
    if (it != states.end()) {
      item->ReadState(it->second);
    } else {
      item->SetVisibleFlag(false);
      item->mRunning = false;
    }
  }
}

namespace {
// Runs fn on every running item in creation order; items added meanwhile are visited too.
template <class Fn>
void ForEachRunning(Fn fn) {
  const std::vector<ZCItem*>& items = GetItemRegistry().Items();
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i]->IsRunning()) fn(items[i]);
}
}  // namespace

void ZCItem::UpdateAll() {
  ForEachRunning([](ZCItem* item) { item->Update(); });
}

void ZCItem::ActivateAll() {
  ForEachRunning([](ZCItem* item) { item->Activate(true); });
}

void ZCItem::DeactivateAll() {
  ForEachRunning([](ZCItem* item) { item->Activate(false); });
}

void ZCItem::ClearAllStates() {
  ForEachRunning([](ZCItem* item) { item->ClearState(); });
}

void ZCItem::DeleteAll() {
  std::vector<ZCItem*> items = GetItemRegistry().TakeAll();
  for (ZCItem* item : items) {
    item->ClearParts();
    delete item;
  }
  BoardWorld& world = GetBoardWorld();
  world.mBoss = nullptr;
  world.mBonus = nullptr;
}

void ZCItem::RegisterPartsForZOrder(ZOrderResolver& resolver) {
  for (auto& part : mParts) {
    if (part->GetName() == "held_items") continue;
    if (part->IsZOver())
      resolver.AddOverlayPart(part.get());
    else
      resolver.AddPart(part.get(), IsMovable());
  }
}

void ZCItem::RegisterAllForZOrder() {
  ZOrderResolver* resolver = GetZOrderResolver();
  if (!resolver) return;
  for (ZCItem* item : GetItemRegistry().Items()) item->RegisterPartsForZOrder(*resolver);
  resolver->Resolve();
}
