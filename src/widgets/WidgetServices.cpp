#include "widgets/WidgetServices.h"

#include "widgets/FrameStep.h"

WidgetServices& GetWidgetServices() {
  static WidgetServices services;
  return services;
}

void PlayWidgetSound(const std::string& name) {
  WidgetServices& s = GetWidgetServices();
  if (!name.empty() && s.mPlaySound) s.mPlaySound(name);
}

namespace {
float gFrameStep = 0.01f;
}

float GetFrameStep() { return gFrameStep; }
void SetFrameStep(float seconds) { gFrameStep = seconds > 0 ? seconds : 0; }
