#include "cafe/support/TutorialDoubles.h"

#include <cstdio>

void RecordingTutorialHud::SetTutorialWidgetVisible(const std::string& name, bool visible) {
  mLog.push_back("hud " + name + (visible ? " on" : " off"));
  if (visible && mOnShow) mOnShow();
}

void RecordingTutorialHud::SetTutorResetWidget(bool visible, float alpha) {
  char line[64];
  std::snprintf(line, sizeof line, "hud reset widget %s %.3f", visible ? "on" : "off", double(alpha));
  mLog.push_back(line);
  if (mOnVeil) mOnVeil();
}

void TutorialFixture::SetUp() {
  CafeBoardFixture::SetUp();
  GameClock::ResetAll();
  mBoard->SetTutorial(&mManager);
  mBoard->SetHud(&mTutorialHud);
  mBoard->SetMiniGame(&mMiniGame);
  mBoard->SetActors(&mSceneActors);
  SetEventGate(&mManager);
  SetBoardTrace(&mTrace);
}

void TutorialFixture::TearDown() {
  SetBoardTrace(nullptr);
  SetEventGate(nullptr);
  CafeBoardFixture::TearDown();
}

void TutorialFixture::Step(float seconds) {
  GameClock::Advance(seconds);
  SetGameStep(seconds);
  mManager.Update();
}

CallLog TutorialFixture::Take() {
  CallLog taken;
  taken.swap(mCalls);
  return taken;
}
