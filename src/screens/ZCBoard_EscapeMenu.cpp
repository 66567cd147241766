#include "screens/ZCBoard_EscapeMenu.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "cafe/ZCBoard_Game3.h"
#include "engine/ZCEngine.h"
#include "screens/ScreenTable.h"
#include "screens/ScreenWidgets.h"
#include "screens/ZCBoard_Career.h"
#include "screens/ZCBoard_Confirm.h"
#include "widgets/WidgetManager.h"
#include "widgets/ZCWidgetKit.h"

using ScreenWidgets::Child;
using ScreenWidgets::Is;
using ScreenWidgets::SetShown;

// ---- Escape menu ----

ZCBoard_EscapeMenu::ZCBoard_EscapeMenu(ZCEngine* app, const XmlNode& doc) : BoardDialog(app) {
  LoadByName(doc, "escape_menu");
}

void ZCBoard_EscapeMenu::AddChild(const std::string& name, ZCCandyWidget* widget) {
  if (name == "escape_dlg") {
    mDialog = widget;
    ZCCandyWidget* page = Child(widget, "right_page");
    mRestart = Child(page, "restart");
    mResume = Child(page, "resume");
    mSettings = Child(page, "settings");
    mHelp = Child(page, "help");
    mQuit = Child(page, "quit");
  }
  ZCCandyWidget::AddChild(name, widget);
}

void ZCBoard_EscapeMenu::OnShowStart() {
  TakePause();
  PlaySound("window_open");
  if (Vesk::WidgetManager* manager = GetManager()) manager->SetFocus(this);
}

void ZCBoard_EscapeMenu::OnHideStart() {
  if (Vesk::WidgetManager* manager = GetManager()) manager->SetFocus(Board());
  ReleasePause();
}

void ZCBoard_EscapeMenu::LockTextures() {
  ZCDialog::LockTextures();
  if (GetParent()) GetParent()->BringToFront(this);
}

void ZCBoard_EscapeMenu::KeyUp(int32_t key) {
  if (key == ZCBoard_Game3::kEscapeKey && HasFocus())
    Hide();
  else
    ZCDialog::KeyUp(key);
}

ZCBoard_EscapeMenu* GetShownEscapeMenu() {
  ZCBoard_Game3* board = GetCafeBoard();
  auto* menu = board ? dynamic_cast<ZCBoard_EscapeMenu*>(&board->GetDialog(ZCBoard_Game3::kEscapeMenu)) : nullptr;
  return menu && menu->IsVisible() && !menu->IsHiding() ? menu : nullptr;
}

namespace {
// The shop goes with the level: at once, without a report (the level was left).
void CloseShop(ZCBoard_Game3* board) {
  auto* shop = board ? dynamic_cast<BoardDialog*>(&board->GetDialog(ZCBoard_Game3::kShop)) : nullptr;
  if (shop && shop->IsVisible()) shop->HideNow();
}
}  // namespace

void ZCBoard_EscapeMenu::OnCommand(ZCCandyWidget* button) {
  ZCBoard_Game3* board = Board();
  if (Is(button, mRestart)) {
    if (ShowConfirmBox("restlvl") != 1) return;
    if (board) board->SetAbandoned();
    HideNow();
    CloseShop(board);
    if (board) board->RestartLevel();
  } else if (Is(button, mResume)) {
    Hide();
  } else if (Is(button, mSettings)) {
    if (ZCCandyWidget* options = ScreenTable::Get(ScreenTable::kOptions)) options->Show();
  } else if (Is(button, mHelp)) {
    SendEffectMessage("onshiftright");
    if (ZCCandyWidget* help = ScreenTable::Get(ScreenTable::kHelp)) {
      help->Show();
      help->SendEffectMessage("onshiftright");
    }
  } else if (Is(button, mQuit)) {
    if (ShowConfirmBox("exitmenu") != 1) return;
    if (board) board->SetAbandoned();
    HideNow();
    CloseShop(board);
    // The level is aborted and "game" silenced before the main menu shows.
    if (ZCBoard_Career* career = ScreenTable::GetCareer()) career->ReturnToMainMenu();
  }
}

// ---- Upgrade shop ----

ZCBoard_Upgrade::ZCBoard_Upgrade(ZCEngine* app, const XmlNode& doc) : ZCBoard_Upgrade(app, doc, "upgrade_menu") {}

ZCBoard_Upgrade::ZCBoard_Upgrade(ZCEngine* app, const XmlNode& doc, const std::string& layout) : BoardDialog(app) {
  LoadByName(doc, layout);
}

void ZCBoard_Upgrade::AddChild(const std::string& name, ZCCandyWidget* widget) {
  if (name == "upgrade_dialog") {
    mDialog = widget;
    mUpgrade = Child(widget, "upgrade");
    mDescription = Child(widget, "upgrade_description");
  } else if (name.compare(0, 12, "upgrade_tray") == 0) {
    mTrays.push_back(widget);
    mButtons.push_back(Child(widget, "button"));
    mMarks.push_back(Child(widget, "select"));
  }
  ZCCandyWidget::AddChild(name, widget);
}

void ZCBoard_Upgrade::OnShowStart() {
  mPreviewed = nullptr;
  mSelected = -1;
  if (mDialog) mDialog->Show();
  ZCBoard_Game3* board = Board();
  mOffers.clear();
  mOfferCount = board ? board->ListUpgradeOffers(mOffers) : 0;
  // Offers beyond the trays are not shown.
  if (mOfferCount > int32_t(mTrays.size())) mOfferCount = int32_t(mTrays.size());
  for (size_t i = 0; i < mTrays.size(); ++i) SetShown(mTrays[i], false);
  for (int32_t i = 0; i < mOfferCount; ++i) {
    const UpgradeRecord& offer = *mOffers[size_t(i)];
    char id[300];
    std::snprintf(id, sizeof id, "mn09_char_small_%s_%s", offer.mObject.c_str(), offer.mName.c_str());
    if (auto* button = dynamic_cast<ZCButton*>(mButtons[size_t(i)])) button->SetButtonTexture(Texture(id));
    if (mButtons[size_t(i)]) mButtons[size_t(i)]->Show();
    SetShown(mMarks[size_t(i)], false);
    mTrays[size_t(i)]->Show();
  }
  // The shop takes one place for all its offers, so that a choice never moves what the player
  // clicks next: where it hides the least of their furniture.
  std::vector<Rect> areas;
  for (int32_t i = 0; i < mOfferCount; ++i) {
    Rect area;
    if (board->GetUpgradeArea(*mOffers[size_t(i)], area)) areas.push_back(area);
  }
  PlaceClearOf(areas);
  if (mOfferCount > 0) Select(0);
  TakePause();
  if (GetParent()) GetParent()->BringToFront(this);
}

void ZCBoard_Upgrade::Select(int32_t index) {
  ZCBoard_Game3* board = Board();
  if (!board || index < 0 || index >= mOfferCount) return;
  mSelected = index;
  mPreviewed = mOffers[size_t(index)];
  // The change shows at once, beside the shop (placed when it opened).
  board->ApplyUpgrade(*mPreviewed, true);
  char id[300];
  std::snprintf(id, sizeof id, "mn09_desc_%s_%s", mPreviewed->mObject.c_str(), mPreviewed->mName.c_str());
  if (ZCText* text = mDescription ? mDescription->AsText() : nullptr) text->SetText(Text(id));
  if (ZCCandyWidget* mark = mMarks[size_t(index)]) mark->Show();
}

namespace {
int64_t OverlapArea(const Rect& a, const Rect& b) {
  const int64_t w = std::min<int64_t>(int64_t(a.mX) + a.mWidth, int64_t(b.mX) + b.mWidth) - std::max(a.mX, b.mX);
  const int64_t h = std::min<int64_t>(int64_t(a.mY) + a.mHeight, int64_t(b.mY) + b.mHeight) - std::max(a.mY, b.mY);
  return w > 0 && h > 0 ? w * h : 0;
}
}  // namespace

void ZCBoard_Upgrade::PlaceClearOf(const std::vector<Rect>& areas) {
  // The parts the player sees, where the layout puts them (the offset moves them all).
  std::vector<Rect> parts;
  if (mDialog) parts.emplace_back(mDialog->mX, mDialog->mY, mDialog->mWidth, mDialog->mHeight);
  for (int32_t i = 0; i < mOfferCount; ++i)
    parts.emplace_back(mTrays[size_t(i)]->mX, mTrays[size_t(i)]->mY, mTrays[size_t(i)]->mWidth,
                       mTrays[size_t(i)]->mHeight);
  if (parts.empty()) {
    SetDisplayOffset(0, 0);
    return;
  }
  int32_t top = parts.front().mY, bottom = top, left = parts.front().mX, right = left;
  for (const Rect& r : parts) {
    top = std::min(top, r.mY);
    bottom = std::max(bottom, r.mY + r.mHeight);
    left = std::min(left, r.mX);
    right = std::max(right, r.mX + r.mWidth);
  }
  // An area of half the screen or more (a whole floor) cannot be kept clear of.
  const int64_t large = int64_t(mWidth) * mHeight / 2;
  auto hidden = [&](int32_t dx, int32_t dy) {
    int64_t sum = 0;
    for (const Rect& area : areas) {
      if (int64_t(area.mWidth) * area.mHeight >= large) continue;
      for (const Rect& r : parts)
        sum += OverlapArea(Rect(r.mX + mX + dx, r.mY + mY + dy, r.mWidth, r.mHeight), area);
    }
    return sum;
  };
  // Within the margins of the screen, the least hidden; of equals, the one nearest the layout's
  // place. Up and down come first: a place beside the layout's is tried only when it hides less.
  const int32_t up = kShopTopMargin - top;
  const int32_t down = std::max(up, mHeight - kShopTopMargin - bottom);
  const int32_t leftmost = std::min(0, kShopTopMargin - left);
  const int32_t rightmost = std::max(0, mWidth - kShopTopMargin - right);
  int32_t bestX = 0, bestY = 0;
  int64_t bestHidden = hidden(0, 0);
  auto distance = [](int32_t dx, int32_t dy) { return 4 * std::abs(dx) + std::abs(dy); };
  for (int32_t dx = leftmost; dx <= rightmost; dx += kShopPlaceStep) {
    for (int32_t dy = up; dy <= down; dy += kShopPlaceStep) {
      const int64_t h = hidden(dx, dy);
      if (h < bestHidden || (h == bestHidden && distance(dx, dy) < distance(bestX, bestY)))
        bestX = dx, bestY = dy, bestHidden = h;
    }
  }
  SetDisplayOffset(bestX, bestY);
}

void ZCBoard_Upgrade::OnCommand(ZCCandyWidget* button) {
  if (!button) return;
  if (Is(button, mUpgrade)) {
    Hide();
    return;
  }
  for (int32_t i = 0; i < mOfferCount; ++i) {
    if (button != mButtons[size_t(i)]) continue;
    ZCBoard_Game3* board = Board();
    if (board && mPreviewed) board->ApplyUpgrade(*mPreviewed, false);
    if (mSelected >= 0) SetShown(mMarks[size_t(mSelected)], false);
    Select(i);
    return;
  }
}

void ZCBoard_Upgrade::OnHideStart() {
  if (mDialog) mDialog->Hide();
  for (int32_t i = 0; i < mOfferCount; ++i) {
    if (mButtons[size_t(i)]) mButtons[size_t(i)]->Hide();
    mTrays[size_t(i)]->Hide();
  }
  ReleasePause();
  ZCBoard_Game3* board = Board();
  if (!board || board->IsAbandoned() || board->IsSurvival()) return;
  board->ReportLevelResult();
}
