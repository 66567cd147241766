#include "shell/Log.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstring>
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

// The last lines again, in fixed storage a signal handler can read without the log's lock: each
// slot carries a sequence number, odd while its line is being written (always under the lock,
// so by one thread at a time). A reader skips a slot that is odd or changed while it copied.
constexpr size_t kCrashLines = 32;
constexpr size_t kCrashLineBytes = 240;
struct CrashSlot {
  std::atomic<uint32_t> seq{0};
  std::atomic<uint32_t> length{0};
  char text[kCrashLineBytes];
};
CrashSlot gCrashSlots[kCrashLines];
std::atomic<uint64_t> gCrashNext{0};
static_assert(std::atomic<uint32_t>::is_always_lock_free && std::atomic<uint64_t>::is_always_lock_free);

void KeepForCrashReport(const std::string& line) {
  const uint64_t n = gCrashNext.load(std::memory_order_relaxed);
  CrashSlot& slot = gCrashSlots[n % kCrashLines];
  const uint32_t seq = slot.seq.load(std::memory_order_relaxed);
  slot.seq.store(seq + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  const size_t length = line.size() < kCrashLineBytes ? line.size() : kCrashLineBytes;
  for (size_t i = 0; i < length; ++i) __atomic_store_n(&slot.text[i], line[i], __ATOMIC_RELAXED);
  slot.length.store(uint32_t(length), std::memory_order_relaxed);
  slot.seq.store(seq + 2, std::memory_order_release);
  gCrashNext.store(n + 1, std::memory_order_release);
}

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
  KeepForCrashReport(line);
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

void WriteCrashLines(int fd) {
  const uint64_t end = gCrashNext.load(std::memory_order_acquire);
  const uint64_t begin = end > kCrashLines ? end - kCrashLines : 0;
  for (uint64_t n = begin; n < end; ++n) {
    CrashSlot& slot = gCrashSlots[n % kCrashLines];
    const uint32_t before = slot.seq.load(std::memory_order_acquire);
    if (before & 1u) continue;
    char copy[kCrashLineBytes + 1];
    uint32_t length = slot.length.load(std::memory_order_relaxed);
    if (length > kCrashLineBytes) continue;
    for (uint32_t i = 0; i < length; ++i) copy[i] = __atomic_load_n(&slot.text[i], __ATOMIC_RELAXED);
    std::atomic_thread_fence(std::memory_order_acquire);
    if (slot.seq.load(std::memory_order_relaxed) != before) continue;
    copy[length] = '\n';
    const char* p = copy;
    size_t left = length + 1;
    while (left > 0) {
      const ssize_t w = ::write(fd, p, left);
      if (w <= 0) return;
      p += w;
      left -= size_t(w);
    }
  }
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
