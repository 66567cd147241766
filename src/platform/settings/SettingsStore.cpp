#include "platform/settings/SettingsStore.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/paths/UserPaths.h"

namespace Platform {
namespace {

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else out += c;
  }
  return out;
}

bool Unescape(const std::string& s, std::string& out) {
  out.clear();
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') {
      out += s[i];
      continue;
    }
    if (++i >= s.size()) return false;
    switch (s[i]) {
      case '\\': out += '\\'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      default: return false;
    }
  }
  return true;
}

}  // namespace

SettingsStore::SettingsStore(std::string filePath, std::string keyName)
    : mFilePath(std::move(filePath)), mKeyName(std::move(keyName)) {}

SettingsStore::LoadResult SettingsStore::Load() {
  mValues.clear();
  std::error_code ec;
  if (!std::filesystem::exists(mFilePath, ec)) return LoadResult::Missing;
  std::ifstream in(mFilePath, std::ios::binary);
  std::map<std::string, std::string> values;
  bool ok = bool(in);
  bool sawHeader = false;
  std::string line;
  while (ok && std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find('\0') != std::string::npos) {
      ok = false;
      break;
    }
    if (line.empty() || line[0] == '#') continue;
    if (line.front() == '[') {
      // One section: the key the values belong to.
      ok = !sawHeader && line.back() == ']' && line.substr(1, line.size() - 2) == mKeyName;
      sawHeader = true;
      continue;
    }
    size_t eq = line.find('=');
    std::string value;
    if (!sawHeader || eq == std::string::npos || eq == 0 || !Unescape(line.substr(eq + 1), value)) {
      ok = false;
      break;
    }
    values[line.substr(0, eq)] = value;
  }
  if (ok && in.bad()) ok = false;
  if (!ok || !sawHeader) {
    in.close();
    mKeptAside = KeepAside(mFilePath);
    return LoadResult::Corrupt;
  }
  mValues = std::move(values);
  return LoadResult::Loaded;
}

bool SettingsStore::Save(std::string* error) const {
  std::filesystem::path p(mFilePath);
  if (p.has_parent_path() && !EnsureDirectory(p.parent_path().string(), error)) return false;
  std::ostringstream out;
  out << "[" << mKeyName << "]\n";
  for (auto& [name, value] : mValues) out << name << "=" << Escape(value) << "\n";
  return WriteFileAtomic(mFilePath, out.str(), error);
}

bool SettingsStore::OverwriteStoredValue(const std::string& name, const std::string& value, std::string* error) {
  auto fail = [&](const char* why) {
    if (error) *error = why ? why : std::strerror(errno);
    return false;
  };
  const std::string wanted = Escape(value);
  int fd = ::open(mFilePath.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return fail(nullptr);
  std::string text;
  char buffer[4096];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, size_t(n));
  }
  // The line "name=value" of the one section, at the start of a line.
  const std::string key = name + "=";
  size_t at = text.rfind("\n" + key);
  bool ok = at != std::string::npos;
  size_t valueAt = ok ? at + 1 + key.size() : 0;
  size_t end = ok ? text.find('\n', valueAt) : 0;
  if (end == std::string::npos) end = text.size();
  if (ok && end > valueAt && text[end - 1] == '\r') --end;
  if (!ok || end - valueAt != wanted.size()) {
    ::close(fd);
    return fail("the stored file holds no value of that length");
  }
  ssize_t written = ::pwrite(fd, wanted.data(), wanted.size(), off_t(valueAt));
  if (written != ssize_t(wanted.size()) || ::fsync(fd) != 0) {
    const int cause = written < 0 ? errno : ENOSPC;
    ::close(fd);
    errno = cause;
    return fail(nullptr);
  }
  if (::close(fd) != 0) return fail(nullptr);
  mValues[name] = value;
  return true;
}

bool SettingsStore::GetString(const std::string& name, std::string& out) const {
  auto it = mValues.find(name);
  if (it == mValues.end()) return false;
  out = it->second;
  return true;
}

bool SettingsStore::GetInt(const std::string& name, int32_t& out) const {
  auto it = mValues.find(name);
  if (it == mValues.end() || it->second.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(it->second.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
  out = int32_t(v);
  return true;
}

void SettingsStore::SetString(const std::string& name, const std::string& value) {
  if (name.empty() || name.find('=') != std::string::npos || name.find('\n') != std::string::npos ||
      name.front() == '[' || name.front() == '#')
    return;  // such a name could not be read back
  mValues[name] = value;
}

void SettingsStore::SetInt(const std::string& name, int32_t value) { SetString(name, std::to_string(value)); }

}  // namespace Platform
