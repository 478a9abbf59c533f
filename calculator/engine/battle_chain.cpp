#include "engine/battle_chain.h"

#include "engine/battle_calc.h"
#include "engine/duel_rules.h"

namespace b3::engine {

BattleChain::BattleChain(std::shared_ptr<const Lineup> line, const MBattleCalc& calc, Long dice)
    : line_(std::move(line)), duels_(calc, dice) {
    Reset();
}

void BattleChain::Reset() {
    keys_.clear();
    spans_.clear();
    steps_.clear();
    index_.clear();
    keys_.push_back({});
    spans_.push_back({});
    // The root chooses the states in which the first two armies enter.
    std::vector<Way> ways;
    for (const auto& ea : line_->attackers.front().entries)
        for (const auto& ed : line_->defenders.front().entries)
            ways.push_back({ea.p * ed.p, Intern(State{0, ea.carried, ed.carried}, 0)});
    spans_[0] = AddWays(ways);
}

BattleChain::Span BattleChain::AddWays(const std::vector<Way>& ways) {
    // Vose's alias method: each column keeps its own way with chance `keep` and gives the rest
    // of its share to a way whose share is larger than one column.
    const std::size_t n = ways.size();
    double total = 0;
    for (const Way& w : ways) total += w.p;
    std::vector<double> share(n);
    std::vector<std::size_t> small, large;
    for (std::size_t i = 0; i < n; ++i) {
        share[i] = ways[i].p / total * static_cast<double>(n);
        (share[i] < 1.0 ? small : large).push_back(i);
    }
    const Span span{static_cast<std::uint32_t>(steps_.size()), static_cast<std::uint32_t>(n)};
    for (const Way& w : ways) steps_.push_back({1.0, w.next, w.next});
    Step* column = &steps_[span.first];
    while (!small.empty() && !large.empty()) {
        const std::size_t s = small.back(), l = large.back();
        small.pop_back();
        column[s].keep = share[s];
        column[s].alias = ways[l].next;
        share[l] -= 1.0 - share[s];
        if (share[l] < 1.0) {
            large.pop_back();
            small.push_back(l);
        }
    }
    // The columns left over keep their own way whole (their share is one up to rounding).
    return span;
}

std::int32_t BattleChain::Intern(const State& state, Long level) {
    const Key key{state, level};
    const auto [it, added] = index_.try_emplace(key, static_cast<std::int32_t>(keys_.size()));
    if (added) {
        keys_.push_back(key);
        spans_.push_back({});
    }
    return it->second;
}

void BattleChain::Expand(std::int32_t node) {
    const Key key = keys_[static_cast<std::size_t>(node)];
    const Long ka = key.state.attackersLost;
    const Long kd = key.level - ka;
    CArmy a = line_->attackers[static_cast<std::size_t>(ka)].army;
    CArmy d = line_->defenders[static_cast<std::size_t>(kd)].army;
    Carry(a, key.state.att, false);
    Carry(d, key.state.def, true);
    duels_.Resolve(a, d, ends_);

    std::vector<Way> ways;
    for (const DuelEnd& e : ends_) {
        FollowDuel(
            *line_, key.state, key.level, e,
            [&](const State& n, double pn) {
                ways.push_back({e.p * pn, Intern(n, key.level + 1)});
            },
            [&](Long outcome, Long lostA, Long lostD) {
                ways.push_back({e.p, -1 - ((outcome * 33 + lostA) * 33 + lostD)});
            });
    }
    spans_[static_cast<std::size_t>(node)] = AddWays(ways);
}

BattleRow BattleChain::Finished(std::int32_t code) const {
    const std::int32_t c = -1 - code;
    const Long lostD = c % 33;
    const Long lostA = c / 33 % 33;
    const Long outcome = c / (33 * 33);
    return {outcome, lostA, SaturateLong(line_->attTurns[static_cast<std::size_t>(lostA)]), lostD,
            SaturateLong(line_->defTurns[static_cast<std::size_t>(lostD)])};
}

BattleRow BattleChain::Draw(RandomSource& rng) {
    if (keys_.size() > kMaxStates) Reset();
    std::int32_t node = 0;
    for (;;) {
        if (spans_[static_cast<std::size_t>(node)].count == 0) Expand(node);
        const Span n = spans_[static_cast<std::size_t>(node)];
        const Step* step = &steps_[n.first];
        std::int32_t next = step->next;
        // A duel with one way to end draws nothing.
        if (n.count > 1) {
            const double x = rng.Next() * n.count;
            const auto k = static_cast<std::uint32_t>(x);
            step += k;
            next = x - k < step->keep ? step->next : step->alias;
        }
        if (next < 0) return Finished(next);
        node = next;
    }
}

}  // namespace b3::engine
