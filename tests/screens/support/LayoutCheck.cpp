#include "LayoutCheck.h"

#include <algorithm>
#include <sstream>

#include "board/BoardWorld.h"
#include "board/ItemRegistry.h"
#include "board/ZCItemPart.h"
#include "board/ZCPickItem.h"
#include "cafe/ZCBoss.h"
#include "cafe/ZCClient.h"
#include "cafe/ZCStatus.h"
#include "cafe/ZCWorker.h"
#include "effects/AnmFile.h"
#include "effects/ZCAnimController.h"
#include "engine/ZCEngine.h"
#include "fonts/ZCFont.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "widgets/ZCDialog.h"
#include "widgets/ZCWidgetKit.h"

namespace {

constexpr int32_t kScreenWidth = 1024, kScreenHeight = 768;

Rect Intersect(const Rect& a, const Rect& b) {
  const int32_t x0 = std::max(a.mX, b.mX), y0 = std::max(a.mY, b.mY);
  const int32_t x1 = std::min(a.mX + a.mWidth, b.mX + b.mWidth), y1 = std::min(a.mY + a.mHeight, b.mY + b.mHeight);
  return x1 > x0 && y1 > y0 ? Rect(x0, y0, x1 - x0, y1 - y0) : Rect();
}

std::string Describe(const Rect& r) {
  std::ostringstream out;
  out << r.mX << "," << r.mY << " " << r.mWidth << "x" << r.mHeight;
  return out.str();
}

// A visible widget as drawn: its path, the part of it its clipping parents let show, its page.
struct Drawn {
  ZCCandyWidget* mWidget;
  std::string mPath;
  Rect mRect;
  const void* mPage;
};

enum class Kind { kNone, kControl, kButton, kPicture };

Kind KindOf(ZCCandyWidget* w) {
  if (dynamic_cast<ZCDialog*>(w)) return Kind::kNone;
  if (dynamic_cast<ZCButton*>(w)) return Kind::kButton;
  if (ZCText* text = w->AsText()) {
    if (!text->GetText().empty()) return Kind::kControl;
    return w->GetTextureCount() > 0 ? Kind::kPicture : Kind::kNone;
  }
  if (dynamic_cast<ZCEditWidget*>(w) || dynamic_cast<ZCList*>(w) || dynamic_cast<ZCSlider*>(w) ||
      dynamic_cast<ZCCheckBox*>(w))
    return Kind::kControl;
  return w->GetTextureCount() > 0 ? Kind::kPicture : Kind::kNone;
}

void Collect(ZCCandyWidget* widget, const std::string& path, const Rect& clip, const void* page, int depth,
             std::vector<Drawn>& out) {
  if (!widget->IsVisible() || widget->GetAlpha() <= 0) return;
  Rect rect = Intersect(ScreenRect(widget), clip);
  if (rect.mWidth > 0) {
    out.push_back({widget, path, rect, page});
  }
  Rect inner = clip;
  if (widget->IsClipping()) {
    // The clip rectangle stays where the widget stands; its display offset moves the content.
    int32_t x = 0, y = 0, ox = 0, oy = 0;
    widget->GetAbsolutePos(x, y);
    widget->GetDrawOffset(ox, oy);
    inner = Intersect(clip, Rect(x - ox + widget->GetOffsetX(), y - oy + widget->GetOffsetY(), widget->mWidth,
                                 widget->mHeight));
  }
  for (Vesk::Widget* child : widget->GetChildren()) {
    auto* candy = dynamic_cast<ZCCandyWidget*>(child);
    if (!candy) continue;
    // The first dialog below the screen is a page; what stands on the screen itself is one more.
    const void* childPage = depth == 0 && dynamic_cast<ZCDialog*>(candy) ? candy : page;
    Collect(candy, path + "/" + candy->GetName(), inner, childPage, depth + 1, out);
  }
}

// The label, text or field text of the widget, with its font; false when it shows none.
bool ShownText(ZCCandyWidget* w, std::wstring& text, bool& wrap) {
  wrap = false;
  if (auto* button = dynamic_cast<ZCButton*>(w)) {
    text = button->GetLabel();
  } else if (ZCText* label = w->AsText()) {
    text = label->GetText();
    wrap = label->mWrap;
  } else if (auto* edit = dynamic_cast<ZCEditWidget*>(w)) {
    text = edit->GetText();
  } else {
    return false;
  }
  return !text.empty() && w->mFont;
}

void CheckText(const Drawn& d, std::vector<std::string>& faults) {
  ZCCandyWidget* w = d.mWidget;
  std::wstring text;
  bool wrap = false;
  if (!ShownText(w, text, wrap)) return;
  ZCFont& font = *w->mFont;
  // A field's text starts 4 pixels in and has its caret after it.
  const int32_t room = dynamic_cast<ZCEditWidget*>(w) ? w->mWidth - 7 : w->mWidth;
  int32_t width = 0, height = font.GetHeight();
  if (wrap) {
    const std::vector<Vesk::TextLine> lines = Vesk::WrapTextLines(font, text, room);
    for (const Vesk::TextLine& line : lines) width = std::max(width, line.mWidth);
    if (!lines.empty()) height = int32_t(lines.size() - 1) * font.GetLineSpacing() + font.GetHeight();
  } else {
    width = font.StringWidth(text);
  }
  if (width > room || height > w->mHeight) {
    std::ostringstream out;
    out << d.mPath << ": its text needs " << width << "x" << height << " in " << room << "x" << w->mHeight;
    faults.push_back(out.str());
  }
}


// Whether the image's pixel at the point is drawn (not fully transparent); a point outside it
// or an image without pixels is not.
bool OpaqueAt(Vesk::MemoryImage* image, int32_t x, int32_t y) {
  if (!image || x < 0 || y < 0 || x >= image->mWidth || y >= image->mHeight) return false;
  const uint32_t* bits = image->GetBits();
  return bits && (bits[size_t(y) * size_t(image->mWidth) + size_t(x)] >> 24) != 0;
}

// Whether the widget draws a pixel of one of its pictures at the screen point.
bool WidgetDrawsAt(ZCCandyWidget* w, int32_t x, int32_t y) {
  int32_t wx = 0, wy = 0;
  w->GetAbsolutePos(wx, wy);
  for (int32_t slot = 0; slot < w->GetTextureCount(); ++slot) {
    ZCWidgetTexture* t = w->GetTexture(slot);
    Vesk::MemoryImage* image = t ? t->mHandle.GetImage() : nullptr;
    if (!image) continue;
    const Rect src = t->FrameRect(image->mWidth, image->mHeight);
    const int32_t lx = x - wx - t->mX, ly = y - wy - t->mY;
    if (lx < 0 || ly < 0 || lx >= src.mWidth || ly >= src.mHeight) continue;
    if (OpaqueAt(image, src.mX + lx, src.mY + ly)) return true;
  }
  return false;
}

// Whether the part's current frame, at the rectangle GetFrameRect gives, draws a pixel at the
// board point (a mirrored frame is read from its other side).
bool PartDrawsAt(const ZCItemPart& part, const Rect& at, int32_t x, int32_t y) {
  const ZCAnimController* controller = part.GetController();
  const AnimEntry* entry = controller ? controller->GetCurrentAnimation() : nullptr;
  const AnimFrame* frame = controller ? controller->GetCurrentFrame() : nullptr;
  if (!entry || !frame) return false;
  int32_t lx = x - at.mX;
  const int32_t ly = y - at.mY;
  if (lx < 0 || ly < 0 || lx >= frame->mWidth || ly >= frame->mHeight) return false;
  if (part.IsMirrored() && !part.IsOrientationFree()) lx = frame->mWidth - 1 - lx;
  return OpaqueAt(entry->mImage.get(), frame->mX + lx, frame->mY + ly);
}

}  // namespace

Rect ScreenRect(const ZCCandyWidget* widget) {
  int32_t x = 0, y = 0;
  widget->GetAbsolutePos(x, y);
  Rect r(x, y, widget->mWidth, widget->mHeight);
  // Its pictures may reach beyond its rectangle (a 160-pixel button picture on a narrower button).
  auto* w = const_cast<ZCCandyWidget*>(widget);
  for (int32_t slot = 0; slot < w->GetTextureCount(); ++slot) {
    ZCWidgetTexture* t = w->GetTexture(slot);
    Vesk::MemoryImage* image = t ? t->mHandle.GetImage() : nullptr;
    if (!image) continue;
    const Rect src = t->FrameRect(image->mWidth, image->mHeight);
    const Rect drawn(x + t->mX, y + t->mY, src.mWidth, src.mHeight);
    if (drawn.mWidth <= 0 || drawn.mHeight <= 0) continue;
    if (r.mWidth <= 0 || r.mHeight <= 0) {
      r = drawn;
      continue;
    }
    const int32_t x0 = std::min(r.mX, drawn.mX), y0 = std::min(r.mY, drawn.mY);
    const int32_t x1 = std::max(r.mX + r.mWidth, drawn.mX + drawn.mWidth);
    const int32_t y1 = std::max(r.mY + r.mHeight, drawn.mY + drawn.mHeight);
    r = Rect(x0, y0, x1 - x0, y1 - y0);
  }
  return r;
}

std::vector<std::string> LayoutFaults(ZCEngine* game) {
  std::vector<std::string> faults;
  if (!game || !game->GetRootDialog()) return {"no game"};
  std::vector<Drawn> drawn;
  const Rect everything(-100000, -100000, 200000, 200000);
  for (Vesk::Widget* child : game->GetRootDialog()->GetChildren())
    if (auto* screen = dynamic_cast<ZCCandyWidget*>(child)) Collect(screen, screen->GetName(), everything, screen, 0, drawn);

  const Rect screen(0, 0, kScreenWidth, kScreenHeight);
  for (const Drawn& d : drawn) {
    // A dialog without a picture of its own only holds others: its box is never seen.
    if (dynamic_cast<ZCDialog*>(d.mWidget) && d.mWidget->GetTextureCount() == 0) continue;
    const Rect inside = Intersect(d.mRect, screen);
    if (inside.mX != d.mRect.mX || inside.mY != d.mRect.mY || inside.mWidth != d.mRect.mWidth ||
        inside.mHeight != d.mRect.mHeight)
      faults.push_back(d.mPath + ": at " + Describe(d.mRect) + ", beyond the screen");
    CheckText(d, faults);
  }
  for (size_t i = 0; i < drawn.size(); ++i) {
    const Kind ki = KindOf(drawn[i].mWidget);
    if (ki == Kind::kNone) continue;
    for (size_t j = i + 1; j < drawn.size(); ++j) {
      if (drawn[j].mPage != drawn[i].mPage) continue;
      const Kind kj = KindOf(drawn[j].mWidget);
      if (kj == Kind::kNone) continue;
      // Pictures only count over buttons: a picture may lie under a label or beside a picture.
      if ((ki == Kind::kPicture || kj == Kind::kPicture) && ki != Kind::kButton && kj != Kind::kButton) continue;
      if (ki == Kind::kPicture && kj == Kind::kPicture) continue;
      ZCCandyWidget& a = *drawn[i].mWidget;
      ZCCandyWidget& b = *drawn[j].mWidget;
      if (a.IsLaidOn(b) || b.IsLaidOn(a)) continue;
      const Rect both = Intersect(drawn[i].mRect, drawn[j].mRect);
      if (both.mWidth == 0) continue;
      faults.push_back(drawn[i].mPath + " and " + drawn[j].mPath + " overlap at " + Describe(both));
    }
  }
  return faults;
}


std::vector<std::string> CafeLayoutFaults(ZCEngine* game) {
  std::vector<std::string> faults;
  if (!game || !game->GetRootDialog()) return {"no game"};
  ZCCandyWidget* board = nullptr;
  for (Vesk::Widget* child : game->GetRootDialog()->GetChildren())
    if (auto* screen = dynamic_cast<ZCCandyWidget*>(child); screen && screen->GetName() == "game_board") board = screen;
  ZCCandyWidget* hud = board ? board->FindChild("hud") : nullptr;
  if (!board || !board->IsVisible() || !hud) return {"no café shown"};
  // The head-up display's pictures and buttons as drawn (its bare holders are never seen).
  std::vector<Drawn> drawn;
  const Rect everything(-100000, -100000, 200000, 200000);
  Collect(hud, "game_board/hud", everything, hud, 0, drawn);
  std::vector<Drawn> panels;
  for (const Drawn& d : drawn)
    if (d.mWidget != hud && d.mWidget->GetTextureCount() > 0) panels.push_back(d);
  int32_t boardX = 0, boardY = 0;
  board->GetAbsolutePos(boardX, boardY);
  for (ZCItem* item : GetItemRegistry().Items()) {
    const bool watched = dynamic_cast<ZCPickItem*>(item) || dynamic_cast<ZCStatusItem*>(item) ||
                         dynamic_cast<ZCWorker*>(item) || dynamic_cast<ZCClient*>(item) || dynamic_cast<ZCBoss*>(item);
    if (!watched || !item->IsVisible()) continue;
    for (const auto& part : item->GetParts()) {
      Rect frame;
      if (!part->GetFrameRect(frame)) continue;
      const Rect onScreen(frame.mX + boardX, frame.mY + boardY, frame.mWidth, frame.mHeight);
      for (const Drawn& panel : panels) {
        // Hidden where both draw a pixel: the pictures' clear margins hide nothing.
        const Rect both = Intersect(onScreen, panel.mRect);
        int32_t hidden = 0;
        for (int32_t y = both.mY; y < both.mY + both.mHeight; ++y)
          for (int32_t x = both.mX; x < both.mX + both.mWidth; ++x)
            if (WidgetDrawsAt(panel.mWidget, x, y) && PartDrawsAt(*part, frame, x - boardX, y - boardY)) ++hidden;
        if (hidden == 0) continue;
        std::ostringstream out;
        out << item->GetName() << "/" << part->GetName() << " at " << Describe(onScreen) << " lies under "
            << panel.mPath << " at " << Describe(panel.mRect) << " (" << hidden << " pixels)";
        faults.push_back(out.str());
      }
    }
  }
  return faults;
}
