#include <gtest/gtest.h>

#include <vector>

#include "cafe/ZCEngine3.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "shell/Log.h"
#include "widgets/CursorTable.h"
#include "widgets/WidgetManager.h"
#include "widgets/ZCWidgetKit.h"

namespace {

// The game headless: the real start-up steps, without a window or the main loop's thread.
class Game : public ZCEngine3 {
 public:
  Game() { mRegKey = "Cafe Tests\\Widgets Test"; }
  void Load() {
    LoadConfig();
    mStartupLoading = true;
    OnLoaderFinished();
  }
  void Steps(int n) {
    for (int i = 0; i < n; ++i) UpdateStep();
  }
  void Frame() { DrawFrame(); }
  void Input(Platform::InputEvent::Type type, int32_t x, int32_t y, int32_t key = 0) {
    Platform::InputEvent e;
    e.mType = type;
    e.mX = x;
    e.mY = y;
    e.mButton = 1;
    e.mKey = key;
    HandleInput(e);
  }

 protected:
  bool WantsWindow() const override { return false; }
};

uint32_t Rgb(Vesk::DDImage* screen, int32_t x, int32_t y) {
  return screen->GetBits()[size_t(y) * size_t(screen->mWidth) + size_t(x)] & 0xFFFFFFu;
}

TEST(TestDialogScreen, ShowsEveryWidgetWithItsDeclaredPicture) {
  Game game;
  ASSERT_TRUE(game.Init());
  LogHistory::Clear();
  game.Load();
  ZCDialog* dialog = game.GetTestDialog();
  ASSERT_NE(dialog, nullptr);
  dialog->Show();
  EXPECT_FALSE(LogHistory::Contains("WARNING: ui.xml"));
  EXPECT_TRUE(dialog->IsShowing());
  game.Steps(100);  // the fade-in is over
  EXPECT_TRUE(dialog->IsVisible());
  EXPECT_FLOAT_EQ(dialog->GetAlpha(), 1.0f);
  game.Frame();

  Vesk::DDImage* screen = game.GetDisplay()->GetScreenImage();
  ASSERT_NE(screen, nullptr);
  const int32_t ox = dialog->mX, oy = dialog->mY;
  struct Probe {
    const char* widget;
    int32_t x, y;  // inside the widget
    uint32_t rgb;
  };
  const Probe probes[] = {
      {"btn_toggle", 5, 5, 0x2E8B57},  {"btn_off", 5, 5, 0x808080},    {"list", 190, 115, 0x101828},
      {"slider", 190, 10, 0x606060},   {"slider", 55 + 8, 10, 0xE0C040}, {"check", 5, 5, 0xC0C0C0},
      {"edit", 190, 5, 0xF0F0E0},      {"bar", 50, 8, 0xD04040},       {"bar", 150, 8, 0x402020},
      {"fade_box", 190, 100, 0x101828},
  };
  for (const Probe& p : probes) {
    ZCCandyWidget* w = dialog->FindChild(p.widget);
    ASSERT_NE(w, nullptr) << p.widget;
    EXPECT_EQ(Rgb(screen, ox + w->mX + p.x, oy + w->mY + p.y), p.rgb) << p.widget << " at " << p.x << "," << p.y;
  }
  EXPECT_EQ(Rgb(screen, ox + 100, oy + 450), 0x304060u);  // the panel itself

  // The list draws its lines inside its own rectangle, and the bar under the selected one.
  auto* list = static_cast<ZCList*>(dialog->FindChild("list"));
  const int32_t lx = ox + list->mX, ly = oy + list->mY;
  list->SetSelected(1);
  game.Frame();
  // Past the end of the text: the bar alone, (255, 220, 120) at alpha 96 over the background.
  const uint32_t bar = Rgb(screen, lx + 190, ly + 30);
  EXPECT_NEAR(int(bar >> 16), 0x6A, 2);
  EXPECT_NEAR(int((bar >> 8) & 0xFF), 0x62, 2);
  EXPECT_NEAR(int(bar & 0xFF), 0x46, 2);
  EXPECT_EQ(Rgb(screen, lx + 190, ly + 50), 0x101828u);  // the next line is not selected
  // The first and the sixth line have ink where the empty list has none.
  std::vector<uint32_t> withLines;
  for (int32_t y = 0; y < 120; ++y)
    for (int32_t x = 0; x < 200; ++x) withLines.push_back(Rgb(screen, lx + x, ly + y));
  list->Clear();
  game.Frame();
  int ink[6] = {};
  for (int32_t y = 0; y < 120; ++y)
    for (int32_t x = 0; x < 200; ++x) ink[y / 20] += withLines[size_t(y * 200 + x)] != Rgb(screen, lx + x, ly + y);
  EXPECT_GT(ink[0], 20);
  EXPECT_GT(ink[5], 20);
  EXPECT_EQ(Rgb(screen, 5, 5), 0u);                       // outside the dialog

  // The animated picture shows the cell of its current frame.
  ZCCandyWidget* anim = dialog->FindChild("anim");
  ASSERT_NE(anim, nullptr);
  int32_t frame = anim->GetFirstTexture()->mFrame;
  uint32_t red = uint32_t(frame * 255 / 7);
  EXPECT_EQ(Rgb(screen, ox + anim->mX + 24, oy + anim->mY + 24), (red << 16) | 0x3000u | (255 - red));

  // The text variable's widget reads the variable.
  ZCText* text = dialog->FindChild("var_text")->AsText();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->GetText(), L"Text variable");
  game.GetTextVarsTable()->SetTextVar("test_var", L"changed");
  EXPECT_EQ(text->GetText(), L"changed");

  // Hovering the button shows its "over" picture; a click fades the inner box out.
  ZCCandyWidget* button = dialog->FindChild("btn_toggle");
  int32_t bx = ox + button->mX + 5, by = oy + button->mY + 5;
  game.Input(Platform::InputEvent::Type::MouseMove, bx, by);
  game.Frame();
  EXPECT_EQ(Rgb(screen, bx, by), 0x3CB371u);
  game.Input(Platform::InputEvent::Type::MouseDown, bx, by);
  game.Frame();
  EXPECT_EQ(Rgb(screen, bx, by), 0x1E5B37u);
  game.Input(Platform::InputEvent::Type::MouseUp, bx, by);
  ZCCandyWidget* box = dialog->FindChild("fade_box");
  EXPECT_TRUE(box->IsHiding());
  EXPECT_TRUE(box->IsVisible());  // fading
  game.Steps(100);
  EXPECT_FALSE(box->IsVisible());

  // The cursor table from ui.xml is installed.
  ASSERT_NE(GetCursorTable(), nullptr);
  EXPECT_TRUE(GetCursorTable()->HasCursor("normal"));
  EXPECT_TRUE(GetCursorTable()->HasCursor("active"));
}

}  // namespace
