#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "graphics/Color.h"
#include "widgets/ButtonWidget.h"
#include "widgets/ZCDialog.h"

// Text of a widget as the layout binds it: a fixed text, a localised text id, or a text
// variable read again at every draw.
struct ZCTextBinding {
  std::wstring mText;
  std::string mTextId;
  std::string mVariable;

  void Load(const XmlNode& node, const char* textAttr, const char* idAttr, const char* varAttr);
  std::wstring Resolve() const;
};

// Where widgets of the kit report clicks and changes: the listener set on them, or else the
// nearest dialog above them.
Vesk::ButtonListener* FindButtonListener(Vesk::Widget* widget, Vesk::ButtonListener* explicitListener);
// Tells the listener that the widget was clicked or changed (ButtonDepress with its id).
void NotifyListener(ZCCandyWidget* widget, Vesk::ButtonListener* explicitListener);

// A button with four state pictures (texture slots 0 normal, 1 mouse over, 2 pressed,
// 3 disabled; a missing one falls back to normal) and a label.
class ZCButton : public ZCCandyWidget {
 public:
  enum State { kNormal = 0, kOver = 1, kDown = 2, kDisabled = 3 };

  void LoadFromXml(const XmlNode& node) override;
  void Draw(Vesk::Graphics* g) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void MouseDown(int32_t x, int32_t y, int32_t button, int32_t clicks) override;
  void MouseUp(int32_t x, int32_t y, int32_t button) override;
  void SetDisabled(bool disabled) override;

  // Gives the four state pictures the whole image of the texture.
  void SetButtonTexture(const TextureHandle& handle);
  void SetLabel(const std::wstring& label);
  const std::wstring& GetLabel() const { return mLabel; }
  State GetState() const;

  Vesk::ButtonListener* mListener = nullptr;
  std::string mClickSound = "click";
  Color mLabelColor = Color::White;

 private:
  Vesk::ButtonPressState mPress;
  std::wstring mLabel;
};

// A text, optionally over pictures (its texture slots).
class ZCText : public ZCCandyWidget {
 public:
  enum Align { kLeft, kCenter, kRight };

  void LoadFromXml(const XmlNode& node) override;
  void Draw(Vesk::Graphics* g) override;
  ZCText* AsText() override { return this; }
  // A fixed text (drops a text id or variable binding).
  void SetText(const std::wstring& text);
  // The text as shown now.
  std::wstring GetText() const { return mBinding.Resolve(); }
  // Shows the whole image of the texture in slot 0.
  void SetTextTexture(const TextureHandle& handle);
  bool IsDisabledInTree() const;
  // The colour the text is drawn in now.
  Color GetDrawColor() const { return IsDisabledInTree() ? mDisabledColor : mColor; }

  // The text's own colour, and the one it takes while it or a widget above it is disabled
  // (ui.xml "disabled_color"; absent: the text's colour).
  Color mColor = Color::White;
  Color mDisabledColor = Color::White;
  Align mAlign = kLeft;
  bool mWrap = false;

 private:
  ZCTextBinding mBinding;
};

// A check box: texture slot 0 unchecked, slot 1 checked. A click toggles it and reports.
class ZCCheckBox : public ZCCandyWidget {
 public:
  void LoadFromXml(const XmlNode& node) override;
  void Draw(Vesk::Graphics* g) override;
  void MouseDown(int32_t x, int32_t y, int32_t button, int32_t clicks) override;
  void SetChecked(bool checked);
  bool IsChecked() const { return mChecked; }

  Vesk::ButtonListener* mListener = nullptr;

 private:
  bool mChecked = false;
};

// A value 0..max picked by dragging a thumb (slot 1) along a track (slot 0). Reports each change
// made with the mouse.
class ZCSlider : public ZCCandyWidget {
 public:
  void LoadFromXml(const XmlNode& node) override;
  void Draw(Vesk::Graphics* g) override;
  void MouseDown(int32_t x, int32_t y, int32_t button, int32_t clicks) override;
  void MouseDrag(int32_t x, int32_t y) override;
  void SetMax(int32_t max);
  // Kept within 0..max.
  void SetValue(int32_t value);
  int32_t GetValue() const { return mValue; }
  int32_t GetMax() const { return mMax; }

  Vesk::ButtonListener* mListener = nullptr;
  bool mVertical = false;

 protected:
  // The thumb's size along the track.
  int32_t ThumbLength() const;
  void SetFromMouse(int32_t x, int32_t y);

  int32_t mMax = 100;
  int32_t mValue = 0;
};

// A vertical slider.
class ZCScrollBar : public ZCSlider {
 public:
  ZCScrollBar() { mVertical = true; }
};

// A bar filled to a fraction: slot 0 the empty bar, slot 1 the full one, cut at the fraction.
class ZCProgressBar : public ZCCandyWidget {
 public:
  void LoadFromXml(const XmlNode& node) override;
  void Draw(Vesk::Graphics* g) override;
  // Kept within 0..1.
  void SetProgress(float progress);
  float GetProgress() const { return mProgress; }

 private:
  float mProgress = 0;
};

// A line of typed text. Enter (13) and Escape (27) go to KeyDown of its parent's parent.
class ZCEditWidget : public ZCCandyWidget {
 public:
  ZCEditWidget() { mTabStop = true; }
  void LoadFromXml(const XmlNode& node) override;
  void Draw(Vesk::Graphics* g) override;
  void KeyChar(wchar_t c) override;
  void KeyDown(int32_t key) override;
  void GotFocus() override;
  // Longer text is cut to the maximum length.
  void SetText(const std::wstring& text);
  const std::wstring& GetText() const { return mText; }
  void SetMaxLength(int32_t maxLength);

  // -1: unlimited.
  int32_t mMaxLength = -1;
  Color mColor = Color::White;

 private:
  std::wstring mText;
};

// Lines of text, one selected, scrolled by the wheel. Slot 0 is the background, slot 1 the
// selection mark (a filled bar when there is none). Reports a selection made with the mouse.
class ZCList : public ZCCandyWidget {
 public:
  void LoadFromXml(const XmlNode& node) override;
  void Draw(Vesk::Graphics* g) override;
  void MouseDown(int32_t x, int32_t y, int32_t button, int32_t clicks) override;
  void MouseWheel(int32_t delta) override;

  void AddLine(const std::wstring& line);
  void Clear();
  // An index outside the lines selects none.
  void SetSelected(int32_t index);
  int32_t GetSelected() const { return mSelected; }
  // Selects the line and scrolls it into view.
  void SelectAndReveal(int32_t index);
  int32_t GetLineCount() const { return int32_t(mLines.size()); }
  const std::wstring& GetLine(int32_t index) const { return mLines[size_t(index)]; }
  int32_t GetTopLine() const { return mTop; }
  void SetTopLine(int32_t top);
  int32_t VisibleLines() const;

  Vesk::ButtonListener* mListener = nullptr;
  int32_t mLineHeight = 20;
  Color mColor = Color::White;
  Color mSelectedColor = Color(255, 220, 120);

 private:
  std::vector<std::wstring> mLines;
  int32_t mSelected = -1;
  int32_t mTop = 0;
};

// A picture that plays its animated texture slots from the start whenever it appears.
class ZCAnimWidget : public ZCCandyWidget {
 public:
  void LockTextures() override;
};

// The tutorial's hint dialog: any of its buttons closes it and tells the tutorial.
class ZCTutorialDialog : public ZCDialog {
 public:
  ZCTutorialDialog() : ZCDialog(0, nullptr) {}
  void OnCommand(ZCCandyWidget* button) override;
};

// The game's handler of a closed hint dialog (TutorialDialogClosed); empty by default.
void SetTutorialDialogClosedHandler(std::function<void()> handler);
void TutorialDialogClosed();
