// A stack: the armies that fight together on one side, and the stack-wide power values.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/army.h"
#include "engine/keyed_list.h"

namespace b3::engine {

class CStackAtt {
public:
    CStackAtt() { armies_.reserve(32); }

    Long TotalStackBonus() const { return totalStackBonus_; }
    void SetTotalStackBonus(std::int64_t v) { totalStackBonus_ = ClampLong(v, -3, 5); }
    Long StackDisease() const { return stackDisease_; }
    void SetStackDisease(Long v) { stackDisease_ = v; }
    Long StackPoison() const { return stackPoison_; }
    void SetStackPoison(Long v) { stackPoison_ = v; }
    Long StackCurse() const { return stackCurse_; }
    void SetStackCurse(Long v) { stackCurse_ = v; }
    Long StackFortify() const { return stackFortify_; }
    void SetStackFortify(Long v) { stackFortify_ = v; }
    Long StackSiege() const { return stackSiege_; }
    void SetStackSiege(Long v) { stackSiege_ = v; }
    Long StackFear() const { return stackFear_; }
    void SetStackFear(Long v) { stackFear_ = v; }
    Long StackLeadership() const { return stackLeadership_; }
    void SetStackLeadership(Long v) { stackLeadership_ = v; }
    Long StackMorale() const { return stackMorale_; }
    void SetStackMorale(Long v) { stackMorale_ = v; }
    Long StackChaos() const { return stackChaos_; }
    void SetStackChaos(Long v) { stackChaos_ = v; }

    // Adds a copy of `army` (under `key` when not empty) and returns the copy. The copy starts a
    // battle afresh: no missile shots fired, no start hits cached, no special birth pending and
    // no ability spent.
    CArmy& Add(const CArmy& army, std::string_view key = {}) {
        CArmy& copy = armies_.add(army, key);
        // The copy's clamped fields keep their ranges, as if set through their setters.
        copy.hits_ = ClampLong(copy.hits_, 1, 4);
        copy.startStrength_ = ClampLong(copy.startStrength_, 1, 255);
        copy.totalStrength_ = ClampLong(copy.totalStrength_, 1, 14);
        copy.missleShotsLeft_ = 0;
        copy.startHits_ = 0;
        copy.blacksmith_ = false;
        copy.weaponsmaster_ = false;
        copy.usedSpecial_ = false;
        return copy;
    }
    CArmy& Item(Long position) { return armies_.at(position); }
    const CArmy& Item(Long position) const { return armies_.at(position); }
    CArmy& Item(std::string_view key) { return armies_.at(key); }
    Long Count() const { return armies_.count(); }
    void Remove(Long position) {
        if (position == armies_.count())
            armies_.removeLast();
        else
            armies_.remove(position);
    }
    void Remove(std::string_view key) { armies_.remove(key); }

    // Counts the stack's own powers: the best chaos, fear, siege, leadership, morale and
    // fortification of any member (for the defending side, WhichSide 1, fortification at least
    // the city level), the summed poison, disease and curse chances, and the strength each banding
    // army gains from the armies of its name.
    void CountSelfPowers(Long WhichSide, Long WhatCityLevel);
    // Stores the six best values back into themselves; they do not change.
    void EvalSelfPowers();

    // Makes this stack an empty one, as if it had just been created.
    void Reset() {
        armies_.clear();
        totalStackBonus_ = stackDisease_ = stackPoison_ = stackCurse_ = 0;
        stackFortify_ = stackSiege_ = stackFear_ = stackLeadership_ = stackMorale_ = stackChaos_ =
            0;
    }

    CArmy* begin() { return armies_.data(); }
    CArmy* end() { return armies_.data() + armies_.count(); }
    const CArmy* begin() const { return armies_.data(); }
    const CArmy* end() const { return armies_.data() + armies_.count(); }

private:
    void BlankPowers();
    void AddRegularPowers(const CArmy& army);

    KeyedList<CArmy> armies_;
    Long totalStackBonus_ = 0;
    Long stackDisease_ = 0;
    Long stackPoison_ = 0;
    Long stackCurse_ = 0;
    Long stackFortify_ = 0;
    Long stackSiege_ = 0;
    Long stackFear_ = 0;
    Long stackLeadership_ = 0;
    Long stackMorale_ = 0;
    Long stackChaos_ = 0;
};

}  // namespace b3::engine
