#include "cafe/ZCEngine3.h"

#include "sound/SoundManager.h"
#include "sound/ZCMusic.h"

ZCEngine3::ZCEngine3() {
  mProductName = "Pellor Cafe";
  mProductVersion = "1.0";
  mVendorName = "Vantor Games";
  mRegKey = "Vantor Games\\Pellor Cafe";
  mTitle = "Pellor Cafe";
}

ZCEngine3::~ZCEngine3() = default;

bool ZCEngine3::Init() { return ZCEngine::Init(); }

void ZCEngine3::LoadingCompleted() {
  ZCEngine::LoadingCompleted();
  GetMusic()->Change("main_menu");
}

void ZCEngine3::HandleInput(const Platform::InputEvent& event) {
  ZCEngine::HandleInput(event);
  // Until the screens take the clicks, a left click on the window answers with the click sound.
  if (event.mType == Platform::InputEvent::Type::MouseDown && event.mButton == 1) GetSoundManager()->PlaySound("click");
}
