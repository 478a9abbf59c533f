// A simulation run: its refusals, its preparation, its battles on one thread or several, and the
// workers that fight a threaded run's later blocks.
#include "engine/battle_calc.h"

#include <chrono>
#include <exception>
#include <memory>
#include <thread>

#include "engine/duel_chain.h"
#include "engine/duel_rules.h"
#include "engine/duel_states.h"
#include "engine/unit_list.h"

namespace b3::engine {
namespace {

// Restores the default pointer however the run ends.
struct BusyPointer {
    explicit BusyPointer(CalculatorHost& owner) : host(owner) { host.SetBusy(true); }
    ~BusyPointer() { Restore(); }
    void Restore() {
        if (busy) host.SetBusy(false);
        busy = false;
    }
    CalculatorHost& host;
    bool busy = true;
};

}  // namespace

MBattleCalc::MBattleCalc(CalculatorHost& host) : host_(&host) {}

MBattleCalc::~MBattleCalc() = default;

// A worker of a threaded run: the master's stacks, settings and derived tables, its own stream
// and fronts, writing into the master's results table.
MBattleCalc::MBattleCalc(const MBattleCalc& master, int worker)
    : host_(master.host_),
      isWorker_(true),
      threads_(1),
      simulation_(master.simulation_),
      rng_(master.rng_),
      defStack_(master.defStack_),
      numAttStacks_(master.numAttStacks_),
      combatDice_(master.combatDice_),
      keepTable_(master.keepTable_),
      resultsRows_(master.resultsRows_),
      lineup_(master.lineup_),
      fliesByMoveBonus_(master.fliesByMoveBonus_),
      numArmies_(master.numArmies_) {
    for (int s = 0; s < 4; ++s) attStacks_[s] = master.attStacks_[s];
    for (int m = 0; m < 5; ++m) {
        for (int s = 0; s < 15; ++s) {
            scoreChance_[m][s] = master.scoreChance_[m][s];
            rollBound_[m][s] = master.rollBound_[m][s];
        }
    }
    exchangeRolls_ = master.exchangeRolls_;
    for (int j = 0; j < worker; ++j) rng_.Jump();
    if (master.chain_) chain_ = std::make_unique<DuelChain>(lineup_, Duels(*this, combatDice_));
}

// ---------------------------------------------------------------------------------------------
// The run

std::string MBattleCalc::CheckRun(Long NumBattles, Long CombatDice) const {
    if (NumBattles < 1)
        return "The number of battles must be at least 1 (it is " + std::to_string(NumBattles) +
               ").";
    if (CombatDice < kMinCombatDice)
        return "The combat dice must have at least " + std::to_string(kMinCombatDice) +
               " faces (they have " + std::to_string(CombatDice) +
               "): with fewer, two armies of strength 14 could never miss and their duel would "
               "never end.";
    const CAttackArmies& att = host_->AttArmies();
    bool firstStack = false;
    for (int slot = 0; slot < 8 && !firstStack; ++slot)
        firstStack = att.Find("SN" + std::to_string(slot)) != nullptr;
    if (!firstStack)
        return "The attacking side has no army in its first stack (list positions 0 to 7).";
    if (host_->DefArmies().Count() == 0) return "The defending side has no army.";
    return {};
}

void MBattleCalc::PrepareRun(Long CombatDice, Long NumBattles) {
    combatDice_ = CombatDice;
    results_.clear();
    if (keepTable_)
        results_.assign(static_cast<std::size_t>(NumBattles < 0 ? 0 : NumBattles), ResultsRow{});
    results_.shrink_to_fit();
    resultsRows_ = results_.data();
    row_ = {};
    stats_.Clear();

    // The chance that a roll scores, by medals and strength.
    for (int m = 0; m < 5; ++m)
        for (int s = 0; s < 15; ++s) scoreChance_[m][s] = ScoreProbability(CombatDice, m, s);
    // The bounds of the rolls that score, on the combat dice (0) and on each medal die, from
    // 32-bit values, and the joint rolls of both armies' dice.
    for (int m = 0; m < 5; ++m) {
        const Long faces = m == 0 ? CombatDice : kMedalDie[m];
        const auto f = static_cast<std::uint32_t>(faces);
        for (int s = 0; s < 15; ++s)
            rollBound_[m][s] = faces > 0 ? RandomSource::RollBound(f, s) : 0;
    }
    exchangeRolls_ = ExchangeRolls(CombatDice);

    // Which units fly by their first move bonus (armies: column 13, heroes: column 12).
    const DataArray& armies = host_->Armies();
    const DataArray& heroes = host_->Heroes();
    numArmies_ = static_cast<Long>(armies.rows());
    fliesByMoveBonus_.assign(armies.rows() + heroes.rows(), 0);
    for (std::size_t r = 0; r < armies.rows(); ++r)
        if (armies.columns() > 13 && LowerCase(armies.at(r, 13).toString()) == "fly")
            fliesByMoveBonus_[r] = 1;
    for (std::size_t r = 0; r < heroes.rows(); ++r)
        if (heroes.columns() > 12 && LowerCase(heroes.at(r, 12).toString()) == "fly")
            fliesByMoveBonus_[armies.rows() + r] = 1;
}

bool MBattleCalc::RunBattles(Long NumBattles, Long CombatDice, bool ViewStats, Long CityLevel) {
    const std::string refusal = CheckRun(NumBattles, CombatDice);
    if (!refusal.empty()) throw RunRefused(refusal);

    // An abort asked for after the last look of an earlier run does not stop this one.
    abort_.store(false, std::memory_order_relaxed);
    BusyPointer busy(*host_);
    PrepareRun(CombatDice, NumBattles);
    if (!rng_.Scripted()) {
        if (seed_)
            rng_.Seed(*seed_);
        else
            rng_.SeedFromClock();
    }
    BuildStacks();
    currentAttStack_ = 0;
    // Every battle after the first is fought along the run's line-up, unless the stream is
    // scripted (tests follow the first battle's draws): at the duel level as a chain of duels
    // unless an army shoots so many missiles that working out its duels' ends would cost more
    // than fighting them, and otherwise duel by duel.
    chain_.reset();
    lineup_.reset();
    if (!rng_.Scripted() && NumBattles > 1) {
        lineup_ = std::make_shared<const Lineup>(BuildLineup(*host_, CombatDice, CityLevel));
        if (simulation_ == Simulation::Duel && MostMissileShots(*host_) <= kMaxChainMissileShots)
            chain_ = std::make_unique<DuelChain>(lineup_, Duels(*this, CombatDice));
    }
    host_->ShowProgressBar();

    const int threads =
        rng_.Scripted() ? 1 : static_cast<int>(std::min<Long>(threads_, NumBattles));
    if (threads > 1) {
        if (!RunThreaded(NumBattles, ViewStats, CityLevel)) return false;
    } else {
        // Counted in 64 bits: a Long counter could not pass the largest count of battles. The
        // battles between two reports of progress are fought as one block: the abort flag, which
        // a report may set, is looked at before the block after it, as before the next battle.
        const std::int64_t step = std::max<Long>(1, NumBattles / 100);
        for (std::int64_t n = 1; n <= NumBattles;) {
            if (abort_.exchange(false, std::memory_order_relaxed)) return false;
            if (n == 1) {
                SetUpBattle(CityLevel);
                CacheStartHits(defFront_);
                if (ViewStats) ShowStats(attFront_, defFront_);
                FinishBattle(1, Fight(attFront_, defFront_, 1));
                currentAttStack_ = 0;
                ShowProgress(NumBattles, 1);
                ++n;
                continue;
            }
            const std::int64_t nextReport = (n + step - 1) / step * step;
            const std::int64_t last =
                std::min<std::int64_t>({std::int64_t{NumBattles}, nextReport, n + kBlock - 1});
            FightBattles(n, last, CityLevel);
            ShowProgress(NumBattles, static_cast<Long>(last));
            n = last + 1;
        }
    }
    busy.Restore();
    DisplayResults(NumBattles);
    return true;
}

void MBattleCalc::SetUpBattle(Long CityLevel) {
    // Sending the first stacks and counting their own powers draws nothing and gives the same
    // fronts every battle: do it once per run and copy the result.
    if (!selfEvaluated_ || selfEvaluatedCityLevel_ != CityLevel) {
        currentAttStack_ = 0;
        SendToAttackFront();
        SendToDefendFront();
        EvalStacksSelfEffect(CityLevel);
        attSelf_ = attFront_;
        defSelf_ = defFront_;
        selfEvaluated_ = true;
        selfEvaluatedCityLevel_ = CityLevel;
    } else {
        attFront_ = attSelf_;
        defFront_ = defSelf_;
    }
    currentAttStack_ = numAttStacks_ > 0 ? 1 : 0;
    EvalStacksMutualEffect();
}

void MBattleCalc::FightBattles(std::int64_t first, std::int64_t last, Long CityLevel) {
    if (chain_) {
        // Battles after the first, as chains of duels.
        auto battle = static_cast<Long>(first);
        chain_->FightMany(rng_, last - first + 1, [&](const BattleRow& fought) {
            ResultsRow& row = Row(battle++);
            row = fought;
            stats_.Book(row);
            if (!keepTable_) row = {};
        });
        return;
    }
    if (lineup_) {
        FightAlongLineup(first, last);
        return;
    }
    for (std::int64_t n = first; n <= last; ++n) {
        const auto battle = static_cast<Long>(n);
        SetUpBattle(CityLevel);
        CacheStartHits(defFront_);
        FinishBattle(battle, Fight(attFront_, defFront_, battle));
        currentAttStack_ = 0;
    }
}

void MBattleCalc::FinishBattle(Long battle, Long outcome) {
    ResultsRow& row = Row(battle);
    row[0] = outcome;
    stats_.Book(row);
    if (!keepTable_) row = {};
}

// Battles 1..N in contiguous blocks, one per thread; this thread fights the first block (and so
// the first battle, whose statistics it shows), reports progress for all of them and watches for
// an abort.
bool MBattleCalc::RunThreaded(Long NumBattles, bool ViewStats, Long CityLevel) {
    const int threads = static_cast<int>(std::min<Long>(threads_, NumBattles));
    std::vector<Long> first(static_cast<std::size_t>(threads) + 1);
    for (int t = 0; t <= threads; ++t)
        first[static_cast<std::size_t>(t)] =
            1 + static_cast<Long>(std::int64_t{NumBattles} * t / threads);

    std::atomic<Long> done{0};
    std::atomic<bool> stop{false};
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(threads));
    std::vector<std::thread> pool;

    Long reported = 0;
    const Long step = std::max<Long>(1, NumBattles / 100);
    auto report = [&](Long upTo) {
        // In 64 bits: the step after the last one may lie beyond the largest Long.
        for (std::int64_t m = (std::int64_t{reported} / step + 1) * step; m <= upTo; m += step)
            ShowProgress(NumBattles, static_cast<Long>(m));
        reported = upTo;
    };
    auto joinAll = [&] {
        for (auto& t : pool) t.join();
        pool.clear();
    };

    // The workers take their streams from the run's seed before any battle draws.
    std::vector<std::unique_ptr<MBattleCalc>> workers(static_cast<std::size_t>(threads));
    for (int t = 1; t < threads; ++t)
        workers[static_cast<std::size_t>(t)].reset(new MBattleCalc(*this, t));

    bool aborted = false;
    try {
        // The first battle is set up (and its statistics shown) before the others start.
        const Long end0 = first[1] - 1;
        for (std::int64_t n = 1; n <= end0; ++n) {
            const auto i = static_cast<Long>(n);
            if (abort_.exchange(false, std::memory_order_relaxed)) {
                aborted = true;
                break;
            }
            if (i > 1) {
                // Battles are fought and counted in blocks: a shared counter touched by every
                // battle of every thread would cost more than the battles.
                const std::int64_t last = std::min<std::int64_t>(end0, n + kBlock - 1);
                FightBattles(n, last, CityLevel);
                report(done.fetch_add(static_cast<Long>(last - n + 1), std::memory_order_relaxed) +
                       static_cast<Long>(last - n + 1));
                n = last;
                if (stop.load(std::memory_order_relaxed)) break;
                continue;
            }
            SetUpBattle(CityLevel);
            CacheStartHits(defFront_);
            {
                if (ViewStats) ShowStats(attFront_, defFront_);
                for (int t = 1; t < threads; ++t) {
                    pool.emplace_back([&, t] {
                        try {
                            MBattleCalc& worker = *workers[static_cast<std::size_t>(t)];
                            const Long b = first[static_cast<std::size_t>(t)];
                            const Long e = first[static_cast<std::size_t>(t) + 1] - 1;
                            for (std::int64_t from = b; from <= e; from += kBlock) {
                                if (stop.load(std::memory_order_relaxed)) break;
                                const std::int64_t last =
                                    std::min<std::int64_t>(e, from + kBlock - 1);
                                worker.FightBattles(from, last, CityLevel);
                                done.fetch_add(static_cast<Long>(last - from + 1),
                                               std::memory_order_relaxed);
                            }
                        } catch (...) {
                            failures[static_cast<std::size_t>(t)] = std::current_exception();
                            stop.store(true);
                        }
                    });
                }
            }
            FinishBattle(i, Fight(attFront_, defFront_, i));
            currentAttStack_ = 0;
            report(done.fetch_add(1, std::memory_order_relaxed) + 1);
            if (stop.load()) break;
        }
        while (!aborted && done.load() < NumBattles && !stop.load()) {
            if (abort_.exchange(false, std::memory_order_relaxed)) {
                aborted = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            report(done.load());
        }
    } catch (...) {
        stop.store(true);
        joinAll();
        throw;
    }
    if (aborted) stop.store(true);
    joinAll();
    for (auto& f : failures)
        if (f) std::rethrow_exception(f);
    // The workers' blocks follow this thread's, in order.
    for (int t = 1; t < threads; ++t) stats_.Merge(workers[static_cast<std::size_t>(t)]->stats_);
    if (aborted) return false;
    report(done.load());
    return true;
}

}  // namespace b3::engine
