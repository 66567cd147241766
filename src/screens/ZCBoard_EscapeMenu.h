#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/Rect.h"
#include "screens/BoardDialog.h"

class XmlNode;
struct UpgradeRecord;

// The escape menu (layout "escape_menu"): a book over the paused level whose right page offers
// restart and quit (each asked first), resume, settings and help. Releasing Escape closes it.
class ZCBoard_EscapeMenu : public BoardDialog {
 public:
  ZCBoard_EscapeMenu(ZCEngine* app, const XmlNode& doc);

  void AddChild(const std::string& name, ZCCandyWidget* widget) override;
  void OnShowStart() override;
  void OnHideStart() override;
  // In front of the board's widgets (not a modal base).
  void LockTextures() override;
  void OnCommand(ZCCandyWidget* button) override;
  void KeyUp(int32_t key) override;
  // The book page ("escape_dlg") the help turns back to.
  ZCCandyWidget* GetPage() const { return mDialog; }

 private:
  ZCCandyWidget* mDialog = nullptr;
  ZCCandyWidget* mRestart = nullptr;
  ZCCandyWidget* mResume = nullptr;
  ZCCandyWidget* mSettings = nullptr;
  ZCCandyWidget* mHelp = nullptr;
  ZCCandyWidget* mQuit = nullptr;
};

// The café board's escape menu while it is shown (not fading out), else null: the book screens it
// opens (help, options) turn back to it and give it the focus when they close.
ZCBoard_EscapeMenu* GetShownEscapeMenu();

// The upgrade shop (layout "upgrade_menu"): after a career level with an upgrade (and in
// survival from the head-up display) it shows up to one offer per "upgrade_tray" child,
// previews the selected one on the board at once and keeps it when "upgrade" is pressed, which
// costs nothing. Closing it reports the level's result unless the level was left or is survival.
class ZCBoard_Upgrade : public BoardDialog {
 public:
  // How far from the top and bottom of the screen the shop's box and trays keep when they move,
  // and the step of the places tried between.
  static constexpr int32_t kShopTopMargin = 20;
  static constexpr int32_t kShopPlaceStep = 4;

  ZCBoard_Upgrade(ZCEngine* app, const XmlNode& doc);
  ZCBoard_Upgrade(ZCEngine* app, const XmlNode& doc, const std::string& layout);

  void AddChild(const std::string& name, ZCCandyWidget* widget) override;
  void OnShowStart() override;
  void OnHideStart() override;
  void OnCommand(ZCCandyWidget* button) override;
  // Previews offer i: owned and shown on the board, its description written, its mark shown.
  void Select(int32_t index);
  // Moves the shop's box and trays, up, down or aside, to the place that hides the least of the areas
  // (board pixels), the layout's place among equals; called when the shop opens, never by a choice.
  void PlaceClearOf(const std::vector<Rect>& areas);

  int32_t GetOfferCount() const { return mOfferCount; }
  int32_t GetSelected() const { return mSelected; }
  const UpgradeRecord* GetPreviewed() const { return mPreviewed; }
  size_t GetTrayCount() const { return mTrays.size(); }
  ZCCandyWidget* GetTray(size_t i) const { return mTrays[i]; }
  ZCCandyWidget* GetSelectMark(size_t i) const { return mMarks[i]; }
  ZCCandyWidget* GetOfferButton(size_t i) const { return mButtons[i]; }

 private:
  ZCCandyWidget* mDialog = nullptr;
  ZCCandyWidget* mUpgrade = nullptr;
  ZCCandyWidget* mDescription = nullptr;
  std::vector<ZCCandyWidget*> mTrays, mButtons, mMarks;
  std::vector<UpgradeRecord*> mOffers;
  int32_t mOfferCount = 0;
  int32_t mSelected = -1;
  UpgradeRecord* mPreviewed = nullptr;
};
