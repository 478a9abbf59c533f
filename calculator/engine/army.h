// The calculator's model of one unit in a battle (CArmy) and of one side's listed units
// (CAttackArmies).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/keyed_list.h"
#include "engine/text.h"

namespace b3::engine {

using Long = std::int32_t;

// Stores the nearest bound of [lo, hi] for a value outside it.
constexpr Long ClampLong(std::int64_t v, Long lo, Long hi) {
    return v < lo ? lo : v > hi ? hi : static_cast<Long>(v);
}

// One unit taking part in a battle: an army type or a hero with the state the user chose for it.
// Every field is a property pair; the setters of Hits, StartStrength, TotalStrength and StartHits
// store the nearest bound for a value outside their range. The class is a plain value: copying an
// army copies every field (names are shared, see Text).
class CArmy {
public:
    CArmy() = default;

#define B3_PROPERTY(Type, Name, member) \
    Type Name() const {                 \
        return member;                  \
    }                                   \
    void Set##Name(Type value) {        \
        member = value;                 \
    }
#define B3_CLAMPED(Name, member, lo, hi)   \
    Long Name() const {                    \
        return member;                     \
    }                                      \
    void Set##Name(std::int64_t value) {   \
        member = ClampLong(value, lo, hi); \
    }

    const std::string& Name() const {
        return name_.str();
    }
    Text NameText() const {
        return name_;
    }
    void SetName(Text value) {
        name_ = value;
    }
    B3_PROPERTY(Long, UnitID, unitId_)
    B3_CLAMPED(Hits, hits_, 1, 4)
    B3_PROPERTY(Long, Turns, turns_)
    const std::string& CBName() const {
        return cbName_.str();
    }
    Text CBNameText() const {
        return cbName_;
    }
    void SetCBName(Text value) {
        cbName_ = value;
    }
    B3_PROPERTY(Long, CBValue, cbValue_)
    B3_PROPERTY(Long, PowerType, powerType_)
    B3_PROPERTY(Long, PowerValue, powerValue_)
    B3_PROPERTY(bool, Blessed, blessed_)
    B3_PROPERTY(bool, Poisoned, poisoned_)
    B3_PROPERTY(bool, Diseased, diseased_)
    B3_CLAMPED(StartStrength, startStrength_, 1, 255)
    B3_CLAMPED(TotalStrength, totalStrength_, 1, 14)
    B3_PROPERTY(Long, Morale, morale_)
    B3_PROPERTY(Long, Fear, fear_)
    B3_PROPERTY(Long, Chaos, chaos_)
    B3_PROPERTY(Long, Siege, siege_)
    B3_PROPERTY(Long, Fortify, fortify_)
    B3_PROPERTY(Long, Leadership, leadership_)
    B3_PROPERTY(Long, Trample, trample_)
    B3_PROPERTY(Long, Curse, curse_)
    B3_PROPERTY(Long, Acid, acid_)
    B3_PROPERTY(Long, Banding, banding_)
    B3_PROPERTY(Long, Lightning, lightning_)
    B3_PROPERTY(bool, IsHero, isHero_)
    B3_PROPERTY(Long, HasMedal, hasMedal_)
    B3_PROPERTY(bool, IsFlying, isFlying_)
    B3_PROPERTY(Long, Assass, assass_)
    B3_PROPERTY(Long, Disease, disease_)
    B3_PROPERTY(Long, Missle, missle_)
    B3_PROPERTY(Long, Poison, poison_)
    B3_PROPERTY(bool, UsedSpecial, usedSpecial_)
    B3_PROPERTY(bool, Blacksmith, blacksmith_)
    B3_PROPERTY(bool, Weaponsmaster, weaponsmaster_)
    B3_CLAMPED(StartHits, startHits_, 1, 4)
    B3_PROPERTY(Long, MissleShotsLeft, missleShotsLeft_)
    B3_PROPERTY(bool, IsUndead, isUndead_)
    B3_PROPERTY(Long, Warding, warding_)

#undef B3_PROPERTY
#undef B3_CLAMPED

    // Hits := StartHits, and StartHits := Hits (both through the clamped setters).
    void RestoreStartHits() {
        SetHits(startHits_);
    }
    void SetStartHits() {
        SetStartHits(hits_);
    }

private:
    friend class CStackAtt;

    Text name_;
    Long unitId_ = 0;
    Long hits_ = 0;
    Long turns_ = 0;
    Text cbName_;
    Long cbValue_ = 0;
    Long powerType_ = 0;
    Long powerValue_ = 0;
    Long startStrength_ = 0;
    Long totalStrength_ = 0;
    Long morale_ = 0;
    Long fear_ = 0;
    Long chaos_ = 0;
    Long siege_ = 0;
    Long fortify_ = 0;
    Long leadership_ = 0;
    Long trample_ = 0;
    Long curse_ = 0;
    Long acid_ = 0;
    Long banding_ = 0;
    Long lightning_ = 0;
    Long hasMedal_ = 0;
    Long assass_ = 0;
    Long disease_ = 0;
    Long missle_ = 0;
    Long poison_ = 0;
    Long startHits_ = 0;
    Long missleShotsLeft_ = 0;
    Long warding_ = 0;
    bool blessed_ = false;
    bool poisoned_ = false;
    bool diseased_ = false;
    bool isHero_ = false;
    bool isFlying_ = false;
    bool usedSpecial_ = false;
    bool blacksmith_ = false;
    bool weaponsmaster_ = false;
    bool isUndead_ = false;
};

// What adding a unit needs of the calculator's window: the number of army rows (unit identifiers
// at or above it are heroes), the defender's terrain word, and the hero bonus dialog.
class ArmyContext {
public:
    virtual ~ArmyContext() = default;
    virtual Long NumArmies() const = 0;
    virtual std::string Terrain() const = 0;
    // Shows the hero bonus dialog for `hero` and returns once it is closed; the dialog writes the
    // hero's values into the army when it is confirmed.
    virtual void ShowHeroDialog(CArmy& hero) = 0;
};

// The arguments of CAttackArmies::Add, in its order.
struct AddArgs {
    std::string Name;
    Long UnitID = 0;
    Long StartStrength = 0;
    Long Hits = 0;
    Long Turns = 0;
    std::string CBName;
    Long CBValue = 0;
    Long PowerType = 0;
    Long PowerValue = 0;
    bool IsBlessed = false;
    bool IsDiseased = false;
    bool IsPoisoned = false;
    Long HasMedal = 0;
    bool IsBlacksmith = false;
    bool IsWeaponsmaster = false;
    bool IsFlying = false;
    bool IsUndead = false;
    std::string sKey;
};

// One side's listed units, keyed "SN" followed by the list position. Add turns the raw values of
// a list entry into a ready army.
class CAttackArmies {
public:
    explicit CAttackArmies(ArmyContext& context) : context_(&context) {}

    // Builds and adds the army; returns it, or nullptr (adding nothing) when the name is "None".
    // The pointer stays valid until the collection next changes.
    CArmy* Add(const AddArgs& args);
    CArmy* Add(std::string Name, Long UnitID, Long StartStrength, Long Hits, Long Turns,
               std::string CBName, Long CBValue, Long PowerType, Long PowerValue, bool IsBlessed,
               bool IsDiseased, bool IsPoisoned, Long HasMedal, bool IsBlacksmith,
               bool IsWeaponsmaster, bool IsFlying, bool IsUndead, std::string sKey);

    CArmy& Item(Long position) { return items_.at(position); }
    CArmy& Item(std::string_view key) { return items_.at(key); }
    const CArmy& Item(Long position) const { return items_.at(position); }
    const CArmy& Item(std::string_view key) const { return items_.at(key); }
    // The army under `key`, or nullptr when none has it.
    const CArmy* Find(std::string_view key) const {
        return const_cast<KeyedList<CArmy>&>(items_).find(key);
    }
    Long Count() const { return items_.count(); }
    void Remove(Long position) { items_.remove(position); }
    void Remove(std::string_view key) { items_.remove(key); }
    void Clear() { items_.clear(); }

private:
    void MarkIfHero(CArmy& army);
    static void ApplySpecialBirth(CArmy& army);
    static void InterpretPower(CArmy& army);
    void InterpretCB(CArmy& army) const;
    static void VerifyHealth(CArmy& army);

    ArmyContext* context_;
    KeyedList<CArmy> items_;
};

}  // namespace b3::engine
