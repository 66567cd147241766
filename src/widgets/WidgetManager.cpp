#include "widgets/WidgetManager.h"

#include <algorithm>

#include "graphics/Graphics.h"

namespace Vesk {

WidgetManager::WidgetManager(int32_t width, int32_t height) {
  mWidth = width;
  mHeight = height;
  mManager = this;
}

WidgetManager::~WidgetManager() {
  mDepth = 1;  // no flush from inside the teardown
  mFocus = mOver = mDown = nullptr;
  mModals.clear();
  for (Widget* w : mPendingDeletes) delete w;
  mPendingDeletes.clear();
  // The children go now, while the manager is still whole.
  while (!mChildren.empty()) {
    Widget* child = mChildren.back();
    mChildren.pop_back();
    child->mParent = nullptr;
    child->SetManagerInTree(nullptr);
    delete child;
  }
}

bool WidgetManager::IsInside(const Widget* widget, const WidgetContainer* ancestor) const {
  for (const WidgetContainer* c = widget; c; c = c->GetParent())
    if (c == ancestor) return true;
  return false;
}

void WidgetManager::WidgetRemoved(Widget* widget) {
  if (mFocus && IsInside(mFocus, widget)) {
    mFocus->mHasFocus = false;
    mFocus = nullptr;
  }
  if (mOver && IsInside(mOver, widget)) mOver = nullptr;
  if (mDown && IsInside(mDown, widget)) mDown = nullptr;
  mModals.erase(std::remove_if(mModals.begin(), mModals.end(), [&](Widget* m) { return IsInside(m, widget); }),
                mModals.end());
}

void WidgetManager::WidgetHidden(Widget* widget) {
  // The pointer has left what was hidden or disabled: its highlight does not wait for its return.
  if (mOver && IsInside(mOver, widget)) SetOver(nullptr);
  WidgetRemoved(widget);
}

bool WidgetManager::AcceptsInput(const Widget* widget) const {
  if (!widget || widget->mManager != this) return false;
  if (!widget->IsShownInTree() || !widget->IsEnabledInTree()) return false;
  Widget* modal = GetTopModal();
  return !modal || IsInside(widget, modal);
}

Widget* WidgetManager::HitTest(WidgetContainer* container, int32_t x, int32_t y) const {
  for (auto it = container->mChildren.rbegin(); it != container->mChildren.rend(); ++it) {
    Widget* child = *it;
    if (!child->mVisible || child->mDisabled) continue;
    // The point as it falls on the child where it is drawn.
    int32_t ox = 0, oy = 0;
    child->GetDrawOffset(ox, oy);
    int32_t lx = x - ox - child->mX, ly = y - oy - child->mY;
    if (Widget* hit = HitTest(child, lx, ly)) return hit;
    if (child->mMouseVisible && child->Contains(x - ox, y - oy)) return child;
  }
  return nullptr;
}

Widget* WidgetManager::GetWidgetAt(int32_t x, int32_t y) const {
  Widget* modal = GetTopModal();
  if (!modal) return HitTest(const_cast<WidgetManager*>(this), x, y);
  if (!modal->IsShownInTree() || !modal->IsEnabledInTree()) return nullptr;
  int32_t ax = 0, ay = 0;
  modal->GetAbsolutePos(ax, ay);
  int32_t lx = x - ax, ly = y - ay;
  if (Widget* hit = HitTest(modal, lx, ly)) return hit;
  if (modal->mMouseVisible && modal->Contains(lx + modal->mX, ly + modal->mY)) return modal;
  return nullptr;
}

void WidgetManager::SetOver(Widget* widget) {
  if (widget == mOver) return;
  Widget* old = mOver;
  mOver = widget;
  if (old) old->MouseLeave();
  // The leave handler may have changed the tree: enter only a widget that still takes input.
  if (mOver == widget && widget && AcceptsInput(widget)) widget->MouseEnter();
  mDirty = true;
}

void WidgetManager::MouseMove(int32_t x, int32_t y) {
  Depth depth(this);
  mMouseX = x;
  mMouseY = y;
  if (mDown) {
    Widget* down = mDown;
    int32_t ax = 0, ay = 0;
    down->GetAbsolutePos(ax, ay);
    down->MouseDrag(x - ax, y - ay);
    if (mDown != down) return;
    // While a button is held, the pressed widget alone is "over" when the mouse is on it.
    SetOver(GetWidgetAt(x, y) == down ? down : nullptr);
    return;
  }
  Widget* hit = GetWidgetAt(x, y);
  SetOver(hit);
  if (hit && mOver == hit) {
    int32_t ax = 0, ay = 0;
    hit->GetAbsolutePos(ax, ay);
    hit->MouseMove(x - ax, y - ay);
  }
}

void WidgetManager::MouseDown(int32_t x, int32_t y, int32_t button, int32_t clicks) {
  Depth depth(this);
  mMouseX = x;
  mMouseY = y;
  if (mInputLocked && mInputLocked()) return;
  Widget* hit = GetWidgetAt(x, y);
  SetOver(hit);
  if (!hit || mOver != hit) return;
  mDown = hit;
  if (hit->mTabStop && mFocus != hit) SetFocus(hit);
  // The focus change may have taken the widget away.
  if (!AcceptsInput(hit)) return;
  int32_t ax = 0, ay = 0;
  hit->GetAbsolutePos(ax, ay);
  hit->MouseDown(x - ax, y - ay, button, clicks);
  mDirty = true;
}

void WidgetManager::MouseUp(int32_t x, int32_t y, int32_t button) {
  Depth depth(this);
  mMouseX = x;
  mMouseY = y;
  Widget* down = mDown;
  mDown = nullptr;
  if (down && down->mManager == this) {
    int32_t ax = 0, ay = 0;
    down->GetAbsolutePos(ax, ay);
    down->MouseUp(x - ax, y - ay, button);
  }
  mDirty = true;
  // The widget under the mouse may differ from the one pressed.
  Widget* hit = GetWidgetAt(x, y);
  SetOver(hit);
}

void WidgetManager::MouseWheel(int32_t delta) {
  Depth depth(this);
  if (mInputLocked && mInputLocked()) return;
  Widget* hit = GetWidgetAt(mMouseX, mMouseY);
  if (hit) hit->MouseWheel(delta);
  mDirty = true;
}

void WidgetManager::MouseExit() {
  Depth depth(this);
  SetOver(nullptr);
}

void WidgetManager::KeyDown(int32_t key) {
  Depth depth(this);
  Widget* focus = mFocus;
  if (focus && AcceptsInput(focus))
    focus->KeyDown(key);
  else if (key == 9)
    MoveFocus(false);
  mDirty = true;
}

void WidgetManager::KeyUp(int32_t key) {
  Depth depth(this);
  Widget* focus = mFocus;
  if (focus && AcceptsInput(focus)) focus->KeyUp(key);
}

void WidgetManager::KeyChar(wchar_t c) {
  Depth depth(this);
  Widget* focus = mFocus;
  if (focus && AcceptsInput(focus)) focus->KeyChar(c);
  mDirty = true;
}

void WidgetManager::SetFocus(Widget* widget) {
  Depth depth(this);
  if (widget == mFocus) return;
  if (widget && widget->mManager != this) return;
  Widget* old = mFocus;
  mFocus = widget;
  if (old) {
    old->mHasFocus = false;
    old->LostFocus();
  }
  // LostFocus may have moved the focus again.
  if (mFocus == widget && widget) {
    widget->mHasFocus = true;
    widget->GotFocus();
  }
  mDirty = true;
}

void WidgetManager::CollectTabStops(WidgetContainer* container, std::vector<Widget*>& out) const {
  for (Widget* child : container->mChildren) {
    if (!child->mVisible || child->mDisabled) continue;
    if (child->mTabStop) out.push_back(child);
    CollectTabStops(child, out);
  }
}

void WidgetManager::MoveFocus(bool backward) {
  std::vector<Widget*> stops;
  Widget* modal = GetTopModal();
  CollectTabStops(modal ? static_cast<WidgetContainer*>(modal) : this, stops);
  if (stops.empty()) return;
  auto it = std::find(stops.begin(), stops.end(), mFocus);
  size_t n = stops.size();
  size_t next;
  if (it == stops.end())
    next = backward ? n - 1 : 0;
  else {
    size_t i = size_t(it - stops.begin());
    next = backward ? (i + n - 1) % n : (i + 1) % n;
  }
  SetFocus(stops[next]);
}

void WidgetManager::AddBaseModal(Widget* widget) {
  if (!widget) return;
  mModals.erase(std::remove(mModals.begin(), mModals.end(), widget), mModals.end());
  mModals.push_back(widget);
  // Whatever was pressed or hovered below the new modal widget lets go.
  if (mOver && !IsInside(mOver, widget)) SetOver(nullptr);
  if (mDown && !IsInside(mDown, widget)) mDown = nullptr;
}

bool WidgetManager::IsOnModalStack(const Widget* widget) const {
  return std::find(mModals.begin(), mModals.end(), widget) != mModals.end();
}

void WidgetManager::RemoveBaseModal(Widget* widget) {
  mModals.erase(std::remove(mModals.begin(), mModals.end(), widget), mModals.end());
}

void WidgetManager::SafeDeleteWidget(Widget* widget) {
  if (!widget || IsPendingDelete(widget)) return;
  if (WidgetContainer* parent = widget->GetParent()) parent->RemoveWidget(widget);
  WidgetRemoved(widget);
  mPendingDeletes.push_back(widget);
}

bool WidgetManager::IsPendingDelete(const Widget* widget) const {
  return std::find(mPendingDeletes.begin(), mPendingDeletes.end(), widget) != mPendingDeletes.end();
}

void WidgetManager::FlushDeletes() {
  while (!mPendingDeletes.empty()) {
    std::vector<Widget*> batch;
    batch.swap(mPendingDeletes);
    for (Widget* w : batch) delete w;
  }
}

void WidgetManager::UpdateFrame() {
  Depth depth(this);
  std::vector<Widget*> children = mChildren;
  for (Widget* child : children)
    if (HasWidget(child) && child->mVisible) child->UpdateAll();
  // Only the outermost walk deletes: an input handler below may still be running.
  if (mDepth == 1) FlushDeletes();
}

void WidgetManager::DrawScreen(Graphics* g) {
  Depth depth(this);
  WidgetContainer::DrawAll(g);
  mDirty = false;
}

}  // namespace Vesk
