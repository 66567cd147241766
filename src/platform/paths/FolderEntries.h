#pragma once
#include <functional>
#include <string>

namespace Platform {

// Calls visit with the name of each entry of folder ("." and ".." left out), in the order the
// file system lists them, until visit returns false. Names are passed without copying, so that
// scanning a large folder costs no allocation per entry. False when the folder cannot be read.
bool ForEachFolderEntry(const std::string& folder, const std::function<bool(const char* name)>& visit);

}  // namespace Platform
