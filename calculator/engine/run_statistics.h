// What a run keeps of its battles: the figures the windows and b3cli show (the attacker's wins,
// the summed losses, and per side how many battles lost each number of units with the production
// turns of the last such battle), accumulated battle by battle in memory that does not grow with
// the number of battles.
#pragma once

#include <array>
#include <cstdint>
#include <utility>

#include "engine/army.h"

namespace b3::engine {

// One battle's outcome and losses: outcome (1 attacker won, 0 defender won), attacking armies
// lost, their production turns, defending armies lost, their production turns.
using BattleRow = std::array<Long, 5>;

// Each summed figure is what one battle adds to it; a new sum is one more entry here (and its
// index below).
using SumOf = std::int64_t (*)(const BattleRow&);
inline constexpr SumOf kSumOf[] = {
    [](const BattleRow& r) -> std::int64_t { return r[0]; },  // attacker's wins
    [](const BattleRow& r) -> std::int64_t { return r[1]; },  // attacking armies lost
    [](const BattleRow& r) -> std::int64_t { return r[2]; },  // their production turns
    [](const BattleRow& r) -> std::int64_t { return r[3]; },  // defending armies lost
    [](const BattleRow& r) -> std::int64_t { return r[4]; },  // their production turns
    // The squares of the four loss columns, for the spread of their averages.
    [](const BattleRow& r) -> std::int64_t { return std::int64_t{r[1]} * r[1]; },
    [](const BattleRow& r) -> std::int64_t { return std::int64_t{r[2]} * r[2]; },
    [](const BattleRow& r) -> std::int64_t { return std::int64_t{r[3]} * r[3]; },
    [](const BattleRow& r) -> std::int64_t { return std::int64_t{r[4]} * r[4]; },
};
// Where the sums of squares of the loss columns 2..5 start among the sums.
inline constexpr std::size_t kSquaresAt = 5;
inline constexpr std::size_t kSumCount = std::size(kSumOf);

// The number of units a side can lose in a battle, 0 to 32, is one loss bin.
inline constexpr std::size_t kLossBins = 33;

class RunStatistics {
public:
    struct LossBin {
        std::int64_t battles = 0;  // battles with exactly this many units of the side lost
        Long lastTurns = 0;        // the production turns lost in the last of them
        bool operator==(const LossBin&) const = default;
    };
    using LossBins = std::array<LossBin, kLossBins>;

    // Adds the next battle (in battle order).
    void Book(const BattleRow& row) {
        ++battles_;
        AddSums(row, std::make_index_sequence<kSumCount>{});
        BookLoss(lost_[0], row[1], row[2]);
        BookLoss(lost_[1], row[3], row[4]);
        if (row[0] == 0 || row[0] == 1) {
            BookLoss(lostGiven_[static_cast<std::size_t>(row[0])][0], row[1], row[2]);
            BookLoss(lostGiven_[static_cast<std::size_t>(row[0])][1], row[3], row[4]);
        }
    }
    // Adds the battles of `later`, all fought after the ones booked here.
    void Merge(const RunStatistics& later) {
        battles_ += later.battles_;
        for (std::size_t i = 0; i < kSumCount; ++i) sums_[i] += later.sums_[i];
        for (std::size_t s = 0; s < 2; ++s) {
            MergeLoss(lost_[s], later.lost_[s]);
            for (std::size_t o = 0; o < 2; ++o) MergeLoss(lostGiven_[o][s], later.lostGiven_[o][s]);
        }
    }
    void Clear() { *this = RunStatistics{}; }

    std::int64_t Battles() const { return battles_; }
    // The sum of a battle column (1..5) over the booked battles, and of the squares of a loss
    // column (2..5).
    std::int64_t Sum(int column) const { return sums_[static_cast<std::size_t>(column - 1)]; }
    std::int64_t SumOfSquares(int column) const {
        return sums_[kSquaresAt + static_cast<std::size_t>(column - 2)];
    }
    // Side 0 the attacker, 1 the defender: over all battles, and over the battles of one outcome
    // (1 attacker won, 0 defender won).
    const LossBins& Lost(int side) const { return lost_[static_cast<std::size_t>(side)]; }
    const LossBins& LostGiven(int outcome, int side) const {
        return lostGiven_[static_cast<std::size_t>(outcome)][static_cast<std::size_t>(side)];
    }

    bool operator==(const RunStatistics&) const = default;

private:
    // Each sum by its own index, so that every one is a plain addition in the battle loop.
    template <std::size_t... I>
    void AddSums(const BattleRow& row, std::index_sequence<I...>) {
        ((sums_[I] += kSumOf[I](row)), ...);
    }

    // A count outside 0..32 cannot come from a battle; it is not binned.
    static void BookLoss(LossBins& bins, Long lost, Long turns) {
        if (lost < 0 || lost >= static_cast<Long>(kLossBins)) return;
        LossBin& b = bins[static_cast<std::size_t>(lost)];
        ++b.battles;
        b.lastTurns = turns;
    }

    static void MergeLoss(LossBins& bins, const LossBins& later) {
        for (std::size_t k = 0; k < kLossBins; ++k) {
            if (later[k].battles == 0) continue;
            bins[k].battles += later[k].battles;
            bins[k].lastTurns = later[k].lastTurns;
        }
    }

    std::int64_t battles_ = 0;
    std::array<std::int64_t, kSumCount> sums_{};
    std::array<LossBins, 2> lost_{};
    std::array<std::array<LossBins, 2>, 2> lostGiven_{};  // [outcome][side]
};

}  // namespace b3::engine
