#pragma once
#include <cstdint>

namespace Platform {

// One input event as the window queues it for the main loop. Keys carry the game's
// virtual-key numbers (Enter 13, Escape 27, Tab 9, letters as upper-case ASCII...).
struct InputEvent {
  enum class Type : uint8_t {
    None,
    MouseMove,
    MouseDown,
    MouseUp,
    MouseWheel,
    KeyDown,
    KeyUp,
    KeyChar,       // a typed character (UTF-32 code point in mKey)
    Activate,      // window gained (mKey = 1) or lost (mKey = 0) focus
    Close,         // the window's close button
    MouseLeave,
  };
  Type mType = Type::None;
  int32_t mX = 0;       // mouse position in window pixels
  int32_t mY = 0;
  int32_t mButton = 0;  // 1 left, 2 right, 3 middle; wheel: delta
  int32_t mKey = 0;     // virtual-key number or character
  int32_t mClicks = 1;  // 2 for a double click
};

}  // namespace Platform
