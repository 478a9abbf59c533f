// The duel level of a simulation: a battle fought as its chain of duels, each duel's end (which
// army dies, and what the survivor carries on) drawn in one draw from that duel's own
// distribution of ends. That distribution follows from the duel rules for the two armies as they
// enter the duel (duel_states.h, Duels); it is worked out the first time a run meets that pair of
// armies in that state and kept for the rest of the run. An army of a first front enters its
// first duel in a set-up state (poison, disease, curse, stack bonus) drawn from the chances of
// the set-up strikes, which are independent for each army.
//
// Nothing here looks at whole battles: every draw is one duel's end or one army's set-up.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/duel_states.h"
#include "engine/random.h"
#include "engine/run_statistics.h"

namespace b3::engine {

class DuelChain {
public:
    // `line` is the run's line-up (shared by the threads of a run); `duels` resolves duels for
    // the run's dice.
    DuelChain(std::shared_ptr<const Lineup> line, Duels duels);

    // Fights one battle with draws from `rng`: outcome, attacking armies lost, their production
    // turns, defending armies lost, their production turns.
    BattleRow Fight(RandomSource& rng);

    // How many pairs of duel states the run has met so far (a measure of its tables).
    std::size_t DuelStatesMet() const { return nodes_.size() - 1; }

private:
    // What may follow a duel (or the start of the battle): the next duel, or the battle's end.
    struct Step {
        double upTo;         // the cumulative chance of this step and the ones before it
        std::uint32_t next;  // a node, or kEnd + a row of ends_
    };
    struct Node {
        State state;
        Long level = 0;  // armies lost before this duel
        std::uint32_t first = 0;
        std::uint32_t count = 0;  // steps_[first .. first + count); none until expanded
        bool expanded = false;
    };
    struct Key {
        State state;
        Long level;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const {
            return StateHash{}(k.state) * 31u + static_cast<std::size_t>(k.level);
        }
    };
    static constexpr std::uint32_t kEnd = 0x80000000u;

    std::uint32_t NodeOf(const State& state, Long level);
    std::uint32_t EndOf(Long outcome, Long attLost, Long defLost);
    void Expand(std::uint32_t node);
    void SetSteps(Node& node, std::vector<Step>& steps);

    std::shared_ptr<const Lineup> line_;
    Duels duels_;
    std::vector<Node> nodes_;  // node 0 is the start of a battle
    std::vector<Step> steps_;
    std::vector<BattleRow> ends_;
    std::unordered_map<Key, std::uint32_t, KeyHash> index_;
    std::vector<DuelEnd> scratch_;
};

}  // namespace b3::engine
