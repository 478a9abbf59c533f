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
    blocks_.clear();
    steps_.clear();
    index_.clear();
    keys_.push_back({});
    blocks_.push_back(kUnworked);
    // The root chooses the states in which the first two armies enter.
    std::vector<Way> ways;
    for (const auto& ea : line_->attackers.front().entries)
        for (const auto& ed : line_->defenders.front().entries)
            ways.push_back({ea.p * ed.p, kNode | Intern(State{0, ea.carried, ed.carried}, 0)});
    blocks_[0] = AddBlock(ways);
}

std::uint32_t BattleChain::AddBlock(const std::vector<Way>& ways) {
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
    const auto block = static_cast<std::uint32_t>(steps_.size());
    steps_.push_back({0.0, static_cast<std::uint32_t>(n), 0});
    for (const Way& w : ways) steps_.push_back({1.0, w.next, w.next});
    Step* column = &steps_[block + 1];
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
    return block;
}

std::uint32_t BattleChain::Intern(const State& state, Long level) {
    const Key key{state, level};
    const auto [it, added] = index_.try_emplace(key, static_cast<std::uint32_t>(keys_.size()));
    if (added) {
        keys_.push_back(key);
        blocks_.push_back(kUnworked);
    }
    return it->second;
}

std::uint32_t BattleChain::BlockOf(std::uint32_t node) {
    if (blocks_[node] != kUnworked) return blocks_[node];
    const Key key = keys_[node];
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
                ways.push_back({e.p * pn, kNode | Intern(n, key.level + 1)});
            },
            [&](Long outcome, Long lostA, Long lostD) {
                ways.push_back(
                    {e.p, kFinished | static_cast<std::uint32_t>((outcome * 33 + lostA) * 33 + lostD)});
            });
    }
    blocks_[node] = AddBlock(ways);
    return blocks_[node];
}

BattleRow BattleChain::Finished(std::uint32_t code) const {
    const auto c = static_cast<Long>(code & ~kFinished);
    const Long lostD = c % 33;
    const Long lostA = c / 33 % 33;
    const Long outcome = c / (33 * 33);
    return {outcome, lostA, SaturateLong(line_->attTurns[static_cast<std::size_t>(lostA)]), lostD,
            SaturateLong(line_->defTurns[static_cast<std::size_t>(lostD)])};
}

BattleRow BattleChain::Draw(RandomSource& rng) {
    if (keys_.size() > kMaxStates) Reset();
    std::uint32_t block = blocks_[0];
    for (;;) {
        const std::uint32_t count = steps_[block].next;
        std::size_t column = block + 1;
        bool alias = false;
        // A duel with one way to end draws nothing.
        if (count > 1) {
            const double x = rng.Next() * count;
            const auto k = static_cast<std::uint32_t>(x);
            column += k;
            alias = !(x - k < steps_[column].keep);
        }
        std::uint32_t to = alias ? steps_[column].alias : steps_[column].next;
        if (to & kFinished) return Finished(to);
        if (to & kNode) {
            // First use of this link: look the node's block up once and keep its offset.
            to = BlockOf(to & ~kNode);
            (alias ? steps_[column].alias : steps_[column].next) = to;
        }
        block = to;
    }
}

}  // namespace b3::engine
