// Battles drawn duel by duel: a walk over the duel states of a battle (duel_states.h), in which
// one number draws how a duel ends and with it the state of the next duel. A state's ends are
// worked out from the combat rules when the walk first meets it and then kept, so a run works out
// each kind of duel once instead of rolling it again in every battle. The states kept are bounded:
// when there are too many, they are dropped and met afresh.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/duel_states.h"
#include "engine/random.h"
#include "engine/run_statistics.h"

namespace b3::engine {

class BattleChain {
public:
    // The most states kept at once.
    static constexpr std::size_t kMaxStates = std::size_t{1} << 16;

    // `calc` is prepared for the run and outlives the chain.
    BattleChain(std::shared_ptr<const Lineup> line, const MBattleCalc& calc, Long dice);

    // One battle: outcome, attacking armies lost, their production turns, defending armies lost,
    // their production turns.
    BattleRow Draw(RandomSource& rng);

    std::size_t States() const { return keys_.size(); }

private:
    struct Key {
        State state;
        Long level;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const {
            return StateHash{}(k.state) ^ (static_cast<std::size_t>(k.level) * 0x9e3779b97f4a7c15ULL);
        }
    };
    // The ways a node's duel ends, as an alias table: a draw u picks column k = floor(u * count)
    // and takes its own way when the rest of u * count is below `keep`, else its alias. A way is
    // the next state's node, or a finished battle coded as -1 - ((outcome * 33 + attackers lost)
    // * 33 + defenders lost).
    struct Step {
        double keep;
        std::int32_t next;
        std::int32_t alias;
    };
    // A node's ways in steps_; count 0 until the node's ends are worked out.
    struct Span {
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };

    void Reset();
    // Appends the alias table of `ways` (chance, way) to the steps and returns its span.
    struct Way {
        double p;
        std::int32_t next;
    };
    Span AddWays(const std::vector<Way>& ways);
    std::int32_t Intern(const State& state, Long level);
    void Expand(std::int32_t node);
    BattleRow Finished(std::int32_t code) const;

    std::shared_ptr<const Lineup> line_;
    Duels duels_;
    // Node 0 stands before the first duel and chooses the states in which the first armies
    // enter; every other node is a duel state. The walk reads only the spans and steps.
    std::vector<Key> keys_;
    std::vector<Span> spans_;
    std::vector<Step> steps_;
    std::unordered_map<Key, std::int32_t, KeyHash> index_;
    std::vector<DuelEnd> ends_;
};

}  // namespace b3::engine
