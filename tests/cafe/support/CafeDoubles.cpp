#include "cafe/support/CafeDoubles.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "board/BoardWorld.h"
#include "board/ItemFactory.h"
#include "board/ZCItem.h"
#include "board/support/BoardTestSupport.h"
#include "cafe/CafeObjects.h"
#include "shell/Log.h"
#include "shell/XmlNode.h"

std::string ContentDir() {
  const char* dir = std::getenv("CAFE_SOURCE_DIR");
  return std::string(dir ? dir : ".") + "/content";
}

void CafeBoardFixture::SetUp() {
  ResetBoardWorld();
  ResetCafeWorld();
  LogHistory::Clear();
  mBoard = std::make_unique<OpenCafeBoard>();
  mBoard->SetHud(&mHud);
  mBoard->SetTutorial(&mTutorial);
  mBoard->SetActors(&mActors);
  mBoard->SetScreens(&mScreens);
  mBoard->SetProfile(&mProfile);
  mBoard->SetDialog(ZCBoard_Game3::kBriefing, &mBriefing);
  mBoard->SetDialog(ZCBoard_Game3::kDebriefing, &mDebriefing);
  mBoard->SetDialog(ZCBoard_Game3::kFailDebriefing, &mFailDebriefing);
  mBoard->SetDialog(ZCBoard_Game3::kEscapeMenu, &mEscapeMenu);
  mBoard->SetDialog(ZCBoard_Game3::kShop, &mShop);
}

void CafeBoardFixture::TearDown() {
  mBoard.reset();
  ResetBoardWorld();
  ResetCafeWorld();
}

bool CafeBoardFixture::LoadSampleConfig() {
  std::ifstream in(ContentDir() + "/cfg/cfg.xml", std::ios::binary);
  if (!in) return false;
  std::stringstream text;
  text << in.rdbuf();
  const std::string bytes = text.str();
  XmlNode doc = LoadXmlFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), "cfg.xml");
  XmlNode root = doc.selectSingleNode(L"root");
  if (!root) return false;
  mBoard->LoadGameParams(root);
  return true;
}

int CafeBoardFixture::CountLogLines(const std::string& text) const {
  int n = 0;
  for (const std::string& line : LogHistory::Recent())
    if (line.find(text) != std::string::npos) ++n;
  return n;
}

ZCItem* CafeBoardFixture::MakeItem(const std::string& name, bool visible) {
  ZCItem* item = ZCItem::Create();
  GetItemRegistry().Add(name, item);
  // The name is read with the item's description.
  item->ReadItem(ParseXml("<object name=\"" + name + "\"/>").selectSingleNode(L"object"));
  item->SetVisibleFlag(visible);
  return item;
}
