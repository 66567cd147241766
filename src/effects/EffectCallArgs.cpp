#include "effects/EffectCallArgs.h"

#include "shell/XmlNode.h"

void ZCCallBackParams::Set(const std::string& name, const std::string& text) {
  Value value;
  value.mName = name;
  value.mText = text;
  value.mFloat = ParseXmlFloat(text);
  value.mInt = ParseXmlInt(text);
  for (Value& v : mValues)
    if (v.mName == name) {
      v = std::move(value);
      return;
    }
  mValues.push_back(std::move(value));
}

const ZCCallBackParams::Value* ZCCallBackParams::Find(const std::string& name) const {
  for (const Value& v : mValues)
    if (v.mName == name) return &v;
  return nullptr;
}

float ZCCallBackParams::GetFloat(const std::string& name, float def) const {
  const Value* v = Find(name);
  return v ? v->mFloat : def;
}

int32_t ZCCallBackParams::GetInt(const std::string& name, int32_t def) const {
  const Value* v = Find(name);
  return v ? v->mInt : def;
}

std::string ZCCallBackParams::GetString(const std::string& name, const std::string& def) const {
  const Value* v = Find(name);
  return v ? v->mText : def;
}
