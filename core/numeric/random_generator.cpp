// The program's random number generator; see random_generator.h.
#include "core/numeric/random_generator.h"

#include <cmath>
#include <cstdlib>
#include <ctime>

namespace {

constexpr int kTableSize = 31;
constexpr double kWordScale = 4.656612875245797e-10;  // 1 / (2^31 - 1)
constexpr double kTwoPi = 6.283185307179586;
// Zero words are rare; a run of them this long would mean a broken table.
constexpr int kMaxZeroDraws = 1000;

struct RandomState {
    std::int32_t seed = 5;
    int index = -1;  // negative: refill the table before the next draw
    std::int32_t table[kTableSize] = {};
    bool normalPending = false;
    double radius = 0.0;
    double angle = 0.0;
};

RandomState& State() {
    static RandomState state;
    return state;
}

// 32-bit wrap-around arithmetic, done on unsigned words.
std::int32_t Wrap(std::uint32_t v) { return static_cast<std::int32_t>(v); }

void FillTable(RandomState& s) {
    s.seed = Wrap(2u * static_cast<std::uint32_t>(s.seed) + 1u);
    for (int i = 0; i < kTableSize; ++i) {
        s.seed = Wrap(static_cast<std::uint32_t>(s.seed) * 4099u);
        // The seed is odd, so it is never -2^31 and abs cannot overflow.
        std::int64_t v = s.seed;
        s.table[i] = static_cast<std::int32_t>(v < 0 ? -v : v);
    }
}

}  // namespace

void RandomInit() {
    RandomState& s = State();
    s.seed = Wrap(static_cast<std::uint32_t>(static_cast<std::uint64_t>(std::time(nullptr))));
    s.index = -1;
}

void RandomReset() {
    State() = RandomState{};
}

void RandomSetSeed(std::int32_t seed) {
    RandomState& s = State();
    s = RandomState{};
    s.seed = seed;
}

double RandomUniform() {
    RandomState& s = State();
    if (s.index < 0) FillTable(s);
    s.index = s.index + 1;
    if (s.index >= kTableSize) s.index = 0;
    int j = s.index - 3;
    if (j < 0) j += kTableSize;
    s.table[s.index] = s.table[s.index] ^ s.table[j];
    return s.table[s.index] * kWordScale;
}

double RandomNormal() {
    RandomState& s = State();
    if (s.normalPending) {
        s.normalPending = false;
        return s.radius * std::sin(s.angle);
    }
    // ln 0 has no value: a zero uniform is drawn again.
    double u1 = RandomUniform();
    for (int tries = 0; u1 == 0.0 && tries < kMaxZeroDraws; ++tries) u1 = RandomUniform();
    if (u1 == 0.0) u1 = kWordScale;
    double u2 = RandomUniform();
    s.radius = std::sqrt(-2.0 * std::log(u1));
    s.angle = kTwoPi * u2;
    s.normalPending = true;
    return s.radius * std::cos(s.angle);
}
