#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "widgets/ButtonWidget.h"
#include "widgets/WidgetManager.h"

namespace {

using Vesk::Widget;
using Vesk::WidgetManager;

// A widget that writes down what reaches it.
struct Probe : Widget {
  Probe(std::string name, std::vector<std::string>* log, int x, int y, int w, int h) : mName(std::move(name)), mLog(log) {
    Resize(x, y, w, h);
  }
  ~Probe() override {
    if (mDeleted) *mDeleted = true;
  }
  void Note(const std::string& what) { mLog->push_back(mName + ":" + what); }
  void MouseDown(int32_t x, int32_t y, int32_t, int32_t) override {
    Note("down " + std::to_string(x) + "," + std::to_string(y));
    if (mOnDown) mOnDown();
  }
  void MouseUp(int32_t, int32_t, int32_t) override { Note("up"); }
  void MouseEnter() override { Note("enter"); }
  void MouseLeave() override { Note("leave"); }
  void KeyDown(int32_t key) override {
    Note("key " + std::to_string(key));
    Widget::KeyDown(key);
  }
  void KeyChar(wchar_t c) override { Note(std::string("char ") + char(c)); }
  void GotFocus() override { Note("focus"); }
  void LostFocus() override { Note("blur"); }
  void Update() override { ++mUpdates; }

  std::string mName;
  std::vector<std::string>* mLog;
  std::function<void()> mOnDown;
  bool* mDeleted = nullptr;
  int mUpdates = 0;
};

struct Listener : Vesk::ButtonListener {
  void ButtonPress(int32_t id) override { presses.push_back(id); }
  void ButtonDepress(int32_t id) override { depresses.push_back(id); }
  std::vector<int32_t> presses, depresses;
};

class WidgetManagerTest : public ::testing::Test {
 protected:
  Probe* Add(Vesk::WidgetContainer* parent, const std::string& name, int x, int y, int w, int h) {
    auto* p = new Probe(name, &log, x, y, w, h);
    parent->AddWidget(p);
    return p;
  }
  void Click(int x, int y) {
    mgr.MouseDown(x, y, 1, 1);
    mgr.MouseUp(x, y, 1);
  }
  std::vector<std::string> Downs() const {
    std::vector<std::string> out;
    for (const std::string& s : log)
      if (s.find(":down") != std::string::npos) out.push_back(s);
    return out;
  }
  WidgetManager mgr{1024, 768};
  std::vector<std::string> log;
};

TEST_F(WidgetManagerTest, ClickReachesTopmostVisibleEnabledWidgetInItsOwnCoordinates) {
  Probe* back = Add(&mgr, "back", 0, 0, 200, 200);
  Probe* front = Add(&mgr, "front", 50, 50, 100, 100);
  Probe* inner = Add(front, "inner", 10, 10, 20, 20);

  Click(65, 65);  // on inner, which lies inside front
  Click(100, 100);
  Click(10, 10);
  EXPECT_EQ(Downs(), (std::vector<std::string>{"inner:down 5,5", "front:down 50,50", "back:down 10,10"}));

  log.clear();
  front->SetVisible(false);
  Click(100, 100);
  back->SetVisible(true);
  front->SetVisible(true);
  front->SetDisabled(true);
  Click(65, 65);  // a disabled widget and its children take nothing
  EXPECT_EQ(Downs(), (std::vector<std::string>{"back:down 100,100", "back:down 65,65"}));

  log.clear();
  front->SetDisabled(false);
  mgr.BringToBack(front);
  Click(100, 100);
  mgr.BringToFront(front);
  Click(100, 100);
  EXPECT_EQ(Downs(), (std::vector<std::string>{"back:down 100,100", "front:down 50,50"}));
  EXPECT_EQ(mgr.GetWidgetAt(500, 500), nullptr);
  (void)inner;
}

// A container drawn away from its place (a sliding menu) takes clicks where it is drawn, and its
// children's screen positions move with it; where it stood it takes nothing.
TEST_F(WidgetManagerTest, ClicksFollowAWidgetDrawnAwayFromItsPlace) {
  struct Shifted : Probe {
    using Probe::Probe;
    void GetDrawOffset(int32_t& x, int32_t& y) const override { x = 200, y = 10; }
  };
  Add(&mgr, "back", 0, 0, 600, 400);
  auto* front = new Shifted("front", &log, 50, 50, 100, 100);
  mgr.AddWidget(front);
  Probe* inner = Add(front, "inner", 10, 10, 20, 20);
  Click(265, 75);
  Click(300, 100);
  Click(65, 65);  // where the shifted widget would stand unshifted
  EXPECT_EQ(Downs(), (std::vector<std::string>{"inner:down 5,5", "front:down 50,40", "back:down 65,65"}));
  int32_t x = 0, y = 0;
  inner->GetAbsolutePos(x, y);
  EXPECT_EQ(x, 260);
  EXPECT_EQ(y, 70);
}

TEST_F(WidgetManagerTest, MouseEnterAndLeaveFollowTheCursorHidingAndDisabling) {
  Probe* a = Add(&mgr, "a", 0, 0, 10, 10);
  Add(&mgr, "b", 20, 0, 10, 10);
  mgr.MouseMove(5, 5);
  mgr.MouseMove(6, 6);
  mgr.MouseMove(25, 5);
  mgr.MouseMove(5, 5);
  EXPECT_EQ(log, (std::vector<std::string>{"a:enter", "a:leave", "b:enter", "b:leave", "a:enter"}));

  // A widget hidden or disabled under a still pointer is left at once, not at the next move.
  for (bool hide : {true, false}) {
    SCOPED_TRACE(hide ? "hidden" : "disabled");
    log.clear();
    if (hide)
      a->SetVisible(false);
    else
      a->SetDisabled(true);
    EXPECT_EQ(log, std::vector<std::string>{"a:leave"});
    EXPECT_EQ(mgr.GetOverWidget(), nullptr);
    mgr.MouseMove(5, 6);
    a->SetVisible(true);
    a->SetDisabled(false);
    mgr.MouseMove(5, 5);
    EXPECT_EQ(log, (std::vector<std::string>{"a:leave", "a:enter"}));
  }
}

TEST_F(WidgetManagerTest, FocusTakesKeysAndTabCyclesThroughVisibleTabStops) {
  Probe* a = Add(&mgr, "a", 0, 0, 10, 10);
  Probe* b = Add(&mgr, "b", 20, 0, 10, 10);
  Probe* c = Add(&mgr, "c", 40, 0, 10, 10);
  Probe* plain = Add(&mgr, "plain", 60, 0, 10, 10);
  a->mTabStop = b->mTabStop = c->mTabStop = true;
  b->SetVisible(false);

  mgr.KeyDown(9);  // no focus yet: Tab takes the first stop
  EXPECT_EQ(mgr.GetFocus(), a);
  mgr.KeyChar(L'x');
  mgr.KeyDown(9);
  EXPECT_EQ(mgr.GetFocus(), c);  // b is hidden
  mgr.KeyDown(9);
  EXPECT_EQ(mgr.GetFocus(), a);
  EXPECT_TRUE(a->HasFocus());
  EXPECT_FALSE(c->HasFocus());
  mgr.MoveFocus(true);
  EXPECT_EQ(mgr.GetFocus(), c);

  // A click on a tab stop focuses it; a click elsewhere leaves the focus alone.
  Click(5, 5);
  EXPECT_EQ(mgr.GetFocus(), a);
  Click(65, 5);
  EXPECT_EQ(mgr.GetFocus(), a);
  mgr.SetFocus(plain);
  mgr.SetFocus(nullptr);
  EXPECT_EQ(mgr.GetFocus(), nullptr);
  mgr.KeyChar(L'y');  // without focus, nobody gets it

  std::vector<std::string> want = {"a:focus", "a:char x", "a:key 9", "a:blur", "c:focus", "c:key 9", "c:blur", "a:focus",
                                   "a:blur", "c:focus", "c:blur", "a:focus", "a:blur", "plain:focus", "plain:blur"};
  std::vector<std::string> got;
  for (const std::string& s : log)
    if (s.find("enter") == std::string::npos && s.find("leave") == std::string::npos && s.find(":down") == std::string::npos &&
        s.find(":up") == std::string::npos)
      got.push_back(s);
  EXPECT_EQ(got, want);

  // Hiding the focus widget drops the focus.
  mgr.SetFocus(c);
  c->SetVisible(false);
  EXPECT_EQ(mgr.GetFocus(), nullptr);
}

TEST_F(WidgetManagerTest, ModalStackBlocksInputBelowTheTopModalWidget) {
  Probe* screen = Add(&mgr, "screen", 0, 0, 1024, 768);
  Probe* box = Add(&mgr, "box", 100, 100, 200, 100);
  Probe* boxChild = Add(box, "ok", 10, 10, 30, 30);
  Probe* box2 = Add(&mgr, "box2", 500, 500, 100, 100);
  screen->mTabStop = boxChild->mTabStop = true;
  mgr.SetFocus(screen);

  mgr.AddBaseModal(box);
  Click(5, 5);       // outside the modal box: nobody
  Click(115, 115);   // its child
  Click(150, 180);   // the box itself
  Click(550, 550);   // drawn on top of the box but not inside the modal widget
  mgr.SetFocus(screen);
  mgr.KeyDown(65);   // the focus lies outside the modal box: the key reaches nobody
  mgr.KeyChar(L'a');
  mgr.KeyDown(9);    // Tab moves only among the modal box's stops
  EXPECT_EQ(mgr.GetFocus(), boxChild);
  mgr.KeyDown(66);   // inside the modal box keys arrive
  EXPECT_EQ(Downs(), (std::vector<std::string>{"ok:down 5,5", "box:down 50,80"}));
  std::vector<std::string> keys;
  for (const std::string& s : log)
    if (s.find(":key") != std::string::npos || s.find(":char") != std::string::npos) keys.push_back(s);
  EXPECT_EQ(keys, std::vector<std::string>{"ok:key 66"});

  log.clear();
  mgr.AddBaseModal(box2);
  Click(115, 115);
  Click(550, 550);
  mgr.RemoveBaseModal(box2);
  Click(115, 115);
  mgr.RemoveBaseModal(box);
  Click(5, 5);
  EXPECT_EQ(Downs(), (std::vector<std::string>{"box2:down 50,50", "ok:down 5,5", "screen:down 5,5"}));
}

TEST_F(WidgetManagerTest, ButtonReportsDepressOnlyForPressAndReleaseOnIt) {
  Listener listener;
  auto* button = new Vesk::ButtonWidget(7, &listener);
  button->Resize(10, 10, 50, 20);
  mgr.AddWidget(button);
  Add(&mgr, "other", 100, 10, 50, 20);

  Click(20, 20);                         // press and release on it
  mgr.MouseDown(20, 20, 1, 1);           // press on it, release elsewhere
  mgr.MouseMove(120, 20);
  mgr.MouseUp(120, 20, 1);
  mgr.MouseDown(120, 20, 1, 1);          // press elsewhere, release on it
  mgr.MouseMove(20, 20);
  mgr.MouseUp(20, 20, 1);
  mgr.MouseDown(20, 20, 3, 1);           // right button
  mgr.MouseUp(20, 20, 3);
  EXPECT_EQ(listener.presses, (std::vector<int32_t>{7, 7}));
  EXPECT_EQ(listener.depresses, (std::vector<int32_t>{7}));

  button->SetDisabled(true);
  Click(20, 20);
  EXPECT_EQ(listener.depresses.size(), 1u);
}

TEST_F(WidgetManagerTest, WidgetDeletedDuringDispatchIsDeletedAfterTheOutermostUpdate) {
  bool deleted = false;
  Probe* victim = Add(&mgr, "victim", 0, 0, 10, 10);
  victim->mDeleted = &deleted;
  Probe* other = Add(&mgr, "other", 20, 0, 10, 10);
  mgr.SetFocus(victim);
  victim->mOnDown = [&] {
    mgr.SafeDeleteWidget(victim);
    // Still whole while its handler runs, even when the handler runs an update (a box that
    // waits for its answer does).
    victim->Note("after delete");
    mgr.UpdateFrame();
    EXPECT_FALSE(deleted);
    victim->Note("after nested update");
  };
  mgr.MouseDown(5, 5, 1, 1);
  EXPECT_FALSE(deleted);
  EXPECT_FALSE(mgr.HasWidget(victim));
  EXPECT_EQ(mgr.GetFocus(), nullptr);
  mgr.MouseUp(5, 5, 1);  // the pressed widget left: the release goes nowhere
  mgr.UpdateFrame();
  EXPECT_TRUE(deleted);
  EXPECT_EQ(other->mUpdates, 2);
  EXPECT_EQ(mgr.GetWidgetAt(5, 5), nullptr);
}

TEST_F(WidgetManagerTest, HandlersMayDispatchInputAgainFromInsideAClick) {
  Probe* outer = Add(&mgr, "outer", 0, 0, 10, 10);
  Probe* inner = Add(&mgr, "inner", 20, 0, 10, 10);
  int depth = 0;
  outer->mOnDown = [&] {
    if (depth++ > 0) return;
    // A nested loop step: more input and an update walk while this click is still running.
    mgr.MouseMove(25, 5);
    mgr.MouseDown(25, 5, 1, 1);
    mgr.MouseUp(25, 5, 1);
    mgr.UpdateFrame();
  };
  mgr.MouseDown(5, 5, 1, 1);
  mgr.MouseUp(5, 5, 1);
  EXPECT_EQ(Downs(), (std::vector<std::string>{"outer:down 5,5", "inner:down 5,5"}));
  EXPECT_EQ(inner->mUpdates, 1);
}

TEST_F(WidgetManagerTest, DeletingAContainerClearsReferencesToItsChildren) {
  Probe* parent = Add(&mgr, "parent", 0, 0, 100, 100);
  Probe* child = Add(parent, "child", 0, 0, 10, 10);
  child->mTabStop = true;
  mgr.SetFocus(child);
  mgr.MouseMove(5, 5);
  mgr.AddBaseModal(parent);
  delete parent;
  EXPECT_EQ(mgr.GetFocus(), nullptr);
  EXPECT_EQ(mgr.GetOverWidget(), nullptr);
  EXPECT_EQ(mgr.GetTopModal(), nullptr);
  mgr.MouseMove(6, 6);
  Click(5, 5);
  EXPECT_TRUE(mgr.GetChildren().empty());
}

}  // namespace
