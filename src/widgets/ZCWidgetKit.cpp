#include "widgets/ZCWidgetKit.h"

#include <algorithm>
#include <cmath>

#include "fonts/ZCFont.h"
#include "graphics/Graphics.h"
#include "shell/LocTable.h"
#include "shell/Log.h"
#include "shell/StringUtil.h"
#include "shell/TextVars.h"
#include "shell/XmlNode.h"
#include "widgets/UiXml.h"
#include "widgets/WidgetManager.h"
#include "widgets/WidgetServices.h"

void ReportButtonDepress(ZCCandyWidget* button, Vesk::ButtonListener* listener);

namespace {

// The colour with the alpha of the widget drawing it.
Color Faded(const Vesk::Graphics* g, Color c) {
  if (g->GetColorizeImages()) c.mAlpha = c.mAlpha * g->GetColor().mAlpha / 255;
  return c;
}

// Draws a single line of text with its top at y.
void DrawTextLine(Vesk::Graphics* g, ZCFont* font, const std::wstring& text, int32_t x, int32_t top, Color color) {
  if (!font || text.empty()) return;
  Vesk::Graphics tg(*g);
  tg.SetFont(font);
  tg.SetColor(Faded(g, color));
  tg.DrawString(text, x, top + font->GetAscent());
}

Color ReadColor(const XmlNode& node, const wchar_t* name, Color def) {
  GetAttrColor(node, name, def);
  return def;
}

std::function<void()>& TutorialClosedHandler() {
  static std::function<void()> handler;
  return handler;
}

}  // namespace

// ---- Text binding ----

void ZCTextBinding::Load(const XmlNode& node, const char* textAttr, const char* idAttr, const char* varAttr) {
  mText = UiAttrW(node, textAttr, mText);
  mTextId = UiAttr(node, idAttr, mTextId);
  mVariable = UiAttr(node, varAttr, mVariable);
}

std::wstring ZCTextBinding::Resolve() const {
  WidgetServices& s = GetWidgetServices();
  if (!mVariable.empty()) return s.mTextVars ? s.mTextVars->GetTextVar(mVariable) : std::wstring();
  if (!mTextId.empty()) return s.mLocTable ? s.mLocTable->GetText(mTextId) : L"$" + Utf8ToWide(mTextId);
  return mText;
}

// ---- Listeners ----

Vesk::ButtonListener* FindButtonListener(Vesk::Widget* widget, Vesk::ButtonListener* explicitListener) {
  if (explicitListener) return explicitListener;
  for (Vesk::WidgetContainer* c = widget->GetParent(); c; c = c->GetParent())
    if (auto* l = dynamic_cast<Vesk::ButtonListener*>(c)) return l;
  return nullptr;
}

void NotifyListener(ZCCandyWidget* widget, Vesk::ButtonListener* explicitListener) {
  if (Vesk::ButtonListener* l = FindButtonListener(widget, explicitListener)) ReportButtonDepress(widget, l);
}

// ---- ZCButton ----

void ZCButton::LoadFromXml(const XmlNode& node) {
  ZCCandyWidget::LoadFromXml(node);
  // State pictures may be named by state instead of slot.
  static const char* const kStates[] = {"normal", "over", "down", "disabled"};
  for (const XmlNode& t : node.selectNodes(L"state")) {
    std::string state = UiAttr(t, "name");
    auto it = std::find(std::begin(kStates), std::end(kStates), state);
    if (it == std::end(kStates)) {
      LogMessage("WARNING: ui.xml button \"%s\": unknown state \"%s\"", mName.c_str(), state.c_str());
      continue;
    }
    ZCTextureCache* cache = GetWidgetServices().mTextures;
    std::string id = UiAttr(t, "id");
    TextureHandle h = cache ? cache->GetTexture(id) : TextureHandle();
    if (h.IsNullHandle()) {
      LogMessage("WARNING: ui.xml button \"%s\": no texture \"%s\"", UiLabel(node).c_str(), id.c_str());
      continue;
    }
    Rect src;
    UiAttrRect(t, "src", src);
    SetTexture(int32_t(it - std::begin(kStates)), h, src);
  }
  ZCTextBinding label;
  label.Load(node, "label", "label_id", "label_var");
  mLabel = label.Resolve();
  mClickSound = UiAttr(node, "sound", mClickSound);
  mLabelColor = ReadColor(node, L"color", mLabelColor);
}

ZCButton::State ZCButton::GetState() const {
  if (mDisabled) return kDisabled;
  if (mPress.mIsDown && mPress.mIsOver) return kDown;
  if (mPress.mIsOver) return kOver;
  return kNormal;
}

void ZCButton::Draw(Vesk::Graphics* g) {
  ZCWidgetTexture* t = GetTexture(GetState());
  if (!t) t = GetTexture(kNormal);
  if (t) DrawTexture(g, *t);
  if (!mLabel.empty() && mFont) {
    int32_t w = mFont->StringWidth(mLabel);
    int32_t push = GetState() == kDown ? 1 : 0;
    DrawTextLine(g, mFont, mLabel, (mWidth - w) / 2 + push, (mHeight - mFont->GetHeight()) / 2 + push, mLabelColor);
  }
}

void ZCButton::MouseEnter() {
  mPress.mIsOver = true;
  MarkDirty();
  ZCCandyWidget::MouseEnter();
  if (Vesk::ButtonListener* l = FindButtonListener(this, mListener)) l->ButtonMouseEnter(mId);
}

void ZCButton::MouseLeave() {
  mPress.mIsOver = false;
  MarkDirty();
  ZCCandyWidget::MouseLeave();
  if (Vesk::ButtonListener* l = FindButtonListener(this, mListener)) l->ButtonMouseLeave(mId);
}

void ZCButton::MouseDown(int32_t, int32_t, int32_t button, int32_t) {
  if (!mPress.Press(button)) return;
  mPress.mIsOver = true;
  MarkDirty();
  if (Vesk::ButtonListener* l = FindButtonListener(this, mListener)) l->ButtonPress(mId);
}

void ZCButton::MouseUp(int32_t x, int32_t y, int32_t) {
  MarkDirty();
  if (!mPress.Release(x, y, mWidth, mHeight)) return;
  PlayWidgetSound(mClickSound);
  NotifyListener(this, mListener);
}

void ZCButton::SetDisabled(bool disabled) {
  ZCCandyWidget::SetDisabled(disabled);
  if (disabled) mPress = Vesk::ButtonPressState();
}

void ZCButton::SetButtonTexture(const TextureHandle& handle) {
  for (int32_t s = kNormal; s <= kDisabled; ++s) SetTexture(s, handle);
}

void ZCButton::SetLabel(const std::wstring& label) {
  mLabel = label;
  MarkDirty();
}

// ---- ZCText ----

void ZCText::LoadFromXml(const XmlNode& node) {
  ZCCandyWidget::LoadFromXml(node);
  mBinding.Load(node, "text", "text_id", "var");
  mColor = ReadColor(node, L"color", mColor);
  mDisabledColor = ReadColor(node, L"disabled_color", mColor);
  std::string align = UiAttr(node, "align", "left");
  mAlign = align == "center" ? kCenter : align == "right" ? kRight : kLeft;
  mWrap = UiAttrBool(node, "wrap", mWrap);
}

void ZCText::Draw(Vesk::Graphics* g) {
  ZCCandyWidget::Draw(g);
  std::wstring text = mBinding.Resolve();
  if (text.empty() || !mFont) return;
  const Color color = GetDrawColor();
  if (mWrap) {
    Vesk::Graphics tg(*g);
    tg.SetFont(mFont);
    tg.SetColor(Faded(g, color));
    tg.DrawWrappedText(text, Rect(0, 0, mWidth, mHeight), -1, mAlign == kLeft ? -1 : mAlign == kCenter ? 0 : 1);
    return;
  }
  int32_t w = mFont->StringWidth(text);
  int32_t x = mAlign == kLeft ? 0 : mAlign == kCenter ? (mWidth - w) / 2 : mWidth - w;
  DrawTextLine(g, mFont, text, x, 0, color);
}

bool ZCText::IsDisabledInTree() const {
  for (const Vesk::Widget* widget = this; widget; widget = dynamic_cast<const Vesk::Widget*>(widget->GetParent()))
    if (widget->IsDisabled()) return true;
  return false;
}

void ZCText::SetText(const std::wstring& text) {
  mBinding = ZCTextBinding();
  mBinding.mText = text;
  MarkDirty();
}

void ZCText::SetTextTexture(const TextureHandle& handle) { SetTexture(0, handle); }

// ---- ZCCheckBox ----

void ZCCheckBox::LoadFromXml(const XmlNode& node) {
  ZCCandyWidget::LoadFromXml(node);
  mChecked = UiAttrBool(node, "checked", mChecked);
}

void ZCCheckBox::Draw(Vesk::Graphics* g) {
  ZCWidgetTexture* t = GetTexture(mChecked ? 1 : 0);
  if (t) DrawTexture(g, *t);
}

void ZCCheckBox::MouseDown(int32_t, int32_t, int32_t button, int32_t) {
  if (button != 1) return;
  SetChecked(!mChecked);
  PlayWidgetSound("click");
  NotifyListener(this, mListener);
}

void ZCCheckBox::SetChecked(bool checked) {
  mChecked = checked;
  MarkDirty();
}

// ---- ZCSlider ----

void ZCSlider::LoadFromXml(const XmlNode& node) {
  ZCCandyWidget::LoadFromXml(node);
  mVertical = UiAttrBool(node, "vertical", mVertical);
  SetMax(UiAttrInt(node, "max", mMax));
  SetValue(UiAttrInt(node, "value", mValue));
}

int32_t ZCSlider::ThumbLength() const {
  if (mTextures.size() > 1 && !mTextures[1].mHandle.IsNullHandle()) {
    const Rect& r = mTextures[1].mSrc;
    if (r.mWidth > 0) return mVertical ? r.mHeight : r.mWidth;
  }
  return std::min(mVertical ? mHeight : mWidth, 16);
}

void ZCSlider::Draw(Vesk::Graphics* g) {
  if (ZCWidgetTexture* track = GetTexture(0)) DrawTexture(g, *track);
  int32_t travel = std::max(0, (mVertical ? mHeight : mWidth) - ThumbLength());
  int32_t pos = mMax > 0 ? int32_t(int64_t(travel) * mValue / mMax) : 0;
  if (ZCWidgetTexture* thumb = GetTexture(1))
    DrawTexture(g, *thumb, mVertical ? 0 : pos, mVertical ? pos : 0);
}

void ZCSlider::SetFromMouse(int32_t x, int32_t y) {
  int32_t travel = std::max(1, (mVertical ? mHeight : mWidth) - ThumbLength());
  int32_t along = (mVertical ? y : x) - ThumbLength() / 2;
  int32_t value = int32_t(std::lround(double(std::clamp(along, 0, travel)) * mMax / travel));
  if (value == mValue) return;
  SetValue(value);
  NotifyListener(this, mListener);
}

void ZCSlider::MouseDown(int32_t x, int32_t y, int32_t button, int32_t) {
  if (button == 1) SetFromMouse(x, y);
}

void ZCSlider::MouseDrag(int32_t x, int32_t y) { SetFromMouse(x, y); }

void ZCSlider::SetMax(int32_t max) {
  mMax = std::max(0, max);
  SetValue(mValue);
}

void ZCSlider::SetValue(int32_t value) {
  mValue = std::clamp(value, 0, mMax);
  MarkDirty();
}

// ---- ZCProgressBar ----

void ZCProgressBar::LoadFromXml(const XmlNode& node) {
  ZCCandyWidget::LoadFromXml(node);
  SetProgress(UiAttrFloat(node, "progress", mProgress));
}

void ZCProgressBar::Draw(Vesk::Graphics* g) {
  if (ZCWidgetTexture* back = GetTexture(0)) DrawTexture(g, *back);
  ZCWidgetTexture* fill = GetTexture(1);
  if (!fill || mProgress <= 0) return;
  Vesk::MemoryImage* image = fill->mHandle.GetImage();
  if (!image) return;
  Rect src = fill->FrameRect(image->mWidth, image->mHeight);
  src.mWidth = int32_t(float(src.mWidth) * mProgress);
  if (src.mWidth > 0) g->DrawImage(image, fill->mX, fill->mY, src);
}

void ZCProgressBar::SetProgress(float progress) {
  mProgress = std::isfinite(progress) ? std::clamp(progress, 0.0f, 1.0f) : 0.0f;
  MarkDirty();
}

// ---- ZCEditWidget ----

void ZCEditWidget::LoadFromXml(const XmlNode& node) {
  ZCCandyWidget::LoadFromXml(node);
  mColor = ReadColor(node, L"color", mColor);
  SetMaxLength(UiAttrInt(node, "maxlen", mMaxLength));
  SetText(UiAttrW(node, "text", mText));
}

void ZCEditWidget::Draw(Vesk::Graphics* g) {
  ZCCandyWidget::Draw(g);
  if (!mFont) return;
  int32_t top = (mHeight - mFont->GetHeight()) / 2;
  DrawTextLine(g, mFont, mText, 4, top, mColor);
  if (mHasFocus) {
    // The caret after the text.
    Vesk::Graphics cg(*g);
    cg.SetColor(Faded(g, mColor));
    cg.FillRect(4 + mFont->StringWidth(mText) + 1, top, 2, mFont->GetHeight());
  }
}

void ZCEditWidget::KeyChar(wchar_t c) {
  if (c < 32 || c == 127) return;
  if (mMaxLength >= 0 && int32_t(mText.size()) >= mMaxLength) return;
  mText.push_back(c);
  MarkDirty();
}

void ZCEditWidget::KeyDown(int32_t key) {
  if (key == 8) {
    if (!mText.empty()) mText.pop_back();
    MarkDirty();
    return;
  }
  if (key == 13 || key == 27) {
    // The screen that holds the edit field's dialog answers Enter and Escape.
    Vesk::WidgetContainer* parent = GetParent();
    if (auto* owner = dynamic_cast<Vesk::Widget*>(parent ? parent->GetParent() : nullptr)) owner->KeyDown(key);
    return;
  }
  ZCCandyWidget::KeyDown(key);
}

void ZCEditWidget::GotFocus() { MarkDirty(); }

void ZCEditWidget::SetText(const std::wstring& text) {
  mText = text;
  if (mMaxLength >= 0 && int32_t(mText.size()) > mMaxLength) mText.resize(size_t(mMaxLength));
  MarkDirty();
}

void ZCEditWidget::SetMaxLength(int32_t maxLength) {
  mMaxLength = maxLength < 0 ? -1 : maxLength;
  SetText(mText);
}

// ---- ZCList ----

void ZCList::LoadFromXml(const XmlNode& node) {
  ZCCandyWidget::LoadFromXml(node);
  int32_t lineHeight = mFont ? mFont->GetLineSpacing() : mLineHeight;
  mLineHeight = std::clamp(UiAttrInt(node, "line_h", lineHeight), 1, kUiMaxCoord);
  mColor = ReadColor(node, L"color", mColor);
  mSelectedColor = ReadColor(node, L"selected_color", mSelectedColor);
  for (const XmlNode& line : node.selectNodes(L"line")) {
    ZCTextBinding b;
    b.Load(line, "text", "text_id", "var");
    AddLine(b.Resolve());
  }
}

int32_t ZCList::VisibleLines() const { return std::max(1, mHeight / std::max(1, mLineHeight)); }

void ZCList::Draw(Vesk::Graphics* g) {
  if (ZCWidgetTexture* back = GetTexture(0)) DrawTexture(g, *back);
  Vesk::Graphics cg(*g);
  // The clip is given in the widget's own coordinates: the graphics add the translation.
  cg.ClipRect(0, 0, mWidth, mHeight);
  int32_t rows = VisibleLines();
  for (int32_t i = 0; i < rows + 1 && mTop + i < int32_t(mLines.size()); ++i) {
    int32_t index = mTop + i, y = i * mLineHeight;
    if (index == mSelected) {
      if (ZCWidgetTexture* mark = GetTexture(1)) {
        DrawTexture(&cg, *mark, 0, y);
      } else {
        cg.SetColor(Faded(g, Color(mSelectedColor.mRed, mSelectedColor.mGreen, mSelectedColor.mBlue, 96)));
        cg.FillRect(0, y, mWidth, mLineHeight);
      }
    }
    int32_t top = y + (mFont ? (mLineHeight - mFont->GetHeight()) / 2 : 0);
    DrawTextLine(&cg, mFont, mLines[size_t(index)], 4, top, index == mSelected ? mSelectedColor : mColor);
  }
}

void ZCList::MouseDown(int32_t, int32_t y, int32_t button, int32_t) {
  if (button != 1 || y < 0) return;
  int32_t index = mTop + y / std::max(1, mLineHeight);
  if (index >= int32_t(mLines.size())) return;
  SetSelected(index);
  NotifyListener(this, mListener);
}

void ZCList::MouseWheel(int32_t delta) { SetTopLine(mTop - delta); }

void ZCList::AddLine(const std::wstring& line) {
  mLines.push_back(line);
  MarkDirty();
}

void ZCList::Clear() {
  mLines.clear();
  mSelected = -1;
  mTop = 0;
  MarkDirty();
}

void ZCList::SetSelected(int32_t index) {
  mSelected = index >= 0 && index < int32_t(mLines.size()) ? index : -1;
  MarkDirty();
}

void ZCList::SetTopLine(int32_t top) {
  int32_t maxTop = std::max(0, int32_t(mLines.size()) - VisibleLines());
  mTop = std::clamp(top, 0, maxTop);
  MarkDirty();
}

void ZCList::SelectAndReveal(int32_t index) {
  SetSelected(index);
  if (mSelected < 0) return;
  if (mSelected < mTop)
    SetTopLine(mSelected);
  else if (mSelected >= mTop + VisibleLines())
    SetTopLine(mSelected - VisibleLines() + 1);
}

// ---- ZCAnimWidget ----

void ZCAnimWidget::LockTextures() {
  ZCCandyWidget::LockTextures();
  RestartTextures();
}

// ---- ZCTutorialDialog ----

void ZCTutorialDialog::OnCommand(ZCCandyWidget* button) {
  ZCDialog::OnCommand(button);
  Hide();
  TutorialDialogClosed();
}

void SetTutorialDialogClosedHandler(std::function<void()> handler) { TutorialClosedHandler() = std::move(handler); }

void TutorialDialogClosed() {
  if (TutorialClosedHandler()) TutorialClosedHandler()();
}
