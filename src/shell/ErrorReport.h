#pragma once
#include <string>

// User-visible failures. Texts come from a table keyed by ids such as "FAILED_INIT_DIRECTDRAW";
// an unknown id shows the id itself.
const std::string& GetErrorText(const std::string& id);

// Appends one time-stamped line to "ScrError.txt" in the given folder; false when it cannot be
// written (the line still reaches the log).
bool AppendErrorFile(const std::string& folder, const std::string& text);
