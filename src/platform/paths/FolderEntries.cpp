#include "platform/paths/FolderEntries.h"

#include <dirent.h>

#include <cstring>

namespace Platform {

void ForEachFolderEntry(const std::string& folder, const std::function<void(const char* name)>& visit) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    visit(name);
  }
  closedir(dir);
}

}  // namespace Platform
