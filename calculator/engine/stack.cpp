#include "engine/stack.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace b3::engine {
namespace {

// Sums of chances saturate instead of wrapping round.
Long SaturatedAdd(Long a, Long b) {
    const std::int64_t sum = std::int64_t{a} + b;
    return ClampLong(sum, std::numeric_limits<Long>::min(), std::numeric_limits<Long>::max());
}

}  // namespace

void CStackAtt::BlankPowers() {
    stackChaos_ = stackFear_ = stackSiege_ = stackLeadership_ = stackMorale_ = stackFortify_ = 0;
}

void CStackAtt::AddRegularPowers(const CArmy& a) {
    if (a.Chaos() > stackChaos_) stackChaos_ = a.Chaos();
    if (a.Fear() > stackFear_) stackFear_ = a.Fear();
    if (a.Siege() > stackSiege_) stackSiege_ = a.Siege();
    if (a.Leadership() > stackLeadership_) stackLeadership_ = a.Leadership();
    if (a.Morale() > stackMorale_) stackMorale_ = a.Morale();
    if (a.Fortify() > stackFortify_) stackFortify_ = a.Fortify();
    stackDisease_ = SaturatedAdd(stackDisease_, a.Disease());
    stackPoison_ = SaturatedAdd(stackPoison_, a.Poison());
    stackCurse_ = SaturatedAdd(stackCurse_, a.Curse());
}

void CStackAtt::CountSelfPowers(Long WhichSide, Long WhatCityLevel) {
    BlankPowers();
    if (WhichSide == 1) stackFortify_ = WhatCityLevel;

    // The banding tally: one entry per name among the banding members, with the power value of
    // the first such member as its cap.
    struct Band {
        const void* name;
        Long cap;
        Long count;
    };
    const Long n = Count();
    Band local[32];
    std::vector<Band> large;
    if (n > 32) large.resize(static_cast<std::size_t>(n));
    Band* tally = n > 32 ? large.data() : local;
    int bands = 0;
    CArmy* members = armies_.data();
    bool anyBanding = false;
    for (Long i = 0; i < n; ++i) {
        const CArmy& a = members[i];
        AddRegularPowers(a);
        if (a.Banding() == 0) continue;
        anyBanding = true;
        int b = 0;
        while (b < bands && tally[b].name != a.NameText().id()) ++b;
        if (b < bands) {
            ++tally[b].count;
        } else {
            tally[bands++] = Band{a.NameText().id(), a.PowerValue(), 1};
        }
    }
    if (!anyBanding) return;
    for (Long i = 0; i < n; ++i) {
        CArmy& a = members[i];
        if (a.Banding() == 0) continue;
        int b = 0;
        while (b < bands && tally[b].name != a.NameText().id()) ++b;
        if (b == bands) continue;
        const Band& band = tally[b];
        if (std::int64_t{band.count} >= std::int64_t{band.cap} + 1)
            a.SetTotalStrength(std::int64_t{a.TotalStrength()} + band.cap);
        else
            a.SetTotalStrength(std::int64_t{a.TotalStrength()} + band.count - 1);
    }
}

void CStackAtt::EvalSelfPowers() {
    SetStackChaos(StackChaos());
    SetStackFear(StackFear());
    SetStackSiege(StackSiege());
    SetStackLeadership(StackLeadership());
    SetStackMorale(StackMorale());
    SetStackFortify(StackFortify());
}

}  // namespace b3::engine
