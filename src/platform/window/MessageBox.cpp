#include "platform/window/MessageBox.h"

#include <SDL.h>

#include <cstdio>
#include <mutex>

#include "platform/window/Window.h"

namespace Platform {
namespace {
std::mutex gHandlerMutex;
std::function<MessageBoxAnswer(const std::string&, const std::string&, MessageBoxButtons)> gHandler;
}  // namespace

void SetMessageBoxHandler(std::function<MessageBoxAnswer(const std::string&, const std::string&, MessageBoxButtons)> handler) {
  std::lock_guard<std::mutex> lock(gHandlerMutex);
  gHandler = std::move(handler);
}

bool HasMessageBoxHandler() {
  std::lock_guard<std::mutex> lock(gHandlerMutex);
  return bool(gHandler);
}

MessageBoxAnswer ShowMessageBox(const std::string& title, const std::string& text, MessageBoxButtons buttons) {
  // The handler runs outside the lock: it may show a box of its own (a nested loop step that
  // reports an error, say), which takes the lock again.
  std::function<MessageBoxAnswer(const std::string&, const std::string&, MessageBoxButtons)> handler;
  {
    std::lock_guard<std::mutex> lock(gHandlerMutex);
    handler = gHandler;
  }
  if (handler) return handler(title, text, buttons);
  // The answer of a box nobody can see: the one that agrees to nothing.
  const MessageBoxAnswer unseen = buttons == MessageBoxButtons::Ok      ? MessageBoxAnswer::Ok
                                  : buttons == MessageBoxButtons::YesNo ? MessageBoxAnswer::No
                                                                        : MessageBoxAnswer::Cancel;
  if (IsHeadlessVideo()) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    return unseen;
  }
  SDL_MessageBoxButtonData data[2];
  int count = 0;
  switch (buttons) {
    case MessageBoxButtons::Ok:
      data[count++] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, int(MessageBoxAnswer::Ok), "OK"};
      break;
    case MessageBoxButtons::YesNo:
      data[count++] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, int(MessageBoxAnswer::Yes), "Yes"};
      data[count++] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, int(MessageBoxAnswer::No), "No"};
      break;
    case MessageBoxButtons::OkCancel:
      data[count++] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, int(MessageBoxAnswer::Ok), "OK"};
      data[count++] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, int(MessageBoxAnswer::Cancel), "Cancel"};
      break;
  }
  SDL_MessageBoxData box{};
  box.flags = SDL_MESSAGEBOX_INFORMATION;
  box.title = title.c_str();
  box.message = text.c_str();
  box.numbuttons = count;
  box.buttons = data;
  int pressed = -1;
  if (SDL_ShowMessageBox(&box, &pressed) != 0 || pressed < 0) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    return unseen;
  }
  return MessageBoxAnswer(pressed);
}

bool SetClipboardText(const std::string& utf8) { return SDL_SetClipboardText(utf8.c_str()) == 0; }

std::string GetClipboardText() {
  char* t = SDL_GetClipboardText();
  std::string s = t ? t : "";
  SDL_free(t);
  return s;
}

}  // namespace Platform
