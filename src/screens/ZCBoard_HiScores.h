#pragma once
#include <string>

#include "widgets/ZCDialog.h"

class XmlNode;
class ZCEngine;

// The high-score book (layout "hiscores"): the career table on the left page ("line0<i>",
// "score0<i>"), the survival table on the right ("line1<i>", "score1<i>"), rows 0 to 13. The
// current player's rows are enabled, all others disabled (the layout colours both states); a
// free row shows neither name nor score.
class ZCBoard_HiScores : public ZCDialog {
 public:
  ZCBoard_HiScores(ZCEngine* app, const XmlNode& doc);

  void AddChild(const std::string& name, ZCCandyWidget* widget) override;
  void OnCommand(ZCCandyWidget* button) override;
  void OnShowStart() override;

  ZCCandyWidget* mClose = nullptr;
  ZCCandyWidget* mPage = nullptr;
  ZCCandyWidget* mLeft = nullptr;
  ZCCandyWidget* mRight = nullptr;

 private:
  void FillTable(ZCCandyWidget* page, bool survival);
};
