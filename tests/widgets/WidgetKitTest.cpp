#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>

#include "effects/EffectLibrary.h"
#include "effects/EffectServices.h"
#include "effects/ParticleSystem.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "shell/Random.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"
#include "widgets/FrameStep.h"
#include "widgets/WidgetManager.h"
#include "widgets/ZCWidgetKit.h"

namespace {

struct Recorder : ZCDialog {
  Recorder() : ZCDialog(0, nullptr) { Resize(0, 0, 800, 600); }
  void OnCommand(ZCCandyWidget* w) override { commands.push_back(w); }
  void KeyDown(int32_t key) override { keys.push_back(key); }
  void OnShowStart() override { ++showStarts; }
  void OnHideStart() override { ++hideStarts; }
  std::vector<ZCCandyWidget*> commands;
  std::vector<int32_t> keys;
  int showStarts = 0, hideStarts = 0;
};

class WidgetKitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = new Recorder();
    mgr.AddWidget(root);
    root->SetVisible(true);
  }
  template <class W>
  W* Add(const std::string& name, int x, int y, int w, int h, ZCCandyWidget* parent = nullptr) {
    W* widget;
    if constexpr (std::is_same_v<W, ZCDialog>)
      widget = new ZCDialog(0, nullptr);
    else
      widget = new W();
    widget->Resize(x, y, w, h);
    (parent ? parent : root)->AddChild(name, widget);
    widget->SetVisible(true);
    return widget;
  }
  void Click(int x, int y) {
    mgr.MouseDown(x, y, 1, 1);
    mgr.MouseUp(x, y, 1);
  }
  Vesk::WidgetManager mgr{800, 600};
  Recorder* root = nullptr;
};

TEST_F(WidgetKitTest, ListSelectsScrollsAndReveals) {
  auto* list = Add<ZCList>("list", 0, 0, 100, 60);  // three lines of 20
  for (int i = 0; i < 10; ++i) list->AddLine(L"line " + std::to_wstring(i));
  EXPECT_EQ(list->GetSelected(), -1);
  Click(10, 45);
  EXPECT_EQ(list->GetSelected(), 2);
  EXPECT_EQ(root->commands, (std::vector<ZCCandyWidget*>{list}));
  list->SelectAndReveal(8);
  EXPECT_EQ(list->GetTopLine(), 6);
  list->SelectAndReveal(1);
  EXPECT_EQ(list->GetTopLine(), 1);
  mgr.MouseMove(10, 10);
  mgr.MouseWheel(-100);
  EXPECT_EQ(list->GetTopLine(), 7);  // never past the last page
  list->SetSelected(10);
  EXPECT_EQ(list->GetSelected(), -1);
  list->Clear();
  Click(10, 5);  // no line there
  EXPECT_EQ(list->GetSelected(), -1);
  EXPECT_EQ(root->commands.size(), 1u);
}

TEST_F(WidgetKitTest, SliderAndCheckBoxKeepTheirRangeAndReport) {
  auto* slider = Add<ZCSlider>("slider", 0, 0, 116, 20);  // thumb 16: 100 pixels of travel
  slider->SetMax(10);
  slider->SetValue(42);
  EXPECT_EQ(slider->GetValue(), 10);
  mgr.MouseDown(8 + 30, 5, 1, 1);
  EXPECT_EQ(slider->GetValue(), 3);
  mgr.MouseMove(500, 5);  // dragging beyond the end
  EXPECT_EQ(slider->GetValue(), 10);
  mgr.MouseUp(500, 5, 1);
  slider->SetMax(5);
  EXPECT_EQ(slider->GetValue(), 5);

  auto* check = Add<ZCCheckBox>("check", 200, 0, 20, 20);
  Click(205, 5);
  EXPECT_TRUE(check->IsChecked());
  Click(205, 5);
  EXPECT_FALSE(check->IsChecked());
  EXPECT_EQ(root->commands, (std::vector<ZCCandyWidget*>{slider, slider, check, check}));
}

TEST_F(WidgetKitTest, EditFieldCutsToItsMaximumAndHandsEnterAndEscapeUp) {
  auto* box = Add<ZCDialog>("box", 0, 0, 300, 100);
  auto* edit = Add<ZCEditWidget>("edit", 10, 10, 200, 30, box);
  edit->SetMaxLength(4);
  Click(20, 20);
  EXPECT_EQ(mgr.GetFocus(), edit);
  for (wchar_t c : std::wstring(L"abc\x01" L"def")) mgr.KeyChar(c);
  EXPECT_EQ(edit->GetText(), L"abcd");
  mgr.KeyDown(8);
  EXPECT_EQ(edit->GetText(), L"abc");
  edit->SetText(L"longer text");
  EXPECT_EQ(edit->GetText(), L"long");
  mgr.KeyDown(13);
  mgr.KeyDown(27);
  EXPECT_EQ(root->keys, (std::vector<int32_t>{13, 27}));
  edit->SetMaxLength(-1);
  edit->SetText(L"no limit at all");
  EXPECT_EQ(edit->GetText(), L"no limit at all");
}

// Keys that reach a dialog go to its key forwarding target, if it has one: Enter in a field two
// dialogs down reaches the screen that set the dialog's target; without one they stop there.
TEST_F(WidgetKitTest, KeysReachADialogsKeyForwardingTarget) {
  auto* panel = Add<ZCDialog>("panel", 0, 0, 300, 100);
  auto* inner = Add<ZCDialog>("inner", 0, 0, 300, 100, panel);
  auto* edit = Add<ZCEditWidget>("edit", 10, 10, 200, 30, inner);
  mgr.SetFocus(edit);
  mgr.KeyDown(13);
  EXPECT_TRUE(root->keys.empty()) << "a dialog without a target handed the key on";
  panel->SetKeyForwardingTarget(root);
  mgr.KeyDown(13);
  mgr.KeyDown(27);
  mgr.SetFocus(panel);
  mgr.KeyDown('A');
  EXPECT_EQ(root->keys, (std::vector<int32_t>{13, 27, 'A'}));
  // The mouse target is another one: the keys' target takes no clicks.
  EXPECT_EQ(panel->GetForwardingTarget(), nullptr);
}

TEST_F(WidgetKitTest, ShowAndHideGoThroughTheEffectWhenItTakesTheMessage) {
  const char* xml =
      "<effects><effect name='fade'>"
      "<timer name='in' duration='0.5'><control callback='DlgFadeIn' start='0' end='0.5'/></timer>"
      "<timer name='out' duration='0.5'><control callback='DlgFadeOut' start='0' end='0.5'/></timer>"
      "<message name='onshow'><stop timer='out'/><start timer='in'/></message>"
      "<message name='onhide'><stop timer='in'/><start timer='out'/></message>"
      "</effect><effect name='other'><message name='onclick'><call callback='EffectShow'/></message></effect></effects>";
  EffectLibrary library;
  ASSERT_TRUE(library.LoadFromMemory(reinterpret_cast<const uint8_t*>(xml), std::strlen(xml), "test"));
  SetEffectLibrary(&library);

  auto* plain = new Recorder();
  root->AddChild("plain", plain);
  plain->Show();
  EXPECT_TRUE(plain->IsVisible());
  plain->Show();
  EXPECT_EQ(plain->showStarts, 1);  // already showing
  plain->Hide();
  plain->Hide();
  EXPECT_FALSE(plain->IsVisible());
  EXPECT_EQ(plain->hideStarts, 1);

  // An effect without "onshow" does not take the show.
  auto* other = new Recorder();
  root->AddChild("other", other);
  other->SetEffect(CreateEffect("other"));
  other->Show();
  EXPECT_TRUE(other->IsVisible());

  auto* faded = new Recorder();
  root->AddChild("faded", faded);
  faded->SetEffect(CreateEffect("fade"));
  faded->Show();
  EXPECT_EQ(faded->showStarts, 1);
  EXPECT_TRUE(faded->IsVisible());
  EXPECT_FLOAT_EQ(faded->GetAlpha(), 0.0f);
  SetFrameStep(0.25f);
  mgr.UpdateFrame();
  EXPECT_NEAR(faded->GetAlpha(), 0.5f, 1e-4);
  mgr.UpdateFrame();
  faded->Hide();
  EXPECT_EQ(faded->hideStarts, 1);
  EXPECT_TRUE(faded->IsVisible());  // until the fade is over
  mgr.UpdateFrame();
  mgr.UpdateFrame();
  EXPECT_FALSE(faded->IsVisible());
  EXPECT_FLOAT_EQ(faded->GetAlpha(), 1.0f);
  SetFrameStep(0.01f);
  SetEffectLibrary(nullptr);
}

// A widget's effect may start particle systems (a sparkle over a button): the widget moves them
// on and draws them, in its own coordinates, over itself.
TEST_F(WidgetKitTest, ParticleSystemsAWidgetsEffectStartedAreDrawnWithIt) {
  const char* xml =
      "<effects><callback name='StartPS'><param name='name'/><param name='x' default='0'/>"
      "<param name='y' default='0'/></callback>"
      "<particles name='dots' burst='5' rate='10' max='50' life='2' speed='0' size_start='2' size_end='2' "
      "color_start='255;0;0' alpha_start='1' alpha_end='1'/>"
      "<effect name='sparks'><message name='go'><call callback='StartPS' name='dots' x='10' y='20'/></message>"
      "<message name='stop'><call callback='StopPS'/></message></effect></effects>";
  EffectLibrary library;
  ASSERT_TRUE(library.LoadFromMemory(reinterpret_cast<const uint8_t*>(xml), std::strlen(xml), "test"));
  SetEffectLibrary(&library);
  ParticleSystemTable table;
  ParticleSystemTable* saved = GetEffectServices().mParticles;
  GetEffectServices().mParticles = &table;
  SeedRandom(7);

  auto* button = Add<ZCButton>("sparkling", 100, 50, 40, 40);
  button->SetEffect(CreateEffect("sparks"));
  button->SendEffectMessage("go");
  Vesk::MemoryImage screen(800, 600);
  screen.Clear();
  Vesk::Graphics g(&screen);
  mgr.DrawScreen(&g);
  SetFrameStep(0.5f);
  mgr.UpdateFrame();
  SetFrameStep(0.01f);
  EXPECT_EQ(table.CountByName(button->GetEffect()->GetParticleKey()), 1u);
  EXPECT_TRUE(mgr.IsDirty());  // moving particles are drawn again

  screen.Clear();
  mgr.DrawScreen(&g);
  // The particles stand still at (10, 20) in the button: a red square there.
  EXPECT_EQ(screen.GetBits()[70 * 800 + 110], 0xFFFF0000u);
  EXPECT_EQ(screen.GetBits()[10 * 800 + 10], 0u);

  // A hidden widget draws nothing of its own, its particles included.
  button->SetVisible(false);
  screen.Clear();
  mgr.DrawScreen(&g);
  EXPECT_EQ(screen.GetBits()[70 * 800 + 110], 0u);

  button->SetEffect(nullptr);
  GetEffectServices().mParticles = saved;
  SetEffectLibrary(nullptr);
}

TEST_F(WidgetKitTest, ModalDialogStandsOnTheStackWhileVisibleAndNamesStayUnique) {
  auto* modal = Add<ZCDialog>("modal", 100, 100, 100, 100);
  auto* behind = Add<ZCButton>("behind", 300, 300, 50, 50);
  modal->SetModal(true);
  EXPECT_EQ(mgr.GetTopModal(), modal);
  Click(310, 310);
  EXPECT_TRUE(root->commands.empty());
  modal->SetVisible(false);
  EXPECT_EQ(mgr.GetTopModal(), nullptr);
  Click(310, 310);
  EXPECT_EQ(root->commands, (std::vector<ZCCandyWidget*>{behind}));

  LogHistory::Clear();
  auto* twin = Add<ZCButton>("behind", 0, 0, 10, 10);
  EXPECT_TRUE(LogHistory::Contains("WARNING: "));
  EXPECT_EQ(root->FindChild("behind"), behind);
  root->RemoveWidget(behind);
  delete behind;
  EXPECT_EQ(root->FindChild("behind"), nullptr);
  (void)twin;
}

TEST_F(WidgetKitTest, BadLayoutsLogAndFallBack) {
  const char* xml =
      "<root><dialogs><widget type='zcdialog' name='bad'>"
      "<widget type='gizmo' name='a' x='0' y='0' w='10' h='10'/>"
      "<widget type='button' name='b' x='0' y='0' w='-5' h='99999999'><texture id='nope'/></widget>"
      "<widget type='text' name='c' font='no_font' effect='no_effect'/>"
      "<widget type='text' name='c'/>"
      "<widget type='list'/>"
      "</widget></dialogs></root>";
  XmlNode doc = LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(xml), std::strlen(xml), "bad.xml");
  LogHistory::Clear();
  ZCDialog dialog(0, nullptr);
  ASSERT_TRUE(dialog.LoadByName(doc, "bad"));
  EXPECT_FALSE(dialog.LoadByName(doc, "missing"));
  for (const char* w : {"unknown type \"gizmo\"", "out of range", "no texture \"nope\"", "no font \"no_font\"",
                        "no effect \"no_effect\"", "two children named \"c\"", "has no name", "no dialog \"missing\""})
    EXPECT_TRUE(LogHistory::Contains(w)) << w;
  ZCCandyWidget* b = dialog.FindChild("b");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->mWidth, 0);
  EXPECT_EQ(dialog.GetChildren().size(), 5u);
}

// A clipping dialog keeps its children inside its own rectangle, also when its display offset
// moves them (a turning page); without the flag they spill over.
TEST_F(WidgetKitTest, AClippingDialogKeepsItsChildrenInside) {
  struct Filler : ZCCandyWidget {
    void Draw(Vesk::Graphics* g) override {
      g->SetColor(Color(255, 0, 0));
      g->FillRect(0, 0, mWidth, mHeight);
    }
  };
  const char* xml = "<root><widget type='zcdialog' name='page' x='100' y='100' w='100' h='100' clip='1'/></root>";
  XmlNode doc = LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(xml), std::strlen(xml), "clip.xml");
  auto* page = new ZCDialog(0, nullptr);
  ASSERT_TRUE(page->LoadByName(doc, "page"));
  root->AddChild("page", page);
  page->SetVisible(true);
  EXPECT_TRUE(page->IsClipping());
  auto* filler = Add<Filler>("filler", -50, -50, 300, 300, page);
  (void)filler;
  page->SetDisplayOffset(30, 0);
  Vesk::MemoryImage screen(800, 600);
  Vesk::Graphics g(&screen);
  auto red = [&](int x, int y) { return screen.GetBits()[y * 800 + x] == 0xFFFF0000u; };
  screen.Clear();
  mgr.DrawScreen(&g);
  EXPECT_TRUE(red(100, 100));
  EXPECT_TRUE(red(199, 199));
  for (auto [x, y] : {std::pair{99, 150}, {200, 150}, {150, 99}, {150, 200}, {300, 300}})
    EXPECT_FALSE(red(x, y)) << x << "," << y;
  page->SetClip(false);
  screen.Clear();
  mgr.DrawScreen(&g);
  EXPECT_TRUE(red(300, 300));
}

// A text takes its disabled colour while it or a dialog above it is disabled; without one it keeps
// its colour.
TEST_F(WidgetKitTest, ADisabledTextTakesItsDisabledColour) {
  const char* xml =
      "<root><widget type='zcdialog' name='page'>"
      "<widget type='text' name='day' text='7' color='10;20;30' disabled_color='200;190;180'/>"
      "<widget type='text' name='plain' text='8' color='10;20;30'/></widget></root>";
  XmlNode doc = LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(xml), std::strlen(xml), "texts.xml");
  ZCDialog page(0, nullptr);
  ASSERT_TRUE(page.LoadByName(doc, "page"));
  auto* day = dynamic_cast<ZCText*>(page.FindChild("day"));
  auto* plain = dynamic_cast<ZCText*>(page.FindChild("plain"));
  ASSERT_TRUE(day && plain);
  EXPECT_EQ(day->mDisabledColor, Color(200, 190, 180));
  EXPECT_EQ(plain->mDisabledColor, plain->mColor);
  EXPECT_FALSE(day->IsDisabledInTree());
  page.SetDisabled(true);
  EXPECT_TRUE(day->IsDisabledInTree());
  EXPECT_EQ(day->GetDrawColor(), Color(200, 190, 180));
  page.SetDisabled(false);
  day->SetDisabled(true);
  EXPECT_EQ(day->GetDrawColor(), Color(200, 190, 180));
  day->SetDisabled(false);
  EXPECT_EQ(day->GetDrawColor(), Color(10, 20, 30));
}

}  // namespace
