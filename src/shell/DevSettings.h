#pragma once

// Developer settings. Developer mode is never switched on in the shipped game, so its switches
// stay off; the float values place the career's achievement badges.
struct DevSettings {
  bool mDevMode = false;
  bool mFoodAll = false;  // every visitor accepts any product (developer mode only)
  bool mJoinLog = false;  // log the heroine's product joins (developer mode only)
  float mCareerAchievX = 60.0f;
  float mCareerAchievY = 353.0f;
  float mCareerAchievW = 66.0f;
};

DevSettings& GetDevSettings();
