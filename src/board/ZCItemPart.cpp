#include "board/ZCItemPart.h"

#include "board/BoardText.h"
#include "board/ZCItem.h"
#include "shell/XmlNode.h"

ZCItemPart::ZCItemPart(ZCItem* owner) : mOwner(owner) {
  if (mOwner) {
    ZCPartRecord record;
    record.mVisible = &mVisible;
    mOwner->AddPartRecord(record);
  }
}

ZCItemPart::~ZCItemPart() = default;

void ZCItemPart::ReadPart(const XmlNode& node) {
  mName = ReadBoardText(node, L"name");
}

void ZCItemPart::SetSkin(const std::string&) {}
void ZCItemPart::SetOrientation(const std::string&, bool) {}
bool ZCItemPart::PlayAnimation(const std::string&, bool) { return false; }
void ZCItemPart::PlayExact(const std::string&) {}
bool ZCItemPart::BindSkinTextures() { return true; }

void ZCItemPart::SetVisible(bool show) {
  if (SendEffectMessage(show ? "onshow" : "onhide")) return;
  mVisible = show;
}

bool ZCItemPart::IsShown() const { return mVisible && mOwner && mOwner->IsVisible(); }

void ZCItemPart::Update() {}
void ZCItemPart::SetStopFrame(int32_t) {}
void ZCItemPart::CancelStopFrameFor(const std::string&) {}
void ZCItemPart::PauseAnimation() {}
void ZCItemPart::ResumeAnimation() {}
float ZCItemPart::GetAnimProgress() const { return 0; }
void ZCItemPart::ReleaseAnimImages() {}
bool ZCItemPart::SendEffectMessage(const std::string&) { return false; }
