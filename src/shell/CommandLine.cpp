#include "shell/CommandLine.h"

#include <cerrno>
#include <cstdlib>

#include "shell/Log.h"

namespace {
bool ParseNumber(const std::string& text, int& out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < 0 || v > 1000000) return false;
  out = int(v);
  return true;
}
}  // namespace

CommandLine CommandLine::Parse(const std::vector<std::string>& args) {
  CommandLine cl;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](const char* name) -> const std::string* {
      if (i + 1 >= args.size()) {
        LogMessage("WARNING: command line: %s needs a value", name);
        return nullptr;
      }
      return &args[++i];
    };
    if (a == "-play") cl.mPlay = true;
    else if (a == "-record") cl.mRecord = true;
    else if (a == "-crash") cl.mCrash = true;
    else if (a == "-screensaver") cl.mScreensaver = true;
    else if (a == "-recnum" || a == "-playnum") {
      if (const std::string* v = value(a.c_str())) {
        int n;
        if (!ParseNumber(*v, n)) {
          LogMessage("WARNING: command line: bad number for %s: %s", a.c_str(), v->c_str());
        } else if (a == "-recnum") {
          cl.mRecNum = n;
          cl.mRecord = true;
        } else {
          cl.mPlayNum = n;
          cl.mPlay = true;
        }
      }
    } else if (a == "-demofile") {
      if (const std::string* v = value("-demofile")) cl.mDemoFile = *v;
    } else if (a == "-changedir") {
      cl.mChangeDir = true;
    } else {
      LogMessage("WARNING: command line: unknown switch ignored: %s", a.c_str());
    }
  }
  return cl;
}
