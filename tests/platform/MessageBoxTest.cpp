#include <gtest/gtest.h>

#include "platform/window/MessageBox.h"

using Platform::MessageBoxAnswer;
using Platform::MessageBoxButtons;

// A handler that shows a box of its own (a nested loop step reporting an error while the first
// box waits) gets its answer instead of waiting on itself.
TEST(MessageBox, HandlerShowingASecondBoxReturns) {
  int depth = 0, shown = 0;
  Platform::SetMessageBoxHandler([&](const std::string&, const std::string& text, MessageBoxButtons buttons) {
    ++shown;
    if (++depth == 1) {
      EXPECT_EQ(Platform::ShowMessageBox("inner", "error", MessageBoxButtons::Ok), MessageBoxAnswer::Ok);
      EXPECT_TRUE(Platform::HasMessageBoxHandler());
    }
    --depth;
    return buttons == MessageBoxButtons::YesNo && text == "quit?" ? MessageBoxAnswer::Yes : MessageBoxAnswer::Ok;
  });
  EXPECT_EQ(Platform::ShowMessageBox("outer", "quit?", MessageBoxButtons::YesNo), MessageBoxAnswer::Yes);
  EXPECT_EQ(shown, 2);
  Platform::SetMessageBoxHandler({});
  EXPECT_FALSE(Platform::HasMessageBoxHandler());
  // Headless with no handler: the box agrees to nothing.
  EXPECT_EQ(Platform::ShowMessageBox("t", "x", MessageBoxButtons::YesNo), MessageBoxAnswer::No);
}
