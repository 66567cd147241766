#pragma once
#include <string>

namespace Platform {

// Writes the recent log lines quoted in a crash report to the descriptor. Called from the signal
// handler, after the stack has been written: it must take no lock and allocate nothing. A crash
// inside it still leaves a report.
using RecentLinesFn = void (*)(int fd);

// Installs a handler for the fatal signals (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) that
// writes a report to reportPath: the signal, the version, the stack (backtrace) and the
// recent log lines; then the signal takes its default course. False when the handler could
// not be installed.
bool InstallFatalSignalHandler(const std::string& reportPath, const std::string& version, RecentLinesFn recent);
// Restores the default handlers.
void UninstallFatalSignalHandler();

}  // namespace Platform
