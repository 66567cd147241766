#include "ArtDescription.h"

#include <cmath>
#include <sstream>

#include "DescriptionLines.h"
#include "effects/AnmFile.h"

namespace {

bool ParseNumber(const std::string& s, double& out) {
  try {
    size_t used = 0;
    out = std::stod(s, &used);
    return used == s.size() && std::isfinite(out) && std::abs(out) < 1e6;
  } catch (...) {
    return false;
  }
}

bool ParseInt(const std::string& s, int32_t& out, int32_t lo, int32_t hi) {
  double v = 0;
  if (!ParseNumber(s, v) || v != std::floor(v) || v < lo || v > hi) return false;
  out = int32_t(v);
  return true;
}

bool ParsePair(const std::string& s, double& a, double& b) {
  size_t comma = s.find(',');
  return comma != std::string::npos && ParseNumber(s.substr(0, comma), a) && ParseNumber(s.substr(comma + 1), b);
}

bool ParseIntPair(const std::string& s, int32_t& a, int32_t& b) {
  size_t comma = s.find(',');
  return comma != std::string::npos && ParseInt(s.substr(0, comma), a, -16384, 16384) &&
         ParseInt(s.substr(comma + 1), b, -16384, 16384);
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(s);
  while (std::getline(in, part, sep)) parts.push_back(part);
  if (!s.empty() && s.back() == sep) parts.push_back("");
  return parts;
}

bool ParseOp(const std::string& word, PoseOp& op, std::string& why) {
  std::vector<std::string> f = Split(word, ':');
  static const std::map<std::string, PoseOp::Kind> kinds = {{"show", PoseOp::Kind::Show},
                                                            {"hide", PoseOp::Kind::Hide},
                                                            {"move", PoseOp::Kind::Move},
                                                            {"rotate", PoseOp::Kind::Rotate},
                                                            {"scale", PoseOp::Kind::Scale}};
  auto kind = f.empty() ? kinds.end() : kinds.find(f[0]);
  if (kind == kinds.end() || f.size() < 2 || f[1].empty()) {
    why = "bad operation '" + word + "' (show:, hide:, move:, rotate:, scale:<group>...)";
    return false;
  }
  op.mKind = kind->second;
  op.mGroup = f[1];
  const bool needsValue = op.mKind != PoseOp::Kind::Show && op.mKind != PoseOp::Kind::Hide;
  if (f.size() != (needsValue ? 3u : 2u)) {
    why = "bad operation '" + word + "'";
    return false;
  }
  if (op.mKind == PoseOp::Kind::Rotate) {
    if (!ParseNumber(f[2], op.mA)) {
      why = "bad angle in '" + word + "'";
      return false;
    }
  } else if (needsValue && !ParsePair(f[2], op.mA, op.mB)) {
    why = "bad pair in '" + word + "'";
    return false;
  }
  return true;
}

// Reads "[options] [: frames]" after the fixed words of an anim or picture line.
bool ParseFramesAndOptions(std::istringstream& words, ArtAnim& anim, bool isAnim, std::string& why) {
  std::string option;
  bool framesStarted = false;
  while (words >> option) {
    if (framesStarted) {
      ArtFrame frame;
      if (option != "-") {
        frame.mPoses = Split(option, '+');
        for (const std::string& p : frame.mPoses)
          if (p.empty()) {
            why = "empty pose name in frame '" + option + "'";
            return false;
          }
      }
      anim.mFrames.push_back(std::move(frame));
    } else if (option == ":") {
      framesStarted = true;
    } else if (option == "mirror") {
      anim.mMirror = true;
    } else if (option.rfind("at=", 0) == 0) {
      if (!ParseIntPair(option.substr(3), anim.mAtX, anim.mAtY)) {
        why = "bad position in '" + option + "'";
        return false;
      }
    } else if (isAnim && option == "loop") {
      anim.mLoop = true;
    } else if (isAnim && option.rfind("stop=", 0) == 0) {
      if (!ParseInt(option.substr(5), anim.mStopFrame, 0, int32_t(Anm::kMaxFrames))) {
        why = "bad stop frame in '" + option + "'";
        return false;
      }
    } else if (isAnim && option.rfind("offset=", 0) == 0) {
      if (!ParseIntPair(option.substr(7), anim.mOffsetX, anim.mOffsetY)) {
        why = "bad offset in '" + option + "'";
        return false;
      }
    } else {
      why = "unknown option '" + option + "'";
      return false;
    }
  }
  if (framesStarted && anim.mFrames.empty()) {
    why = "no frames after ':'";
    return false;
  }
  if (!framesStarted) {
    if (isAnim) {
      why = "expected ': <frame>...' at the end of the line";
      return false;
    }
    anim.mFrames.emplace_back();
  }
  if (anim.mFrames.size() > Anm::kMaxFrames) {
    why = "too many frames";
    return false;
  }
  if (anim.mStopFrame >= int32_t(anim.mFrames.size())) {
    why = "the stop frame lies after the last frame";
    return false;
  }
  return true;
}

// Reads "<file> <w> <h> [options] [: frames]" of a picture or an atlas image; false with an
// empty reason when the fixed words are wrong.
bool ParsePicture(std::istringstream& words, int lineNumber, ArtPicture& picture, std::string& why) {
  picture.mFrames.mLine = lineNumber;
  std::string w, h;
  why.clear();
  if (!(words >> picture.mFile >> w >> h) || !ParseInt(w, picture.mWidth, 1, 4096) ||
      !ParseInt(h, picture.mHeight, 1, 4096))
    return false;
  return ParseFramesAndOptions(words, picture.mFrames, false, why);
}

// The names the game looks atlas pictures up by: lower case, "/" between folders.
bool IsAtlasName(const std::string& s) {
  if (s.empty() || s.front() == '/' || s.back() == '/' || s.find("//") != std::string::npos) return false;
  for (char c : s)
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '/')) return false;
  return true;
}

}  // namespace

bool ParseArtDescription(const std::string& text, ArtDescription& out, std::string& error) {
  std::string why;
  auto fail = [](const std::string& reason) { return reason; };
  const bool read = ReadDescriptionLines(text, [&](const std::string& word, std::istringstream& words, int lineNumber) -> std::string {
    if (word == "set") {
      ArtSheet sheet;
      std::string w, h;
      if (!(words >> sheet.mSetName >> w >> h) || !ParseInt(w, sheet.mFrameWidth, 1, Anm::kMaxSheetSide) ||
          !ParseInt(h, sheet.mFrameHeight, 1, Anm::kMaxSheetSide) || (words >> w))
        return fail("expected: set <name> <frame width> <frame height>");
      sheet.mSheet = sheet.mSetName;
      for (const ArtSheet& earlier : out.mSheets)
        if (earlier.mSetName == sheet.mSetName) return fail("the set '" + sheet.mSetName + "' is described twice");
      out.mSheets.push_back(std::move(sheet));
    } else if (word == "sheet") {
      std::string suffix;
      if (out.mSheets.empty()) return fail("\"sheet\" before any \"set\"");
      if (!(words >> suffix)) return fail("expected: sheet <suffix>");
      ArtSheet next = out.mSheets.back();
      next.mSheet = next.mSetName + "_" + suffix;
      next.mAnims.clear();
      out.mSheets.push_back(std::move(next));
    } else if (word == "hidden") {
      for (std::string group; words >> group;) out.mHidden.push_back(group);
    } else if (word == "pivot") {
      std::string group, x, y;
      ArtDescription::Pivot p;
      if (!(words >> group >> x >> y) || !ParseNumber(x, p.x) || !ParseNumber(y, p.y))
        return fail("expected: pivot <group> <x> <y>");
      out.mPivots[group] = p;
    } else if (word == "pose") {
      std::string name;
      if (!(words >> name)) return fail("expected: pose <name> <operation>...");
      std::vector<PoseOp>& ops = out.mPoses[name];
      ops.clear();
      for (std::string text; words >> text;) {
        PoseOp op;
        if (!ParseOp(text, op, why)) return fail(why);
        ops.push_back(op);
      }
    } else if (word == "anim") {
      if (out.mSheets.empty()) return fail("\"anim\" before any \"set\"");
      ArtAnim anim;
      anim.mLine = lineNumber;
      std::string time;
      if (!(words >> anim.mName >> time)) return fail("expected: anim <name> <seconds a frame> [options] : <frame>...");
      double t = 0;
      if (!ParseNumber(time, t) || !(t > 0)) return fail("bad frame time '" + time + "'");
      anim.mFrameTime = float(t);
      if (!ParseFramesAndOptions(words, anim, true, why)) return fail(why);
      for (const ArtSheet& sheet : out.mSheets)
        for (const ArtAnim& other : sheet.mAnims)
          if (sheet.mSetName == out.mSheets.back().mSetName && other.mName == anim.mName)
            return fail("the animation '" + anim.mName + "' is described twice");
      out.mSheets.back().mAnims.push_back(std::move(anim));
    } else if (word == "picture") {
      ArtPicture picture;
      if (!ParsePicture(words, lineNumber, picture, why))
        return fail(why.empty() ? "expected: picture <file> <width> <height> [options] [: <frame>...]" : why);
      if (picture.mFile.find("..") != std::string::npos || picture.mFile[0] == '/')
        return fail("the picture's file must stay below the output folder");
      out.mPictures.push_back(std::move(picture));
    } else if (word == "atlas") {
      std::string w, h;
      if (!out.mAtlas.mName.empty()) return fail("a description holds one atlas");
      if (!(words >> out.mAtlas.mName >> w >> h) || !ParseInt(w, out.mAtlas.mPageWidth, 16, 4096) ||
          !ParseInt(h, out.mAtlas.mPageHeight, 16, 4096) || (words >> w))
        return fail("expected: atlas <name> <page width> <page height>");
      if (!IsAtlasName(out.mAtlas.mName)) return fail("the atlas name must be lower case with \"/\" (a-z 0-9 _ /)");
    } else if (word == "image") {
      if (out.mAtlas.mName.empty()) return fail("\"image\" before \"atlas\"");
      ArtPicture image;
      if (!ParsePicture(words, lineNumber, image, why))
        return fail(why.empty() ? "expected: image <entry name> <width> <height> [options] [: <frame>]" : why);
      if (!IsAtlasName(image.mFile)) return fail("the entry name must be lower case with \"/\" (a-z 0-9 _ /)");
      if (image.mFrames.mFrames.size() != 1) return fail("an atlas image has one frame");
      for (const ArtPicture& other : out.mAtlas.mImages)
        if (other.mFile == image.mFile) return fail("the image '" + image.mFile + "' is described twice");
      out.mAtlas.mImages.push_back(std::move(image));
    } else {
      return fail("unknown word '" + word + "'");
    }
    return "";
  }, error);
  if (!read) return false;
  // Every frame's poses must be known.
  auto checkFrames = [&](const ArtAnim& a) {
    for (const ArtFrame& f : a.mFrames)
      for (const std::string& p : f.mPoses)
        if (!out.mPoses.count(p)) {
          error = "line " + std::to_string(a.mLine) + ": unknown pose '" + p + "'";
          return false;
        }
    return true;
  };
  for (const ArtSheet& s : out.mSheets)
    for (const ArtAnim& a : s.mAnims)
      if (!checkFrames(a)) return false;
  for (const ArtPicture& p : out.mPictures)
    if (!checkFrames(p.mFrames)) return false;
  for (const ArtPicture& p : out.mAtlas.mImages)
    if (!checkFrames(p.mFrames)) return false;
  return true;
}
