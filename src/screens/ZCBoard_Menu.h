#pragma once
#include "widgets/ZCDialog.h"

class XmlNode;
class ZCEngine;

// The backdrop behind every book screen: the layouts "global_bkg" and then "menu_bg" loaded into
// the one dialog (the second adds its pictures to the first's).
class ZCBoard_Menu : public ZCDialog {
 public:
  ZCBoard_Menu(ZCEngine* app, const XmlNode& doc);
};

// The screen shown while something loads (layout "load_screen").
class ZCBoard_LoadScreen : public ZCDialog {
 public:
  ZCBoard_LoadScreen(ZCEngine* app, const XmlNode& doc);
};
