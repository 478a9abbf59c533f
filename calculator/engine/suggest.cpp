// The search visits groups of armies by rising cost. Once enough groups reach the target, a
// group that costs more than the last of them cannot enter the answer, so the search ends there;
// groups of the same cost are all visited, since a likelier win ranks first among equals.
#include "engine/suggest.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "engine/battle_calc.h"
#include "engine/exact_odds.h"
#include "engine/unit_list.h"

namespace b3::engine {
namespace {

// Every group of `size` army rows out of `count`, each row used any number of times, rows in
// rising order.
void Groups(Long count, Long size, std::vector<Long>& group, Long from,
            std::vector<std::vector<Long>>& out) {
    if (static_cast<Long>(group.size()) == size) {
        out.push_back(group);
        return;
    }
    for (Long r = from; r < count; ++r) {
        group.push_back(r);
        Groups(count, size, group, r, out);
        group.pop_back();
    }
}

class Trial {
public:
    Trial(CalculatorHost& host, Long listSize, Long dice, Long cityLevel)
        : host_(host),
          listSize_(listSize),
          dice_(dice),
          cityLevel_(cityLevel),
          data_{&host.Armies(), &host.Heroes()} {}

    // The exact win probability with `armies` appended; -1 when that battle cannot be computed
    // exactly.
    double WinWith(const std::vector<Long>& armies) {
        for (std::size_t i = 0; i < armies.size(); ++i)
            AddListedUnit(host_.AttArmies(), data_, armies[i], Slot(i), HealthMarks{});
        double p = -1;
        try {
            if (CheckExactOdds(host_, dice_).empty())
                p = CalculateExactOdds(host_, dice_, cityLevel_).attackerWinProbability;
        } catch (...) {
            Remove(armies.size());
            throw;
        }
        Remove(armies.size());
        return p;
    }

    Long TurnsOf(Long army) {
        CArmy* a = AddListedUnit(host_.AttArmies(), data_, army, Slot(0), HealthMarks{});
        const Long turns = a ? a->Turns() : 0;
        Remove(1);
        return turns;
    }

private:
    Long Slot(std::size_t i) const { return listSize_ + static_cast<Long>(i); }
    void Remove(std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            const std::string key = "SN" + std::to_string(Slot(i));
            if (host_.AttArmies().Find(key)) host_.AttArmies().Remove(key);
        }
    }

    CalculatorHost& host_;
    Long listSize_, dice_, cityLevel_;
    UnitData data_;
};

}  // namespace

Suggestion Suggest(CalculatorHost& host, Long attackListSize, Long CombatDice, Long CityLevel,
                   const SuggestOptions& options, const std::function<bool()>& cancelled) {
    if (!(options.target >= 0 && options.target <= 1))
        throw std::invalid_argument("the target must be a probability from 0 to 1");
    if (options.maxAdd < 1) throw std::invalid_argument("at least one army must be added");
    const Long room = 32 - attackListSize;
    if (room < 1)
        throw std::invalid_argument(
            "the attacking list is full (32 entries): nothing can be added");
    const std::string refusal = CheckExactOdds(host, CombatDice);
    if (!refusal.empty()) throw RunRefused(refusal);

    const auto start = std::chrono::steady_clock::now();
    auto outOfTime = [&] {
        if (cancelled && cancelled()) return true;
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        return spent.count() > options.timeLimit;
    };

    Suggestion s;
    s.target = options.target;
    s.current = CalculateExactOdds(host, CombatDice, CityLevel).attackerWinProbability;
    s.evaluated = 1;
    s.best.winProbability = s.current;
    if (s.Reached()) return s;

    Trial trial(host, attackListSize, CombatDice, CityLevel);
    const Long count = host.NumArmies();
    std::vector<Long> turns(static_cast<std::size_t>(count));
    for (Long r = 0; r < count; ++r) turns[static_cast<std::size_t>(r)] = trial.TurnsOf(r);

    struct Group {
        std::vector<Long> rows;
        Long turns;
    };
    std::vector<Group> groups;
    const Long most = std::min(options.maxAdd, room);
    for (Long size = 1; size <= most; ++size) {
        std::vector<std::vector<Long>> found;
        std::vector<Long> group;
        Groups(count, size, group, 0, found);
        for (auto& g : found) {
            Long t = 0;
            for (Long r : g) t += turns[static_cast<std::size_t>(r)];
            groups.push_back({std::move(g), t});
        }
    }
    // By cost; the smaller group first among equals (fewer armies to raise).
    std::stable_sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
        if (a.turns != b.turns) return a.turns < b.turns;
        return a.rows.size() < b.rows.size();
    });

    auto names = [&host](const std::vector<Long>& rows) {
        std::vector<std::string> out;
        for (Long r : rows)
            out.push_back(host.Armies().at(static_cast<std::size_t>(r), 3).toString());
        return out;
    };
    std::vector<SuggestedAddition> reaching;
    auto ranked = [](const SuggestedAddition& a, const SuggestedAddition& b) {
        if (a.turns != b.turns) return a.turns < b.turns;
        return a.winProbability > b.winProbability;
    };
    for (const Group& g : groups) {
        if (reaching.size() >= options.options) {
            std::sort(reaching.begin(), reaching.end(), ranked);
            if (g.turns > reaching[options.options - 1].turns) break;
        }
        // Every distinct order of appending the group; the likeliest win stands for it.
        std::vector<Long> order = g.rows;
        SuggestedAddition bestOrder;
        bestOrder.winProbability = -1;
        bool stopped = false;
        do {
            if (outOfTime()) {
                stopped = true;
                break;
            }
            const double p = trial.WinWith(order);
            ++s.evaluated;
            if (p > bestOrder.winProbability) {
                bestOrder.armies = order;
                bestOrder.winProbability = p;
            }
        } while (std::next_permutation(order.begin(), order.end()));
        if (stopped) {
            s.complete = false;
            break;
        }
        if (bestOrder.winProbability < 0) continue;
        bestOrder.turns = g.turns;
        bestOrder.add = names(bestOrder.armies);
        if (bestOrder.winProbability > s.best.winProbability ||
            (s.best.armies.empty() && bestOrder.winProbability >= s.best.winProbability))
            s.best = bestOrder;
        if (bestOrder.winProbability >= options.target) reaching.push_back(bestOrder);
    }
    std::sort(reaching.begin(), reaching.end(), ranked);
    if (reaching.size() > options.options) reaching.resize(options.options);
    s.options = std::move(reaching);
    return s;
}

namespace {

std::string Percent(double p) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f%%", p * 100.0);
    return text;
}

std::string Names(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : " + ") + n;
    return out;
}

}  // namespace

std::string SuggestionText(const Suggestion& s, Long maxAdd) {
    std::string out =
        "Attacker wins now: " + Percent(s.current) + " (target " + Percent(s.target) + ")\n";
    if (s.Reached()) return out + "The attacking list already reaches the target.\n";
    if (s.options.empty()) {
        out += "No addition of at most " + std::to_string(maxAdd) + " armies reaches the target";
        if (!s.best.add.empty())
            out += "; the best found: " + Names(s.best.add) + ", " + std::to_string(s.best.turns) +
                   " turns, " + Percent(s.best.winProbability);
        out += ".\n";
    } else {
        for (const auto& o : s.options)
            out += "Add " + Names(o.add) + ": " + std::to_string(o.turns) +
                   " turns, attacker wins " + Percent(o.winProbability) + "\n";
    }
    if (!s.complete)
        out +=
            "The search stopped early: every cheaper addition was tried, dearer ones may be "
            "missing.\n";
    return out;
}

}  // namespace b3::engine
