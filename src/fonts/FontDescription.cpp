#include "fonts/FontDescription.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "shell/Log.h"

namespace {

// The words of a line; a word in double quotes may hold blanks.
std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] == '"') {
      size_t end = line.find('"', i + 1);
      if (end == std::string::npos) end = line.size();
      word = line.substr(i + 1, end - i - 1);
      i = end + 1;
    } else {
      size_t end = i;
      while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
      word = line.substr(i, end - i);
      i = end;
    }
    words.push_back(std::move(word));
  }
  return words;
}

bool ParseNumber(const std::string& word, int64_t low, int64_t high, int64_t& out) {
  if (word.empty() || word.size() > 20) return false;
  const char* s = word.c_str();
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(s, &end, 10);
  if (errno != 0 || end == s || *end != '\0' || v < low || v > high) return false;
  out = v;
  return true;
}

bool ParseInt(const std::string& word, int32_t low, int32_t high, int32_t& out) {
  int64_t v = 0;
  if (!ParseNumber(word, low, high, v)) return false;
  out = int32_t(v);
  return true;
}

// A character: a decimal code point or "U+" and hexadecimal digits.
bool ParseChar(const std::string& word, uint32_t& out) {
  if (word.size() > 2 && (word[0] == 'U' || word[0] == 'u') && word[1] == '+') {
    if (word.size() > 10) return false;
    char* end = nullptr;
    unsigned long v = std::strtoul(word.c_str() + 2, &end, 16);
    if (*end != '\0' || word[2] == '-' || word[2] == '+' || v > FontLimits::kMaxCodePoint) return false;
    out = uint32_t(v);
    return true;
  }
  int64_t v = 0;
  if (!ParseNumber(word, 0, FontLimits::kMaxCodePoint, v)) return false;
  out = uint32_t(v);
  return true;
}

}  // namespace

bool ParseFontDescription(const std::string& text, const std::string& name, FontDescription& out) {
  using namespace FontLimits;
  out = FontDescription();
  if (text.size() > kMaxFileBytes) {
    LogMessage("ERROR: font %s: description larger than %zu bytes", name.c_str(), kMaxFileBytes);
    return false;
  }
  std::istringstream in(text);
  std::string line;
  int lineNo = 0;
  auto warn = [&](const char* why) { LogMessage("WARNING: font %s line %d: %s", name.c_str(), lineNo, why); };
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> w = SplitWords(line);
    if (w.empty() || w[0][0] == '#') continue;
    const std::string& cmd = w[0];
    size_t args = w.size() - 1;
    if (cmd == "image") {
      if (args != 1 || w[1].empty()) {
        warn("\"image\" takes one file name");
        continue;
      }
      out.mImageFile = w[1];
    } else if (cmd == "ascent" || cmd == "descent" || cmd == "linespacing") {
      int32_t v = 0;
      int32_t high = cmd == "linespacing" ? kMaxLineSpacing : kMaxMetric;
      if (args != 1 || !ParseInt(w[1], 0, high, v)) {
        warn("metric missing or out of range");
        continue;
      }
      (cmd == "ascent" ? out.mAscent : cmd == "descent" ? out.mDescent : out.mLineSpacing) = v;
    } else if (cmd == "glyph") {
      uint32_t c = 0;
      int32_t x = 0, y = 0, wd = 0, ht = 0, ox = 0, oy = 0;
      if ((args != 5 && args != 7) || !ParseChar(w[1], c) || !ParseInt(w[2], 0, kMaxImageCoord, x) ||
          !ParseInt(w[3], 0, kMaxImageCoord, y) || !ParseInt(w[4], 0, kMaxMetric, wd) ||
          !ParseInt(w[5], 0, kMaxMetric, ht) ||
          (args == 7 && (!ParseInt(w[6], -kMaxMetric, kMaxMetric, ox) || !ParseInt(w[7], -kMaxMetric, kMaxMetric, oy)))) {
        warn("bad \"glyph\" line");
        continue;
      }
      if (!out.mGlyphs.count(c) && out.mGlyphs.size() >= kMaxGlyphs) {
        warn("too many glyphs");
        continue;
      }
      FontDescription::Glyph& g = out.mGlyphs[c];
      g.mHasRect = true;
      g.mRect = Rect(x, y, wd, ht);
      g.mOffsetX = ox;
      g.mOffsetY = oy;
    } else if (cmd == "advance") {
      uint32_t c = 0;
      int32_t a = 0;
      if (args != 2 || !ParseChar(w[1], c) || !ParseInt(w[2], -kMaxMetric, kMaxMetric, a)) {
        warn("bad \"advance\" line");
        continue;
      }
      if (!out.mGlyphs.count(c) && out.mGlyphs.size() >= kMaxGlyphs) {
        warn("too many glyphs");
        continue;
      }
      FontDescription::Glyph& g = out.mGlyphs[c];
      g.mHasAdvance = true;
      g.mAdvance = a;
    } else if (cmd == "kern") {
      uint32_t a = 0, b = 0;
      int32_t k = 0;
      if (args != 3 || !ParseChar(w[1], a) || !ParseChar(w[2], b) || !ParseInt(w[3], -kMaxMetric, kMaxMetric, k)) {
        warn("bad \"kern\" line");
        continue;
      }
      if (!out.mKerning.count({a, b}) && out.mKerning.size() >= kMaxKerningPairs) {
        warn("too many kerning pairs");
        continue;
      }
      out.mKerning[{a, b}] = k;
    } else {
      warn(("unknown command \"" + cmd.substr(0, 32) + "\"").c_str());
    }
  }
  if (out.mImageFile.empty()) {
    LogMessage("ERROR: font %s names no glyph image", name.c_str());
    return false;
  }
  return true;
}
