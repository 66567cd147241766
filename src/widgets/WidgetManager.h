#pragma once
#include <cstdint>
#include <vector>

#include "widgets/Widget.h"

namespace Vesk {

// The root of the widget tree. It dispatches mouse and keyboard input to the widget under the
// cursor and the focus widget, keeps the focus and the modal stack, and runs the update and draw
// walks. Input handlers may run the main loop again (a message box waits for its answer that
// way): every dispatch works on what it found before calling out, and widgets given to
// SafeDeleteWidget are deleted only once no dispatch or walk is under way.
class WidgetManager : public WidgetContainer {
 public:
  WidgetManager(int32_t width, int32_t height);
  ~WidgetManager() override;

  // Input, mouse in screen coordinates.
  void MouseMove(int32_t x, int32_t y);
  void MouseDown(int32_t x, int32_t y, int32_t button, int32_t clicks);
  void MouseUp(int32_t x, int32_t y, int32_t button);
  void MouseWheel(int32_t delta);
  // The mouse left the window.
  void MouseExit();
  void KeyDown(int32_t key);
  void KeyUp(int32_t key);
  void KeyChar(wchar_t c);

  // The old focus widget loses the focus, the new one (or none) gets it.
  void SetFocus(Widget* widget);
  Widget* GetFocus() const { return mFocus; }
  // Moves the focus to the next (or previous) tab stop inside the top modal widget, or the tree.
  void MoveFocus(bool backward);

  // The modal stack: while it holds a widget, the mouse reaches only the top one and its
  // children, and keys only a focus widget inside it.
  void AddBaseModal(Widget* widget);
  void RemoveBaseModal(Widget* widget);
  Widget* GetTopModal() const { return mModals.empty() ? nullptr : mModals.back(); }
  bool IsOnModalStack(const Widget* widget) const;

  // Takes the widget out of the tree now and deletes it after the current update (after the
  // outermost one when an input handler runs the loop again).
  void SafeDeleteWidget(Widget* widget);
  bool IsPendingDelete(const Widget* widget) const;

  // One update step over every visible widget, then the deferred deletions.
  void UpdateFrame();
  // Draws every visible widget, parents before children.
  void DrawScreen(Graphics* g);
  // True when something asked for a redraw since the last DrawScreen.
  bool IsDirty() const { return mDirty; }

  // The topmost visible, enabled widget under the point that may take the mouse now.
  Widget* GetWidgetAt(int32_t x, int32_t y) const;
  Widget* GetOverWidget() const { return mOver; }
  int32_t GetMouseX() const { return mMouseX; }
  int32_t GetMouseY() const { return mMouseY; }

  // Set to ignore clicks (while effects lock the widgets); the caller decides when.
  bool (*mInputLocked)() = nullptr;

  // Called by a widget leaving the tree or being destroyed: drops every reference to it.
  void WidgetRemoved(Widget* widget);
  // The same for a widget that stays but was hidden or disabled: the one under the pointer in it
  // is told that the pointer left.
  void WidgetHidden(Widget* widget);

 private:
  struct Depth {
    explicit Depth(WidgetManager* m) : mManager(m) { ++m->mDepth; }
    ~Depth() { --mManager->mDepth; }
    WidgetManager* mManager;
  };
  void FlushDeletes();
  Widget* HitTest(WidgetContainer* container, int32_t x, int32_t y) const;
  bool IsInside(const Widget* widget, const WidgetContainer* ancestor) const;
  bool AcceptsInput(const Widget* widget) const;
  void SetOver(Widget* widget);
  void CollectTabStops(WidgetContainer* container, std::vector<Widget*>& out) const;

  Widget* mFocus = nullptr;
  Widget* mOver = nullptr;
  Widget* mDown = nullptr;
  std::vector<Widget*> mModals;
  std::vector<Widget*> mPendingDeletes;
  int32_t mDepth = 0;
  int32_t mMouseX = 0;
  int32_t mMouseY = 0;
};

}  // namespace Vesk
