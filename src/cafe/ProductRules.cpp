#include "cafe/ProductRules.h"

#include <cstdlib>

#include "board/BoardWorld.h"
#include "cafe/CafeActor.h"
#include "cafe/ZCBoard_Game3.h"

namespace {

bool IsSingle(const std::string& code) { return code.size() >= 4 && code.compare(2, 2, "00") == 0; }

// The decimal value of a two-digit half; a half that is not a number counts 0.
int HalfValue(const std::string& half) {
  int value = 0;
  for (char c : half) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

bool CanJoinProducts(const std::string& a, const std::string& b) {
  return !a.empty() && !b.empty() && a.size() == b.size() && a != b && IsSingle(a) && IsSingle(b);
}

std::string JoinProducts(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  const std::string p = a.substr(0, 2), q = b.substr(0, 2);
  return HalfValue(p) > HalfValue(q) ? p + q : q + p;
}

bool IsProductWanted(const std::string& code) {
  std::vector<ZCItem*> visitors;
  if (ZCBoard_Game3* board = GetCafeBoard())
    visitors = board->GetActors().GetVisitors();
  else
    visitors = CafeActors().GetVisitors();
  for (ZCItem* item : visitors) {
    auto* visitor = dynamic_cast<CafeActor*>(item);
    if (visitor && visitor->GetActorState() == 1 && visitor->WantsProduct(code, "")) return true;
  }
  return false;
}
