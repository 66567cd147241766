#pragma once
#include <cstdint>
#include <string>

#include "widgets/ZCDialog.h"

class XmlNode;
class ZCEngine;

// The standard dialogs any part of the game asks the player through: the two-button confirm box
// (layout "dialogbox_2button"), the one-button message box ("dialogbox_1button") and the
// background dialog that lies behind whichever box is open and takes every click that misses it.
//
// A box is filled for a short id X from the texture "db01_icon_X" and the texts "db01_text1_X",
// "db01_text2_X", "db01_btnyes_X" and "db01_btnno_X", brought in front of everything, and the
// main loop runs in place until it is answered. While it waits the application's box-open flag
// closes the game board's input gate; nothing is paused.

// The value of a box's answer while it waits, and the result when the main loop ended first.
constexpr int32_t kBoxUnanswered = 2147483647;

// What the two boxes share: the bound children, the fill from an id and the answer.
class ZCBoard_Box : public ZCDialog {
 public:
  // Binds "btn_yes", "btn_no" (the confirm box only), "text1", "text2" and "icon".
  void AddChild(const std::string& name, ZCCandyWidget* widget) override;
  // The icon, the texts and the button labels of the id; a part the layout lacks is skipped, a
  // missing texture leaves the icon empty, a missing text shows "$" and its id.
  void Fill(const std::string& id);
  // The id the box was last filled for.
  const std::string& GetBoxId() const { return mBoxId; }

  ZCCandyWidget* mYes = nullptr;
  ZCCandyWidget* mNo = nullptr;
  ZCCandyWidget* mText1 = nullptr;
  ZCCandyWidget* mText2 = nullptr;
  ZCCandyWidget* mIcon = nullptr;
  int32_t mAnswer = kBoxUnanswered;

 protected:
  ZCBoard_Box(ZCEngine* app, bool withNo);
  bool mWithNo;
  std::string mBoxId;
};

// The confirm box: 1 for the yes button, 0 for any other press that reaches it.
class ZCBoard_Confirm2 : public ZCBoard_Box {
 public:
  ZCBoard_Confirm2(ZCEngine* app, const XmlNode& doc);
  void OnCommand(ZCCandyWidget* button) override;
};

// The message box: 1 for whatever was pressed.
class ZCBoard_Confirm1 : public ZCBoard_Box {
 public:
  ZCBoard_Confirm1(ZCEngine* app, const XmlNode& doc);
  void OnCommand(ZCCandyWidget* button) override;
};

// The whole screen behind an open box: it draws nothing and takes the clicks that miss the box.
class ZCBgDialog : public ZCDialog {
 public:
  explicit ZCBgDialog(ZCEngine* app);
};

// Makes the three dialogs once, invisible; they join the widget tree with the screens (the
// start-up loader's widgets are attached on the main thread).
void CreateStandardDialogs(ZCEngine* app, const XmlNode& doc);
// Nothing to do: the widget tree deletes the three dialogs; the screen table forgets them.
void DestroyStandardDialogs();

// True when the confirm box can be asked: it joined the widget tree and has its yes button.
bool CanAskConfirmBox();
// Asks the confirm box for the id: 1 yes, 0 no, kBoxUnanswered when the main loop ended first
// (or there is no box to ask). Callers take anything but 1 as no. A call made while the box is
// already open fills it again and waits too; both calls return the one answer.
int32_t ShowConfirmBox(const std::string& id);
// Shows the message box for the id: 1 once pressed, kBoxUnanswered when the main loop ended
// first.
int32_t ShowMessageBox(const std::string& id);
