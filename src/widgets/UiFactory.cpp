#include "shell/Log.h"
#include "widgets/UiXml.h"
#include "widgets/ZCWidgetKit.h"

ZCCandyWidget* CreateUiWidget(const std::string& type, const std::string& label) {
  if (type == "zcdialog") return new ZCDialog(0, nullptr);
  if (type == "button") return new ZCButton();
  if (type == "text") return new ZCText();
  if (type == "list") return new ZCList();
  if (type == "slider") return new ZCSlider();
  if (type == "scrollbar") return new ZCScrollBar();
  if (type == "progress") return new ZCProgressBar();
  if (type == "checkbox") return new ZCCheckBox();
  if (type == "edit") return new ZCEditWidget();
  if (type == "anim") return new ZCAnimWidget();
  if (type == "tutorial") return new ZCTutorialDialog();
  if (type != "picture")
    LogMessage("WARNING: ui.xml widget \"%s\": unknown type \"%s\"; made a plain picture", label.c_str(),
               type.c_str());
  return new ZCCandyWidget();
}
