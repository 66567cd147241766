#include "effects/EffectLibrary.h"

#include <cmath>
#include <set>

#include "effects/EffectCallbacks.h"
#include "effects/ParticleSystem.h"
#include "shell/Log.h"
#include "shell/PakInterface.h"
#include "shell/StringUtil.h"
#include "shell/XmlNode.h"

namespace {
EffectLibrary* gLibrary = nullptr;

std::string Attr(const XmlNode& node, const char* name) {
  std::string value;
  GetAttrStringA(node, name, value);
  return value;
}

// Unknown callback names already reported during the current load.
thread_local std::set<std::string>* gReportedCallbacks = nullptr;
}  // namespace

void SetEffectLibrary(EffectLibrary* library) { gLibrary = library; }
EffectLibrary* GetEffectLibrary() { return gLibrary; }

std::unique_ptr<ZCEffect> CreateEffect(const std::string& name) {
  return gLibrary ? gLibrary->CreateEffect(name) : nullptr;
}

EffectLibrary::EffectLibrary() = default;
EffectLibrary::~EffectLibrary() {
  if (gLibrary == this) gLibrary = nullptr;
}

void EffectLibrary::Clear() {
  mEffects.clear();
  mConstants.clear();
  mDecls.clear();
  mParticles.clear();
}

bool EffectLibrary::Load(const std::string& fileName) {
  XmlNode doc = LoadXmlDocument(fileName);
  if (!doc) {
    Clear();
    return false;
  }
  return LoadFromXml(doc, fileName);
}

bool EffectLibrary::LoadFromMemory(const uint8_t* data, size_t size, const std::string& label) {
  XmlNode doc = LoadXmlFromMemory(data, size, label);
  if (!doc) {
    Clear();
    return false;
  }
  return LoadFromXml(doc, label);
}

bool EffectLibrary::LoadFromXml(const XmlNode& doc, const std::string& label) {
  Clear();
  mLabel = label;
  XmlNode root = doc.selectSingleNode(L"effects");
  if (!root) {
    LogMessage("ERROR: EffectLibrary: %s has no \"effects\" element", label.c_str());
    return false;
  }
  std::set<std::string> reported;
  gReportedCallbacks = &reported;
  ReadConstants(root);
  ReadDeclarations(root);
  ReadParticles(root);
  for (const XmlNode& node : root.selectNodes(L"effect")) {
    std::shared_ptr<EffectDef> def = ReadEffect(node);
    if (!def) continue;
    if (mEffects.count(def->mName)) {
      LogMessage("WARNING: EffectLibrary: effect '%s' is given twice in %s; the first is kept", def->mName.c_str(),
                 label.c_str());
      continue;
    }
    mEffects[def->mName] = std::move(def);
  }
  gReportedCallbacks = nullptr;
  return true;
}

void EffectLibrary::ReadConstants(const XmlNode& root) {
  for (const XmlNode& node : root.selectNodes(L"constant")) {
    std::string name = Attr(node, "name");
    std::string value;
    if (name.empty() || !GetAttrStringA(node, "value", value)) {
      LogMessage("WARNING: EffectLibrary: a constant in %s has no name or no value", mLabel.c_str());
      continue;
    }
    mConstants[name] = value;
  }
}

void EffectLibrary::ReadDeclarations(const XmlNode& root) {
  for (const XmlNode& node : root.selectNodes(L"callback")) {
    std::string name = Attr(node, "name");
    if (name.empty()) {
      LogMessage("WARNING: EffectLibrary: a callback declaration in %s has no name", mLabel.c_str());
      continue;
    }
    CallbackDecl decl;
    for (const XmlNode& p : node.selectNodes(L"param")) {
      ParamDecl param;
      param.mName = Attr(p, "name");
      if (param.mName.empty()) {
        LogMessage("WARNING: EffectLibrary: a parameter of callback '%s' has no name", name.c_str());
        continue;
      }
      std::string def;
      if (GetAttrStringA(p, "default", def)) {
        param.mHasDefault = ResolveValue(def, param.mDefault);
        if (!param.mHasDefault)
          LogMessage("WARNING: EffectLibrary: unknown constant '%s' in callback '%s'", def.c_str(), name.c_str());
      }
      decl.push_back(std::move(param));
    }
    mDecls[name] = std::move(decl);
  }
}

void EffectLibrary::ReadParticles(const XmlNode& root) {
  for (const XmlNode& node : root.selectNodes(L"particles")) {
    auto def = std::make_shared<ParticleDef>();
    if (!def->Read(node)) continue;
    std::string name = def->mName;
    mParticles[name] = std::move(def);
  }
}

bool EffectLibrary::ResolveValue(const std::string& text, std::string& out) const {
  if (text.empty() || text[0] != '$') {
    out = text;
    return true;
  }
  auto it = mConstants.find(text.substr(1));
  if (it == mConstants.end()) return false;
  out = it->second;
  return true;
}

float EffectLibrary::ReadTime(const XmlNode& node, const char* attr, float def, const std::string& effect) const {
  std::string text;
  if (!GetAttrStringA(node, attr, text)) return def;
  std::string value;
  if (!ResolveValue(text, value)) {
    LogMessage("WARNING: EffectLibrary: effect '%s' names the unknown constant '%s'", effect.c_str(), text.c_str());
    return def;
  }
  float seconds = ParseXmlFloat(value);
  if (!std::isfinite(seconds) || seconds < 0) {
    LogMessage("WARNING: EffectLibrary: effect '%s' has a bad time '%s'", effect.c_str(), text.c_str());
    return def;
  }
  return seconds;
}

bool EffectLibrary::ReadCallback(const XmlNode& node, const std::string& effect, std::string& name,
                                 EffectCallback& callback, ZCCallBackParams& params) {
  name = Attr(node, "callback");
  callback = FindEffectCallback(name);
  if (!callback) {
    if (!gReportedCallbacks || gReportedCallbacks->insert(name).second)
      LogMessage("WARNING: EffectLibrary: unknown callback '%s' (effect '%s' and any other naming it are left out)",
                 name.c_str(), effect.c_str());
    return false;
  }
  auto decl = mDecls.find(name);
  if (decl == mDecls.end()) return true;
  for (const ParamDecl& p : decl->second) {
    std::string text, value;
    if (GetAttrStringA(node, p.mName.c_str(), text)) {
      if (ResolveValue(text, value)) {
        params.Set(p.mName, value);
        continue;
      }
      LogMessage("WARNING: EffectLibrary: effect '%s' names the unknown constant '%s'", effect.c_str(), text.c_str());
    }
    if (p.mHasDefault) params.Set(p.mName, p.mDefault);
  }
  return true;
}

std::shared_ptr<EffectDef> EffectLibrary::ReadEffect(const XmlNode& node) {
  auto def = std::make_shared<EffectDef>();
  def->mName = Attr(node, "name");
  if (def->mName.empty()) {
    LogMessage("WARNING: EffectLibrary: an effect in %s has no name", mLabel.c_str());
    return nullptr;
  }
  const std::string& name = def->mName;

  for (const XmlNode& t : node.selectNodes(L"timer")) {
    EffectTimerDef timer;
    timer.mName = Attr(t, "name");
    if (timer.mName.empty()) {
      LogMessage("ERROR: EffectLibrary: effect '%s' has a timer without name; effect left out", name.c_str());
      return nullptr;
    }
    for (const EffectTimerDef& other : def->mTimers)
      if (other.mName == timer.mName) {
        LogMessage("ERROR: EffectLibrary: effect '%s' has two timers '%s'; effect left out", name.c_str(),
                   timer.mName.c_str());
        return nullptr;
      }
    float lastEnd = 0;
    for (const XmlNode& c : t.selectNodes(L"control")) {
      EffectControlDef control;
      if (!ReadCallback(c, name, control.mCallbackName, control.mCallback, control.mParams)) return nullptr;
      float at = ReadTime(c, "at", -1, name);
      control.mStart = at >= 0 ? at : ReadTime(c, "start", 0, name);
      control.mEnd = at >= 0 ? at : ReadTime(c, "end", control.mStart, name);
      if (control.mEnd < control.mStart) {
        LogMessage("WARNING: EffectLibrary: effect '%s', timer '%s': a control ends before it starts", name.c_str(),
                   timer.mName.c_str());
        control.mEnd = control.mStart;
      }
      lastEnd = std::max(lastEnd, control.mEnd);
      timer.mControls.push_back(std::move(control));
    }
    timer.mDuration = ReadTime(t, "duration", lastEnd, name);
    bool loop = false;
    GetAttrBool(t, L"loop", loop);
    timer.mLoop = loop;
    if (timer.mLoop && timer.mDuration <= 0) {
      LogMessage("WARNING: EffectLibrary: effect '%s', timer '%s' loops with no duration; it runs once",
                 name.c_str(), timer.mName.c_str());
      timer.mLoop = false;
    }
    def->mTimers.push_back(std::move(timer));
  }

  for (const XmlNode& m : node.selectNodes(L"message")) {
    EffectMessageDef message;
    message.mName = Attr(m, "name");
    if (message.mName.empty()) {
      LogMessage("WARNING: EffectLibrary: effect '%s' has a message without name; message left out", name.c_str());
      continue;
    }
    bool enabled = true;
    GetAttrBool(m, L"enabled", enabled);
    message.mEnabled = enabled;
    for (const XmlNode& r : m.selectNodes(L"*")) {
      EffectRecordDef record;
      std::string kind = WideToUtf8(r.nodeName());
      if (kind == "call") {
        record.mKind = EffectRecordDef::Kind::Call;
        if (!ReadCallback(r, name, record.mCallbackName, record.mCallback, record.mParams)) return nullptr;
        message.mRecords.push_back(std::move(record));
        continue;
      }
      if (kind == "start") record.mKind = EffectRecordDef::Kind::Start;
      else if (kind == "stop") record.mKind = EffectRecordDef::Kind::Stop;
      else if (kind == "pause") record.mKind = EffectRecordDef::Kind::Pause;
      else if (kind == "resume") record.mKind = EffectRecordDef::Kind::Resume;
      else {
        LogMessage("WARNING: EffectLibrary: effect '%s', message '%s': unknown record '%s' ignored", name.c_str(),
                   message.mName.c_str(), kind.c_str());
        continue;
      }
      std::string timerName = Attr(r, "timer");
      for (size_t i = 0; i < def->mTimers.size(); ++i)
        if (def->mTimers[i].mName == timerName) record.mTimer = int32_t(i);
      if (record.mTimer < 0) {
        LogMessage("ERROR: EffectLibrary: effect '%s', message '%s' names the missing timer '%s'; effect left out",
                   name.c_str(), message.mName.c_str(), timerName.c_str());
        return nullptr;
      }
      message.mRecords.push_back(std::move(record));
    }
    bool duplicate = false;
    for (const EffectMessageDef& other : def->mMessages) duplicate = duplicate || other.mName == message.mName;
    if (duplicate) {
      LogMessage("WARNING: EffectLibrary: effect '%s' has two messages '%s'; the first is kept", name.c_str(),
                 message.mName.c_str());
      continue;
    }
    def->mMessages.push_back(std::move(message));
  }
  return def;
}

const EffectDef* EffectLibrary::Find(const std::string& name) const {
  auto it = mEffects.find(name);
  return it == mEffects.end() ? nullptr : it->second.get();
}

std::unique_ptr<ZCEffect> EffectLibrary::CreateEffect(const std::string& name) const {
  auto it = mEffects.find(name);
  if (it == mEffects.end()) return nullptr;
  return std::make_unique<ZCEffect>(it->second);
}

std::shared_ptr<const ParticleDef> EffectLibrary::FindParticles(const std::string& name) const {
  auto it = mParticles.find(name);
  return it == mParticles.end() ? nullptr : it->second;
}

float EffectLibrary::GetConstant(const std::string& name, float def) const {
  auto it = mConstants.find(name);
  return it == mConstants.end() ? def : ParseXmlFloat(it->second);
}
