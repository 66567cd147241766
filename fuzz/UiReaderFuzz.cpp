// The dialog reader of ui.xml on arbitrary bytes: every "zcdialog" element is built into a
// dialog, attached to a widget manager, shown, clicked, updated, drawn and hidden.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "shell/XmlNode.h"
#include "widgets/UiXml.h"
#include "widgets/WidgetManager.h"
#include "widgets/ZCDialog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  XmlNode doc = LoadXmlFromMemory(data, size, "fuzz ui.xml");
  if (!doc) return 0;
  std::set<std::string> names;
  for (const XmlNode& node : doc.selectNodes(L"//widget[@type='zcdialog']")) {
    names.insert(UiAttr(node, "name"));
    if (names.size() >= 8) break;
  }
  Vesk::MemoryImage screen(128, 96);
  for (const std::string& name : names) {
    Vesk::WidgetManager manager(128, 96);
    auto* dialog = new ZCDialog(0, nullptr);
    manager.AddWidget(dialog);  // the manager owns it from here
    dialog->LoadByName(doc, name);
    dialog->Show();
    for (int i = 0; i < 3; ++i) {
      manager.MouseMove(10 + i * 30, 10 + i * 20);
      manager.MouseDown(10 + i * 30, 10 + i * 20, 1, 1);
      manager.MouseUp(10 + i * 30, 10 + i * 20, 1);
      manager.KeyDown(9);
      manager.UpdateFrame();
    }
    Vesk::Graphics g(&screen);
    manager.DrawScreen(&g);
    dialog->Hide();
    manager.UpdateFrame();
  }
  return 0;
}
