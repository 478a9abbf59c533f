// What a run shows: progress, the figures of its battles and the stacks of its first battle.
#include "engine/battle_calc.h"

#include <cmath>

#include "engine/number_format.h"

namespace b3::engine {

void MBattleCalc::CacheStartHits(CStackAtt& stack) {
    for (CArmy& a : stack) a.SetStartHits();
}

void MBattleCalc::ShowProgress(Long NumBattles, Long battle) {
    if (isWorker_) return;
    Long step = NumBattles / 100;
    if (step == 0) step = 1;
    if (battle % step != 0) return;
    const Long pct =
        static_cast<Long>(std::nearbyint(static_cast<double>(battle) / NumBattles * 100.0));
    host_->SetProgress(pct);
    host_->PumpEvents();
    host_->SetStatusText(std::to_string(pct) + "% Completed");
    host_->PumpEvents();
}

double MBattleCalc::WinPercent(Long NumBattles) const {
    return static_cast<double>(stats_.Sum(1)) / NumBattles * 100.0;
}

float MBattleCalc::Average(Long NumBattles, int column) const {
    return static_cast<float>(static_cast<double>(stats_.Sum(column)) / NumBattles);
}

RunTotals MBattleCalc::Totals(Long /*NumBattles*/) const {
    RunTotals t;
    t.battles = stats_.Battles();
    t.wins = stats_.Sum(1);
    for (int c = 0; c < 4; ++c) {
        t.sums[static_cast<std::size_t>(c)] = static_cast<double>(stats_.Sum(c + 2));
        t.sumSquares[static_cast<std::size_t>(c)] = static_cast<double>(stats_.SumOfSquares(c + 2));
    }
    return t;
}

void MBattleCalc::DisplayResults(Long NumBattles) {
    ShowWinPercent(NumBattles);
    for (int column = 2; column <= 5; ++column) ShowAverages(NumBattles, column);
}

void MBattleCalc::ShowWinPercent(Long NumBattles) {
    host_->ShowAttWinPercent(FormatGeneral(WinPercent(NumBattles)) + "%");
}

void MBattleCalc::ShowAverages(Long NumBattles, int column) {
    host_->ShowAverage(column, FormatGeneralSingle(Average(NumBattles, column)));
}

StackStatistics MBattleCalc::MakeStats(const CStackAtt& att, const CStackAtt& def) const {
    StackStatistics stats;
    const CStackAtt* sides[2] = {&att, &def};
    auto flag = [](bool v) { return std::string(v ? "True" : "False"); };
    for (std::size_t s = 0; s < 2; ++s) {
        for (const CArmy& a : *sides[s]) {
            stats.rows[s].push_back(
                {a.Name(), std::to_string(a.StartStrength()), std::to_string(a.TotalStrength()),
                 std::to_string(a.Hits()), a.CBName(), std::to_string(a.CBValue()),
                 host_->PowerTypeName(a.PowerType()), std::to_string(a.PowerValue()),
                 flag(a.Blessed()), flag(a.Poisoned()), flag(a.Diseased()),
                 std::to_string(a.HasMedal())});
        }
        const CStackAtt& x = *sides[s];
        const CStackAtt& y = *sides[1 - s];
        stats.stackBonus[s] = x.TotalStackBonus();
        stats.raw[s] = {x.StackLeadership(), x.StackMorale(), x.StackFortify(),
                        x.StackChaos(),      x.StackFear(),   x.StackSiege()};
        stats.adjusted[s] = {PowerFilter(std::int64_t{x.StackLeadership()} - y.StackChaos()),
                             PowerFilter(std::int64_t{x.StackMorale()} - y.StackFear()),
                             PowerFilter(std::int64_t{x.StackFortify()} - y.StackSiege())};
    }
    return stats;
}

void MBattleCalc::ShowStats(const CStackAtt& att, const CStackAtt& def) {
    StackStatistics stats;
    try {
        stats = MakeStats(att, def);
    } catch (const Error& e) {
        host_->ReportError("MBattleCalc::ShowStats", e.number(), e.description());
        return;
    } catch (const std::exception& e) {
        host_->ReportError("MBattleCalc::ShowStats", kErrInvalidArgument, e.what());
        return;
    }
    host_->ShowStats(stats);
}

}  // namespace b3::engine
