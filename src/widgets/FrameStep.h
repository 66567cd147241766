#pragma once

// The seconds of the current update step, read by every widget update (effect timers, texture
// animations). The engine sets it before each update walk. The game board keeps a game step of
// its own, so that pausing play never stills a widget.
float GetFrameStep();
void SetFrameStep(float seconds);
