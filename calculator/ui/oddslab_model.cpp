#include "calculator/ui/oddslab_model.h"

#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "engine/battle_calc.h"

namespace b3::oddslab {

using b3::engine::Long;
using b3::engine::Scenario;
using b3::engine::ScenarioError;

namespace {

// A number as the calculator reads numeric text: surrounding spaces allowed, a fraction rounds
// to the nearest whole number with halves to the even one. Nothing when the text is no number;
// an overflow error when it does not fit a 32-bit integer.
std::optional<Long> ParseLong(const QString& value) {
    bool ok = false;
    const double v = value.trimmed().toDouble(&ok);
    if (!ok || std::isnan(v)) return std::nullopt;
    const double r = std::nearbyint(v);
    if (!(r >= std::numeric_limits<Long>::min() && r <= std::numeric_limits<Long>::max()))
        throw std::overflow_error("Overflow");
    return static_cast<Long>(r);
}

}  // namespace

OddsLabModel::OddsLabModel() = default;
OddsLabModel::~OddsLabModel() = default;

// ---------------------------------------------------------------------------------------------
// Units

void OddsLabModel::SetUnits(DataArray armies, DataArray heroes) {
    armies_ = std::move(armies);
    heroes_ = std::move(heroes);
}

QString OddsLabModel::UnitText(Long id) const {
    if (id >= 0 && id <= NumArmies() - 1)
        return QString::fromStdString(armies_.at(static_cast<std::size_t>(id), 1).toString());
    if (id >= NumArmies() && id < NoneId())
        return QString::fromStdString(
            heroes_.at(static_cast<std::size_t>(id - NumArmies()), 1).toString());
    return "None";
}

bool OddsLabModel::CheckIfUndead(Long Row) const {
    return b3::engine::CheckIfUndead(armies_, static_cast<std::size_t>(Row));
}

// ---------------------------------------------------------------------------------------------
// The lists

int OddsLabModel::Count(int side) const {
    return static_cast<int>(entries_[side].size());
}

bool OddsLabModel::ValidPosition(int side, int position) const {
    return position >= 0 && position < Count(side);
}

Long OddsLabModel::ItemId(int side, int position) const {
    return entries_[side].at(static_cast<std::size_t>(position)).id;
}

bool OddsLabModel::AddEntry(int side, Long id) {
    if (Count(side) >= kMaxListUnits) return false;
    entries_[side].push_back({id, std::nullopt});
    return true;
}

bool OddsLabModel::DeleteEntry(int side, int position) {
    if (!ValidPosition(side, position)) return false;
    entries_[side].erase(entries_[side].begin() + position);
    ShuffleArray(health_[side], position, 1);
    return true;
}

bool OddsLabModel::MoveEntry(int side, int position, int direction) {
    const int other = position + direction;
    if (!ValidPosition(side, position) || !ValidPosition(side, other)) return false;
    std::swap(entries_[side][static_cast<std::size_t>(position)],
              entries_[side][static_cast<std::size_t>(other)]);
    MoveArmyInHealthArray(health_[side], position + 1, direction);
    return true;
}

int OddsLabModel::DuplicateEntry(int side, int position, int copies) {
    if (!ValidPosition(side, position)) return 0;
    const ListEntry original = entries_[side][static_cast<std::size_t>(position)];
    int added = 0;
    for (int k = 0; k < copies; ++k) {
        if (Count(side) >= kMaxListUnits) break;
        entries_[side].push_back(original);
        // A duplicate carries the marks of its original.
        for (int c = 1; c <= 7; ++c)
            health_[side].at(Count(side), c) = health_[side].at(position + 1, c);
        ++added;
    }
    return added;
}

void OddsLabModel::ClearList(int side) {
    entries_[side].clear();
    RefreshHealthArray(side);
}

void OddsLabModel::SetMark(int side, const std::vector<int>& positions, int column,
                           std::int16_t value) {
    if (column < 1 || column > 7) return;
    for (int p : positions)
        if (ValidPosition(side, p)) health_[side].at(p + 1, column) = value;
}

void OddsLabModel::ShuffleArray(HealthArray& health, int Start, int Shift) {
    for (int i = Start + 1; i <= kMaxListUnits; ++i)
        for (int c = 1; c <= 7; ++c) {
            const int from = i + Shift;
            health.at(i, c) = from >= 1 && from <= kMaxListUnits + 1 ? health.at(from, c) : 0;
        }
}

void OddsLabModel::MoveArmyInHealthArray(HealthArray& health, int Row, int Direction) {
    for (int c = 1; c <= 7; ++c) std::swap(health.at(Row, c), health.at(Row + Direction, c));
}

b3::engine::HealthMarks OddsLabModel::MarksOf(int side, Long slot) const {
    const HealthArray& h = health_[side];
    const int row = static_cast<int>(slot) + 1;
    b3::engine::HealthMarks m;
    m.blessed = h.at(row, kBlessed) != 0;
    m.diseased = h.at(row, kDiseased) != 0;
    m.poisoned = h.at(row, kPoisoned) != 0;
    m.medals = h.at(row, kMedals);
    m.blacksmith = h.at(row, kBlacksmith) != 0;
    m.weaponsmaster = h.at(row, kWeaponsmaster) != 0;
    m.flying = h.at(row, kFlying) != 0;
    return m;
}

bool OddsLabModel::UsesMarks(int side, int position) const {
    const Long id = ItemId(side, position);
    if (id < 0 || id >= NoneId()) return false;
    for (int c = 1; c <= 7; ++c)
        if (health_[side].at(position + 1, c) != 0) return true;
    return false;
}

QString OddsLabModel::EntryText(int side, int position) const {
    return UnitText(ItemId(side, position)) + (UsesMarks(side, position) ? kMarkSuffix : "");
}

MarkChoices OddsLabModel::HealthConflicts(int side, const std::vector<int>& positions) const {
    bool blessed = false, sick = false;
    const HealthArray& h = health_[side];
    for (int p : positions) {
        if (p < 0 || p >= kMaxListUnits) continue;
        blessed = blessed || h.at(p + 1, kBlessed) != 0;
        sick = sick || h.at(p + 1, kDiseased) != 0 || h.at(p + 1, kPoisoned) != 0;
    }
    return {!sick, !blessed};
}

bool OddsLabModel::EntryBonuses(int side, int position,
                                b3::engine::SimpleHost::Bonuses& bonuses) const {
    if (!ValidPosition(side, position)) return false;
    const auto& kept = entries_[side][static_cast<std::size_t>(position)].bonuses;
    if (!kept) return false;
    for (int i = 0; i < b3::engine::kHeroBonusCount; ++i)
        bonuses[i] = (*kept)[static_cast<std::size_t>(i)];
    return true;
}

void OddsLabModel::SetBonuses(int side, int position, const EntryBonusValues& bonuses) {
    if (ValidPosition(side, position))
        entries_[side][static_cast<std::size_t>(position)].bonuses = bonuses;
}

bool OddsLabModel::HoldsUnit(int side, int from, int to) const {
    for (int p = from; p <= to && p < Count(side); ++p)
        if (b3::engine::ListedUnitArgs(Units(), ItemId(side, p), p, {}).Name != "None") return true;
    return false;
}

// ---------------------------------------------------------------------------------------------
// The battle and the options

void OddsLabModel::SetNumBattles(const QString& value) {
    if (const auto v = ParseLong(value)) numBattles_ = *v;
}

void OddsLabModel::TypeNumBattles(const QString& value) {
    battlesOutOfRange_ = false;
    try {
        SetNumBattles(value);
    } catch (const std::overflow_error&) {
        battlesOutOfRange_ = true;
    }
}

void OddsLabModel::SetCombatDice(const QString& value) {
    if (const auto v = ParseLong(value)) combatDice_ = *v;
}

void OddsLabModel::SetThreads(int threads) {
    threads_ = std::clamp(threads, 1, kMaxThreads);
}

// ---------------------------------------------------------------------------------------------
// The set-up

RunSetup OddsLabModel::CurrentSetup() const {
    RunSetup setup;
    for (int side = 0; side < 2; ++side) {
        for (int p = 0; p < Count(side); ++p) {
            ListedEntry entry;
            entry.id = ItemId(side, p);
            // The marks of a "None" entry take no part in the battle.
            if (UsesMarks(side, p))
                for (int c = 1; c <= 7; ++c)
                    entry.marks[static_cast<std::size_t>(c - 1)] = health_[side].at(p + 1, c);
            b3::engine::SimpleHost::Bonuses bonuses = {};
            if (entry.id >= NumArmies() && EntryBonuses(side, p, bonuses))
                for (int b = 0; b < b3::engine::kHeroBonusCount; ++b)
                    entry.bonuses[static_cast<std::size_t>(b)] = bonuses[b];
            setup.lists[static_cast<std::size_t>(side)].push_back(entry);
        }
    }
    setup.combatDice = combatDice_;
    setup.terrain = terrain_;
    setup.cityLevel = cityLevel_;
    setup.numBattles = numBattles_;
    setup.simulation = simulation_;
    return setup;
}

RunSetup OddsLabModel::NextRun() const {
    RunSetup run = CurrentSetup();
    run.seed = seed_ ? *seed_ : QRandomGenerator::global()->generate64();
    run.threads = threads_;
    return run;
}

Scenario OddsLabModel::CurrentScenario() const {
    Scenario s;
    s.dice = combatDice_;
    s.terrain = terrain_.empty() ? "field" : terrain_;
    s.cityLevel = s.terrain == "city" ? cityLevel_ : 0;
    s.battles = numBattles_;
    s.simulation = simulation_;
    for (int side = 0; side < 2; ++side) {
        auto& entries = side == 0 ? s.attack : s.defend;
        for (int p = 0; p < Count(side); ++p) {
            b3::engine::SimpleHost::Bonuses bonuses = {};
            const bool kept = EntryBonuses(side, p, bonuses);
            entries.push_back(b3::engine::ScenarioEntryOf(
                Units(), ItemId(side, p), MarksOf(side, p), kept ? &bonuses : nullptr));
        }
    }
    return s;
}

void OddsLabModel::TakeScenarioLists(const Scenario& s) {
    // Every value is checked and every entry found before anything changes.
    if (s.battles < 1 || s.battles > kMaxBattles)
        throw ScenarioError("battles must be from 1 to " + std::to_string(kMaxBattles) +
                            " in this window, not " + std::to_string(s.battles));
    std::vector<Long> ids[2];
    for (int side = 0; side < 2; ++side) {
        const auto& entries = side == 0 ? s.attack : s.defend;
        if (entries.size() > static_cast<std::size_t>(kMaxListUnits))
            throw ScenarioError(std::string(side == 0 ? "attack" : "defend") +
                                " must list 1 to 32 units");
        for (std::size_t i = 0; i < entries.size(); ++i)
            ids[side].push_back(b3::engine::ResolveScenarioUnit(
                Units(), entries[i],
                std::string(side == 0 ? "attack[" : "defend[") + std::to_string(i) + "]"));
    }
    for (int side = 0; side < 2; ++side) {
        const auto& entries = side == 0 ? s.attack : s.defend;
        ClearList(side);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const b3::engine::ScenarioEntry& e = entries[i];
            ListEntry entry{ids[side][i], std::nullopt};
            if (e.hasBonuses && entry.id >= NumArmies()) {
                EntryBonusValues values;
                for (int b = 0; b < b3::engine::kHeroBonusCount; ++b)
                    values[static_cast<std::size_t>(b)] = e.bonuses[b];
                entry.bonuses = values;
            }
            entries_[side].push_back(entry);
            if (e.none) continue;
            const b3::engine::HealthMarks& m = e.marks;
            HealthArray& h = health_[side];
            const int row = static_cast<int>(i) + 1;
            h.at(row, kBlessed) = m.blessed;
            h.at(row, kDiseased) = m.diseased;
            h.at(row, kPoisoned) = m.poisoned;
            h.at(row, kMedals) = static_cast<std::int16_t>(m.medals);
            h.at(row, kBlacksmith) = m.blacksmith;
            h.at(row, kWeaponsmaster) = m.weaponsmaster;
            h.at(row, kFlying) = m.flying;
        }
    }
}

void OddsLabModel::NewSides(b3::engine::ArmyContext& context) {
    for (auto& side : sides_) side = std::make_unique<b3::engine::CAttackArmies>(context);
}

// ---------------------------------------------------------------------------------------------
// The runs

void OddsLabModel::RunCompleted(const RunSetup& run, const b3::engine::RunTotals& totals) {
    record_.Started(run);
    record_.Completed();
    figures_ = FiguresOf(totals);
    figures_.seed = run.seed;
    figures_.threads = run.threads;
    exact_.reset();
}

void OddsLabModel::RunAborted(const RunSetup* run) {
    if (run) record_.Started(*run);
    record_.Aborted();
}

void OddsLabModel::SetExactOdds(const std::optional<b3::engine::ExactOdds>& odds) {
    exact_ = odds;
    for (auto& e : figures_.exact) e.reset();
    if (!odds) return;
    const double values[kFigureCount] = {
        odds->attackerWinProbability * 100.0, odds->expectedAttackerUnitsLost,
        odds->expectedAttackerTurnsLost, odds->expectedDefenderUnitsLost,
        odds->expectedDefenderTurnsLost};
    for (int i = 0; i < kFigureCount; ++i) figures_.exact[i] = values[i];
}

bool OddsLabModel::ResultsStale() const {
    return record_.Stale(CurrentSetup());
}

std::string OddsLabModel::StaleNote() const {
    return record_.StaleNote(CurrentSetup());
}

QuickFigures OddsLabModel::CurrentFigures() const {
    return record_.HasResults() ? figures_ : QuickFigures{};
}

QString OddsLabModel::ResultsText(const b3::engine::RunStatistics& statistics) const {
    QString text;
    for (const auto& row : ResultsTable(statistics)) {
        QStringList cells;
        for (const QString& cell : row) cells << cell;
        text += cells.join('\t') + "\n";
    }
    return text;
}

}  // namespace b3::oddslab
