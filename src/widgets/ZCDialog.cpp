#include "widgets/ZCDialog.h"

#include "shell/Log.h"
#include "shell/StringUtil.h"
#include "shell/XmlNode.h"
#include "widgets/UiXml.h"
#include "widgets/WidgetManager.h"

namespace {
// The button whose click is being reported (so that a dialog finds it among equal ids).
thread_local ZCCandyWidget* tDepressed = nullptr;
}  // namespace

void ReportButtonDepress(ZCCandyWidget* button, Vesk::ButtonListener* listener) {
  ZCCandyWidget* saved = tDepressed;
  tDepressed = button;
  listener->ButtonDepress(button->mId);
  tDepressed = saved;
}

ZCDialog::ZCDialog(int32_t id, Vesk::VeskAppBase* app) : mDialogId(id), mApp(app) {}

ZCDialog::ZCDialog(ZCDialog* parent, Vesk::VeskAppBase* app) : mApp(app) {
  if (parent) parent->AddWidget(this);
}

ZCDialog::~ZCDialog() {
  if (mManager) mManager->RemoveBaseModal(this);
}

void ZCDialog::LockTextures() {
  ZCCandyWidget::LockTextures();
  SyncModal();
}

void ZCDialog::UnlockTextures() {
  ZCCandyWidget::UnlockTextures();
  SyncModal();
}

void ZCDialog::SetModal(bool modal) {
  mModal = modal;
  SyncModal();
}

void ZCDialog::SyncModal() {
  if (!mManager) return;
  bool want = mModal && mTexturesLocked;
  bool on = mManager->IsOnModalStack(this);
  if (want && !on)
    mManager->AddBaseModal(this);
  else if (!want && on)
    mManager->RemoveBaseModal(this);
}

void ZCDialog::SetVisible(bool visible) {
  bool changed = mVisible != visible;
  ZCCandyWidget::SetVisible(visible);
  if (!changed || !mOwner) return;
  if (visible)
    mOwner->DialogShown(this);
  else
    mOwner->DialogHidden(this);
}

void ZCDialog::Update() { ZCCandyWidget::Update(); }

void ZCDialog::AddChild(const std::string& name, ZCCandyWidget* widget) { ZCCandyWidget::AddChild(name, widget); }

ZCCandyWidget* ZCDialog::FindChild(const std::string& name) const { return ZCCandyWidget::FindChild(name); }

ZCCandyWidget* ZCDialog::FindDescendant(const std::string& name) const {
  if (ZCCandyWidget* w = FindChild(name)) return w;
  for (Vesk::Widget* child : mChildren)
    if (auto* d = dynamic_cast<ZCDialog*>(child))
      if (ZCCandyWidget* w = d->FindDescendant(name)) return w;
  return nullptr;
}

ZCCandyWidget* ZCDialog::FindById(int32_t id) const {
  for (Vesk::Widget* child : mChildren) {
    auto* candy = dynamic_cast<ZCCandyWidget*>(child);
    if (!candy) continue;
    if (candy->mId == id) return candy;
    if (auto* d = dynamic_cast<ZCDialog*>(candy))
      if (ZCCandyWidget* w = d->FindById(id)) return w;
  }
  return nullptr;
}

void ZCDialog::ButtonDepress(int32_t id) {
  ZCCandyWidget* button = tDepressed && tDepressed->mId == id ? tDepressed : FindById(id);
  OnCommand(button);
}

void ZCDialog::OnCommand(ZCCandyWidget* button) {
  if (mOwner) mOwner->DialogCommand(this, button ? button->mId : 0);
  if (auto* parent = dynamic_cast<ZCDialog*>(mParent)) parent->OnCommand(button);
}

void ZCDialog::MouseDown(int32_t x, int32_t y, int32_t button, int32_t clicks) {
  if (mForwardTarget && mForwardTarget != this) {
    int32_t dx = 0, dy = 0, tx = 0, ty = 0;
    GetAbsolutePos(dx, dy);
    mForwardTarget->GetAbsolutePos(tx, ty);
    mForwardTarget->MouseDown(x + dx - tx, y + dy - ty, button, clicks);
  }
  ZCCandyWidget::MouseDown(x, y, button, clicks);
}

void ZCDialog::MouseUp(int32_t x, int32_t y, int32_t button) {
  if (mForwardTarget && mForwardTarget != this) {
    int32_t dx = 0, dy = 0, tx = 0, ty = 0;
    GetAbsolutePos(dx, dy);
    mForwardTarget->GetAbsolutePos(tx, ty);
    mForwardTarget->MouseUp(x + dx - tx, y + dy - ty, button);
  }
  ZCCandyWidget::MouseUp(x, y, button);
}

void ZCDialog::KeyDown(int32_t key) {
  if (mKeyForwardTarget && mKeyForwardTarget != this)
    mKeyForwardTarget->KeyDown(key);
  else
    ZCCandyWidget::KeyDown(key);
}

void ZCDialog::KeyUp(int32_t key) {
  if (mKeyForwardTarget && mKeyForwardTarget != this)
    mKeyForwardTarget->KeyUp(key);
  else
    ZCCandyWidget::KeyUp(key);
}

void ZCDialog::LoadFromXml(const XmlNode& node) {
  ZCCandyWidget::LoadFromXml(node);
  SetModal(UiAttrBool(node, "modal", mModal));
  std::string label = UiLabel(node);
  for (const XmlNode& child : node.selectNodes(L"widget")) {
    std::string type = UiAttr(child, "type");
    std::string name = UiAttr(child, "name");
    if (name.empty()) LogMessage("WARNING: ui.xml dialog \"%s\": a \"%s\" widget has no name", label.c_str(), type.c_str());
    ZCCandyWidget* widget = CreateUiWidget(type, label + "/" + name);
    if (auto* dialog = dynamic_cast<ZCDialog*>(widget)) dialog->mApp = mApp;
    widget->LoadFromXml(child);
    widget->SetVisible(UiAttrBool(child, "visible", true));
    AddChild(name, widget);
    if (mOwner) mOwner->DialogChildCreated(this, name, widget);
  }
}

bool ZCDialog::LoadByName(const XmlNode& doc, const std::string& name) {
  for (const XmlNode& node : doc.selectNodes(L"//widget[@type='zcdialog']")) {
    if (UiAttr(node, "name") != name) continue;
    if (mName.empty()) mName = name;
    LoadFromXml(node);
    return true;
  }
  LogMessage("WARNING: ui.xml has no dialog \"%s\"", name.c_str());
  return false;
}
