// The program's random number generator; see random_generator.h.
#include "core/numeric/random_generator.h"

#include <cmath>
#include <cstdlib>
#include <ctime>

namespace {

constexpr double kWordScale = 4.656612875245797e-10;  // 1 / (2^31 - 1)
constexpr double kTwoPi = 6.283185307179586;
// Zero words are rare; a run of them this long would mean a broken table.
constexpr int kMaxZeroDraws = 1000;

// 32-bit wrap-around arithmetic, done on unsigned words.
std::int32_t Wrap(std::uint32_t v) { return static_cast<std::int32_t>(v); }

}  // namespace

void RandomGenerator::FillTable() {
    seed_ = Wrap(2u * static_cast<std::uint32_t>(seed_) + 1u);
    for (int i = 0; i < kTableSize; ++i) {
        seed_ = Wrap(static_cast<std::uint32_t>(seed_) * 4099u);
        // The seed is odd, so it is never -2^31 and abs cannot overflow.
        std::int64_t v = seed_;
        table_[i] = static_cast<std::int32_t>(v < 0 ? -v : v);
    }
}

void RandomGenerator::Init() {
    seed_ = Wrap(static_cast<std::uint32_t>(static_cast<std::uint64_t>(std::time(nullptr))));
    index_ = -1;
}

void RandomGenerator::Reset() { *this = RandomGenerator{}; }

void RandomGenerator::SetSeed(std::int32_t seed) {
    *this = RandomGenerator{};
    seed_ = seed;
}

double RandomGenerator::Uniform() {
    if (index_ < 0) FillTable();
    index_ = index_ + 1;
    if (index_ >= kTableSize) index_ = 0;
    int j = index_ - 3;
    if (j < 0) j += kTableSize;
    table_[index_] = table_[index_] ^ table_[j];
    return table_[index_] * kWordScale;
}

double RandomGenerator::Normal() {
    if (normalPending_) {
        normalPending_ = false;
        return radius_ * std::sin(angle_);
    }
    // ln 0 has no value: a zero uniform is drawn again.
    double u1 = Uniform();
    for (int tries = 0; u1 == 0.0 && tries < kMaxZeroDraws; ++tries) u1 = Uniform();
    if (u1 == 0.0) u1 = kWordScale;
    double u2 = Uniform();
    radius_ = std::sqrt(-2.0 * std::log(u1));
    angle_ = kTwoPi * u2;
    normalPending_ = true;
    return radius_ * std::cos(angle_);
}
