#pragma once

// The seconds of game time of the current update step, read by every widget update (effect
// timers, texture animations). The engine sets it before each update walk; the game board sets
// it to 0 while play is paused.
float GetFrameStep();
void SetFrameStep(float seconds);
