#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "effects/ZCEffect.h"

class XmlNode;
struct ParticleDef;

// The effect file: effects by name, constants, callback parameter declarations and particle
// system definitions. Loading replaces what was held; bad entries are logged and left out.
class EffectLibrary {
 public:
  EffectLibrary();
  ~EffectLibrary();

  // Reads a file through the file layer ("cfg\\effect.xml"); false when it cannot be read or
  // has no "effects" root.
  bool Load(const std::string& fileName);
  bool LoadFromMemory(const uint8_t* data, size_t size, const std::string& label);
  bool LoadFromXml(const XmlNode& root, const std::string& label);
  void Clear();

  const EffectDef* Find(const std::string& name) const;
  // A new effect built from the effect of that name, or null when there is none.
  std::unique_ptr<ZCEffect> CreateEffect(const std::string& name) const;
  std::shared_ptr<const ParticleDef> FindParticles(const std::string& name) const;
  // A constant's value, or def.
  float GetConstant(const std::string& name, float def) const;
  size_t EffectCount() const { return mEffects.size(); }

 private:
  struct ParamDecl {
    std::string mName;
    std::string mDefault;
    bool mHasDefault = false;
  };
  using CallbackDecl = std::vector<ParamDecl>;

  void ReadConstants(const XmlNode& root);
  void ReadDeclarations(const XmlNode& root);
  void ReadParticles(const XmlNode& root);
  std::shared_ptr<EffectDef> ReadEffect(const XmlNode& node);
  bool ReadCallback(const XmlNode& node, const std::string& effect, std::string& name, EffectCallback& callback,
                    ZCCallBackParams& params);
  // Replaces a "$name" reference by the constant's text; false when no such constant exists.
  bool ResolveValue(const std::string& text, std::string& out) const;
  float ReadTime(const XmlNode& node, const char* attr, float def, const std::string& effect) const;

  std::map<std::string, std::shared_ptr<const EffectDef>> mEffects;
  std::map<std::string, std::string> mConstants;
  std::map<std::string, CallbackDecl> mDecls;
  std::map<std::string, std::shared_ptr<const ParticleDef>> mParticles;
  std::string mLabel;
};

// The library that CreateEffect reads (the application's, installed at start-up).
void SetEffectLibrary(EffectLibrary* library);
EffectLibrary* GetEffectLibrary();
// A new effect built from the effect of that name in the installed library; null when there is
// no such effect or no library.
std::unique_ptr<ZCEffect> CreateEffect(const std::string& name);
