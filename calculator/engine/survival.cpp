#include "engine/survival.h"

#include <algorithm>
#include <string>

#include "engine/army.h"

namespace b3::engine {

std::vector<std::optional<Long>> FightingOrder(CalculatorHost& host, bool attacking,
                                               Long listSize) {
    std::vector<std::optional<Long>> order(static_cast<std::size_t>(std::max<Long>(listSize, 0)));
    const CAttackArmies& side = attacking ? host.AttArmies() : host.DefArmies();
    auto listed = [&](Long slot) {
        return slot < listSize && side.Find("SN" + std::to_string(slot));
    };
    // The defenders are one stack of every listed army; the attackers are stacks of eight list
    // positions, built until the first empty one after the first.
    const Long stackSize = attacking ? 8 : 32;
    const Long stacks = attacking ? 4 : 1;
    Long fought = 0;
    bool entering = true;
    for (Long s = 0; s < stacks; ++s) {
        std::vector<Long> slots;
        for (Long slot = s * stackSize; slot < (s + 1) * stackSize; ++slot)
            if (listed(slot)) slots.push_back(slot);
        if (slots.empty() && s > 0) entering = false;
        // The last army of a stack fights first.
        for (std::size_t j = 0; j < slots.size(); ++j)
            order[static_cast<std::size_t>(slots[j])] =
                entering ? fought + static_cast<Long>(slots.size() - 1 - j) : kNeverFights;
        if (entering) fought += static_cast<Long>(slots.size());
    }
    return order;
}

std::vector<std::optional<double>> SurvivalChances(const std::vector<std::optional<Long>>& order,
                                                   const std::array<double, 33>& lost) {
    double total = 0;
    for (double p : lost) total += p;
    std::vector<std::optional<double>> chances(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (!order[i]) continue;
        // Alive when at most `place` armies of the side are lost.
        const Long place = *order[i];
        double alive = 0;
        for (Long k = 0; k <= std::min<Long>(place, 32); ++k)
            alive += lost[static_cast<std::size_t>(k)];
        chances[i] = total > 0 ? std::min(alive / total, 1.0) : 0.0;
    }
    return chances;
}

}  // namespace b3::engine
