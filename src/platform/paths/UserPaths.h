#pragma once
#include <cstddef>
#include <functional>
#include <string>

namespace Platform {

// Per-user folders. Data (profile, error file, crash report, screenshots) lives under
// $XDG_DATA_HOME (default ~/.local/share), settings under $XDG_CONFIG_HOME (default ~/.config),
// each followed by the vendor and product folders. Without HOME the home folder is the
// account's (the password database), never a shared folder.
std::string UserDataDir(const std::string& vendor, const std::string& product);
std::string UserConfigDir(const std::string& vendor, const std::string& product);
// $XDG_RUNTIME_DIR when set and usable, else the empty string.
std::string RuntimeDir();

// Creates the folder and its parents; false (and an "ERROR: " log line by the caller) when
// it cannot be created or is not a folder.
bool EnsureDirectory(const std::string& path, std::string* error = nullptr);

// The folder of the running executable.
std::string ExecutableDir();
// Joins two path pieces with a single '/'.
std::string JoinPath(const std::string& a, const std::string& b);

// Writes a file atomically: a temporary file beside it, created new under a name of its own
// ("<path>.tmp" and six random letters; never an existing file or link, mode 0600), flushed to
// disk, renamed over it, and the folder flushed. On failure the old file is untouched, the
// temporary file removed and `error` holds the system's reason (errno's text).
bool WriteFileAtomic(const std::string& path, const void* data, size_t size, std::string* error = nullptr);
inline bool WriteFileAtomic(const std::string& path, const std::string& contents, std::string* error = nullptr) {
  return WriteFileAtomic(path, contents.data(), contents.size(), error);
}
// The six letters of the next temporary files' names come from `source` instead of chance, so
// that a test can plant a file or a link under the name a write will try; null gives chance back.
void SetTemporarySuffixSource(std::function<std::string()> source);
// Renames a file that failed to load out of the way ("<name><suffix>", "<name><suffix>.1", ...),
// never over a file kept earlier, and returns the new name (empty when it could not be moved).
std::string KeepAside(const std::string& path, const std::string& suffix = ".broken");
// Keeps the file's bytes under the first free one of those names while the file itself stays
// where it is (a second hard link, or a copy where the file system has none), so that it can be
// replaced atomically afterwards. Returns the new name (empty when nothing could be kept: errno
// tells why).
std::string KeepCopy(const std::string& path, const std::string& suffix);

}  // namespace Platform
