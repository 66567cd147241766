#include "platform/video/Faults.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace Platform::Video {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool Number(std::string_view s, int64_t* out) {
  int64_t v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v < 0 || v > (int64_t(1) << 20)) return false;
  *out = v;
  return true;
}

uint32_t BlendOf(std::string_view name) {
  const std::string n = Lower(name);
  if (n == "alpha") return FAULT_ALPHA;
  if (n == "additive") return FAULT_ADDITIVE;
  if (n == "alphaadd") return FAULT_ALPHAADD;
  if (n == "modulate") return FAULT_MODULATE;
  return 0;
}

// "A8R8G8B8+R5G6B5" as texture class bits (1, 2, 4, 8); -1 when a name is unknown.
int64_t ClassesOf(std::string_view list) {
  if (Lower(list) == "none") return 0;
  int64_t bits = 0;
  while (!list.empty()) {
    const size_t plus = list.find('+');
    const std::string name = Lower(Trim(list.substr(0, plus)));
    if (name == "a8r8g8b8")
      bits |= 1;
    else if (name == "a4r4g4b4")
      bits |= 2;
    else if (name == "r5g6b5")
      bits |= 4;
    else if (name == "p8")
      bits |= 8;
    else
      return -1;
    list = plus == std::string_view::npos ? std::string_view() : list.substr(plus + 1);
  }
  return bits;
}

}  // namespace

DeviceFaults DeviceFaults::Parse(std::string_view text, std::vector<std::string>* rejected) {
  DeviceFaults f;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    const std::string_view entry = Trim(text.substr(0, comma));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    if (entry.empty()) continue;
    const size_t colon = entry.find(':');
    const std::string key = Lower(Trim(entry.substr(0, colon)));
    const std::string_view value = colon == std::string_view::npos ? std::string_view() : Trim(entry.substr(colon + 1));
    const bool hasValue = colon != std::string_view::npos && !value.empty();
    bool ok = true;
    int64_t n = 0;
    if (key == "nocreateex" && colon == std::string_view::npos) {
      f.mNo3D = true;
    } else if (key == "clip" && colon == std::string_view::npos) {
      f.mDraw.mClipNegative = true;
    } else if (key == "fail" && hasValue) {
      f.mFailedCalls.emplace(value);
    } else if (key == "identity" && hasValue) {
      f.mIdentity = std::string(value);
    } else if (key == "vidmem" && hasValue && Number(value, &n)) {
      f.mVideoMemoryMB = n;
    } else if (key == "targetbits" && hasValue && Number(value, &n) && (n == 24 || n == 8)) {
      f.mTargetBits = int32_t(n);
    } else if (key == "formats" && hasValue && ClassesOf(value) >= 0) {
      f.mTextureFormats = ClassesOf(value);
    } else if ((key == "wrong" || key == "uneven") && hasValue && BlendOf(value)) {
      (key == "wrong" ? f.mDraw.mWrong : f.mDraw.mUneven) |= BlendOf(value);
    } else {
      ok = false;
    }
    if (!ok && rejected) rejected->emplace_back(entry);
  }
  return f;
}

}  // namespace Platform::Video
