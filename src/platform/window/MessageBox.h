#pragma once
#include <functional>
#include <string>

namespace Platform {

enum class MessageBoxButtons { Ok, YesNo, OkCancel };
enum class MessageBoxAnswer { Ok, Cancel, Yes, No };

// Shows a blocking system message box. Without a display (headless runs) it logs the text and
// gives the answer that agrees to nothing (Ok, No or Cancel).
MessageBoxAnswer ShowMessageBox(const std::string& title, const std::string& text, MessageBoxButtons buttons);

// Tests answer message boxes through this hook; an empty function restores the default.
void SetMessageBoxHandler(std::function<MessageBoxAnswer(const std::string&, const std::string&, MessageBoxButtons)> handler);

// True while a test's handler answers the boxes.
bool HasMessageBoxHandler();

bool SetClipboardText(const std::string& utf8);
std::string GetClipboardText();

}  // namespace Platform
