#pragma once
#include <cstdint>

// The game's everyday random numbers: one standard generator producing 0..32767 like the C
// library's rand(), seedable so that tests and demo playback repeat the same choices.
void SeedRandom(uint32_t seed);
// The next raw value, 0..32767.
int RandomRaw();
// a + (b - a) * raw / 32767: both bounds can come back.
float RandomFloat(float a, float b);
// a + raw % (b - a): b is excluded, except that when b - a is 1 the result is a or b with equal
// chance. a itself when b <= a.
int RandomInt(int a, int b);
