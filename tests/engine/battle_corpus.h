// The corpus of battles on which the exact odds and both levels of simulation are compared: one
// against one, eight against eight, four stacks of eight against 32, every special power,
// medals, blessings, heroes with bonuses at both ends of their ranges, every terrain, city levels
// 0 to 3, and combat dice from the fewest a run takes (15) to 1000.
#pragma once

#include <functional>
#include <vector>

#include "engine_support.h"

namespace b3::engine::test {

struct CorpusBattle {
    const char* name;
    Long dice;
    Long cityLevel;
    std::function<void(TestHost&)> build;
};

const std::vector<CorpusBattle>& BattleCorpus();

// Power type codes of the army rows.
enum Power {
    kChaos = 2,
    kMorale = 3,
    kFear = 4,
    kSiege = 5,
    kFortify = 6,
    kPoison = 26,
    kDisease = 27,
    kAssassin = 28,
    kMissiles = 30,
    kTrample = 32,
    kCurse = 33,
    kBanding = 37,
    kAcid = 38,
    kLightning = 39,
    kWarding = 41,
};

HealthMarks Marks(bool blessed, Long medals, bool flying = false);

}  // namespace b3::engine::test
