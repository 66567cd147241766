#pragma once
#include "engine/ZCEngine.h"

// The game's application class.
class ZCEngine3 : public ZCEngine {
 public:
  ZCEngine3();
  ~ZCEngine3() override;

  bool Init() override;

 protected:
  void LoadingCompleted() override;
  void HandleInput(const Platform::InputEvent& event) override;
};
