#include "SpriteSheet.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "DescriptionLines.h"
#include "graphics/Graphics.h"

namespace {

// A 3x5 pixel font for the frame labels: five rows of three bits, high bit on the left.
struct Glyph {
  char mChar;
  uint8_t mRows[5];
};
constexpr Glyph kGlyphs[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 7, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 1, 1, 1}},
    {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}}, {'A', {7, 5, 7, 5, 5}}, {'B', {6, 5, 6, 5, 6}},
    {'C', {7, 4, 4, 4, 7}}, {'D', {6, 5, 5, 5, 6}}, {'E', {7, 4, 6, 4, 7}}, {'F', {7, 4, 6, 4, 4}},
    {'G', {7, 4, 5, 5, 7}}, {'H', {5, 5, 7, 5, 5}}, {'I', {7, 2, 2, 2, 7}}, {'J', {1, 1, 1, 5, 7}},
    {'K', {5, 5, 6, 5, 5}}, {'L', {4, 4, 4, 4, 7}}, {'M', {5, 7, 7, 5, 5}}, {'N', {6, 5, 5, 5, 5}},
    {'O', {7, 5, 5, 5, 7}}, {'P', {7, 5, 7, 4, 4}}, {'Q', {7, 5, 5, 7, 1}}, {'R', {7, 5, 6, 5, 5}},
    {'S', {7, 4, 7, 1, 7}}, {'T', {7, 2, 2, 2, 2}}, {'U', {5, 5, 5, 5, 7}}, {'V', {5, 5, 5, 5, 2}},
    {'W', {5, 5, 7, 7, 5}}, {'X', {5, 5, 2, 5, 5}}, {'Y', {5, 5, 2, 2, 2}}, {'Z', {7, 1, 2, 4, 7}},
    {'_', {0, 0, 0, 0, 7}},
};

void DrawText(Vesk::Graphics& g, const std::string& text, int32_t x, int32_t y, int32_t scale, int32_t maxWidth) {
  for (char ch : text) {
    if (x + 3 * scale > maxWidth) break;
    char c = char(std::toupper(static_cast<unsigned char>(ch)));
    for (const Glyph& glyph : kGlyphs) {
      if (glyph.mChar != c) continue;
      for (int32_t row = 0; row < 5; ++row)
        for (int32_t col = 0; col < 3; ++col)
          if (glyph.mRows[row] & (4 >> col)) g.FillRect(x + col * scale, y + row * scale, scale, scale);
    }
    x += 4 * scale;
  }
}

bool ParseInt(const std::string& s, int32_t& out) {
  try {
    size_t used = 0;
    long v = std::stol(s, &used);
    if (used != s.size() || v < -100000 || v > 100000) return false;
    out = int32_t(v);
    return true;
  } catch (...) {
    return false;
  }
}

// Writes the shape's pixels with the colour as it is (alpha included) into the box.
void WriteShape(Vesk::MemoryImage& image, AnimDescription::Shape shape, int32_t x0, int32_t y0, int32_t w,
                int32_t h, uint32_t argb) {
  uint32_t* bits = image.GetBits();
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      bool inside = true;
      const double u = (x + 0.5) / w, v = (y + 0.5) / h;
      if (shape == AnimDescription::Shape::Ellipse) {
        inside = (u - 0.5) * (u - 0.5) + (v - 0.5) * (v - 0.5) <= 0.25;
      } else if (shape == AnimDescription::Shape::Arrow) {
        // A shaft on the left half, a head narrowing to the right edge: it points right.
        inside = u < 0.5 ? (v > 0.35 && v < 0.65) : std::abs(v - 0.5) < (1.0 - u);
      }
      if (inside) bits[size_t(y0 + y) * image.GetWidth() + size_t(x0 + x)] = argb;
    }
  image.BitsChanged();
}

}  // namespace

bool ParseSetDescriptions(const std::string& text, std::vector<SetDescription>& out, std::string& error) {
  return ReadDescriptionLines(text, [&](const std::string& word, std::istringstream& words, int) -> std::string {
    auto fail = [](const std::string& why) { return why; };
    if (word == "set") {
      SetDescription set;
      std::string w, h;
      if (!(words >> set.mName >> w >> h) || !ParseInt(w, set.mFrameWidth) || !ParseInt(h, set.mFrameHeight) ||
          set.mFrameWidth <= 0 || set.mFrameHeight <= 0)
        return fail("expected: set <name> <frame width> <frame height>");
      set.mSheet = set.mName;
      out.push_back(std::move(set));
    } else if (word == "sheet") {
      std::string suffix;
      if (out.empty()) return fail("\"sheet\" before any \"set\"");
      if (!(words >> suffix)) return fail("expected: sheet <suffix>");
      SetDescription next = out.back();
      next.mSheet = next.mName + "_" + suffix;
      next.mAnims.clear();
      out.push_back(std::move(next));
    } else if (word == "anim") {
      if (out.empty()) return fail("\"anim\" before any \"set\"");
      AnimDescription anim;
      std::string frames, time;
      if (!(words >> anim.mName >> frames >> time) || !ParseInt(frames, anim.mFrames) || anim.mFrames <= 0 ||
          anim.mFrames > int32_t(Anm::kMaxFrames))
        return fail("expected: anim <name> <frames> <seconds per frame> [options]");
      try {
        anim.mFrameTime = std::stof(time);
      } catch (...) {
        return fail("bad frame time '" + time + "'");
      }
      if (!(anim.mFrameTime > 0)) return fail("the frame time must be above 0");
      std::string option;
      while (words >> option) {
        if (option == "loop") {
          anim.mLoop = true;
        } else if (option.rfind("stop=", 0) == 0) {
          if (!ParseInt(option.substr(5), anim.mStopFrame) || anim.mStopFrame >= anim.mFrames)
            return fail("bad stop frame in '" + option + "'");
        } else if (option.rfind("color=", 0) == 0 && (option.size() == 12 || option.size() == 14)) {
          const std::string digits = option.substr(6);
          if (digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            return fail("bad colour in '" + option + "'");
          anim.mColor = uint32_t(std::stoul(digits, nullptr, 16));
          if (digits.size() == 6) anim.mColor |= 0xFF000000u;
        } else if (option.rfind("shape=", 0) == 0) {
          const std::string shape = option.substr(6);
          if (shape == "box")
            anim.mShape = AnimDescription::Shape::Box;
          else if (shape == "arrow")
            anim.mShape = AnimDescription::Shape::Arrow;
          else if (shape == "ellipse")
            anim.mShape = AnimDescription::Shape::Ellipse;
          else
            return fail("unknown shape in '" + option + "'");
        } else if (option.rfind("offset=", 0) == 0 && option.find(',') != std::string::npos) {
          size_t comma = option.find(',');
          if (!ParseInt(option.substr(7, comma - 7), anim.mOffsetX) ||
              !ParseInt(option.substr(comma + 1), anim.mOffsetY))
            return fail("bad offset in '" + option + "'");
        } else {
          return fail("unknown option '" + option + "'");
        }
      }
      out.back().mAnims.push_back(std::move(anim));
    } else {
      return fail("unknown word '" + word + "'");
    }
    return "";
  }, error);
}

std::unique_ptr<Vesk::MemoryImage> DrawSheet(const SetDescription& set, std::vector<AnimEntry>& animations) {
  int32_t columns = 1;
  for (const AnimDescription& a : set.mAnims) columns = std::max(columns, a.mFrames);
  int32_t rows = std::max<int32_t>(1, int32_t(set.mAnims.size()));
  int32_t fw = set.mFrameWidth, fh = set.mFrameHeight;
  auto sheet = std::make_unique<Vesk::MemoryImage>(fw * columns, fh * rows);
  sheet->Clear();
  Vesk::Graphics g(sheet.get());
  int32_t scale = std::max(1, std::min(fw, fh) / 24);
  animations.clear();
  for (size_t row = 0; row < set.mAnims.size(); ++row) {
    const AnimDescription& d = set.mAnims[row];
    AnimEntry entry;
    entry.mName = d.mName;
    entry.mImageFile = "anm\\" + (set.mSheet.empty() ? set.mName : set.mSheet) + ".png";
    entry.mFrameWidth = fw;
    entry.mSheetWidth = sheet->GetWidth();
    entry.mSheetHeight = sheet->GetHeight();
    entry.mLooping = d.mLoop;
    entry.mStopFrame = d.mStopFrame;
    // The label is the animation's own part of the name (the set's name is the same for all).
    std::string label = d.mName.rfind(set.mName, 0) == 0 && d.mName.size() > set.mName.size()
                            ? d.mName.substr(set.mName.size())
                            : d.mName;
    Color body = Color::FromARGB(d.mColor);
    Color edge(body.mRed / 2, body.mGreen / 2, body.mBlue / 2, 255);
    for (int32_t i = 0; i < d.mFrames; ++i) {
      int32_t x = i * fw, y = int32_t(row) * fh;
      // Body, outline, the frame number, the animation's name, and a bar showing the progress.
      if (d.mShape == AnimDescription::Shape::Box) {
        WriteShape(*sheet, d.mShape, x + 1, y + 1, fw - 2, fh - 2, d.mColor);
        g.SetColor(edge);
        g.DrawRect(x, y, fw, fh);
      } else {
        WriteShape(*sheet, d.mShape, x, y, fw, fh, d.mColor);
      }
      g.SetColor(Color::White);
      DrawText(g, std::to_string(i), x + 2 * scale, y + 2 * scale, scale, x + fw);
      DrawText(g, label, x + 2 * scale, y + 9 * scale, std::max(1, scale / 2), x + fw - 1);
      // The progress bar belongs to the box; other shapes keep their outline clean.
      g.SetColor(edge);
      if (d.mShape == AnimDescription::Shape::Box)
        g.FillRect(x + 2, y + fh - 2 - 2 * scale, (fw - 4) * (i + 1) / d.mFrames, 2 * scale);
      AnimFrame f;
      f.mX = x;
      f.mY = y;
      f.mWidth = fw;
      f.mHeight = fh;
      f.mOffsetX = d.mOffsetX;
      f.mOffsetY = d.mOffsetY;
      f.mTime = d.mFrameTime;
      entry.mFrames.push_back(f);
    }
    animations.push_back(std::move(entry));
  }
  return sheet;
}
