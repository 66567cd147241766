#pragma once
#include <string>
#include <vector>

#include "graphics/Rect.h"

class ZCEngine;
class ZCCandyWidget;

// What a player would find wrong with the screen as it stands, read from the drawn widgets:
// a visible widget that reaches outside the 1024 x 768 screen; two visible buttons, labels or
// fields of one page over each other, or a picture over a button, unless the layout lays one on
// the other (ui.xml "on"); a text, a button's label or a field's text larger than its widget.
// A page is a dialog directly below a screen (the board's dialogs, the book's pages); what
// stands directly on a screen is a page of its own. One line per fault, with the widgets' paths.
std::vector<std::string> LayoutFaults(ZCEngine* game);

// What a player would find hidden in the café as it stands: a shown part of something the player
// watches or clicks (a pick item, a worker, a visitor, the heroine, an indicator over them) that a
// picture or button of the head-up display lies over. One line per fault, with the item, its
// part and the widget's path.
std::vector<std::string> CafeLayoutFaults(ZCEngine* game);

// The widget's rectangle on the screen, as it is drawn now (display and effect offsets included).
Rect ScreenRect(const ZCCandyWidget* widget);
