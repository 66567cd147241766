#pragma once
#include <functional>
#include <string>

namespace Platform {

enum class MessageBoxButtons { Ok, YesNo, OkCancel };
enum class MessageBoxAnswer { Ok, Cancel, Yes, No };

// Shows a blocking system message box. Without a display (headless runs) it logs the text and
// gives the answer that agrees to nothing (Ok, No or Cancel). Once ServeMessageBoxProcess has
// run, the box opens in a process of its own: a stop signal that arrives meanwhile closes it at
// once (the same answer; the signal stays for the caller to take), and the box's process holds
// none of the caller's close-on-exec descriptors (its single-instance lock).
MessageBoxAnswer ShowMessageBox(const std::string& title, const std::string& text, MessageBoxButtons buttons);

// The first call of the program's main: when the arguments are those of a box's own process it
// shows that box and ends the process with its answer; otherwise the boxes of this process open
// in processes of their own, started from this program.
void ServeMessageBoxProcess(int argc, char** argv);

// Tests answer message boxes through this hook; an empty function restores the default.
void SetMessageBoxHandler(std::function<MessageBoxAnswer(const std::string&, const std::string&, MessageBoxButtons)> handler);

// True while a test's handler answers the boxes.
bool HasMessageBoxHandler();

bool SetClipboardText(const std::string& utf8);
std::string GetClipboardText();

}  // namespace Platform
