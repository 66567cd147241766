// How buttons look to a player: a highlight only under the pointer, one look for each kind of
// button, and texts in the fonts their boxes use.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "engine/ZCEngine.h"
#include "fonts/ZCFont.h"
#include "shell/LocTable.h"
#include "shell/XmlNode.h"
#include "support/BoardDialogs.h"
#include "support/ScreenDriver.h"
#include "widgets/WidgetManager.h"
#include "widgets/ZCWidgetKit.h"

namespace {

ZCButton::State StateOf(ZCCandyWidget* widget) {
  auto* button = dynamic_cast<ZCButton*>(widget);
  return button ? button->GetState() : ZCButton::kDisabled;
}

XmlNode SampleLayout() {
  std::ifstream in(std::string(std::getenv("CAFE_SOURCE_DIR")) + "/content/cfg/ui.xml", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(text.data()), text.size(), "ui.xml");
}

std::string Attr(const XmlNode& node, const std::string& name) {
  std::string value;
  node.getAttribute(name, value);
  return value;
}

}  // namespace

// A button the pointer has left shows no highlight when its page comes back: the options'
// "Cancel" after the pointer went on to the menu, the debriefing's "Next day" after it went away
// under the pointer.
TEST_F(ScreenDriver, AHighlightGoesWithThePointer) {
  Start(WithPlayers({L"Ann"}));
  Settle();
  Click("main_menu/main_menu_dlg/right_page/settings");
  Settle();
  Click("options/cancel");
  Settle();
  Click("main_menu/main_menu_dlg/right_page/settings");
  Settle();
  EXPECT_NE(StateOf(Find("options/cancel")), ZCButton::kOver);
  Click("options/cancel");
  Settle();

  PlayLevel(6);
  EndDayAtGoal();
  auto* debriefing = BoardDialogOf<ZCBoard_Debriefing>(mGame.get(), ZCBoard_Game3::kDebriefing);
  ASSERT_TRUE(StepUntil([&] { return debriefing->IsVisible(); }, 5000));
  Settle();
  // The pointer rests on "Next day" as the dialog goes, and is elsewhere when it comes again.
  ZCCandyWidget* next = Find("game_board/debriefing_dialog/start");
  ASSERT_TRUE(next);
  Do([&] {
    int32_t x = 0, y = 0;
    next->GetAbsolutePos(x, y);
    mGame->GetWidgetManager()->MouseMove(x + next->mWidth / 2, y + next->mHeight / 2);
  });
  Settle();
  ASSERT_EQ(StateOf(next), ZCButton::kOver);
  Do([&] { debriefing->Hide(); });
  Settle();
  Do([&] { mGame->GetWidgetManager()->MouseMove(5, 5); });
  Do([&] { debriefing->Show(); });
  Settle();
  EXPECT_NE(StateOf(next), ZCButton::kOver);
  EXPECT_NE(StateOf(Find("game_board/debriefing_dialog/replay")), ZCButton::kOver);
}

// Every button of the layout drawn with the same picture has the same pictures for its other
// states and the same label colour: a green button looks one way in every box.
TEST(ButtonLook, OneLookForEachKindOfButton) {
  const XmlNode doc = SampleLayout();
  ASSERT_FALSE(doc.IsNull());
  struct Look {
    std::string states, color, first, disabled;
  };
  std::map<std::string, Look> looks;
  for (const XmlNode& button : doc.selectNodes(L"//widget[@type='button']")) {
    std::map<std::string, std::string> state;
    for (const XmlNode& s : button.selectNodes(L"state")) state[Attr(s, "name")] = Attr(s, "id");
    if (state["normal"].empty()) continue;  // a picture given by the code
    const std::string kind = state["normal"];
    // A disabled picture counts only where both declare one: some buttons are never disabled.
    const Look look{state["over"] + "," + state["down"], Attr(button, "color"), Attr(button, "name"),
                    state["disabled"]};
    auto [it, added] = looks.emplace(kind, look);
    if (added) continue;
    EXPECT_EQ(look.states, it->second.states) << look.first << " and " << it->second.first << " (" << kind << ")";
    EXPECT_EQ(look.color, it->second.color) << look.first << " and " << it->second.first << " (" << kind << ")";
    if (!look.disabled.empty() && !it->second.disabled.empty()) {
      EXPECT_EQ(look.disabled, it->second.disabled) << look.first << " and " << it->second.first;
    }
  }
  EXPECT_GT(looks.size(), 2u);
}

// The typed name is as large as the name box's other texts.
TEST_F(ScreenDriver, TheNameBoxWritesInItsOwnSize) {
  Start();
  Settle();
  ZCCandyWidget* field = Find("main_menu/create_profile/create_profile2/entername_text");
  ZCCandyWidget* button = Find("main_menu/create_profile/create_profile2/create");
  ASSERT_TRUE(field && button && field->mFont && button->mFont);
  EXPECT_EQ(field->mFont->GetHeight(), button->mFont->GetHeight());
  EXPECT_LE(field->mFont->GetHeight(), field->mHeight);
}
