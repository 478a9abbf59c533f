// What the combat engine needs of the calculator's window and dialogs. The window implements it;
// so do programs without a window and the tests. Every display member has a default that shows
// nothing, so a host implements only what it shows.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "b3/edit_object.h"
#include "engine/army.h"

namespace b3::engine {

// The statistics of the two fronts of the first battle, after all set-up effects. Index 0 is the
// attacking side, 1 the defending side.
struct StackStatistics {
    // One row per army: Name, Init Str, Tot Str, Hits, CB Name, CB Val, Power Name, Power Val,
    // Blessed, Poisoned, Diseased, Medals.
    std::array<std::vector<std::array<std::string, 12>>, 2> rows;
    std::array<Long, 2> stackBonus{};
    // Raw Leadership, Morale, Fortification, Chaos, Fear, Siege.
    std::array<std::array<Long, 6>, 2> raw{};
    // Adjusted Leadership, Morale, Fortification (the filtered difference of the raw values).
    std::array<std::array<Long, 3>, 2> adjusted{};
};

class CAttackArmies;

class CalculatorHost : public ArmyContext {
public:
    // Data: the army and hero data arrays of the edit server and the two side collections.
    virtual const DataArray& Armies() const = 0;
    virtual const DataArray& Heroes() const = 0;
    virtual CAttackArmies& AttArmies() = 0;
    virtual CAttackArmies& DefArmies() = 0;
    Long NumArmies() const override { return static_cast<Long>(Armies().rows()); }
    virtual Long NumHeroes() const { return static_cast<Long>(Heroes().rows()); }

    // The display name of a power type code (the edit server's conversion); may throw.
    virtual std::string PowerTypeName(Long code) const { return std::to_string(code); }

    // Displays. The run sets the busy pointer for its duration, shows the progress bar, reports
    // progress in percent with the status text "NN% Completed", lets pending window events run,
    // and finally shows the quick results. Index 2..5 of ShowAverage are the attacker's average
    // units lost, its production turns lost, the defender's units lost and turns lost.
    virtual void SetBusy(bool /*busy*/) {}
    virtual void ShowProgressBar() {}
    virtual void SetProgress(Long /*percent*/) {}
    virtual void SetStatusText(const std::string& /*text*/) {}
    virtual void PumpEvents() {}
    virtual void ShowAttWinPercent(const std::string& /*text*/) {}
    virtual void ShowAverage(int /*index*/, const std::string& /*text*/) {}
    // Shows the statistics of the first battle and returns when the user has closed them.
    virtual void ShowStats(const StackStatistics& /*stats*/) {}
    // A failure that a procedure trapped: its label ("MBattleCalc::ShowStats"), the failure's
    // number and its description.
    virtual void ReportError(const std::string& /*label*/, std::int32_t /*number*/,
                             const std::string& /*description*/) {}
};

}  // namespace b3::engine
