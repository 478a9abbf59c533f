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

    // Fights `count` battles, giving each one's row to `book` as it ends. Several battles are
    // fought side by side, a duel of each in turn, so that the look-ups of one battle's next duel
    // overlap with the others'; the battles end, and are booked, in an order that the draws
    // decide.
    template <class Book>
    void FightMany(RandomSource& rng, std::int64_t count, Book&& book) {
        constexpr int kLanes = 4;
        std::uint32_t at[kLanes];
        int lanes = 0;
        std::int64_t started = 0;
        while (lanes < kLanes && started < count) {
            at[lanes++] = 0;
            ++started;
        }
        while (lanes > 0) {
            for (int k = 0; k < lanes; ++k) {
                const std::uint32_t next = Step(at[k], rng.Next64());
                if (next < kEnd) {
                    at[k] = next;
                    continue;
                }
                book(ends_[next - kEnd]);
                if (started < count) {
                    at[k] = 0;
                    ++started;
                } else {
                    at[k--] = at[--lanes];
                }
            }
        }
    }

private:
    // What may follow a duel (or the start of the battle) is one of a node's columns, each
    // drawn with the same chance; a column then keeps its own step with chance keep / 2^32 and
    // gives the rest to its alias (Walker's alias method). A step is a node, or kEnd + a row of
    // ends_. The draw is branch-free: one 64-bit number chooses the column and the side.
    struct Column {
        std::uint32_t keep;
        std::uint32_t own;
        std::uint32_t alias;
    };
    // Where a node's columns are: columns_[first .. first + count); count 0 until expanded.
    struct Table {
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };
    struct Node {
        State state;
        Long level = 0;  // armies lost before this duel
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

    // The step that `draw` takes from node `at`.
    std::uint32_t Step(std::uint32_t at, std::uint64_t draw) {
        if (tables_[at].count == 0) Expand(at);
        const Table t = tables_[at];
        const Column& c =
            columns_[t.first + static_cast<std::uint32_t>(((draw >> 32) * t.count) >> 32)];
        return static_cast<std::uint32_t>(draw) < c.keep ? c.own : c.alias;
    }
    std::uint32_t NodeOf(const State& state, Long level);
    std::uint32_t EndOf(Long outcome, Long attLost, Long defLost);
    void Expand(std::uint32_t node);
    struct Chance {
        double p;
        std::uint32_t next;
    };
    void SetColumns(std::uint32_t node, const std::vector<Chance>& chances);

    std::shared_ptr<const Lineup> line_;
    Duels duels_;
    std::vector<Node> nodes_;    // node 0 is the start of a battle
    std::vector<Table> tables_;  // per node
    std::vector<Column> columns_;
    std::vector<BattleRow> ends_;
    std::unordered_map<Key, std::uint32_t, KeyHash> index_;
    std::vector<DuelEnd> scratch_;
};

}  // namespace b3::engine
