#include "cafe/ZCEngine3.h"

#include "shell/StringUtil.h"
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

bool ZCEngine3::Init() {
  // Texts first: the window title and every message come from them.
  mLocTable.Load();
  if (mLocTable.HasText("app_title")) mTitle = WideToUtf8(mLocTable.GetText("app_title"));
  if (!ZCEngine::Init()) return false;
  OfferCrashReport(WideToUtf8(mLocTable.GetText("crash_offer")));
  if (GetCommandLine().mCrash) {
    // Started only to hand in a crash report: wait for the upload and leave.
    mCrashUpload.WaitFor(15000);
    return false;
  }
  return true;
}

void ZCEngine3::LoadingCompleted() {
  ZCEngine::LoadingCompleted();
  GetMusic()->Change("main_menu");
}

void ZCEngine3::HandleInput(const Platform::InputEvent& event) {
  ZCEngine::HandleInput(event);
  // Until the screens take the clicks, a left click on the window answers with the click sound.
  if (event.mType == Platform::InputEvent::Type::MouseDown && event.mButton == 1) GetSoundManager()->PlaySound("click");
}
