// Setting up a battle: the stacks of a run, the fronts of a battle, their own powers and what
// each does to the other.
#include "engine/battle_calc.h"

#include "engine/duel_rules.h"

namespace b3::engine {

void MBattleCalc::BuildStacks() {
    selfEvaluated_ = false;
    CAttackArmies& defArmies = host_->DefArmies();
    CAttackArmies& attArmies = host_->AttArmies();
    defStack_.Reset();
    for (Long i = 1; i <= defArmies.Count(); ++i)
        defStack_.Add(defArmies.Item(i), "SN" + std::to_string(defStack_.Count() + 1));
    for (auto& s : attStacks_) s.Reset();
    for (int s = 0; s < 4; ++s) {
        CStackAtt& stack = attStacks_[s];
        for (int slot = 8 * s; slot < 8 * s + 8; ++slot) {
            // A slot without an army (an entry "None") is skipped.
            if (const CArmy* army = attArmies.Find("SN" + std::to_string(slot)))
                stack.Add(*army, "SN" + std::to_string(stack.Count() + 1));
        }
        if (stack.Count() == 0) {
            if (s == 0) continue;  // the number of stacks stays as it was
            break;                 // an empty stack ends the building
        }
        numAttStacks_ = s + 1;
    }
}

bool MBattleCalc::SendToAttackFront() {
    attFront_.Reset();
    if (currentAttStack_ >= numAttStacks_) return false;
    for (const CArmy& army : attStacks_[currentAttStack_]) attFront_.Add(army);
    ++currentAttStack_;
    return true;
}

void MBattleCalc::SendToDefendFront() {
    defFront_.Reset();
    for (const CArmy& army : defStack_) defFront_.Add(army);
}

void MBattleCalc::EvalStacksSelfEffect(Long CityLevel) {
    attFront_.CountSelfPowers(0, CityLevel);
    defFront_.CountSelfPowers(1, CityLevel);
    attFront_.EvalSelfPowers();
    defFront_.EvalSelfPowers();
}

void MBattleCalc::EvalStacksMutualEffect() {
    CheckIfPoisoned(attFront_, defFront_);
    CheckIfDiseased(attFront_, defFront_);
    CheckIfCursed(attFront_, defFront_);
    ApplyMutualPowers(attFront_, defFront_);
}

bool MBattleCalc::IsPoisonEligible(const CArmy& a) {
    return a.Poison() == 0 && !a.Blessed() && !a.Poisoned();
}
bool MBattleCalc::IsDiseaseEligible(const CArmy& a) {
    return a.Disease() == 0 && !a.Blessed() && !a.Diseased();
}
bool MBattleCalc::IsCurseEligible(const CArmy& a) {
    return a.Curse() == 0 && (a.Blessed() || a.HasMedal() > 0);
}

void MBattleCalc::CheckIfPoisoned(CStackAtt& att, CStackAtt& def) {
    auto strike = [this](CStackAtt& victims, Long stackPoison) {
        for (CArmy& a : victims) {
            if (IsPoisonEligible(a) && Chance(std::int64_t{stackPoison} * 4)) StrikePoison(a);
        }
    };
    if (def.StackPoison() != 0) strike(att, def.StackPoison());
    if (att.StackPoison() == 0) return;
    strike(def, att.StackPoison());
}

void MBattleCalc::CheckIfDiseased(CStackAtt& att, CStackAtt& def) {
    auto strike = [this](CStackAtt& victims, Long stackDisease) {
        for (CArmy& a : victims) {
            if (IsDiseaseEligible(a) && Chance(std::int64_t{stackDisease} * 4)) StrikeDisease(a);
        }
    };
    if (def.StackDisease() != 0) strike(att, def.StackDisease());
    if (att.StackDisease() == 0) return;
    strike(def, att.StackDisease());
}

void MBattleCalc::CheckIfCursed(CStackAtt& att, CStackAtt& def) {
    auto strike = [this](CStackAtt& victims, Long stackCurse) {
        for (CArmy& a : victims) {
            if (IsCurseEligible(a) && Chance(std::int64_t{stackCurse} * 4)) StrikeCurse(a);
        }
    };
    if (def.StackCurse() != 0) strike(att, def.StackCurse());
    if (att.StackCurse() == 0) return;
    strike(def, att.StackCurse());
}

Long MBattleCalc::StackBonus(const CStackAtt& x, const CStackAtt& y) {
    const Long lea =
        PowerFilter(std::int64_t{PowerFilter(x.StackLeadership())} - PowerFilter(y.StackChaos()));
    const Long mor =
        PowerFilter(std::int64_t{PowerFilter(x.StackMorale())} - PowerFilter(y.StackFear()));
    const Long fort =
        PowerFilter(std::int64_t{PowerFilter(x.StackFortify())} - PowerFilter(y.StackSiege()));
    return ClampLong(TotalStackFilter(std::int64_t{mor} + lea + fort), -3, 5);
}

void MBattleCalc::ApplyMutualPowers(CStackAtt& A, CStackAtt& B) {
    A.SetTotalStackBonus(StackBonus(A, B));
    ApplyAdjustedPower(A);
    B.SetTotalStackBonus(StackBonus(B, A));
    ApplyAdjustedPower(B);
}

void MBattleCalc::ApplyAdjustedPower(CStackAtt& stack) {
    const Long bonus = stack.TotalStackBonus();
    if (bonus == 0) return;
    for (CArmy& a : stack) AddStackBonus(a, bonus);
}

Long MBattleCalc::RandomPercentNum() {
    return static_cast<Long>(rng_.Roll(99)) - 1;
}

}  // namespace b3::engine
