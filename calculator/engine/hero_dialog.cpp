#include "engine/hero_dialog.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace b3::engine {
namespace {

const char* const kNames[kHeroBonusCount] = {
    "strength", "hits",       "missile", "assassination", "curse", "acid", "lightning",
    "trample",  "leadership", "morale",  "fortification", "chaos", "fear", "siege"};

}  // namespace

BonusRange SpinnerRange(HeroBonus bonus) {
    switch (bonus) {
        case HeroBonus::Strength:
            return {1, 255};
        case HeroBonus::Hits:
            return {1, 4};
        case HeroBonus::Missle:
        case HeroBonus::Assass:
        case HeroBonus::Curse:
        case HeroBonus::Acid:
        case HeroBonus::Lightning:
            return {0, 10};
        case HeroBonus::Trample:
            return {0, 3};
        case HeroBonus::Leadership:
            return {1, 5};
        default:
            return {0, 5};
    }
}

std::optional<HeroBonus> HeroBonusFromName(const std::string& name) {
    for (int i = 0; i < kHeroBonusCount; ++i)
        if (name == kNames[i]) return static_cast<HeroBonus>(i);
    return std::nullopt;
}

const char* HeroBonusName(HeroBonus bonus) {
    return kNames[static_cast<int>(bonus)];
}

void HeroBonusDialog::Set(HeroBonus bonus, std::int64_t value) {
    Long lo = 0, hi = 10;
    if (bonus == HeroBonus::Strength) lo = 1, hi = 14;
    if (bonus == HeroBonus::Hits) lo = 1, hi = 4;
    values_[static_cast<int>(bonus)] = ClampLong(value, lo, hi);
}

void HeroBonusDialog::SetText(HeroBonus bonus, const std::string& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    const std::string trimmed = text.substr(b, e - b);
    if (trimmed.empty()) return;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(trimmed.c_str(), &end);
    if (end != trimmed.c_str() + trimmed.size() || errno == ERANGE) return;
    // A fraction rounds to the nearest whole number, a half to the even one.
    const double r = v < -1e18 ? -1e18 : v > 1e18 ? 1e18 : v;
    Set(bonus, static_cast<std::int64_t>(std::nearbyint(r)));
}

void HeroBonusDialog::LoadHeroInfo() {
    if (!hero_) return;
    const CArmy& h = *hero_;
    SetHeroName(h.Name());
    Set(HeroBonus::Strength, h.StartStrength());
    Set(HeroBonus::Hits, h.Hits());
    Set(HeroBonus::Leadership, 1);
    Set(HeroBonus::Morale, h.Morale());
    Set(HeroBonus::Fortification, h.Fortify());
    Set(HeroBonus::Chaos, h.Chaos());
    Set(HeroBonus::Fear, h.Fear());
    Set(HeroBonus::Siege, h.Siege());
    Set(HeroBonus::Assass, h.Assass());
    Set(HeroBonus::Missle, h.Missle());
    Set(HeroBonus::Curse, h.Curse());
    Set(HeroBonus::Trample, h.Trample());
    Set(HeroBonus::Acid, h.Acid());
    Set(HeroBonus::Lightning, h.Lightning());
}

void HeroBonusDialog::SendPropsToHero() {
    if (!hero_) return;
    CArmy& h = *hero_;
    h.SetStartStrength(Get(HeroBonus::Strength));
    h.SetHits(Get(HeroBonus::Hits));
    h.SetTrample(Get(HeroBonus::Trample));
    h.SetCurse(Get(HeroBonus::Curse));
    h.SetAcid(Get(HeroBonus::Acid));
    h.SetLightning(Get(HeroBonus::Lightning));
    h.SetLeadership(Get(HeroBonus::Leadership));
    h.SetMorale(Get(HeroBonus::Morale));
    h.SetFortify(Get(HeroBonus::Fortification));
    h.SetChaos(Get(HeroBonus::Chaos));
    h.SetFear(Get(HeroBonus::Fear));
    h.SetSiege(Get(HeroBonus::Siege));
    h.SetAssass(Get(HeroBonus::Assass));
    h.SetMissle(Get(HeroBonus::Missle));
}

void HeroBonusDialog::Confirm(const std::optional<Long> (&entered)[kHeroBonusCount]) {
    LoadHeroInfo();
    for (int i = 0; i < kHeroBonusCount; ++i)
        if (entered[i]) Set(static_cast<HeroBonus>(i), *entered[i]);
    SendPropsToHero();
}

}  // namespace b3::engine
