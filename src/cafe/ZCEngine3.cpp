#include "cafe/ZCEngine3.h"

#include "shell/StringUtil.h"

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
