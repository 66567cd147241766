#include "screens/ZCBoard_Menu.h"

#include "engine/ZCEngine.h"

ZCBoard_Menu::ZCBoard_Menu(ZCEngine* app, const XmlNode& doc) : ZCDialog(0, app) {
  LoadByName(doc, "global_bkg");
  LoadByName(doc, "menu_bg");
}

ZCBoard_LoadScreen::ZCBoard_LoadScreen(ZCEngine* app, const XmlNode& doc) : ZCDialog(0, app) {
  LoadByName(doc, "load_screen");
}
