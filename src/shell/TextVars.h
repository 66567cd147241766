#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>

// Named texts that text widgets display ("money", "profile_name", "level_score" ...).
class TextVars {
 public:
  void SetTextVar(const std::string& name, const std::wstring& value);
  // The decimal text of the number.
  void SetTextVarInt(const std::string& name, int32_t value);
  // True with the text when the variable was set.
  bool GetTextVar(const std::string& name, std::wstring& value) const;
  // The text, empty when unset.
  std::wstring GetTextVar(const std::string& name) const;
  void Clear() { mVars.clear(); }

 private:
  std::unordered_map<std::string, std::wstring> mVars;
};
