#include "engine/army.h"

#include <utility>

namespace b3::engine {

CArmy* CAttackArmies::Add(std::string Name, Long UnitID, Long StartStrength, Long Hits, Long Turns,
                          std::string CBName, Long CBValue, Long PowerType, Long PowerValue,
                          bool IsBlessed, bool IsDiseased, bool IsPoisoned, Long HasMedal,
                          bool IsBlacksmith, bool IsWeaponsmaster, bool IsFlying, bool IsUndead,
                          std::string sKey) {
    AddArgs args;
    args.Name = std::move(Name);
    args.UnitID = UnitID;
    args.StartStrength = StartStrength;
    args.Hits = Hits;
    args.Turns = Turns;
    args.CBName = std::move(CBName);
    args.CBValue = CBValue;
    args.PowerType = PowerType;
    args.PowerValue = PowerValue;
    args.IsBlessed = IsBlessed;
    args.IsDiseased = IsDiseased;
    args.IsPoisoned = IsPoisoned;
    args.HasMedal = HasMedal;
    args.IsBlacksmith = IsBlacksmith;
    args.IsWeaponsmaster = IsWeaponsmaster;
    args.IsFlying = IsFlying;
    args.IsUndead = IsUndead;
    args.sKey = std::move(sKey);
    return Add(args);
}

CArmy* CAttackArmies::Add(const AddArgs& args) {
    if (args.Name == "None") return nullptr;

    CArmy army;
    army.SetName(args.Name);
    army.SetUnitID(args.UnitID);
    army.SetHits(args.Hits);
    army.SetTurns(args.Turns);
    army.SetCBName(args.CBName);
    army.SetCBValue(args.CBValue);
    army.SetPowerType(args.PowerType);
    army.SetPowerValue(args.PowerValue);
    army.SetStartStrength(args.StartStrength);
    army.SetBlessed(args.IsBlessed);
    army.SetDiseased(args.IsDiseased);
    army.SetPoisoned(args.IsPoisoned);
    army.SetHasMedal(args.HasMedal);
    army.SetBlacksmith(args.IsBlacksmith);
    army.SetWeaponsmaster(args.IsWeaponsmaster);
    army.SetIsFlying(args.IsFlying);
    army.SetIsUndead(args.IsUndead);

    MarkIfHero(army);
    CArmy& added = items_.add(army, args.sKey);
    ApplySpecialBirth(added);
    InterpretPower(added);
    InterpretCB(added);
    VerifyHealth(added);
    return &added;
}

void CAttackArmies::MarkIfHero(CArmy& army) {
    if (army.UnitID() >= context_->NumArmies()) {
        army.SetIsHero(true);
        context_->ShowHeroDialog(army);
    } else {
        army.SetIsHero(false);
    }
}

void CAttackArmies::ApplySpecialBirth(CArmy& army) {
    if (army.Blacksmith()) army.SetStartStrength(std::int64_t{army.StartStrength()} + 1);
    if (army.Weaponsmaster()) army.SetHits(std::int64_t{army.Hits()} + 1);
}

void CAttackArmies::InterpretPower(CArmy& army) {
    if (army.IsHero()) return;  // a hero's powers come from its bonus dialog alone
    const Long v = army.PowerValue();
    switch (army.PowerType()) {
        case 2:
            army.SetChaos(v);
            break;
        case 3:
            army.SetMorale(v);
            break;
        case 4:
            army.SetFear(v);
            break;
        case 5:
            army.SetSiege(v);
            break;
        case 6:
            army.SetFortify(v);
            break;
        case 26:
            army.SetPoison(v);
            break;
        case 27:
            army.SetDisease(v);
            break;
        case 28:
            army.SetAssass(v);
            break;
        case 30:
            army.SetMissle(v);
            break;
        case 32:
            army.SetTrample(v);
            break;
        case 33:
            army.SetCurse(v);
            break;
        case 37:
            army.SetBanding(v);
            break;
        case 38:
            army.SetAcid(v);
            break;
        case 39:
            army.SetLightning(v);
            break;
        case 41:
            army.SetWarding(v);
            break;
        default:
            break;  // Leadership (1) and every other code give nothing
    }
}

void CAttackArmies::InterpretCB(CArmy& army) const {
    if (army.CBName() == context_->Terrain())
        army.SetTotalStrength(std::int64_t{army.StartStrength()} + army.CBValue());
    else
        army.SetTotalStrength(army.StartStrength());
}

void CAttackArmies::VerifyHealth(CArmy& army) {
    if (army.Blessed()) {
        army.SetDiseased(false);
        army.SetPoisoned(false);
        army.SetTotalStrength(std::int64_t{army.TotalStrength()} + 1);
    }
    if (army.Diseased()) army.SetHits(std::int64_t{army.Hits()} - 1);
    if (army.Poisoned()) army.SetTotalStrength(std::int64_t{army.TotalStrength()} - 1);
}

}  // namespace b3::engine
