#pragma once
#include <string>
#include <vector>

// The game's command-line switches.
struct CommandLine {
  bool mPlay = false;         // "-play": replay a demo
  bool mRecord = false;       // "-record": record a demo
  int mRecNum = -1;           // "-recnum N": record into "N.dmo"
  int mPlayNum = -1;          // "-playnum N": replay "N.dmo"
  std::string mDemoFile;      // "-demofile NAME": the demo file to record or replay
  bool mCrash = false;        // "-crash": offer the upload of a pending crash report
  bool mScreensaver = false;  // "-screensaver"
  bool mChangeDir = false;    // "-changedir": run in the executable's folder (always done)

  // Parses the arguments after the program name. Unknown switches and missing or bad
  // arguments are ignored with a "WARNING: " log line.
  static CommandLine Parse(const std::vector<std::string>& args);
};
