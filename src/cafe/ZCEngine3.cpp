#include "cafe/ZCEngine3.h"

ZCEngine3::ZCEngine3() {
  mProductName = "Pellor Cafe";
  mProductVersion = "1.0";
  mVendorName = "Vantor Games";
  mRegKey = "Vantor Games\\Pellor Cafe";
  mTitle = "Pellor Cafe";
}

ZCEngine3::~ZCEngine3() = default;

bool ZCEngine3::Init() { return ZCEngine::Init(); }
