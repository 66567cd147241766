#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/ScreenDriver.h"

namespace fs = std::filesystem;

// Records the demo the game's process test replays with the real binary: a first start, a name
// and Enter, the main menu's quit and yes. CTest runs it before that test.
TEST_F(ScreenDriver, RecordsTheQuitDemo) {
  const fs::path demo = fs::path(std::getenv("CAFE_BINARY_DIR")) / "testdata" / "quit.dmo";
  fs::create_directories(demo.parent_path());
  fs::remove(demo);
  Start(WithArgs({"-record", "-demofile", demo.string()}));
  Settle();
  Type(L"Alice");
  Key(13);
  Settle();
  // The player looks at the book for three seconds: a close the process test sends in the
  // replay's first second always comes before the demo's yes.
  Step(300);
  Click("main_menu/main_menu_dlg/right_page/quit");
  Click("dialogbox_2button/btn_yes");
  ASSERT_TRUE(StepUntil([&] { return mGame->IsShutdownRequested(); }));
  ASSERT_TRUE(mGame->GetDemo().Finish(mGame->GetUpdateCount()));
  EXPECT_GT(fs::file_size(demo), 0u);
}
