#include "shell/TextVars.h"

void TextVars::SetTextVar(const std::string& name, const std::wstring& value) { mVars[name] = value; }

void TextVars::SetTextVarInt(const std::string& name, int32_t value) { mVars[name] = std::to_wstring(value); }

bool TextVars::GetTextVar(const std::string& name, std::wstring& value) const {
  auto it = mVars.find(name);
  if (it == mVars.end()) return false;
  value = it->second;
  return true;
}

std::wstring TextVars::GetTextVar(const std::string& name) const {
  auto it = mVars.find(name);
  return it == mVars.end() ? std::wstring() : it->second;
}
