// The program's random number generator: a lagged XOR generator over 31
// words behind the expression language's uniform and normal random
// functions. A new generator starts at seed 5, so that without Init every
// run produces the same sequence.
#pragma once

#include <cstdint>

class RandomGenerator {
public:
    // Seeds from the current time in seconds; the table is refilled on the
    // next draw.
    void Init();
    // Back to the state of a new generator (seed 5), or to a chosen seed;
    // used for repeatable runs and tests.
    void Reset();
    void SetSeed(std::int32_t seed);
    // A table word divided by 2^31 - 1: both 0 and 1 can occur.
    double Uniform();
    // Standard normal by Box-Muller, returned in pairs (cosine, then sine).
    double Normal();

private:
    static constexpr int kTableSize = 31;

    void FillTable();

    std::int32_t seed_ = 5;
    int index_ = -1;  // negative: refill the table before the next draw
    std::int32_t table_[kTableSize] = {};
    bool normalPending_ = false;
    double radius_ = 0.0;
    double angle_ = 0.0;
};
