#include "screens/ZCBoard_Splash.h"

#include "engine/ZCEngine.h"
#include "graphics/Graphics.h"
#include "screens/ScreenTable.h"
#include "widgets/CursorTable.h"
#include "widgets/WidgetManager.h"

ZCBoard_Splash::ZCBoard_Splash(ZCEngine* app, const XmlNode& doc) : ZCDialog(0, app) {
  LoadByName(doc, "splash");
  SetVisible(false);
}

void ZCBoard_Splash::AddChild(const std::string& name, ZCCandyWidget* widget) {
  widget->SetVisible(false);
  ZCWidgetTexture* first = widget->GetFirstTexture();
  if (first && !first->mHandle.IsNullHandle()) {
    mSlides.push_back(widget);
    // A click on a slide skips it like a click on the black around it.
    if (auto* dialog = dynamic_cast<ZCDialog*>(widget)) dialog->SetForwardingTarget(this);
  }
  ZCDialog::AddChild(name, widget);
}

void ZCBoard_Splash::LockTextures() {
  ZCDialog::LockTextures();
  ZCEngine* engine = GetEngine();
  if (CursorTable* cursors = engine ? engine->GetCursorTable() : nullptr) cursors->Hide();
  if (Vesk::WidgetManager* manager = GetManager()) manager->SetFocus(this);
  if (mCurrent >= 0 && mCurrent < int32_t(mSlides.size())) mSlides[size_t(mCurrent)]->Show();
}

void ZCBoard_Splash::UnlockTextures() {
  ZCDialog::UnlockTextures();
  ZCEngine* engine = GetEngine();
  if (CursorTable* cursors = engine ? engine->GetCursorTable() : nullptr) cursors->Show();
  if (Vesk::WidgetManager* manager = GetManager(); manager && manager->GetFocus()) manager->SetFocus(nullptr);
  // Only a splash that hid itself hands over (not one taken out of the tree while it shows).
  if (IsVisible()) return;
  if (mHandOver) {
    mHandOver();
    return;
  }
  if (ZCCandyWidget* background = ScreenTable::Get(ScreenTable::kMenuBackground)) background->Show();
  if (ZCCandyWidget* menu = ScreenTable::Get(ScreenTable::kMainMenu)) menu->Show();
}

void ZCBoard_Splash::Update() {
  ZCDialog::Update();
  if (!IsVisible() || IsHiding()) return;
  // Without slides there is nothing to wait for.
  if (mSlides.empty()) {
    Hide();
    return;
  }
  ZCCandyWidget* slide = mSlides[size_t(mCurrent)];
  if (slide->IsVisible()) mSlideWasVisible = true;
  if (!mSlideWasVisible || slide->IsVisible()) return;
  if (mCurrent < int32_t(mSlides.size()) - 1) {
    ++mCurrent;
    mSlides[size_t(mCurrent)]->Show();
    mSlideWasVisible = false;
  } else {
    Hide();
  }
}

void ZCBoard_Splash::Draw(Vesk::Graphics* g) {
  // Black under the slides; the layout's own picture is not drawn.
  g->SetColor(Color(0, 0, 0, 255));
  g->FillRect(0, 0, mWidth, mHeight);
}

void ZCBoard_Splash::Skip() {
  if (mCurrent < 0 || mCurrent >= int32_t(mSlides.size())) return;
  ZCCandyWidget* slide = mSlides[size_t(mCurrent)];
  // Its effect stops too, so that it cannot bring the slide back.
  if (slide->EffectTakes("onhide")) slide->SendEffectMessage("onhide");
  slide->SetVisible(false);
  mSlideWasVisible = true;
  MarkDirty();
}

void ZCBoard_Splash::KeyDown(int32_t) { Skip(); }

void ZCBoard_Splash::MouseDown(int32_t, int32_t, int32_t, int32_t) { Skip(); }
