#include "engine/random.h"

#include <atomic>
#include <chrono>
#include <string>

namespace b3::engine {
namespace {

std::uint64_t SplitMix(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace

RandomSource::RandomSource() {
    SeedFromClock();
}

void RandomSource::Seed(std::uint64_t seed) {
    std::uint64_t x = seed;
    for (auto& s : gen_.s) s = SplitMix(x);
    gen_.haveLow = false;
}

void RandomSource::SeedFromClock() {
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    static std::atomic<std::uint64_t> calls{0};  // two seeds taken in one tick still differ
    Seed(static_cast<std::uint64_t>(now) ^ (++calls * 0xD1B54A32D192ED03ull) ^
         reinterpret_cast<std::uintptr_t>(this));
}

void RandomSource::Jump() {
    static const std::uint64_t kJump[] = {0x180ec6d33cfd0abaull, 0xd5a61266f0c9392cull,
                                          0xa9582618e03fc9aaull, 0x39abdc4529b1661cull};
    std::uint64_t t[4] = {};
    for (std::uint64_t j : kJump) {
        for (int b = 0; b < 64; ++b) {
            if (j & (std::uint64_t{1} << b))
                for (int k = 0; k < 4; ++k) t[k] ^= gen_.s[k];
            NextBits();
        }
    }
    for (int k = 0; k < 4; ++k) gen_.s[k] = t[k];
    gen_.haveLow = false;
}

double RandomSource::NextScripted() {
    if (next_ >= script_.size())
        throw ScriptExhausted("the scripted draws ran out after " + std::to_string(script_.size()) +
                              " values");
    return script_[next_++];
}

}  // namespace b3::engine
