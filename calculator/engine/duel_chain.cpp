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
    std::vector<Step> start;
    for (const auto& ea : line_->attackers.front().entries)
        for (const auto& ed : line_->defenders.front().entries)
            start.push_back({ea.p * ed.p, NodeOf(State{0, ea.carried, ed.carried}, 0)});
    SetSteps(nodes_[0], start);
    nodes_[0].expanded = true;
}

std::uint32_t DuelChain::NodeOf(const State& state, Long level) {
    const auto [it, added] =
        index_.try_emplace(Key{state, level}, static_cast<std::uint32_t>(nodes_.size()));
    if (added) {
        if (nodes_.size() >= kEnd) throw std::length_error("too many duel states for one run");
        Node node;
        node.state = state;
        node.level = level;
        nodes_.push_back(node);
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

// The likeliest steps first, so that a draw scans as few as it can; the chances are summed as
// they stand, and a draw scales its uniform number by their total.
void DuelChain::SetSteps(Node& node, std::vector<Step>& steps) {
    std::stable_sort(steps.begin(), steps.end(),
                     [](const Step& x, const Step& y) { return x.upTo > y.upTo; });
    double sum = 0;
    for (Step& s : steps) {
        sum += s.upTo;
        s.upTo = sum;
    }
    node.first = static_cast<std::uint32_t>(steps_.size());
    node.count = static_cast<std::uint32_t>(steps.size());
    steps_.insert(steps_.end(), steps.begin(), steps.end());
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

    std::vector<Step> steps;
    for (const DuelEnd& e : scratch_) {
        FollowDuel(
            *line_, state, level, e,
            [&](const State& next, double p) {
                steps.push_back({e.p * p, NodeOf(next, level + 1)});
            },
            [&](Long outcome, Long attLost, Long defLost) {
                steps.push_back({e.p, EndOf(outcome, attLost, defLost)});
            });
    }
    if (steps.empty()) throw std::logic_error("a duel without an end");
    // NodeOf may have moved the nodes: look the node up again.
    Node& node = nodes_[index];
    SetSteps(node, steps);
    node.expanded = true;
}

BattleRow DuelChain::Fight(RandomSource& rng) {
    std::uint32_t at = 0;
    for (;;) {
        if (!nodes_[at].expanded) Expand(at);
        const Node& node = nodes_[at];
        const Step* step = steps_.data() + node.first;
        const Step* last = step + node.count - 1;
        const double u = rng.Next() * last->upTo;
        while (step != last && u >= step->upTo) ++step;
        if (step->next >= kEnd) return ends_[step->next - kEnd];
        at = step->next;
    }
}

}  // namespace b3::engine
