#include "platform/window/MessageBox.h"

#include <SDL.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/process/StopSignals.h"
#include "platform/time/Clock.h"
#include "platform/window/Window.h"

extern char** environ;

namespace Platform {
namespace {
std::mutex gHandlerMutex;
std::function<MessageBoxAnswer(const std::string&, const std::string&, MessageBoxButtons)> gHandler;

// The first argument of a box's own process; the buttons, the title and the text follow.
constexpr const char* kBoxProcessSwitch = "--system-message-box";
// A box's process ends with this plus the answer; any other end showed no box.
constexpr int kAnswerExitBase = 40;
// Set once the program can start boxes' processes (ServeMessageBoxProcess).
bool gBoxProcesses = false;

// What came of a box shown in a process of its own, when it gave no answer.
constexpr int kBoxNotShown = -1;
constexpr int kBoxNotStarted = -2;
constexpr int kBoxClosedBySignal = -3;

// In a box's own process: its id, which its children see as their parent while it lives.
pid_t gBoxProcess = 0;

// Runs in every child forked in a box's process (SDL may draw the box from one): the child goes
// when that process ends, however it ends, and leaves at once when it has ended already.
void EndWithTheBoxProcess() {
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != gBoxProcess) _exit(1);
}

// The SDL box in this process: the pressed button's answer, or -1 when it could not be shown.
int ShowSdlBox(const char* title, const char* text, MessageBoxButtons buttons) {
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
  box.title = title;
  box.message = text;
  box.numbuttons = count;
  box.buttons = data;
  int pressed = -1;
  if (SDL_ShowMessageBox(&box, &pressed) != 0 || pressed < 0) return -1;
  return pressed;
}

// Shows the box in a process of its own, started from this program in a process group of its own
// (SDL may show the box from a child of that process), with the stop signals' default actions.
// Waits for its answer while looking for stop signals: one that arrives ends the box's group.
int ShowInOwnProcess(const std::string& title, const std::string& text, MessageBoxButtons buttons) {
  std::string kind = std::to_string(int(buttons));
  std::string name = "message-box";
  std::string switchArg = kBoxProcessSwitch;
  std::string titleArg = title;
  std::string textArg = text;
  char* argv[] = {name.data(), switchArg.data(), kind.data(), titleArg.data(), textArg.data(), nullptr};
  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) return kBoxNotStarted;
  sigset_t defaults, none;
  sigemptyset(&defaults);
  for (int sig : {SIGHUP, SIGINT, SIGTERM}) sigaddset(&defaults, sig);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, "/proc/self/exe", nullptr, &attr, argv, environ);
  posix_spawnattr_destroy(&attr);
  if (spawned != 0) return kBoxNotStarted;
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return kBoxNotShown;
    if (StopSignalWaiting()) {
      kill(-pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      return kBoxClosedBySignal;
    }
    SleepMs(20);
  }
  if (!WIFEXITED(status)) return kBoxNotShown;
  const int answer = WEXITSTATUS(status) - kAnswerExitBase;
  return answer >= int(MessageBoxAnswer::Ok) && answer <= int(MessageBoxAnswer::No) ? answer : kBoxNotShown;
}
}  // namespace

void ServeMessageBoxProcess(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], kBoxProcessSwitch) == 0) {
    // The box goes when the process that asked dies, however it dies.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() == 1) _exit(1);
    // So does anything this process forks to show it.
    gBoxProcess = getpid();
    pthread_atfork(nullptr, nullptr, EndWithTheBoxProcess);
    const int kind = std::atoi(argv[2]);
    const MessageBoxButtons buttons = kind == int(MessageBoxButtons::YesNo)      ? MessageBoxButtons::YesNo
                                      : kind == int(MessageBoxButtons::OkCancel) ? MessageBoxButtons::OkCancel
                                                                                 : MessageBoxButtons::Ok;
    const int pressed = ShowSdlBox(argv[3], argv[4], buttons);
    // Nothing of a program's end (its atexit work, a leak check) belongs to a box.
    _exit(pressed < 0 ? 1 : kAnswerExitBase + pressed);
  }
  gBoxProcesses = true;
}

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
  int pressed = gBoxProcesses ? ShowInOwnProcess(title, text, buttons) : kBoxNotStarted;
  if (pressed == kBoxClosedBySignal) return unseen;
  if (pressed == kBoxNotStarted) pressed = ShowSdlBox(title.c_str(), text.c_str(), buttons);
  if (pressed < 0) {
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
