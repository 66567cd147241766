#pragma once
#include <functional>
#include <string>
#include <vector>

// The log. Lines go to a file only in developer mode, which nothing switches on; every line is
// also kept in a short in-memory history (the crash report quotes it, tests read it), and lines
// that begin "WARNING: " or "ERROR: " are echoed to standard error for whoever runs the game.
void LogMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
void DebugPrintW(const wchar_t* format, ...);
// Restarts the time stamp of developer trace lines.
void ResetTraceClock();

namespace LogHistory {
// The most recent lines, oldest first (at most 256).
std::vector<std::string> Recent();
// True when a kept line contains the text.
bool Contains(const std::string& text);
void Clear();
// Writes the last lines (at most 32, each cut to 240 bytes), oldest first, one per line, to the
// descriptor. Safe in a signal handler: no lock, no allocation; a line being logged at that very
// moment is left out.
void WriteCrashLines(int fd);
}  // namespace LogHistory

// One hook handed every line, in order, once it is trimmed (tests install it to see a whole run,
// which the history is too short for). It runs under the log's lock on the logging thread, so
// it must not log itself. An empty function removes it.
namespace LogSink {
void Set(std::function<void(const std::string&)> sink);
}  // namespace LogSink

namespace DevMode {
bool IsOn();
// Developer mode writes the log to this file; off in the game.
void SetForTesting(bool on, const std::string& logFile);
}  // namespace DevMode
