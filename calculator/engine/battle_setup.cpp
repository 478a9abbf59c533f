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

// One set-up strike both ways: the defending front's summed power against each eligible
// attacking army, then the attacking front's against each eligible defending army, each with the
// chance 4 x power / 99.
void MBattleCalc::StrikeBothWays(CStackAtt& att, CStackAtt& def, Long (CStackAtt::*power)() const,
                                 bool (*eligible)(const CArmy&), void (*strike)(CArmy&)) {
    auto strikeSide = [&](CStackAtt& victims, Long stackPower) {
        for (CArmy& a : victims)
            if (eligible(a) && Chance(std::int64_t{stackPower} * 4)) strike(a);
    };
    if ((def.*power)() != 0) strikeSide(att, (def.*power)());
    if ((att.*power)() != 0) strikeSide(def, (att.*power)());
}

void MBattleCalc::CheckIfPoisoned(CStackAtt& att, CStackAtt& def) {
    StrikeBothWays(att, def, &CStackAtt::StackPoison, &IsPoisonEligible, &StrikePoison);
}

void MBattleCalc::CheckIfDiseased(CStackAtt& att, CStackAtt& def) {
    StrikeBothWays(att, def, &CStackAtt::StackDisease, &IsDiseaseEligible, &StrikeDisease);
}

void MBattleCalc::CheckIfCursed(CStackAtt& att, CStackAtt& def) {
    StrikeBothWays(att, def, &CStackAtt::StackCurse, &IsCurseEligible, &StrikeCurse);
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
