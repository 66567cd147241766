#include <gtest/gtest.h>

#include <SDL.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "platform/window/Window.h"

namespace {

using Platform::InputEvent;

void PushKey(Uint32 type, SDL_Keycode key) {
  SDL_Event e;
  std::memset(&e, 0, sizeof e);
  e.type = type;
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.sym = key;
  ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
}

std::string Describe(const InputEvent& e) {
  switch (e.mType) {
    case InputEvent::Type::KeyDown: return "down " + std::to_string(e.mKey);
    case InputEvent::Type::KeyUp: return "up " + std::to_string(e.mKey);
    case InputEvent::Type::KeyChar: return "char " + std::to_string(e.mKey);
    case InputEvent::Type::MouseDown:
      return "press " + std::to_string(e.mButton) + " at " + std::to_string(e.mX) + "," + std::to_string(e.mY);
    case InputEvent::Type::Close: return "close";
    default: return "other";
  }
}

// Events as SDL delivers them (pushed into its queue with the dummy video driver) come out of
// the window with the game's key numbers.
TEST(Window, SystemEventsArriveWithTheGamesKeyNumbers) {
  Platform::Window window;
  std::string error;
  ASSERT_TRUE(window.Create("test", 1024, 768, true, &error)) << error;
  std::deque<InputEvent> queue;
  window.PumpEvents(queue);  // whatever the window's creation queued
  queue.clear();

  const SDL_Keycode keys[] = {SDLK_RETURN, SDLK_KP_ENTER, SDLK_ESCAPE, SDLK_TAB, SDLK_BACKSPACE,
                              SDLK_a,      SDLK_9,        SDLK_F1,     SDLK_LEFT, SDLK_KP_5};
  for (SDL_Keycode key : keys) PushKey(SDL_KEYDOWN, key);
  PushKey(SDL_KEYUP, SDLK_RETURN);
  PushKey(SDL_KEYDOWN, SDLK_VOLUMEUP);  // no number of its own: dropped

  SDL_Event text;
  std::memset(&text, 0, sizeof text);
  text.type = SDL_TEXTINPUT;
  std::strcpy(text.text.text, "a\xC3\xA9");  // "aé"
  ASSERT_EQ(SDL_PushEvent(&text), 1);

  SDL_Event press;
  std::memset(&press, 0, sizeof press);
  press.type = SDL_MOUSEBUTTONDOWN;
  press.button.button = SDL_BUTTON_LEFT;
  press.button.x = 12;
  press.button.y = 34;
  press.button.clicks = 1;
  ASSERT_EQ(SDL_PushEvent(&press), 1);

  SDL_Event quit;
  std::memset(&quit, 0, sizeof quit);
  quit.type = SDL_QUIT;
  ASSERT_EQ(SDL_PushEvent(&quit), 1);

  window.PumpEvents(queue);
  std::vector<std::string> got;
  for (const InputEvent& e : queue) got.push_back(Describe(e));
  EXPECT_EQ(got, (std::vector<std::string>{"down 13", "down 13", "down 27", "down 9", "down 8", "down 65", "down 57",
                                           "down 112", "down 37", "down 101", "up 13", "char 97", "char 233",
                                           "press 1 at 12,34", "close"}));
}

}  // namespace
