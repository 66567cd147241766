#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "widgets/ZCDialog.h"

class XmlNode;
class ZCEngine;

// The help book (layout "help"): its pages ("page_..." children, in layout order) are leafed
// through with the previous and next arrows, each step a page turn. Close goes back to the main
// page, or, when help was opened from the escape menu during a level, back to the escape menu's
// page, both shifting back to where they stood. An arrow is disabled where there is no page to
// turn to; an index outside the pages disables both.
class ZCBoard_Help : public ZCDialog {
 public:
  ZCBoard_Help(ZCEngine* app, const XmlNode& doc);

  void AddChild(const std::string& name, ZCCandyWidget* widget) override;
  void OnCommand(ZCCandyWidget* button) override;
  void OnShowStart() override;
  void OnHideStart() override;
  // The turns between help pages run while the main menu is hidden: the help steps them.
  void Update() override;

  // Back to the main page, or during a level back to the escape menu's page.
  void Close();
  void HideAllPages();
  void ShowPage(int32_t index);
  // At the end of a turn to a help page: the arrows show again, their animations from the start.
  void ShowArrows();
  // At the start of one: the arrows are hidden under the turning sheet.
  void HideArrows();

  int32_t GetCurrentPage() const { return mCurrent; }
  const std::vector<ZCCandyWidget*>& GetPages() const { return mPages; }

  ZCCandyWidget* mPrevious = nullptr;
  ZCCandyWidget* mNext = nullptr;
  ZCCandyWidget* mClose = nullptr;

 private:
  std::vector<ZCCandyWidget*> mPages;
  int32_t mCurrent = -1;
  bool mBackward = false;
};
