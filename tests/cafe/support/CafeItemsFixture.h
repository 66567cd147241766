#pragma once
#include <string>
#include <vector>

#include "board/BoardWorld.h"
#include "cafe/ZCBoss.h"
#include "cafe/support/CafeDoubles.h"

// Collects the board's trace lines.
class TraceLines : public BoardTrace {
 public:
  void TraceEvent(const std::string& line) override { mLines.push_back(line); }
  // The lines beginning with the text, in order.
  std::vector<std::string> Starting(const std::string& text) const;
  std::vector<std::string> mLines;
};

// The café board with the sample game parameters, the café's item classes and the actors'
// stand-ins registered, and the board's trace collected. Objects are made from XML; the heroine
// ("boss") is activated when made.
class CafeItemsFixture : public CafeBoardFixture {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Makes and activates the objects of the "object" elements given.
  void MakeObjects(const std::string& objects);
  ZCBoss* Boss() const { return dynamic_cast<ZCBoss*>(ZCItem::FindByName("boss")); }
  template <typename T>
  T* Find(const std::string& name) const {
    return dynamic_cast<T*>(ZCItem::FindByName(name));
  }
  // An arrival of the heroine at the target: both dry runs, then both real runs when both
  // agree, the target first. True when both agreed.
  bool Visit(ZCItem* target);
  std::string Hands() const;

  TraceLines mTrace;
};
