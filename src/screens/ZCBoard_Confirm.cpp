#include "screens/ZCBoard_Confirm.h"

#include "engine/ZCEngine.h"
#include "graphics/MemoryImage.h"
#include "resources/ZCTextureCache.h"
#include "screens/ScreenTable.h"
#include "shell/Log.h"
#include "widgets/WidgetManager.h"
#include "widgets/ZCWidgetKit.h"

namespace {

bool IsInTree(const Vesk::WidgetContainer* container, const Vesk::Widget* widget) {
  for (const Vesk::Widget* child : container->GetChildren())
    if (child == widget || IsInTree(child, widget)) return true;
  return false;
}

// Shows the box for the id and runs the main loop until it is answered or the loop ends.
int32_t RunBox(ZCBoard_Box* box, const std::string& id, bool confirm) {
  ZCEngine* engine = GetEngine();
  Vesk::WidgetManager* manager = engine ? engine->GetWidgetManager() : nullptr;
  if (!box || !manager || !box->GetManager()) {
    LogMessage("WARNING: no %s box to ask \"%s\"", confirm ? "confirm" : "message", id.c_str());
    return kBoxUnanswered;
  }
  if (!box->mYes) {
    // Without its yes button nobody could ever answer it: the loop would never end.
    LogMessage("ERROR: the %s box has no \"btn_yes\"; \"%s\" is taken as unanswered", confirm ? "confirm" : "message",
               id.c_str());
    return kBoxUnanswered;
  }
  box->Fill(id);
  box->mAnswer = kBoxUnanswered;

  ZCBgDialog* background = ScreenTable::GetBoxBackground();
  if (background && background->GetParent()) {
    background->GetParent()->BringToFront(background);
    background->SetVisible(true);
  }
  if (box->GetParent()) box->GetParent()->BringToFront(box);
  box->Show();
  Vesk::Widget* focus = manager->GetFocus();
  manager->SetFocus(box);
  engine->mMessageBoxOpen = true;

  while (engine->LoopStep() && box->GetManager() && box->mAnswer == kBoxUnanswered) {
  }

  engine->mMessageBoxOpen = false;
  auto restoreFocus = [&] {
    if (box->GetManager() && (!focus || IsInTree(manager, focus))) manager->SetFocus(focus);
  };
  if (confirm) {
    if (background) background->SetVisible(false);
    box->Hide();
    restoreFocus();
  } else {
    restoreFocus();
    if (background) background->SetVisible(false);
  }
  return box->mAnswer;
}

}  // namespace

ZCBoard_Box::ZCBoard_Box(ZCEngine* app, bool withNo) : ZCDialog(0, app), mWithNo(withNo) {}

void ZCBoard_Box::AddChild(const std::string& name, ZCCandyWidget* widget) {
  if (name == "btn_yes") mYes = widget;
  else if (name == "btn_no" && mWithNo) mNo = widget;
  else if (name == "text1") mText1 = widget;
  else if (name == "text2") mText2 = widget;
  else if (name == "icon") mIcon = widget;
  ZCDialog::AddChild(name, widget);
}

void ZCBoard_Box::Fill(const std::string& id) {
  mBoxId = id;
  ZCEngine* engine = GetEngine();
  if (!engine) return;
  if (mIcon && engine->GetTextureCache()) {
    TextureHandle icon = engine->GetTextureCache()->GetTexture("db01_icon_" + id);
    Rect src;
    if (Vesk::MemoryImage* image = icon.GetImage()) src = Rect(0, 0, image->mWidth, image->mHeight);
    // A missing texture leaves the slot empty: nothing of an earlier id stays.
    mIcon->SetTexture(0, icon, src);
  }
  LocTable* texts = engine->GetLocTable();
  auto setText = [&](ZCCandyWidget* widget, const char* prefix) {
    if (!widget) return;
    const std::wstring text = texts->GetText(prefix + id);
    if (ZCText* label = widget->AsText()) label->SetText(text);
    else if (auto* button = dynamic_cast<ZCButton*>(widget)) button->SetLabel(text);
  };
  setText(mText1, "db01_text1_");
  setText(mText2, "db01_text2_");
  setText(mYes, "db01_btnyes_");
  if (mWithNo) setText(mNo, "db01_btnno_");
  MarkDirty();
}

ZCBoard_Confirm2::ZCBoard_Confirm2(ZCEngine* app, const XmlNode& doc) : ZCBoard_Box(app, true) {
  LoadByName(doc, "dialogbox_2button");
}

void ZCBoard_Confirm2::OnCommand(ZCCandyWidget* button) {
  mAnswer = button && button == mYes ? 1 : 0;
  Hide();
}

ZCBoard_Confirm1::ZCBoard_Confirm1(ZCEngine* app, const XmlNode& doc) : ZCBoard_Box(app, false) {
  LoadByName(doc, "dialogbox_1button");
}

void ZCBoard_Confirm1::OnCommand(ZCCandyWidget*) {
  mAnswer = 1;
  Hide();
}

ZCBgDialog::ZCBgDialog(ZCEngine* app) : ZCDialog(0, app) {
  mName = "dialogbox_bg";
  Resize(0, 0, 1024, 768);
}

void CreateStandardDialogs(ZCEngine* app, const XmlNode& doc) {
  auto* confirm = new ZCBoard_Confirm2(app, doc);
  auto* message = new ZCBoard_Confirm1(app, doc);
  auto* background = new ZCBgDialog(app);
  ScreenTable::SetBoxes(confirm, message, background);
  if (!app) return;
  app->AddLoadedWidget(confirm);
  app->AddLoadedWidget(message);
  app->AddLoadedWidget(background);
}

void DestroyStandardDialogs() { ScreenTable::SetBoxes(nullptr, nullptr, nullptr); }

bool CanAskConfirmBox() {
  ZCBoard_Confirm2* box = ScreenTable::GetConfirmBox();
  return box && box->GetManager() && box->mYes;
}

int32_t ShowConfirmBox(const std::string& id) { return RunBox(ScreenTable::GetConfirmBox(), id, true); }

int32_t ShowMessageBox(const std::string& id) { return RunBox(ScreenTable::GetMessageBox(), id, false); }
