#include "engine/duel_chain.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "engine/duel_rules.h"

namespace b3::engine {

DuelChain::DuelChain(std::shared_ptr<const Lineup> line, Duels duels)
    : line_(std::move(line)), duels_(duels) {
    if (line_->attackers.empty() || line_->defenders.empty())
        throw std::logic_error("a battle without armies on both sides");
    // The start of a battle: the first army of each side in one of its set-up states.
    nodes_.push_back({});
    tables_.push_back({});
    std::vector<Chance> start;
    for (const auto& ea : line_->attackers.front().entries)
        for (const auto& ed : line_->defenders.front().entries)
            start.push_back({ea.p * ed.p, NodeOf(State{0, ea.carried, ed.carried}, 0)});
    SetColumns(0, start);
}

std::uint32_t DuelChain::NodeOf(const State& state, Long level) {
    const auto [it, added] =
        index_.try_emplace(Key{state, level}, static_cast<std::uint32_t>(nodes_.size()));
    if (added) {
        if (nodes_.size() >= kEnd) throw std::length_error("too many duel states for one run");
        nodes_.push_back({state, level});
        tables_.push_back({});
    }
    return it->second;
}

std::uint32_t DuelChain::EndOf(Long outcome, Long attLost, Long defLost) {
    const BattleRow row{outcome, attLost,
                        SaturateLong(line_->attTurns[static_cast<std::size_t>(attLost)]), defLost,
                        SaturateLong(line_->defTurns[static_cast<std::size_t>(defLost)])};
    for (std::size_t i = 0; i < ends_.size(); ++i)
        if (ends_[i] == row) return kEnd + static_cast<std::uint32_t>(i);
    ends_.push_back(row);
    return kEnd + static_cast<std::uint32_t>(ends_.size() - 1);
}

// Vose's construction of the alias table; the chances are scaled by their total (which differs
// from 1 by rounding only).
void DuelChain::SetColumns(std::uint32_t node, const std::vector<Chance>& chances) {
    const std::size_t n = chances.size();
    if (n == 0) throw std::logic_error("a duel without an end");
    double total = 0;
    for (const Chance& c : chances) total += c.p;
    std::vector<double> share(n);
    std::vector<std::size_t> small, large;
    for (std::size_t i = 0; i < n; ++i) {
        share[i] = chances[i].p / total * static_cast<double>(n);
        (share[i] < 1.0 ? small : large).push_back(i);
    }
    // A column kept whole gives itself as its alias, so the side drawn does not matter.
    const auto first = static_cast<std::uint32_t>(columns_.size());
    for (const Chance& c : chances) columns_.push_back({0xFFFFFFFFu, c.next, c.next});
    while (!small.empty() && !large.empty()) {
        const std::size_t sm = small.back(), lg = large.back();
        small.pop_back();
        Column& col = columns_[first + sm];
        col.keep = static_cast<std::uint32_t>(std::min(share[sm] * 0x1.0p32, 4294967295.0));
        col.alias = chances[lg].next;
        share[lg] -= 1.0 - share[sm];
        if (share[lg] < 1.0) {
            large.pop_back();
            small.push_back(lg);
        }
    }
    tables_[node] = {first, static_cast<std::uint32_t>(n)};
}

void DuelChain::Expand(std::uint32_t index) {
    const State state = nodes_[index].state;
    const Long level = nodes_[index].level;
    const Long ka = state.attackersLost;
    const Long kd = level - ka;
    CArmy a = line_->attackers[static_cast<std::size_t>(ka)].army;
    CArmy d = line_->defenders[static_cast<std::size_t>(kd)].army;
    Carry(a, state.att, false);
    Carry(d, state.def, true);
    duels_.Resolve(a, d, scratch_);

    std::vector<Chance> chances;
    for (const DuelEnd& e : scratch_) {
        FollowDuel(
            *line_, state, level, e,
            [&](const State& next, double p) {
                chances.push_back({e.p * p, NodeOf(next, level + 1)});
            },
            [&](Long outcome, Long attLost, Long defLost) {
                chances.push_back({e.p, EndOf(outcome, attLost, defLost)});
            });
    }
    SetColumns(index, chances);
}

}  // namespace b3::engine
