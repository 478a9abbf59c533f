// Whole battles drawn at once. Every figure a run keeps of a battle (its outcome, the armies each
// side lost and their production turns) follows from three numbers: the outcome and how many
// armies each side lost, since each side's armies die in a fixed order. Their joint distribution
// under the combat rules is what the exact odds compute, so a battle is one draw from it (an
// alias table over its cells), with exactly the distribution of fighting it duel by duel.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/exact_odds.h"
#include "engine/random.h"
#include "engine/run_statistics.h"

namespace b3::engine {

class BattleSampler {
public:
    explicit BattleSampler(const ExactOdds& odds);

    // One battle: outcome, attacking armies lost, their production turns, defending armies lost,
    // their production turns. Safe to call from several threads, each with its own stream.
    BattleRow Draw(RandomSource& rng) const {
        const double x = rng.Next() * static_cast<double>(columns_.size());
        const auto k = static_cast<std::size_t>(x);
        const Column& c = columns_[k];
        return rows_[x - static_cast<double>(k) < c.keep ? c.own : c.alias];
    }

private:
    // Column k keeps its own cell with chance `keep` and otherwise gives its alias.
    struct Column {
        double keep;
        std::uint32_t own;
        std::uint32_t alias;
    };
    std::vector<Column> columns_;
    std::vector<BattleRow> rows_;  // the battle of each cell with a chance
};

}  // namespace b3::engine
