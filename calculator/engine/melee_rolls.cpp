#include "engine/melee_rolls.h"

#include <limits>

namespace b3::engine {
namespace {

// The most combinations of two armies' faces for values of 15 and of 31 bits: at most 1 value in
// 32 is then no roll. Beyond, values of 63 bits, as far as the combinations fit in one.
constexpr std::uint64_t kMostFor15 = std::uint64_t{1} << 10;
constexpr std::uint64_t kMostFor31 = std::uint64_t{1} << 26;
constexpr std::uint64_t kMostFor63 = std::uint64_t{1} << 58;

}  // namespace

ExchangeRolls::ExchangeRolls(Long faces) : bounds_(kDice * kDice) {
    if (faces < 1) return;
    const auto f = static_cast<std::uint64_t>(faces);
    // For each army's dice: how many combinations of their faces there are, and how many of them
    // score at each strength.
    std::uint64_t combos[5] = {};
    std::uint64_t scoring[5][15] = {};
    for (int m = 0; m < 5; ++m) {
        const auto medalDie = static_cast<std::uint64_t>(kMedalDie[m]);
        combos[m] = m == 0 ? f : f * medalDie;
        // A roll misses when the combat die and any medal die both show more than the strength.
        for (std::uint64_t s = 0; s < 15; ++s) {
            const std::uint64_t missDice = f - (s < f ? s : f);
            const std::uint64_t missMedal = m == 0 ? 1 : medalDie - (s < medalDie ? s : medalDie);
            scoring[m][s] = combos[m] - missDice * missMedal;
        }
    }
    // For two armies' dice: the values to a step and how many values each combination of both
    // armies' faces takes, repeated in every lane.
    std::uint64_t scale[5][5] = {};
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    for (int a = 0; a < 5; ++a) {
        for (int d = 0; d < 5; ++d) {
            if (combos[a] > kMax / combos[d]) continue;
            const std::uint64_t n = combos[a] * combos[d];
            const int lanes = n <= kMostFor15 ? 4 : n <= kMostFor31 ? 2 : n <= kMostFor63 ? 1 : 0;
            if (lanes == 0) continue;
            const std::uint64_t each = (std::uint64_t{1} << (64 / lanes - 1)) / n;
            pairs_[a][d] = {lanes,
                            lanes == 4   ? LaneBits<4>::kGathering
                            : lanes == 2 ? LaneBits<2>::kGathering
                                         : LaneBits<1>::kGathering,
                            each * n};
            scale[a][d] = each * (lanes == 4   ? LaneBits<4>::kOnes
                                  : lanes == 2 ? LaneBits<2>::kOnes
                                               : LaneBits<1>::kOnes);
        }
    }
    for (int a = 0; a < 5; ++a) {
        for (int sa = 0; sa < 15; ++sa) {
            for (int d = 0; d < 5; ++d) {
                for (int sd = 0; sd < 15; ++sd) {
                    const std::uint64_t kA = scoring[a][sa], kD = scoring[d][sd];
                    const std::uint64_t attackerOnly = kA * (combos[d] - kD);
                    const std::uint64_t defenderOnly = (combos[a] - kA) * kD;
                    bounds_[static_cast<std::size_t>((a * 15 + sa) * kDice + d * 15 + sd)] = {
                        scale[a][d] * attackerOnly, scale[a][d] * (attackerOnly + defenderOnly)};
                }
            }
        }
    }
}

}  // namespace b3::engine
