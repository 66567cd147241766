#include "board/support/BoardTestSupport.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "board/BoardWorld.h"
#include "board/ItemFactory.h"
#include "board/ZCItemPart.h"
#include "effects/EffectLibrary.h"
#include "shell/Log.h"
#include "shell/PakInterface.h"

namespace {
std::string SourceDir() {
  const char* dir = std::getenv("CAFE_SOURCE_DIR");
  return dir ? dir : ".";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

XmlNode ParseDocument(const std::string& text, const std::string& label) {
  XmlNode doc = LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(text.data()), text.size(), label);
  return doc.documentElement();
}

std::unique_ptr<EffectLibrary> gLibrary;
}  // namespace

XmlNode LoadBoardFixture(const std::string& name) {
  const std::string path = SourceDir() + "/tests/board/data/" + name;
  return ParseDocument(ReadFile(path), path);
}

bool EnterBoardDataFolder() { return chdir((SourceDir() + "/tests/board/data").c_str()) == 0; }

XmlNode ParseXml(const std::string& text) { return ParseDocument(text, "test"); }

bool InstallEffects(const std::string& extraEffects) {
  gLibrary = std::make_unique<EffectLibrary>();
  std::string text = ReadFile(SourceDir() + "/content/cfg/effect.xml");
  const size_t end = text.rfind("</effects>");
  if (end == std::string::npos) return false;
  text.insert(end, extraEffects);
  if (!gLibrary->LoadFromMemory(reinterpret_cast<const uint8_t*>(text.data()), text.size(), "effect.xml"))
    return false;
  SetEffectLibrary(gLibrary.get());
  return true;
}

void RemoveEffects() {
  SetEffectLibrary(nullptr);
  gLibrary.reset();
}

void MakeStageItems() {
  ZCItem::ReadLevelObjects(ParseXml(R"(<root><objects>
      <object class="item" name="cup" effect="item_fade"><part name="body"/></object>
      <object class="item" name="plate"/></objects></root>)"));
  ZCItem::ApplyLevelStates(ParseXml(R"(<level><objects>
      <object name="cup" stop="1"/><object name="plate" stop="1"/></objects></level>)"));
}

void StepItems(int n, float frameStep) {
  SetGameStep(frameStep);
  for (int i = 0; i < n; ++i) ZCItem::UpdateAll();
}

void CountingItem::Update() {
  ++mUpdates;
  ZCItem::Update();
}

void CountingItem::OnActionTimer(int32_t kind) {
  ++mActions;
  mLastKind = kind;
  mActionStep = mUpdates;
}

void BoardWorldTest::SetUp() {
  ResetBoardWorld();
  RegisterItemClass("counting", &CountingItem::Create);
  LogHistory::Clear();
}

void BoardWorldTest::TearDown() {
  ResetBoardWorld();
  RemoveEffects();
}

bool OpenSampleData() {
  static const bool opened = GetPakInterface()->AddPakFile("data.pak");
  return opened;
}

void MovableTestItem::StandAt(int32_t x, int32_t y) {
  SetPosition(BoardPoint{x, y});
  for (auto& part : GetParts()) part->SetReferencePoints({x - 20, y}, {x, y}, {x + 20, y});
}

void RegisterTestRoomClasses() {
  RegisterItemClass("pickable", &ZCItem::Create);
  RegisterItemClass("boss", &MovableTestItem::Create);
}

std::vector<std::string> PartNames(const std::vector<ZCItemPart*>& order) {
  std::vector<std::string> names;
  for (const ZCItemPart* part : order)
    names.push_back((part->GetOwner() ? part->GetOwner()->GetName() : std::string()) + ":" + part->GetName());
  return names;
}
