#pragma once
#include <cstdint>
#include <string>
#include <vector>

class ZCEffect;
class ZCIEffect;

// The parameter block of one callback call: named values as the effect file gives them, each
// readable as a number or as text. Callbacks read them by name with their own defaults.
class ZCCallBackParams {
 public:
  struct Value {
    std::string mName;
    std::string mText;
    float mFloat = 0;
    int32_t mInt = 0;
  };

  // Sets (or replaces) a value; the text is also read as a number.
  void Set(const std::string& name, const std::string& text);
  bool Has(const std::string& name) const { return Find(name) != nullptr; }
  float GetFloat(const std::string& name, float def = 0) const;
  int32_t GetInt(const std::string& name, int32_t def = 0) const;
  std::string GetString(const std::string& name, const std::string& def = std::string()) const;
  const std::vector<Value>& Values() const { return mValues; }

 private:
  const Value* Find(const std::string& name) const;
  std::vector<Value> mValues;
};

// What a callback is told when a timer control or a message calls it.
struct EffectCallArgs {
  ZCEffect* mEffect = nullptr;
  // The effect's owner (may be null).
  ZCIEffect* mOwner = nullptr;
  const ZCCallBackParams* mParams = nullptr;
  // Position within the control's time window, 0 to 1 (1 for a call made by a message).
  float mProgress = 1;
  // Seconds of game time of the update that made the call (0 when a message or a timer start
  // made it).
  float mStep = 0;
  // The first call of this run of the timer, and the call at which the window is complete.
  bool mFirst = true;
  bool mLast = true;

  float Param(const std::string& name, float def) const { return mParams ? mParams->GetFloat(name, def) : def; }
  int32_t ParamInt(const std::string& name, int32_t def) const {
    return mParams ? mParams->GetInt(name, def) : def;
  }
  std::string ParamString(const std::string& name) const { return mParams ? mParams->GetString(name) : ""; }
};

using EffectCallback = void (*)(EffectCallArgs& args);
