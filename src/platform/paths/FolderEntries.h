#pragma once
#include <functional>
#include <string>

namespace Platform {

// Calls visit with the name of each entry of folder ("." and ".." left out), in the order the
// file system lists them; none when the folder cannot be read ("" is the current folder). Names
// are passed without copying, so that scanning a large folder costs no allocation per entry.
void ForEachFolderEntry(const std::string& folder, const std::function<void(const char* name)>& visit);

}  // namespace Platform
