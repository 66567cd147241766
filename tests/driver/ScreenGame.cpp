#include "driver/ScreenGame.h"

#include <gtest/gtest.h>

#include <sstream>

#include "effects/EffectCallbacks.h"
#include "screens/ScreenTable.h"
#include "screens/ZCBoard_MainMenu.h"
#include "shell/StringUtil.h"
#include "widgets/ZCWidgetKit.h"

using Type = Platform::InputEvent::Type;

namespace {
constexpr int32_t kActionPatience = 1000;
}  // namespace

bool IsPageTurning() { return ScreenTable::GetMainMenu() && ScreenTable::GetMainMenu()->IsTurning(); }

ZCCandyWidget* FindWidget(ZCEngine* game, const std::string& path) {
  if (!game || !game->GetRootDialog()) return nullptr;
  std::vector<std::string> names;
  std::stringstream in(path);
  for (std::string name; std::getline(in, name, '/');) names.push_back(name);
  if (names.empty()) return nullptr;
  ZCCandyWidget* widget = nullptr;
  for (Vesk::Widget* child : game->GetRootDialog()->GetChildren())
    if (auto* candy = dynamic_cast<ZCCandyWidget*>(child); candy && candy->GetName() == names[0]) widget = candy;
  for (size_t i = 1; widget && i < names.size(); ++i) widget = widget->FindChild(names[i]);
  return widget;
}

void ScreenGame::Press(int32_t x, int32_t y) {
  // Mouse positions are the picture's; Input places them where the window reports them.
  Input(Type::MouseMove, x, y);
  Input(Type::MouseDown, x, y);
  Input(Type::MouseUp, x, y);
}

bool ScreenGame::PlayAction() {
  if (mActions.empty()) return false;
  Action& action = mActions.front();
  switch (action.mKind) {
    case Action::kClick: {
      ZCCandyWidget* widget = FindWidget(this, action.mPath);
      if (AreWidgetsLocked() || IsPageTurning() || !widget) {
        if (++action.mWaited < kActionPatience) return false;
        Fail("no widget to click at " + action.mPath);
        break;
      }
      int32_t x = 0, y = 0;
      widget->GetAbsolutePos(x, y);
      Press(x + widget->mWidth / 2, y + widget->mHeight / 2);
      break;
    }
    case Action::kPoint:
      Press(action.mX, action.mY);
      break;
    case Action::kKey:
      Input(Type::KeyDown, 0, 0, action.mKey);
      Input(Type::KeyUp, 0, 0, action.mKey);
      break;
    case Action::kText:
      for (wchar_t c : action.mText) Input(Type::KeyChar, 0, 0, int32_t(c));
      break;
    case Action::kCall: {
      std::function<void()> call = std::move(action.mCall);
      mActions.pop_front();
      call();
      return true;
    }
  }
  mActions.pop_front();
  return true;
}

bool ScreenGame::LoopStep() {
  PlayAction();
  return HeadlessGame::LoopStep();
}

void ScreenGame::QueueClick(const std::string& path) {
  Action action;
  action.mKind = Action::kClick;
  action.mPath = path;
  mActions.push_back(std::move(action));
}

void ScreenGame::QueuePoint(int32_t x, int32_t y) {
  Action action;
  action.mKind = Action::kPoint;
  action.mX = x;
  action.mY = y;
  mActions.push_back(std::move(action));
}

void ScreenGame::QueueKey(int32_t vk) {
  Action action;
  action.mKind = Action::kKey;
  action.mKey = vk;
  mActions.push_back(std::move(action));
}

void ScreenGame::QueueText(const std::wstring& text) {
  Action action;
  action.mKind = Action::kText;
  action.mText = text;
  mActions.push_back(std::move(action));
}

void ScreenGame::QueueCall(std::function<void()> call) {
  Action action;
  action.mCall = std::move(call);
  mActions.push_back(std::move(action));
}

// The screens belong to the start-up loader until it hands them over: nothing is settled before.
bool ScreenGame::IsSettled() const {
  return !IsLoaderRunning() && mActions.empty() && !AreWidgetsLocked() && !IsPageTurning();
}

namespace {
void DumpWidget(std::ostream& out, const std::string& path, Vesk::Widget* widget) {
  auto* candy = dynamic_cast<ZCCandyWidget*>(widget);
  if (!candy) return;
  const std::string here = path.empty() ? candy->GetName() : path + "/" + candy->GetName();
  std::wstring text;
  if (ZCText* label = candy->AsText()) text = label->GetText();
  else if (auto* button = dynamic_cast<ZCButton*>(candy)) text = button->GetLabel();
  else if (auto* edit = dynamic_cast<ZCEditWidget*>(candy)) text = edit->GetText();
  else if (auto* list = dynamic_cast<ZCList*>(candy))
    for (int32_t i = 0; i < list->GetLineCount(); ++i) text += (i ? L"|" : L"") + list->GetLine(i);
  out << here << (candy->IsVisible() ? " visible" : " hidden") << (candy->IsDisabled() ? " disabled" : " enabled");
  if (!text.empty()) out << " \"" << WideToUtf8(text) << "\"";
  out << "\n";
  for (Vesk::Widget* child : widget->GetChildren()) DumpWidget(out, here, child);
}
}  // namespace

std::string DumpWidgets(ZCEngine* game) {
  std::ostringstream out;
  for (Vesk::Widget* child : game->GetRootDialog()->GetChildren()) DumpWidget(out, "", child);
  return out.str();
}

void ScreenGame::PlayToEnd(uint64_t stepLimit) {
  BeginStartup();
  // A loop step runs an update step or sleeps towards the next one: twice the update steps
  // bound the loop steps too, should the update count ever stand still.
  for (uint64_t steps = 0; LoopStep(); ++steps) {
    if (GetUpdateCount() > stepLimit || steps > 2 * stepLimit) {
      Fail("the run did not end within " + std::to_string(stepLimit) + " update steps");
      return;
    }
  }
}
