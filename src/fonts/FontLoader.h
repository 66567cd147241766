#pragma once
#include <memory>
#include <string>

#include "fonts/Font.h"

class XmlNode;

// Makes the font an XML element declares: "file" names an image font's description (or a
// ".ttf"/".otf" face, with "size"), else "face", "size", "bold" and "italic" choose an installed
// face. Null, with a log line naming `label`, when the element declares no usable font.
std::unique_ptr<Vesk::Font> CreateFontFromNode(const XmlNode& node, const std::string& label);
