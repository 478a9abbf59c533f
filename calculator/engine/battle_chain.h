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
    // A node's ways, once worked out, are a block of steps_: a header step whose `next` holds
    // the number of ways, then an alias table of that many columns. A draw u picks column
    // k = floor(u * count) and takes its own way when the rest of u * count is below `keep`, else
    // its alias. A way is a finished battle (kFinished | (outcome * 33 + attackers lost) * 33 +
    // defenders lost), a node not yet looked up (kNode | node), or, once looked up, the offset of
    // the node's block, so that the walk follows one link per duel.
    struct Step {
        double keep;
        std::uint32_t next;
        std::uint32_t alias;
    };
    static constexpr std::uint32_t kFinished = 0x80000000u;
    static constexpr std::uint32_t kNode = 0x40000000u;
    static constexpr std::uint32_t kUnworked = 0xffffffffu;

    void Reset();
    struct Way {
        double p;
        std::uint32_t next;
    };
    // Appends the block of `ways` to the steps and returns its offset.
    std::uint32_t AddBlock(const std::vector<Way>& ways);
    std::uint32_t Intern(const State& state, Long level);
    // The offset of a node's block, working out its ways first when needed.
    std::uint32_t BlockOf(std::uint32_t node);
    BattleRow Finished(std::uint32_t code) const;

    std::shared_ptr<const Lineup> line_;
    Duels duels_;
    // Node 0 stands before the first duel and chooses the states in which the first armies
    // enter; every other node is a duel state.
    std::vector<Key> keys_;
    std::vector<std::uint32_t> blocks_;  // by node: its block's offset, or kUnworked
    std::vector<Step> steps_;
    std::unordered_map<Key, std::uint32_t, KeyHash> index_;
    std::vector<DuelEnd> ends_;
};

}  // namespace b3::engine
