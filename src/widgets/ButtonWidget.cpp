#include "widgets/ButtonWidget.h"

#include "widgets/WidgetManager.h"

namespace Vesk {

void ButtonWidget::MouseEnter() {
  mState.mIsOver = true;
  MarkDirty();
  if (mListener) mListener->ButtonMouseEnter(mId);
}

void ButtonWidget::MouseLeave() {
  mState.mIsOver = false;
  MarkDirty();
  if (mListener) mListener->ButtonMouseLeave(mId);
}

void ButtonWidget::MouseDown(int32_t, int32_t, int32_t button, int32_t) {
  if (!mState.Press(button)) return;
  MarkDirty();
  if (mListener) mListener->ButtonPress(mId);
}

void ButtonWidget::MouseUp(int32_t x, int32_t y, int32_t) {
  MarkDirty();
  if (mState.Release(x, y, mWidth, mHeight) && mListener) mListener->ButtonDepress(mId);
}

void ButtonWidget::SetDisabled(bool disabled) {
  Widget::SetDisabled(disabled);
  if (disabled) mState = ButtonPressState();
}

Dialog::~Dialog() {
  if (mOnStack && mManager) mManager->RemoveBaseModal(this);
}

void Dialog::SetVisible(bool visible) {
  Widget::SetVisible(visible);
  SyncModal();
}

void Dialog::SetModal(bool modal) {
  mIsModal = modal;
  SyncModal();
}

void Dialog::SyncModal() {
  bool want = mIsModal && mVisible && mManager;
  if (want == mOnStack) return;
  mOnStack = want;
  if (!mManager) return;
  if (want)
    mManager->AddBaseModal(this);
  else
    mManager->RemoveBaseModal(this);
}

}  // namespace Vesk
