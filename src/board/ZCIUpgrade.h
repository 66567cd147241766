#pragma once
#include <string>

// What an upgrade changes on an item: its skin.
class ZCIUpgrade {
 public:
  virtual void ApplyUpgradeSkin(const std::string& skin) = 0;

 protected:
  ~ZCIUpgrade() = default;
};
