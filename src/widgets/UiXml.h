#pragma once
#include <cstdint>
#include <string>

#include "graphics/Rect.h"

class XmlNode;
class ZCCandyWidget;

// Attribute readers of the widget part of "cfg\\ui.xml": each leaves the default when the
// attribute is absent.
std::string UiAttr(const XmlNode& node, const char* name, const std::string& def = std::string());
std::wstring UiAttrW(const XmlNode& node, const char* name, const std::wstring& def = std::wstring());
int32_t UiAttrInt(const XmlNode& node, const char* name, int32_t def);
float UiAttrFloat(const XmlNode& node, const char* name, float def);
bool UiAttrBool(const XmlNode& node, const char* name, bool def);
// "x;y;w;h"; false (leaving out) when absent or not four numbers.
bool UiAttrRect(const XmlNode& node, const char* name, Rect& out);
// The element's name for log lines: its "name" attribute, or its tag.
std::string UiLabel(const XmlNode& node);

// Makes the widget of a ui.xml type ("zcdialog", "button", "text"...); a plain candy widget, with
// a warning, for a type it does not know.
ZCCandyWidget* CreateUiWidget(const std::string& type, const std::string& label);

// Sizes and positions outside this range are refused as absurd.
constexpr int32_t kUiMaxCoord = 16384;
