#pragma once
#include <cstdint>
#include <vector>

#include "graphics/Rect.h"

namespace Vesk {

class Graphics;
class Widget;
class WidgetManager;

// A node of the widget tree that holds children. Children belong to their container: it deletes
// them with itself. The last child is drawn last and hit first.
class WidgetContainer {
 public:
  WidgetContainer() = default;
  virtual ~WidgetContainer();
  WidgetContainer(const WidgetContainer&) = delete;
  WidgetContainer& operator=(const WidgetContainer&) = delete;

  // Appends the widget when it is not yet a child (taking it from its old parent) and gives it
  // this container's manager.
  virtual void AddWidget(Widget* widget);
  // Takes the widget out of the child list without deleting it; false when it is not a child.
  virtual bool RemoveWidget(Widget* widget);
  bool HasWidget(const Widget* widget) const;
  // Moves an existing child to the end (drawn last, hit first) or the start of the list.
  void BringToFront(Widget* widget);
  void BringToBack(Widget* widget);
  const std::vector<Widget*>& GetChildren() const { return mChildren; }

  WidgetManager* GetManager() const { return mManager; }
  WidgetContainer* GetParent() const { return mParent; }
  // Asks the manager for a redraw.
  void MarkDirty();
  // False for a hidden widget (containers are always shown).
  virtual bool IsShown() const { return true; }
  // How far the container and its children are drawn away from (mX, mY) by an effect or a page
  // turn; hit tests and screen positions follow it, so a click lands on what is drawn there.
  virtual void GetDrawOffset(int32_t& x, int32_t& y) const { x = y = 0; }

  // The position relative to the parent, and the size.
  int32_t mX = 0;
  int32_t mY = 0;
  int32_t mWidth = 0;
  int32_t mHeight = 0;
  bool mDirty = false;

 protected:
  friend class WidgetManager;
  friend class Widget;
  // Gives the subtree its manager (null when it leaves the tree).
  void SetManagerInTree(WidgetManager* manager);
  // The update and draw walks: the container's own work, then its visible children in order.
  virtual void UpdateAll();
  virtual void DrawAll(Graphics* g);
  virtual void UpdateSelf() {}
  virtual void DrawSelf(Graphics*) {}

  std::vector<Widget*> mChildren;
  WidgetManager* mManager = nullptr;
  WidgetContainer* mParent = nullptr;
};

// A widget: a container with input operations, visibility, the disabled state and the focus.
class Widget : public WidgetContainer {
 public:
  Widget() = default;
  ~Widget() override;

  virtual void Update() {}
  virtual void Draw(Graphics*) {}
  virtual void Resize(int32_t x, int32_t y, int32_t width, int32_t height);
  virtual void Move(int32_t x, int32_t y);
  // Immediate visibility.
  virtual void SetVisible(bool visible);
  virtual void SetDisabled(bool disabled);
  bool IsVisible() const { return mVisible; }
  bool IsDisabled() const { return mDisabled; }
  bool HasFocus() const { return mHasFocus; }
  bool IsShown() const override { return mVisible; }

  // Mouse operations, in the widget's own coordinates (0, 0 at its top-left corner).
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}
  virtual void MouseMove(int32_t, int32_t) {}
  virtual void MouseDown(int32_t, int32_t, int32_t /*button*/, int32_t /*clicks*/) {}
  virtual void MouseUp(int32_t, int32_t, int32_t /*button*/) {}
  virtual void MouseDrag(int32_t, int32_t) {}
  virtual void MouseWheel(int32_t) {}
  // Key operations for the focus widget: a typed character, then a key press and its release.
  virtual void KeyChar(wchar_t) {}
  // The base moves the focus on Tab (9) only.
  virtual void KeyDown(int32_t key);
  virtual void KeyUp(int32_t) {}
  virtual void GotFocus() {}
  virtual void LostFocus() {}
  // True when the point (in the parent's coordinates) is on the widget.
  virtual bool Contains(int32_t x, int32_t y) const { return Rect(mX, mY, mWidth, mHeight).Contains(x, y); }

  // The widget's top-left corner in screen coordinates, as drawn.
  void GetAbsolutePos(int32_t& x, int32_t& y) const;
  // True when the widget and every parent widget are visible.
  bool IsShownInTree() const;
  bool IsEnabledInTree() const;

  // Tab stops take the focus from Tab and from a click on them.
  bool mTabStop = false;
  // False for widgets the mouse goes through.
  bool mMouseVisible = true;

 protected:
  friend class WidgetManager;
  void UpdateSelf() override { Update(); }
  void DrawSelf(Graphics* g) override { Draw(g); }

  bool mVisible = true;
  bool mDisabled = false;
  bool mHasFocus = false;
};

}  // namespace Vesk
