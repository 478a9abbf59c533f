#include "engine/battle_sampler.h"

#include "engine/duel_rules.h"

namespace b3::engine {

BattleSampler::BattleSampler(const ExactOdds& odds) {
    std::vector<double> p;
    for (std::size_t o = 0; o < 2; ++o) {
        for (std::size_t ka = 0; ka < kLossBins; ++ka) {
            for (std::size_t kd = 0; kd < kLossBins; ++kd) {
                if (!(odds.joint[o][ka][kd] > 0)) continue;
                p.push_back(odds.joint[o][ka][kd]);
                rows_.push_back({static_cast<Long>(o), static_cast<Long>(ka),
                                 SaturateLong(odds.attackerTurnsLost[ka]), static_cast<Long>(kd),
                                 SaturateLong(odds.defenderTurnsLost[kd])});
            }
        }
    }
    // Vose's alias method: each column keeps its own cell with chance `keep` and gives the rest
    // of its share to a cell whose share is larger than one column.
    const std::size_t n = p.size();
    double total = 0;
    for (double x : p) total += x;
    std::vector<double> share(n);
    std::vector<std::size_t> small, large;
    for (std::size_t i = 0; i < n; ++i) {
        share[i] = p[i] / total * static_cast<double>(n);
        (share[i] < 1.0 ? small : large).push_back(i);
    }
    for (std::size_t i = 0; i < n; ++i)
        columns_.push_back({1.0, static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i)});
    while (!small.empty() && !large.empty()) {
        const std::size_t s = small.back(), l = large.back();
        small.pop_back();
        columns_[s].keep = share[s];
        columns_[s].alias = static_cast<std::uint32_t>(l);
        share[l] -= 1.0 - share[s];
        if (share[l] < 1.0) {
            large.pop_back();
            small.push_back(l);
        }
    }
    // The columns left over keep their own cell whole (their share is one up to rounding).
}

}  // namespace b3::engine
