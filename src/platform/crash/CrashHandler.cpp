#include "platform/crash/CrashHandler.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

namespace Platform {
namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr size_t kPathMax = 4096;
constexpr size_t kVersionMax = 256;

// Fixed storage: the handler must not allocate before it has written the stack.
char gReportPath[kPathMax];
char gVersion[kVersionMax];
RecentLinesFn gRecent = nullptr;
volatile sig_atomic_t gInHandler = 0;
bool gInstalled = false;
char gAltStack[256 * 1024];

void WriteAll(int fd, const char* s, size_t n) {
  while (n > 0) {
    ssize_t w = write(fd, s, n);
    if (w <= 0) return;
    s += w;
    n -= size_t(w);
  }
}
void WriteStr(int fd, const char* s) { WriteAll(fd, s, std::strlen(s)); }

void WriteInt(int fd, long v) {
  char buf[24];
  int i = sizeof buf;
  bool neg = v < 0;
  unsigned long u = neg ? 0ul - (unsigned long)v : (unsigned long)v;
  do {
    buf[--i] = char('0' + u % 10);
    u /= 10;
  } while (u && i > 1);
  if (neg) buf[--i] = '-';
  WriteAll(fd, buf + i, sizeof buf - size_t(i));
}

void WriteHex(int fd, uintptr_t v) {
  char buf[2 + 2 * sizeof(uintptr_t)];
  buf[0] = '0';
  buf[1] = 'x';
  for (size_t i = 0; i < 2 * sizeof(uintptr_t); ++i) buf[2 + i] = "0123456789abcdef"[(v >> (4 * (2 * sizeof(uintptr_t) - 1 - i))) & 15];
  WriteAll(fd, buf, sizeof buf);
}

const char* SignalName(int sig) {
  switch (sig) {
    case SIGSEGV: return "SIGSEGV (segmentation fault)";
    case SIGBUS: return "SIGBUS (bus error)";
    case SIGFPE: return "SIGFPE (arithmetic error)";
    case SIGILL: return "SIGILL (illegal instruction)";
    case SIGABRT: return "SIGABRT (abort)";
    default: return "fatal signal";
  }
}

void Handler(int sig, siginfo_t* info, void*) {
  if (gInHandler) {  // a second fault while reporting: give up at once
    signal(sig, SIG_DFL);
    raise(sig);
    return;
  }
  gInHandler = 1;
  // A report that hangs (a lock held by the crashed code) is cut short by the default SIGALRM.
  signal(SIGALRM, SIG_DFL);
  alarm(5);

  int fd = open(gReportPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd >= 0) {
    WriteStr(fd, "Crash report\nVersion: ");
    WriteStr(fd, gVersion);
    WriteStr(fd, "\nSignal: ");
    WriteInt(fd, sig);
    WriteStr(fd, " ");
    WriteStr(fd, SignalName(sig));
    if (info && (sig == SIGSEGV || sig == SIGBUS)) {
      WriteStr(fd, "\nAddress: ");
      WriteHex(fd, reinterpret_cast<uintptr_t>(info->si_addr));
    }
    WriteStr(fd, "\n\nStack:\n");
    void* frames[64];
    int n = backtrace(frames, 64);
    backtrace_symbols_fd(frames, n, fd);
    fsync(fd);
    if (gRecent) {
      WriteStr(fd, "\nRecent log:\n");
      gRecent(fd);
    }
    WriteStr(fd, "End of report\n");
    fsync(fd);
    close(fd);
  }
  // Let the signal take its default course (core dump, exit status).
  signal(sig, SIG_DFL);
  raise(sig);
}

}  // namespace

bool InstallFatalSignalHandler(const std::string& reportPath, const std::string& version, RecentLinesFn recent) {
  if (reportPath.empty() || reportPath.size() >= kPathMax) return false;
  std::memcpy(gReportPath, reportPath.c_str(), reportPath.size() + 1);
  size_t vlen = version.size() < kVersionMax - 1 ? version.size() : kVersionMax - 1;
  std::memcpy(gVersion, version.data(), vlen);
  gVersion[vlen] = '\0';
  gRecent = recent;

  // The first backtrace() loads the unwinder; do it now rather than inside the handler.
  void* warm[2];
  backtrace(warm, 2);

  // An alternate stack lets the handler run after a stack overflow.
  stack_t ss{};
  ss.ss_sp = gAltStack;
  ss.ss_size = sizeof gAltStack;
  sigaltstack(&ss, nullptr);

  struct sigaction sa {};
  sa.sa_sigaction = Handler;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&sa.sa_mask);
  for (int sig : kSignals)
    if (sigaction(sig, &sa, nullptr) != 0) return false;
  gInstalled = true;
  return true;
}

void UninstallFatalSignalHandler() {
  if (!gInstalled) return;
  for (int sig : kSignals) signal(sig, SIG_DFL);
  gInstalled = false;
}

}  // namespace Platform
