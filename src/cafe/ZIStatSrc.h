#pragma once
#include <string>

// What the status indicators over an actor (bubble, patience face, tidiness meter) read of it.
// Visitors and workers both carry this interface, so an indicator knows nothing of either's
// internals. The out-parameter operations answer whether they gave a value.
class ZIStatSrc {
 public:
  virtual ~ZIStatSrc() = default;
  virtual bool IsActive() = 0;
  virtual bool IsInProgress() = 0;
  virtual bool HasExtra() = 0;
  // The patience (visitor) or tidiness (worker), 0 to 100.
  virtual bool GetLevel(float& level) = 0;
  // The picture shown in the bubble: an order, "thinking", "scandal", "broken", a product...
  virtual bool GetBubbleName(std::string& name) = 0;
  virtual bool GetIconName(std::string& name) = 0;
  virtual bool GetProduct(std::string& product) = 0;
};
