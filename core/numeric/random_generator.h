// The program's one random number generator: a lagged XOR generator over
// 31 words behind the expression language's uniform and normal random
// functions. Without RandomInit every run produces the same sequence.
#pragma once

#include <cstdint>

// Seeds from the current time in seconds; the table is refilled on the next
// draw.
void RandomInit();
// Puts the generator back to its state at program start (seed 5), or to a
// chosen seed; used for repeatable runs and tests.
void RandomReset();
void RandomSetSeed(std::int32_t seed);
// A table word divided by 2^31 - 1: both 0 and 1 can occur.
double RandomUniform();
// Standard normal by Box-Muller, returned in pairs (cosine, then sine).
double RandomNormal();
