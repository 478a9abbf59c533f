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

// The generator behind a random source: xoshiro256**, a step at a time.
struct Xoshiro256 {
    std::uint64_t s[4] = {};

    std::uint64_t Next64() {
        const std::uint64_t result = Rotl(s[1] * 5, 7) * 9;
        const std::uint64_t t = s[1] << 17;
        s[2] ^= s[0];
        s[3] ^= s[1];
        s[1] ^= s[2];
        s[0] ^= s[3];
        s[2] ^= t;
        s[3] = Rotl(s[3], 45);
        return result;
    }

private:
    static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
};

// The same with its output split into 32-bit halves on demand. A hot loop may copy it out of its
// source, draw from the copy and put it back.
struct Generator : Xoshiro256 {
    std::uint32_t low = 0;  // the second half of the last step, while haveLow
    bool haveLow = false;

    std::uint32_t Next32() {
        if (haveLow) {
            haveLow = false;
            return low;
        }
        const std::uint64_t bits = Next64();
        low = static_cast<std::uint32_t>(bits);
        haveLow = true;
        return static_cast<std::uint32_t>(bits >> 32);
    }
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

    // A uniform whole number from 0 to 2^32 - 1: each step of the generator gives two. A scripted
    // value v gives v scaled to 32 bits.
    std::uint32_t Next32() {
        if (scripted_) return static_cast<std::uint32_t>(NextScripted() * 0x1.0p32);
        return gen_.Next32();
    }

    // A uniform whole number from 0 to 2^64 - 1 (the generator's own step; not scripted).
    std::uint64_t Next64() { return gen_.Next64(); }

    // The generator, for a loop that draws from a copy of it (not for a scripted stream).
    const Generator& Gen() const { return gen_; }
    void SetGen(const Generator& g) { gen_ = g; }
    // Its steps alone, for a loop that draws whole steps (a half kept for Next32 stays kept).
    const Xoshiro256& Steps() const { return gen_; }
    void SetSteps(const Xoshiro256& x) { static_cast<Xoshiro256&>(gen_) = x; }

    // A roll of a die with `faces` faces (1 or more): 1 to faces, from one Next32 value. A
    // scripted value v gives the face v falls on, as the integer part of v * faces + 1 would.
    std::uint32_t Roll(std::uint32_t faces) {
        return static_cast<std::uint32_t>((std::uint64_t{Next32()} * faces) >> 32) + 1;
    }
    // The bound below which a Next32 value makes Roll(faces) at most `most`: a roll of at most
    // `most` is Next32() < RollBound(faces, most) (2^32 when every roll is).
    static std::uint64_t RollBound(std::uint32_t faces, std::int64_t most) {
        if (most <= 0) return 0;
        if (most >= faces) return std::uint64_t{1} << 32;
        // The smallest x with x * faces >= most * 2^32.
        return ((static_cast<std::uint64_t>(most) << 32) + faces - 1) / faces;
    }

private:
    std::uint64_t NextBits() { return gen_.Next64(); }
    double NextScripted();

    Generator gen_;
    bool scripted_ = false;
    std::vector<double> script_;
    std::size_t next_ = 0;
};

}  // namespace b3::engine
