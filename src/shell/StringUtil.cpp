#include "shell/StringUtil.h"

#include "platform/paths/FolderEntries.h"
#include "platform/paths/UserPaths.h"

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

std::wstring Utf8ToWide(const std::string& s) {
  std::wstring out;
  out.reserve(s.size());
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    uint32_t cp;
    size_t len;
    if (c < 0x80) {
      cp = c;
      len = 1;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F;
      len = 2;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F;
      len = 3;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07;
      len = 4;
    } else {
      out.push_back(L'\xFFFD');  // stray continuation or invalid lead byte
      ++i;
      continue;
    }
    if (i + len > n) {
      out.push_back(L'\xFFFD');
      break;
    }
    bool valid = true;
    for (size_t k = 1; k < len; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (!valid || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(L'\xFFFD');
      ++i;
      continue;
    }
    out.push_back(static_cast<wchar_t>(cp));
    i += len;
  }
  return out;
}

std::string WideToUtf8(const std::wstring& s) {
  std::string out;
  out.reserve(s.size());
  for (wchar_t wc : s) {
    uint32_t cp = static_cast<uint32_t>(wc);
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
      out.push_back(char(cp));
    } else if (cp < 0x800) {
      out.push_back(char(0xC0 | (cp >> 6)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(char(0xE0 | (cp >> 12)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (cp >> 18)));
      out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::string NormalizePairKey(const std::string& key, bool smallerFirst) {
  if (key.size() != 4) return key;
  for (char c : key)
    if (c < '0' || c > '9') return key;
  std::string a = key.substr(0, 2), b = key.substr(2, 2);
  if (b == "00") return key;
  bool aFirst = smallerFirst ? (a <= b) : (a >= b);
  return aFirst ? a + b : b + a;
}

int FindNoCase(const std::string& text, const std::string& pattern) {
  if (text.empty() || pattern.size() > text.size()) return -1;
  for (size_t i = 0; i + pattern.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < pattern.size() &&
           std::tolower(static_cast<unsigned char>(text[i + k])) ==
               std::tolower(static_cast<unsigned char>(pattern[k])))
      ++k;
    if (k == pattern.size()) return static_cast<int>(i);
  }
  return -1;
}

std::string TrimSpaces(const std::string& s) {
  const char* blanks = " \t\r\n\f\v";
  size_t b = s.find_first_not_of(blanks);
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(blanks);
  return s.substr(b, e - b + 1);
}

namespace {
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }
}  // namespace

std::string ToLowerAscii(std::string s) {
  for (auto& c : s) c = LowerAscii(c);
  return s;
}

std::string NormalizeSlashes(const std::string& path) {
  std::string out;
  out.reserve(path.size());
  size_t i = 0;
  const size_t n = path.size();
  bool absolute = n > 0 && (path[0] == '/' || path[0] == '\\');
  std::vector<std::string> parts;
  while (i <= n) {
    size_t j = i;
    while (j < n && path[j] != '/' && path[j] != '\\') ++j;
    std::string part = path.substr(i, j - i);
    if (!part.empty() && part != ".") parts.push_back(std::move(part));
    i = j + 1;
  }
  if (absolute) out.push_back('/');
  for (size_t k = 0; k < parts.size(); ++k) {
    if (k) out.push_back('/');
    out += parts[k];
  }
  return out;
}

std::string PathKey(const std::string& path) {
  std::string s = ToLowerAscii(NormalizeSlashes(path));
  if (!s.empty() && s[0] == '/') s.erase(0, 1);
  return s;
}

namespace {

bool EqualsNoCaseAscii(const char* a, const std::string& b) {
  size_t i = 0;
  for (; a[i] && i < b.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return a[i] == '\0' && i == b.size();
}

// Finds parts[i..] below folder, trying every entry whose name matches case-insensitively (the
// exact spelling first), so that "cfg" and "Cfg" side by side are both searched. Only matching
// names are copied: a miss in a large folder scans it without allocating.
bool ResolveFrom(const std::string& folder, const std::vector<std::string>& parts, size_t i, std::string& out) {
  if (i == parts.size()) {
    out = folder;
    return true;
  }
  std::error_code ec;
  std::string exact = folder.empty() ? parts[i] : Platform::JoinPath(folder, parts[i]);
  if (std::filesystem::exists(exact, ec) && ResolveFrom(exact, parts, i + 1, out)) return true;
  std::vector<std::string> matches;
  Platform::ForEachFolderEntry(folder, [&](const char* name) {
    if (name != parts[i] && EqualsNoCaseAscii(name, parts[i])) matches.emplace_back(name);
  });
  for (const std::string& name : matches)
    if (ResolveFrom(folder.empty() ? name : Platform::JoinPath(folder, name), parts, i + 1, out)) return true;
  return false;
}

}  // namespace

std::string ResolvePathNoCase(const std::string& path) {
  std::string norm = NormalizeSlashes(path);
  std::error_code ec;
  if (norm.empty() || std::filesystem::exists(norm, ec)) return norm;
  std::vector<std::string> parts;
  size_t i = norm[0] == '/' ? 1 : 0;
  while (i < norm.size()) {
    size_t j = norm.find('/', i);
    if (j == std::string::npos) j = norm.size();
    parts.push_back(norm.substr(i, j - i));
    i = j + 1;
  }
  std::string out;
  return ResolveFrom(norm[0] == '/' ? "/" : "", parts, 0, out) ? out : norm;
}
