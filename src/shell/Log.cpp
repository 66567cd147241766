#include "shell/Log.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <deque>
#include <mutex>

namespace {
std::mutex gLogMutex;
std::deque<std::string> gHistory;
constexpr size_t kHistoryLines = 256;
bool gDevMode = false;
std::string gLogFile;
std::function<void(const std::string&)> gSink;
std::chrono::steady_clock::time_point gTraceStart = std::chrono::steady_clock::now();

void Emit(std::string line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  bool important = line.rfind("WARNING: ", 0) == 0 || line.rfind("ERROR: ", 0) == 0;
  std::lock_guard<std::mutex> lock(gLogMutex);
  if (important) std::fprintf(stderr, "%s\n", line.c_str());
  if (gDevMode && !gLogFile.empty()) {
    if (FILE* f = std::fopen(gLogFile.c_str(), "a")) {
      double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - gTraceStart).count();
      std::fprintf(f, "%9.3f %s\n", t, line.c_str());
      std::fclose(f);
    }
  }
  if (gSink) gSink(line);
  gHistory.push_back(std::move(line));
  while (gHistory.size() > kHistoryLines) gHistory.pop_front();
}
}  // namespace

void LogMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string line(n > 0 ? size_t(n) : 0, '\0');
  if (n > 0) std::vsnprintf(line.data(), line.size() + 1, format, args);
  va_end(args);
  Emit(std::move(line));
}

void DebugPrintW(const wchar_t* format, ...) {
  wchar_t buf[1024];
  va_list args;
  va_start(args, format);
  std::vswprintf(buf, sizeof(buf) / sizeof(buf[0]), format, args);
  va_end(args);
  std::string line;
  for (const wchar_t* p = buf; *p; ++p) line.push_back(*p < 0x80 ? char(*p) : '?');
  Emit(std::move(line));
}

void ResetTraceClock() {
  std::lock_guard<std::mutex> lock(gLogMutex);
  gTraceStart = std::chrono::steady_clock::now();
}

namespace LogHistory {
std::vector<std::string> Recent() {
  std::lock_guard<std::mutex> lock(gLogMutex);
  return {gHistory.begin(), gHistory.end()};
}
bool Contains(const std::string& text) {
  std::lock_guard<std::mutex> lock(gLogMutex);
  for (auto& l : gHistory)
    if (l.find(text) != std::string::npos) return true;
  return false;
}
void Clear() {
  std::lock_guard<std::mutex> lock(gLogMutex);
  gHistory.clear();
}
}  // namespace LogHistory

namespace LogSink {
void Set(std::function<void(const std::string&)> sink) {
  std::lock_guard<std::mutex> lock(gLogMutex);
  gSink = std::move(sink);
}
}  // namespace LogSink

namespace DevMode {
bool IsOn() { return gDevMode; }
void SetForTesting(bool on, const std::string& logFile) {
  std::lock_guard<std::mutex> lock(gLogMutex);
  gDevMode = on;
  gLogFile = logFile;
}
}  // namespace DevMode
