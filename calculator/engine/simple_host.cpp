#include "engine/simple_host.h"

namespace b3::engine {

std::optional<Long> SimpleHost::FindUnit(const std::string& shortName) const {
    const std::string wanted = LowerCase(shortName);
    for (std::size_t r = 0; r < armies_.rows(); ++r)
        if (armies_.columns() > 3 && LowerCase(armies_.at(r, 3).toString()) == wanted)
            return static_cast<Long>(r);
    for (std::size_t r = 0; r < heroes_.rows(); ++r)
        if (heroes_.columns() > 4 && LowerCase(heroes_.at(r, 4).toString()) == wanted)
            return static_cast<Long>(armies_.rows() + r);
    return std::nullopt;
}

CArmy* SimpleHost::AddUnit(bool attacking, Long unitId, Long slot, const HealthMarks& marks,
                           const Bonuses* bonuses) {
    pending_ = bonuses;
    CArmy* army = AddListedUnit(attacking ? att_ : def_, Data(), unitId, slot, marks);
    pending_ = nullptr;
    return army;
}

void SimpleHost::ShowHeroDialog(CArmy& hero) {
    static const Bonuses kNone = {};
    HeroBonusDialog dialog;
    dialog.SetHero(&hero);
    dialog.Confirm(pending_ ? *pending_ : kNone);
}

}  // namespace b3::engine
