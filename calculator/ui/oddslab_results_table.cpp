// The model's results of the run as one table, for the clipboard and for CSV files: the run's
// set-up (both lists with their marks and heroes' bonuses, dice, terrain, city level, battles,
// seed, threads and the way the battles were simulated), every figure at full precision with its
// 95% interval and the exact figure, and both loss distributions.
#include <QStringList>
#include <algorithm>

#include "calculator/ui/oddslab_model.h"
#include "engine/hero_dialog.h"
#include "engine/run_statistics.h"

namespace b3::oddslab {

using b3::engine::Long;

namespace {

const char* const kCityLevelNames[] = {"none", "Village (+1)", "Castle (+2)", "Citadel (+3)"};

// A list entry's marks in words ("blessed; 2 medals"), empty without any.
QString MarksText(const ListedEntry& e) {
    QStringList words;
    const char* const flags[] = {"blessed",    "diseased",      "poisoned", nullptr,
                                 "blacksmith", "weaponsmaster", "flying"};
    for (std::size_t c = 0; c < e.marks.size(); ++c) {
        if (e.marks[c] == 0) continue;
        if (flags[c])
            words << flags[c];
        else
            words << QString("%1 medal%2").arg(e.marks[c]).arg(e.marks[c] == 1 ? "" : "s");
    }
    return words.join("; ");
}

// A hero entry's bonuses as entered ("strength 14; morale 3"), empty when none were.
QString BonusesText(const ListedEntry& e) {
    QStringList words;
    for (std::size_t b = 0; b < e.bonuses.size(); ++b)
        if (e.bonuses[b])
            words << QString("%1 %2")
                         .arg(b3::engine::HeroBonusName(static_cast<b3::engine::HeroBonus>(b)))
                         .arg(*e.bonuses[b]);
    return words.join("; ");
}

}  // namespace

std::vector<std::vector<QString>> OddsLabModel::ResultsTable(
    const b3::engine::RunStatistics& statistics) const {
    std::vector<std::vector<QString>> rows;
    const RunSetup& run = record_.Shown();
    // The first row heads the file as it is; texts with commas come after it, quoted.
    rows.push_back({"OddsLab results"});
    rows.push_back({"Run", QString::fromStdString(record_.Describe())});
    rows.push_back({});
    rows.push_back({"Side", "Position", "Unit", "Marks", "Hero bonuses"});
    for (int side = 0; side < 2; ++side) {
        const auto& entries = run.lists[static_cast<std::size_t>(side)];
        for (std::size_t p = 0; p < entries.size(); ++p)
            rows.push_back({side == 0 ? "Attacking" : "Defending", QString::number(p + 1),
                            UnitText(entries[p].id), MarksText(entries[p]),
                            BonusesText(entries[p])});
    }
    rows.push_back({});
    const auto city = static_cast<std::size_t>(std::clamp<Long>(run.cityLevel, 0, 3));
    rows.push_back({"Combat dice", QString::number(run.combatDice)});
    rows.push_back({"Defender's terrain", QString::fromStdString(run.terrain)});
    rows.push_back({"City level", kCityLevelNames[city]});
    rows.push_back({"Battles", QString::number(run.numBattles)});
    rows.push_back({"Seed", QString::number(run.seed)});
    rows.push_back({"Threads", QString::number(run.threads)});
    rows.push_back({"Simulation", SimulationWords(run.simulation)});
    rows.push_back({});

    const QuickFigures f = CurrentFigures();
    rows.push_back({"Figure", "Simulated", "95% interval low", "95% interval high", "Exact"});
    for (int r = 0; r < kFigureCount; ++r) {
        if (!f.valid) break;
        rows.push_back({FigureName(r), FullPrecision(f.simulated[r]),
                        FullPrecision(f.interval[r].low), FullPrecision(f.interval[r].high),
                        f.exact[r] ? FullPrecision(*f.exact[r]) : QString()});
    }
    rows.push_back({});

    // The distributions: battles by armies destroyed, their share and the exact chance.
    const double battles = static_cast<double>(statistics.Battles());
    rows.push_back({"Armies Destroyed", "Attacker Battles", "Attacker %", "Attacker Exact %",
                    "Defender Battles", "Defender %", "Defender Exact %"});
    for (std::size_t n = 0; n < b3::engine::kLossBins; ++n) {
        std::vector<QString> cells{QString::number(n)};
        for (int side = 0; side < 2; ++side) {
            const long long count = statistics.Lost(side)[n].battles;
            cells.push_back(QString::number(count));
            cells.push_back(
                FullPrecision(battles > 0 ? static_cast<double>(count) / battles * 100.0 : 0.0));
            if (!exact_) {
                cells.push_back(QString());
                continue;
            }
            const auto& exact = side == 0 ? exact_->attackerUnitsLost : exact_->defenderUnitsLost;
            cells.push_back(FullPrecision(exact[n] * 100.0));
        }
        rows.push_back(std::move(cells));
    }
    return rows;
}

}  // namespace b3::oddslab
