#pragma once
#include <cstdint>

#include "widgets/Widget.h"

namespace Vesk {

// How buttons report to the widget that listens to them. ButtonDepress comes when a button was
// pressed and released on it.
class ButtonListener {
 public:
  virtual ~ButtonListener() = default;
  virtual void ButtonPress(int32_t /*id*/) {}
  virtual void ButtonDownTick(int32_t /*id*/) {}
  virtual void ButtonDepress(int32_t /*id*/) {}
  virtual void ButtonMouseEnter(int32_t /*id*/) {}
  virtual void ButtonMouseLeave(int32_t /*id*/) {}
};

// The press and release rule every button follows: a press with the left button arms it, a
// release on the button while armed reports ButtonDepress; a release elsewhere disarms it.
struct ButtonPressState {
  bool mIsDown = false;
  bool mIsOver = false;

  // True when the press armed the button.
  bool Press(int32_t button) {
    if (button != 1) return false;
    mIsDown = true;
    return true;
  }
  // True when the release completes a click (inside the button of that size).
  bool Release(int32_t x, int32_t y, int32_t width, int32_t height) {
    bool wasDown = mIsDown;
    mIsDown = false;
    return wasDown && x >= 0 && y >= 0 && x < width && y < height;
  }
};

// The framework's plain button: reports to its listener by id.
class ButtonWidget : public Widget {
 public:
  ButtonWidget(int32_t id, ButtonListener* listener) : mId(id), mListener(listener) {}

  void MouseEnter() override;
  void MouseLeave() override;
  void MouseDown(int32_t x, int32_t y, int32_t button, int32_t clicks) override;
  void MouseUp(int32_t x, int32_t y, int32_t button) override;
  void SetDisabled(bool disabled) override;
  bool IsDown() const { return mState.mIsDown; }
  bool IsOver() const { return mState.mIsOver; }

  int32_t mId;
  ButtonListener* mListener;

 protected:
  ButtonPressState mState;
};

// The framework's dialog: a widget that listens to its buttons and keeps a result. A modal dialog
// stands on the manager's modal stack while it is visible in the tree.
class Dialog : public Widget, public ButtonListener {
 public:
  explicit Dialog(int32_t id) : mId(id) {}
  ~Dialog() override;

  void SetVisible(bool visible) override;
  void SetModal(bool modal);
  bool IsModal() const { return mIsModal; }
  // Remembers the id of the button that closed it.
  void ButtonDepress(int32_t id) override { mResult = id; }

  int32_t mId;
  // -1 until a button answers.
  int32_t mResult = -1;

 private:
  void SyncModal();
  bool mIsModal = false;
  bool mOnStack = false;
};

}  // namespace Vesk
