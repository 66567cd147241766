#include "widgets/Widget.h"

#include <algorithm>

#include "graphics/Graphics.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {
// True while `list` still holds the pointer; compares addresses only, so a widget deleted
// meanwhile is never touched.
bool StillHolds(const std::vector<Widget*>& list, const Widget* w) {
  return std::find(list.begin(), list.end(), w) != list.end();
}
}  // namespace

WidgetContainer::~WidgetContainer() {
  // Children go with their container, last first.
  while (!mChildren.empty()) {
    Widget* child = mChildren.back();
    mChildren.pop_back();
    if (mManager) mManager->WidgetRemoved(child);
    child->mParent = nullptr;
    child->SetManagerInTree(nullptr);
    delete child;
  }
}

void WidgetContainer::AddWidget(Widget* widget) {
  if (!widget || widget == this || HasWidget(widget)) return;
  if (widget->mParent) widget->mParent->RemoveWidget(widget);
  mChildren.push_back(widget);
  widget->mParent = this;
  widget->SetManagerInTree(mManager);
  MarkDirty();
}

bool WidgetContainer::RemoveWidget(Widget* widget) {
  auto it = std::find(mChildren.begin(), mChildren.end(), widget);
  if (it == mChildren.end()) return false;
  mChildren.erase(it);
  if (mManager) mManager->WidgetRemoved(widget);
  widget->mParent = nullptr;
  widget->SetManagerInTree(nullptr);
  MarkDirty();
  return true;
}

bool WidgetContainer::HasWidget(const Widget* widget) const { return StillHolds(mChildren, widget); }

void WidgetContainer::BringToFront(Widget* widget) {
  auto it = std::find(mChildren.begin(), mChildren.end(), widget);
  if (it == mChildren.end()) return;
  std::rotate(it, it + 1, mChildren.end());
  MarkDirty();
}

void WidgetContainer::BringToBack(Widget* widget) {
  auto it = std::find(mChildren.begin(), mChildren.end(), widget);
  if (it == mChildren.end()) return;
  std::rotate(mChildren.begin(), it, it + 1);
  MarkDirty();
}

void WidgetContainer::MarkDirty() {
  mDirty = true;
  if (mManager) mManager->mDirty = true;
}

void WidgetContainer::SetManagerInTree(WidgetManager* manager) {
  mManager = manager;
  for (Widget* child : mChildren) child->SetManagerInTree(manager);
}

void WidgetContainer::UpdateAll() {
  UpdateSelf();
  // A snapshot: updates may add, remove or move children. Widgets that left meanwhile are
  // skipped (deletions wait until the walk is over).
  std::vector<Widget*> children = mChildren;
  for (Widget* child : children)
    if (HasWidget(child) && child->IsVisible()) child->UpdateAll();
}

void WidgetContainer::DrawAll(Graphics* g) {
  DrawSelf(g);
  for (Widget* child : mChildren) {
    if (!child->IsVisible()) continue;
    Graphics cg(*g);
    cg.Translate(float(child->mX), float(child->mY));
    child->DrawAll(&cg);
  }
  mDirty = false;
}

Widget::~Widget() {
  if (mParent) {
    auto& siblings = mParent->mChildren;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    mParent = nullptr;
  }
  if (mManager) mManager->WidgetRemoved(this);
}

void Widget::Resize(int32_t x, int32_t y, int32_t width, int32_t height) {
  mX = x;
  mY = y;
  mWidth = std::max(0, width);
  mHeight = std::max(0, height);
  MarkDirty();
}

void Widget::Move(int32_t x, int32_t y) {
  mX = x;
  mY = y;
  MarkDirty();
}

void Widget::SetVisible(bool visible) {
  if (mVisible == visible) return;
  mVisible = visible;
  if (!visible && mManager) mManager->WidgetHidden(this);
  MarkDirty();
}

void Widget::SetDisabled(bool disabled) {
  if (mDisabled == disabled) return;
  mDisabled = disabled;
  if (disabled && mManager) mManager->WidgetHidden(this);
  MarkDirty();
}

void Widget::KeyDown(int32_t key) {
  if (key == 9 && mManager) mManager->MoveFocus(false);
}

void Widget::GetAbsolutePos(int32_t& x, int32_t& y) const {
  x = 0;
  y = 0;
  for (const WidgetContainer* c = this; c; c = c->GetParent()) {
    int32_t ox = 0, oy = 0;
    c->GetDrawOffset(ox, oy);
    x += c->mX + ox;
    y += c->mY + oy;
  }
}

bool Widget::IsShownInTree() const {
  for (const WidgetContainer* c = this; c; c = c->GetParent())
    if (!c->IsShown()) return false;
  return true;
}

bool Widget::IsEnabledInTree() const {
  for (const WidgetContainer* c = this; c; c = c->GetParent()) {
    const Widget* w = dynamic_cast<const Widget*>(c);
    if (w && w->mDisabled) return false;
  }
  return true;
}

}  // namespace Vesk
