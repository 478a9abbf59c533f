// The values behind the hero bonus dialog, without its window: the dialog's properties with their
// clamps and its copying steps between the hero army and the properties. A window shows these
// values in its boxes; a program without a window sets them directly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/army.h"

namespace b3::engine {

// The bonuses a user can give a hero, each in the range of the dialog's spinner.
enum class HeroBonus {
    Strength,
    Hits,
    Missle,
    Assass,
    Curse,
    Acid,
    Lightning,
    Trample,
    Leadership,
    Morale,
    Fortification,
    Chaos,
    Fear,
    Siege,
};
inline constexpr int kHeroBonusCount = 14;

struct BonusRange {
    Long lo;
    Long hi;
};
// The spinner's range of a bonus: what a user can enter.
BonusRange SpinnerRange(HeroBonus bonus);

class HeroBonusDialog {
public:
    // The hero being edited (the caller sets it before the dialog loads).
    void SetHero(CArmy* hero) { hero_ = hero; }
    CArmy* Hero() const { return hero_; }

    const std::string& HeroName() const { return heroName_; }
    void SetHeroName(std::string name) { heroName_ = std::move(name); }

    // The numeric properties: Strength keeps 1..14, Hits 1..4, every other bonus 0..10.
    Long Get(HeroBonus bonus) const { return values_[static_cast<int>(bonus)]; }
    void Set(HeroBonus bonus, std::int64_t value);
    // The setter fed with a box's text: a text that is not a number leaves the value unchanged.
    void SetText(HeroBonus bonus, const std::string& text);

    // Copies the hero's values into the properties (Leadership always opens as 1).
    void LoadHeroInfo();
    // Writes the numeric properties into the hero (the name is not written back).
    void SendPropsToHero();

    // The whole "Done" path for a dialog that shows nothing: load, apply the given values through
    // the setters, write back.
    void Confirm(const std::optional<Long> (&entered)[kHeroBonusCount]);

private:
    CArmy* hero_ = nullptr;
    std::string heroName_;
    Long values_[kHeroBonusCount] = {};
};

// The bonus named `name` ("strength", "hits", "missile", "assassination", "curse", "acid",
// "lightning", "trample", "leadership", "morale", "fortification", "chaos", "fear", "siege").
std::optional<HeroBonus> HeroBonusFromName(const std::string& name);
const char* HeroBonusName(HeroBonus bonus);

}  // namespace b3::engine
