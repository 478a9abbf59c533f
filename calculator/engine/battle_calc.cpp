#include "engine/battle_calc.h"

#include <chrono>
#include <cmath>
#include <exception>
#include <limits>
#include <memory>
#include <thread>

#include "engine/duel_chain.h"
#include "engine/duel_rules.h"
#include "engine/duel_states.h"
#include "engine/number_format.h"
#include "engine/unit_list.h"

namespace b3::engine {
namespace {

Long Saturate(std::int64_t v) {
    return SaturateLong(v);
}

// Restores the default pointer however the run ends.
struct BusyPointer {
    explicit BusyPointer(CalculatorHost& host) : host(host) { host.SetBusy(true); }
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
      rolled_(master.rolled_),
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
    for (int j = 0; j < worker; ++j) rng_.Jump();
    if (lineup_) chain_ = std::make_unique<DuelChain>(lineup_, Duels(*this, combatDice_));
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
    // The bounds of the rolls that score, on the combat dice (0) and on each medal die.
    for (int m = 0; m < 5; ++m) {
        const Long faces = m == 0 ? CombatDice : kMedalDie[m];
        for (int s = 0; s < 15; ++s)
            rollBound_[m][s] =
                faces > 0 ? RandomSource::RollBound(static_cast<std::uint32_t>(faces), s) : 0;
    }

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
    // At the duel level every battle after the first is fought as a chain of duels, unless the
    // stream is scripted (tests follow the first battle's draws).
    chain_.reset();
    lineup_.reset();
    if (!rolled_ && !rng_.Scripted() && NumBattles > 1) {
        lineup_ = std::make_shared<const Lineup>(BuildLineup(*host_, CombatDice, CityLevel));
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
                            for (std::int64_t n = b; n <= e; n += kBlock) {
                                if (stop.load(std::memory_order_relaxed)) break;
                                const std::int64_t last = std::min<std::int64_t>(e, n + kBlock - 1);
                                worker.FightBattles(n, last, CityLevel);
                                done.fetch_add(static_cast<Long>(last - n + 1),
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

// ---------------------------------------------------------------------------------------------
// Set-up

void MBattleCalc::BuildStacks() {
    selfEvaluated_ = false;
    CAttackArmies& defArmies = host_->DefArmies();
    CAttackArmies& attArmies = host_->AttArmies();
    defStack_.Reset();
    for (Long i = 1; i <= defArmies.Count(); ++i)
        defStack_.Add(defArmies.Item(i), "SN" + std::to_string(defStack_.Count() + 1));
    for (auto& s : attStacks_) s.Reset();
    for (int s = 0; s < 4; ++s) {
        CStackAtt& stack = attStacks_[s];
        for (int slot = 8 * s; slot < 8 * s + 8; ++slot) {
            // A slot without an army (an entry "None") is skipped.
            if (const CArmy* army = attArmies.Find("SN" + std::to_string(slot)))
                stack.Add(*army, "SN" + std::to_string(stack.Count() + 1));
        }
        if (stack.Count() == 0) {
            if (s == 0) continue;  // the number of stacks stays as it was
            break;                 // an empty stack ends the building
        }
        numAttStacks_ = s + 1;
    }
}

bool MBattleCalc::SendToAttackFront() {
    attFront_.Reset();
    if (currentAttStack_ >= numAttStacks_) return false;
    for (const CArmy& army : attStacks_[currentAttStack_]) attFront_.Add(army);
    ++currentAttStack_;
    return true;
}

void MBattleCalc::SendToDefendFront() {
    defFront_.Reset();
    for (const CArmy& army : defStack_) defFront_.Add(army);
}

void MBattleCalc::EvalStacksSelfEffect(Long CityLevel) {
    attFront_.CountSelfPowers(0, CityLevel);
    defFront_.CountSelfPowers(1, CityLevel);
    attFront_.EvalSelfPowers();
    defFront_.EvalSelfPowers();
}

void MBattleCalc::EvalStacksMutualEffect() {
    CheckIfPoisoned(attFront_, defFront_);
    CheckIfDiseased(attFront_, defFront_);
    CheckIfCursed(attFront_, defFront_);
    ApplyMutualPowers(attFront_, defFront_);
}

bool MBattleCalc::IsPoisonEligible(const CArmy& a) {
    return a.Poison() == 0 && !a.Blessed() && !a.Poisoned();
}
bool MBattleCalc::IsDiseaseEligible(const CArmy& a) {
    return a.Disease() == 0 && !a.Blessed() && !a.Diseased();
}
bool MBattleCalc::IsCurseEligible(const CArmy& a) {
    return a.Curse() == 0 && (a.Blessed() || a.HasMedal() > 0);
}

void MBattleCalc::CheckIfPoisoned(CStackAtt& att, CStackAtt& def) {
    auto strike = [this](CStackAtt& victims, Long stackPoison) {
        for (CArmy& a : victims) {
            if (IsPoisonEligible(a) && Chance(std::int64_t{stackPoison} * 4)) StrikePoison(a);
        }
    };
    if (def.StackPoison() != 0) strike(att, def.StackPoison());
    if (att.StackPoison() == 0) return;
    strike(def, att.StackPoison());
}

void MBattleCalc::CheckIfDiseased(CStackAtt& att, CStackAtt& def) {
    auto strike = [this](CStackAtt& victims, Long stackDisease) {
        for (CArmy& a : victims) {
            if (IsDiseaseEligible(a) && Chance(std::int64_t{stackDisease} * 4)) StrikeDisease(a);
        }
    };
    if (def.StackDisease() != 0) strike(att, def.StackDisease());
    if (att.StackDisease() == 0) return;
    strike(def, att.StackDisease());
}

void MBattleCalc::CheckIfCursed(CStackAtt& att, CStackAtt& def) {
    auto strike = [this](CStackAtt& victims, Long stackCurse) {
        for (CArmy& a : victims) {
            if (IsCurseEligible(a) && Chance(std::int64_t{stackCurse} * 4)) StrikeCurse(a);
        }
    };
    if (def.StackCurse() != 0) strike(att, def.StackCurse());
    if (att.StackCurse() == 0) return;
    strike(def, att.StackCurse());
}

Long MBattleCalc::StackBonus(const CStackAtt& x, const CStackAtt& y) {
    const Long lea =
        PowerFilter(std::int64_t{PowerFilter(x.StackLeadership())} - PowerFilter(y.StackChaos()));
    const Long mor =
        PowerFilter(std::int64_t{PowerFilter(x.StackMorale())} - PowerFilter(y.StackFear()));
    const Long fort =
        PowerFilter(std::int64_t{PowerFilter(x.StackFortify())} - PowerFilter(y.StackSiege()));
    return ClampLong(TotalStackFilter(std::int64_t{mor} + lea + fort), -3, 5);
}

void MBattleCalc::ApplyMutualPowers(CStackAtt& A, CStackAtt& B) {
    A.SetTotalStackBonus(StackBonus(A, B));
    ApplyAdjustedPower(A);
    B.SetTotalStackBonus(StackBonus(B, A));
    ApplyAdjustedPower(B);
}

void MBattleCalc::ApplyAdjustedPower(CStackAtt& stack) {
    const Long bonus = stack.TotalStackBonus();
    if (bonus == 0) return;
    for (CArmy& a : stack) AddStackBonus(a, bonus);
}

Long MBattleCalc::RandomPercentNum() {
    return static_cast<Long>(rng_.Roll(99)) - 1;
}

// ---------------------------------------------------------------------------------------------
// Fight

Long MBattleCalc::Fight(CStackAtt& att, CStackAtt& def, Long battle) {
    Long state = kGoOn;
    while (state == kGoOn) {
        UnitvsUnit(att, att.Count(), def, def.Count(), battle);
        state = CheckIfVictor(att.Count(), def.Count(), def);
    }
    return state;
}

Long MBattleCalc::CheckIfVictor(Long attCount, Long defCount, CStackAtt& def) {
    if (defCount == 0) return kAttackerWon;
    if (attCount != 0) return kGoOn;
    if (SendToAttackFront()) {
        def.Item(def.Count()).RestoreStartHits();
        return kGoOn;
    }
    return kDefenderWon;
}

double MBattleCalc::ScoreChance(const CArmy& army) const {
    return scoreChance_[MedalIndex(army.HasMedal())][army.TotalStrength()];
}

void MBattleCalc::UnitvsUnit(CStackAtt& att, Long aPos, CStackAtt& def, Long dPos, Long battle) {
    CArmy& a = att.Item(aPos);
    CArmy& d = def.Item(dPos);
    // Each ability acts only when the two armies' strengths in it differ (and equal assassins
    // above 0 spend theirs): most duels skip all four.
    if (a.Acid() != d.Acid()) ResolveAcid(aPos, dPos, att, def);
    if (a.Lightning() != d.Lightning()) ResolveLightning(aPos, dPos, att, def);
    if ((a.Assass() != d.Assass() || a.Assass() > 0) && ResolveAssass(aPos, dPos, att, def, battle))
        return;
    if (a.Missle() != d.Missle() && ResolveMissle(aPos, dPos, att, def, battle)) return;

    // Neither the damage of a point nor the chances of an exchange change during the melee.
    const Long toD = a.Trample() > 0 ? DamagePerHit(aPos, dPos, att, def, kDefenderLoses) : 1;
    const Long toA = d.Trample() > 0 ? DamagePerHit(aPos, dPos, att, def, kAttackerLoses) : 1;
    if (rolled_) {
        // Every exchange rolls as WhoLosesPoint does, drawing the same values in the same order,
        // written without a branch per exchange: a point costs its loser the damage, and the
        // melee ends when an army has no hits left.
        const auto sa = static_cast<std::size_t>(a.TotalStrength());
        const auto sd = static_cast<std::size_t>(d.TotalStrength());
        const int ma = MedalIndex(a.HasMedal()), md = MedalIndex(d.HasMedal());
        const std::uint64_t aDice = rollBound_[0][sa], aMedal = rollBound_[ma][sa];
        const std::uint64_t dDice = rollBound_[0][sd], dMedal = rollBound_[md][sd];
        std::int64_t hitsA = a.Hits(), hitsD = d.Hits();
        auto melee = [&](auto& source) {
            for (;;) {
                bool hitA = source.Next32() < aDice;
                if (ma != 0) hitA |= source.Next32() < aMedal;
                bool hitD = source.Next32() < dDice;
                if (md != 0) hitD |= source.Next32() < dMedal;
                hitsD -= static_cast<std::int64_t>(hitA && !hitD) * toD;
                hitsA -= static_cast<std::int64_t>(hitD && !hitA) * toA;
                if ((hitsA <= 0) | (hitsD <= 0)) return;
            }
        };
        if (rng_.Scripted()) {
            melee(rng_);
        } else {
            // The generator in registers rather than behind `this` for the melee's many draws.
            Generator gen = rng_.Gen();
            melee(gen);
            rng_.SetGen(gen);
        }
        if (hitsD <= 0) {
            a.SetHits(hitsA);
            RemoveDefender(def, dPos, d.Turns(), battle);
        } else {
            d.SetHits(hitsD);
            RemoveAttacker(att, aPos, a.Turns(), battle);
        }
        return;
    }
    // The exchange that decides a point: the attacking army wins it with the chance that it
    // alone scores, given that exactly one of the two scores.
    const PointOdds odds = MeleePointOdds(ScoreChance(a), ScoreChance(d));
    // u < attackerOnly / (attackerOnly + defenderOnly), without a division.
    const double aOnly = odds.attackerOnly;
    const double either = odds.attackerOnly + odds.defenderOnly;
    for (;;) {
        if (rng_.Next() * either < aOnly) {
            if (const Long left = HitsAfterPoint(d.Hits(), toD)) {
                d.SetHits(left);
            } else {
                RemoveDefender(def, dPos, d.Turns(), battle);
                return;
            }
        } else {
            if (const Long left = HitsAfterPoint(a.Hits(), toA)) {
                a.SetHits(left);
            } else {
                RemoveAttacker(att, aPos, a.Turns(), battle);
                return;
            }
        }
    }
}

bool MBattleCalc::Draws::ShotLands(const CArmy& a, const CArmy& d, bool attackerShoots) {
    if (calc.rolled_)
        return calc.WhoLosesPoint(a, d) == (attackerShoots ? kDefenderLoses : kAttackerLoses);
    const CArmy& shooter = attackerShoots ? a : d;
    const CArmy& target = attackerShoots ? d : a;
    return calc.rng_.Next() < calc.ScoreChance(shooter) * (1.0 - calc.ScoreChance(target));
}

Long MBattleCalc::WhoLosesPoint(const CArmy& a, const CArmy& d) {
    const bool hitA = RollScores(a);
    const bool hitD = RollScores(d);
    if (hitA == hitD) return kNobodyLoses;
    return hitA ? kDefenderLoses : kAttackerLoses;
}

// ScoresHit(GetCombatRoll(medals), strength) without working out the roll: the same draws, in the
// same order (the combat dice, then any medal die, both always rolled), each compared with the
// bound below which it rolls at most the strength.
bool MBattleCalc::RollScores(const CArmy& army) {
    const auto s = static_cast<std::size_t>(army.TotalStrength());  // 1..14
    bool hit = rng_.Next32() < rollBound_[0][s];
    if (const int m = MedalIndex(army.HasMedal())) hit |= rng_.Next32() < rollBound_[m][s];
    return hit;
}

Long MBattleCalc::GetCombatRoll(Long medals) {
    const Long r = CombatDiceRoll(0);
    const Long die = kMedalDie[MedalIndex(medals)];
    if (die == 0) return r;
    const Long second = CombatDiceRoll(die);
    return second < r ? second : r;
}

Long MBattleCalc::CombatDiceRoll(Long faces) {
    const Long n = faces == 0 ? combatDice_ : faces;
    if (n < 1) return n;  // a die without faces rolls nothing higher
    return static_cast<Long>(rng_.Roll(static_cast<std::uint32_t>(n)));
}

bool MBattleCalc::VictimFlies(const CArmy& victim) const {
    if (victim.IsFlying()) return true;
    const Long id = victim.UnitID();
    // A unit identifier outside the data arrays names no move bonus.
    if (id < 0 || static_cast<std::size_t>(id) >= fliesByMoveBonus_.size()) return false;
    return fliesByMoveBonus_[static_cast<std::size_t>(id)] != 0;
}

Long MBattleCalc::DamagePerHit(Long aPos, Long dPos, CStackAtt& att, CStackAtt& def,
                               Long loser) const {
    if (loser != kDefenderLoses && loser != kAttackerLoses) return 1;
    const CArmy& hitter = loser == kDefenderLoses ? att.Item(aPos) : def.Item(dPos);
    if (hitter.Trample() <= 0) return 1;
    const CArmy& victim = loser == kDefenderLoses ? def.Item(dPos) : att.Item(aPos);
    return MeleeDamage(hitter, VictimFlies(victim));
}

void MBattleCalc::ResolveAcid(Long aPos, Long dPos, CStackAtt& att, CStackAtt& def) {
    Draws draws{*this};
    AcidRule(att.Item(aPos), def.Item(dPos), draws);
}

void MBattleCalc::ResolveLightning(Long aPos, Long dPos, CStackAtt& att, CStackAtt& def) {
    Draws draws{*this};
    LightningRule(att.Item(aPos), def.Item(dPos), draws);
}

bool MBattleCalc::ResolveAssass(Long aPos, Long dPos, CStackAtt& att, CStackAtt& def, Long battle) {
    Draws draws{*this};
    CArmy& a = att.Item(aPos);
    CArmy& d = def.Item(dPos);
    const Killed killed = AssassRule(a, d, draws);
    if (killed == Killed::Defender) RemoveDefender(def, dPos, d.Turns(), battle);
    if (killed == Killed::Attacker) RemoveAttacker(att, aPos, a.Turns(), battle);
    return killed != Killed::None;
}

bool MBattleCalc::ResolveMissle(Long aPos, Long dPos, CStackAtt& att, CStackAtt& def, Long battle) {
    Draws draws{*this};
    CArmy& a = att.Item(aPos);
    CArmy& d = def.Item(dPos);
    const Killed killed = MissileRule(a, d, draws);
    if (killed == Killed::Defender) RemoveDefender(def, dPos, d.Turns(), battle);
    if (killed == Killed::Attacker) RemoveAttacker(att, aPos, a.Turns(), battle);
    return killed != Killed::None;
}

void MBattleCalc::RemoveFrom(CStackAtt& front, bool attacking, Long position, Long turns,
                             Long battle) {
    ResultsRow& row = Row(battle);
    const int lost = attacking ? 1 : 3;
    row[lost] = Saturate(std::int64_t{row[lost]} + 1);
    row[lost + 1] = Saturate(std::int64_t{row[lost + 1]} + turns);
    front.Remove(position);
}

void MBattleCalc::RemoveAttacker(CStackAtt& front, Long position, Long turns, Long battle) {
    RemoveFrom(front, true, position, turns, battle);
}

void MBattleCalc::RemoveDefender(CStackAtt& front, Long position, Long turns, Long battle) {
    RemoveFrom(front, false, position, turns, battle);
}

// ---------------------------------------------------------------------------------------------
// Statistics

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
    for (int s = 0; s < 2; ++s) {
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
