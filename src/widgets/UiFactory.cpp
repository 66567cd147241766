#include "shell/Log.h"
#include "widgets/UiXml.h"
#include "widgets/ZCDialog.h"

ZCCandyWidget* CreateUiWidget(const std::string& type, const std::string& label) {
  if (type == "zcdialog") return new ZCDialog(0, nullptr);
  if (type != "candy")
    LogMessage("WARNING: ui.xml widget \"%s\": unknown type \"%s\"; made a plain widget", label.c_str(), type.c_str());
  return new ZCCandyWidget();
}
