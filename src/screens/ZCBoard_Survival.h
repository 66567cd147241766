#pragma once
#include <cstdint>
#include <string>

#include "widgets/ZCDialog.h"

class XmlNode;
class ZCEngine;

// The survival page of the book (layout "survival_menu"): the player picks one of the three
// cafés, each open once the career has reached it (café 2 from 16 levels open, café 3 from 36),
// and plays its endless level. The left page holds a button, a label and a small photo per
// café; the right page the selected café's photo, head and description, cancel and play.
class ZCBoard_Survival : public ZCDialog {
 public:
  static constexpr int32_t kCafes = 3;
  // Levels open from which the second and the third café can be picked.
  static constexpr int32_t kSecondCafeLevels = 16;
  static constexpr int32_t kThirdCafeLevels = 36;

  ZCBoard_Survival(ZCEngine* app, const XmlNode& doc);

  void AddChild(const std::string& name, ZCCandyWidget* widget) override;
  void OnCommand(ZCCandyWidget* button) override;
  void OnShowStart() override;

  // Shows what the selected café's choice looks like, falling back to café 1 where the
  // selected one is not open.
  void ShowSelection();
  int32_t GetSelectedCafe() const { return mSelected; }

  struct Cafe {
    ZCCandyWidget* mButton = nullptr;
    ZCCandyWidget* mLabel = nullptr;
    ZCCandyWidget* mSmallPhoto = nullptr;
    ZCCandyWidget* mPhoto = nullptr;
    ZCCandyWidget* mHead = nullptr;
    ZCCandyWidget* mDescription = nullptr;
  };
  Cafe mCafes[kCafes];
  ZCCandyWidget* mPage = nullptr;
  ZCCandyWidget* mCancel = nullptr;
  ZCCandyWidget* mPlay = nullptr;

 private:
  int32_t mSelected = 1;
};
