// A host for the engine tests: hand-made army and hero data arrays, the two side collections,
// a scripted hero dialog and a log of everything the engine displays.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "b3/edit_object.h"
#include "engine/army.h"
#include "engine/battle_calc.h"
#include "engine/host.h"
#include "engine/stack.h"
#include "engine/unit_list.h"
#include "support/unit_rows.h"

namespace b3::engine::test {

using b3test::ArmyRow;
using b3test::HeroRow;

class TestHost : public CalculatorHost {
public:
    TestHost() : armies_(0, kColumnCount[kArmy]), heroes_(0, kColumnCount[kHero]) {}

    // Adds a row and returns its unit identifier. Heroes' identifiers depend on the number of
    // armies, so add every army first.
    Long AddArmyRow(const ArmyRow& a) {
        const auto r = static_cast<Long>(armies_.rows());
        Append(armies_, b3test::ArmyCells(a, r));
        return r;
    }
    Long AddHeroRow(const HeroRow& h) {
        const auto r = static_cast<Long>(heroes_.rows());
        Append(heroes_, b3test::HeroCells(h, r));
        return static_cast<Long>(armies_.rows()) + r;
    }

    UnitData Data() const { return UnitData{&armies_, &heroes_}; }
    Long NoneId() const { return Data().NoneId(); }

    // Lists unit `id` on a side at `slot`, as the window does.
    CArmy* Attack(Long id, Long slot, const HealthMarks& marks = {}) {
        return AddListedUnit(att, Data(), id, slot, marks);
    }
    CArmy* Defend(Long id, Long slot, const HealthMarks& marks = {}) {
        return AddListedUnit(def, Data(), id, slot, marks);
    }

    // CalculatorHost
    std::string Terrain() const override { return terrain; }
    void ShowHeroDialog(CArmy& hero) override {
        heroDialogs.push_back(hero.Name());
        if (heroDialog) heroDialog(hero);
    }
    const DataArray& Armies() const override { return armies_; }
    const DataArray& Heroes() const override { return heroes_; }
    CAttackArmies& AttArmies() override { return att; }
    CAttackArmies& DefArmies() override { return def; }
    std::string PowerTypeName(Long code) const override { return "Power" + std::to_string(code); }
    void SetBusy(bool busy) override { log.push_back(busy ? "busy" : "idle"); }
    void ShowProgressBar() override { log.push_back("progressbar"); }
    void SetProgress(Long percent) override {
        progress.push_back(percent);
        if (onProgress) onProgress(percent);
    }
    void SetStatusText(const std::string& text) override { status.push_back(text); }
    void PumpEvents() override { ++pumps; }
    void ShowAttWinPercent(const std::string& text) override { winText = text; }
    void ShowAverage(int index, const std::string& text) override {
        averages.at(static_cast<std::size_t>(index)) = text;
    }
    void ShowStats(const StackStatistics& s) override { stats.push_back(s); }
    void ReportError(const std::string& label, std::int32_t number,
                     const std::string& description) override {
        errors.push_back(label + ": " + std::to_string(number) + " " + description);
    }

    std::string terrain = "field";
    CAttackArmies att{*this};
    CAttackArmies def{*this};
    std::function<void(CArmy&)> heroDialog;
    std::function<void(Long)> onProgress;
    std::vector<std::string> heroDialogs;
    std::vector<std::string> log;
    std::vector<Long> progress;
    std::vector<std::string> status;
    int pumps = 0;
    std::string winText = "(none)";
    std::vector<std::string> averages = std::vector<std::string>(6, "(none)");
    std::vector<StackStatistics> stats;
    std::vector<std::string> errors;

private:
    static void Append(DataArray& data, const ObjectArray& row) {
        DataArray grown(data.rows() + 1, data.columns());
        for (std::size_t r = 0; r < data.rows(); ++r) grown.setRow(r, data.row(r));
        grown.setRow(data.rows(), row);
        data = std::move(grown);
    }

    DataArray armies_;
    DataArray heroes_;
};

// Lists a duel of two armies of one hit, "A" attacking and "D" defending, of the strengths given
// and carrying that many medals.
inline void ListMedalDuel(TestHost& host, Long attackStrength, Long attackMedals,
                          Long defendStrength, Long defendMedals) {
    const Long a = host.AddArmyRow({"A", attackStrength, 1, 1});
    const Long d = host.AddArmyRow({"D", defendStrength, 1, 1});
    HealthMarks attack, defend;
    attack.medals = attackMedals;
    defend.medals = defendMedals;
    host.Attack(a, 0, attack);
    host.Defend(d, 0, defend);
}

// Scripted draws: the uniform value that makes CombatDiceRoll(faces) give `roll`, and the one
// that makes RandomPercentNum give `value`.
inline double Die(int roll, int faces) {
    return (roll - 0.5) / faces;
}
inline double Pct(int value) {
    return (value + 0.5) / 99.0;
}

// A plain army value for tests that fill fronts directly.
inline CArmy MakeArmy(const std::string& name, Long strength, Long hits, Long turns = 1) {
    CArmy a;
    a.SetName(name);
    a.SetStartStrength(strength);
    a.SetTotalStrength(strength);
    a.SetHits(hits);
    a.SetTurns(turns);
    return a;
}

// A battle engine that also keeps every battle's row, for tests that follow single battles.
class TableCalc : public MBattleCalc {
public:
    explicit TableCalc(CalculatorHost& host) : MBattleCalc(host) { SetKeepTable(true); }
};

}  // namespace b3::engine::test
