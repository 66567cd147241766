#include "platform/paths/FolderEntries.h"

#include <dirent.h>

#include <cstring>

namespace Platform {

bool ForEachFolderEntry(const std::string& folder, const std::function<bool(const char* name)>& visit) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return false;
  while (const dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    if (!visit(name)) break;
  }
  closedir(dir);
  return true;
}

}  // namespace Platform
