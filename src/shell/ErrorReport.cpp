#include "shell/ErrorReport.h"

#include <cstdio>
#include <ctime>
#include <map>

#include "platform/paths/UserPaths.h"
#include "shell/DevSettings.h"
#include "shell/Log.h"

DevSettings& GetDevSettings() {
  static DevSettings settings;
  return settings;
}

const std::string& GetErrorText(const std::string& id) {
  static const std::map<std::string, std::string> table = {
      {"YOU_NEED_DIRECTX", "This game needs a working graphics system (SDL2 video) to run."},
      {"FAILED_INIT_DIRECTDRAW", "The display could not be started. Check that a display is available."},
      {"FAILED_INIT_WINDOW", "The game window could not be opened."},
      {"ALREADY_RUNNING", "The game is already running."},
      {"FAILED_DATA_FOLDER", "The game cannot write to its data folder; settings and progress will not be saved."},
      {"FAILED_SAVE_SETTINGS", "The game settings could not be saved."},
      {"MISSING_DATA_PAK",
       "The game's data pack data.pak (beside the game) is missing or damaged. Install the game again."},
      {"MISSING_LOC_PAK",
       "The game's text pack loc.pak (beside the game) is missing or damaged. Install the game again."},
      {"DAMAGED_MOD_PAK", "The game's add-on pack mod.pak (beside the game) is damaged. Remove it or install it again."},
      {"MISSING_HUD", "The game's data is incomplete: the playing screen (\"hud\" in cfg\\ui.xml) is missing."},
  };
  auto it = table.find(id);
  if (it != table.end()) return it->second;
  static thread_local std::string unknown;
  unknown = id;
  return unknown;
}

bool AppendErrorFile(const std::string& folder, const std::string& text) {
  LogMessage("ERROR: %s", text.c_str());
  if (!Platform::EnsureDirectory(folder)) return false;
  std::string path = Platform::JoinPath(folder, "ScrError.txt");
  FILE* f = std::fopen(path.c_str(), "a");
  if (!f) return false;
  std::time_t now = std::time(nullptr);
  char stamp[32];
  std::strftime(stamp, sizeof(stamp), "%Y-%m-%d %H:%M:%S", std::localtime(&now));
  std::fprintf(f, "%s %s\n", stamp, text.c_str());
  return std::fclose(f) == 0;
}
