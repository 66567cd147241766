#include "cafe/support/CafeItemsFixture.h"

#include "board/ItemFactory.h"
#include "board/support/BoardTestSupport.h"
#include "cafe/CafeObjects.h"
#include "cafe/support/StandInActors.h"

std::vector<std::string> TraceLines::Starting(const std::string& text) const {
  std::vector<std::string> out;
  for (const std::string& line : mLines)
    if (line.rfind(text, 0) == 0) out.push_back(line);
  return out;
}

void CafeItemsFixture::SetUp() {
  CafeBoardFixture::SetUp();
  InitItemFactoryTable();
  RegisterCafeItemClasses();
  RegisterStandInActors();
  ASSERT_TRUE(LoadSampleConfig());
  SetBoardTrace(&mTrace);
}

void CafeItemsFixture::TearDown() {
  SetBoardTrace(nullptr);
  CafeBoardFixture::TearDown();
  InitItemFactoryTable();
}

void CafeItemsFixture::MakeObjects(const std::string& objects) {
  const size_t before = GetItemRegistry().Items().size();
  ZCItem::ReadLevelObjects(ParseXml("<root><objects>" + objects + "</objects></root>"));
  const std::vector<ZCItem*> items = GetItemRegistry().Items();
  for (size_t i = before; i < items.size(); ++i) {
    items[i]->SetRunning(true);
    items[i]->Activate(true);
  }
}

bool CafeItemsFixture::Visit(ZCItem* target) {
  ZCBoss* boss = Boss();
  int32_t scratch = 0;
  const bool targetAgrees = target->Interact(boss, true, &scratch);
  const bool bossAgrees = boss->Interact(target, true, &scratch);
  if (!targetAgrees || !bossAgrees) return false;
  target->Interact(boss, false, &scratch);
  boss->Interact(target, false, &scratch);
  return true;
}

std::string CafeItemsFixture::Hands() const {
  ZCBoss* boss = Boss();
  return boss->GetFirstHand() + "|" + boss->GetSecondHand();
}
