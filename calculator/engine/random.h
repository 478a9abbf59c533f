// The engine's random source: uniform doubles in [0, 1) with 53 random bits each, from a fast
// generator (xoshiro256**) seeded once per run, either from the clock or from a given seed.
// Successive draws are independent, so draws within one clock tick still differ. Tests can
// replace the stream with a script of values.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace b3::engine {

// A scripted stream ran out of values.
class ScriptExhausted : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

class RandomSource {
public:
    RandomSource();  // seeded from the clock
    explicit RandomSource(std::uint64_t seed) { Seed(seed); }

    void Seed(std::uint64_t seed);
    void SeedFromClock();
    // Advances the stream by 2^128 draws: streams one jump apart never overlap in practice, which
    // gives each worker of a run its own stream.
    void Jump();

    // From now on the draws are these values, in order; a draw past the end throws
    // ScriptExhausted. An empty script returns to the generator.
    void Script(std::vector<double> values) {
        script_ = std::move(values);
        next_ = 0;
        scripted_ = !script_.empty();
    }
    bool Scripted() const { return scripted_; }
    std::size_t ScriptLeft() const { return scripted_ ? script_.size() - next_ : 0; }

    double Next() {
        if (scripted_) return NextScripted();
        return static_cast<double>(NextBits() >> 11) * 0x1.0p-53;
    }

private:
    static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t NextBits() {
        const std::uint64_t result = Rotl(s_[1] * 5, 7) * 9;
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = Rotl(s_[3], 45);
        return result;
    }
    double NextScripted();

    std::uint64_t s_[4] = {};
    bool scripted_ = false;
    std::vector<double> script_;
    std::size_t next_ = 0;
};

}  // namespace b3::engine
