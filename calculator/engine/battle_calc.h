// The battle engine: one object per simulation, holding the run's stacks, fronts, random stream
// and results table, so that several simulations can exist at once.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/army.h"
#include "engine/host.h"
#include "engine/intervals.h"
#include "engine/melee_rolls.h"
#include "engine/random.h"
#include "engine/run_statistics.h"
#include "engine/simulation.h"
#include "engine/stack.h"

namespace b3::engine {

class DuelChain;
enum class Killed;
struct Fighter;
struct Lineup;
struct PairRules;

// A run refused before it starts (nothing of the previous run is changed).
class RunRefused : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// The smallest number of combat dice a run accepts: a strength never exceeds 14, so with 15
// faces or more every army misses on some roll and every duel ends.
inline constexpr Long kMinCombatDice = 15;

// The most missile shots an army may have for a run to fight its later battles as chains of
// duels (duel_chain.h); beyond, every battle is fought on its fronts.
inline constexpr std::int64_t kMaxChainMissileShots = 100;

// Loser codes of an exchange and outcomes of a battle.
inline constexpr Long kDefenderLoses = 0;
inline constexpr Long kAttackerLoses = 1;
inline constexpr Long kNobodyLoses = 2;
inline constexpr Long kDefenderWon = 0;
inline constexpr Long kAttackerWon = 1;
inline constexpr Long kGoOn = 2;

class MBattleCalc {
public:
    // One battle: outcome (1 attacker won), attacking armies lost, their production turns,
    // defending armies lost, their production turns.
    using ResultsRow = BattleRow;

    explicit MBattleCalc(CalculatorHost& host);
    ~MBattleCalc();
    MBattleCalc(const MBattleCalc&) = delete;
    MBattleCalc& operator=(const MBattleCalc&) = delete;

    // ---- Run options
    // A fixed seed makes runs reproducible (with the same thread count); without one each run
    // seeds from the clock.
    void SetSeed(std::optional<std::uint64_t> seed) { seed_ = seed; }
    // Battles are split over this many threads (each with its own stream); 1 by default.
    void SetThreads(int threads) { threads_ = threads < 1 ? 1 : threads; }
    // How the battles are fought (see Simulation); Duel by default.
    void SetSimulation(Simulation s) { simulation_ = s; }
    Simulation GetSimulation() const { return simulation_; }
    // Also keep every battle's row in a table (Results), for tests that follow single battles;
    // its memory grows with the number of battles. Off by default: a run keeps only its
    // statistics.
    void SetKeepTable(bool keep) { keepTable_ = keep; }
    // The run's random stream (tests script it). A scripted stream is not reseeded by a run.
    RandomSource& Random() { return rng_; }

    // ---- The run
    // Why a run with these values would be refused, or an empty text when it would not.
    std::string CheckRun(Long NumBattles, Long CombatDice) const;
    // Runs NumBattles battles between the host's two sides; returns false when aborted (the
    // results are then not displayed). Throws RunRefused before anything changes when the
    // number of battles is below 1, the combat dice are below 15, the first attacking stack (list
    // positions 0 to 7) holds no army or the defending side holds none.
    bool RunBattles(Long NumBattles, Long CombatDice, bool ViewStats, Long CityLevel);
    // Asks the run to stop before its next battle (may be called from any thread).
    void RequestAbort() { abort_.store(true, std::memory_order_relaxed); }

    // ---- Set-up
    void BuildStacks();
    bool SendToAttackFront();
    void SendToDefendFront();
    void EvalStacksSelfEffect(Long CityLevel);
    void EvalStacksMutualEffect();
    void CheckIfPoisoned(CStackAtt& att, CStackAtt& def);
    void CheckIfDiseased(CStackAtt& att, CStackAtt& def);
    void CheckIfCursed(CStackAtt& att, CStackAtt& def);
    static bool IsPoisonEligible(const CArmy& army);
    static bool IsDiseaseEligible(const CArmy& army);
    static bool IsCurseEligible(const CArmy& army);
    static void ApplyMutualPowers(CStackAtt& A, CStackAtt& B);
    // The stack bonus of `x` against `y`: adjusted leadership against chaos, morale against fear
    // and fortification against siege, summed and kept in -3..5.
    static Long StackBonus(const CStackAtt& x, const CStackAtt& y);
    static void ApplyAdjustedPower(CStackAtt& stack);
    static Long PowerFilter(std::int64_t value) { return ClampLong(value, -1, 5); }
    static Long TotalStackFilter(std::int64_t value) { return ClampLong(value, -3, 5); }
    // A whole number from 0 to 98.
    Long RandomPercentNum();
    // True with chance limit/99 (limit 99 or more always, 0 or less never). A chance whose
    // outcome is certain draws nothing.
    bool Chance(std::int64_t limit) {
        if (limit <= 0) return false;
        if (limit >= 99) return true;
        return RandomPercentNum() < limit;
    }

    // ---- Fight
    Long Fight(CStackAtt& att, CStackAtt& def, Long battle);
    void UnitvsUnit(CStackAtt& att, Long aPos, CStackAtt& def, Long dPos, Long battle);
    void ResolveAcid(Long aPos, Long dPos, CStackAtt& att, CStackAtt& def);
    void ResolveLightning(Long aPos, Long dPos, CStackAtt& att, CStackAtt& def);
    bool ResolveAssass(Long aPos, Long dPos, CStackAtt& att, CStackAtt& def, Long battle);
    bool ResolveMissle(Long aPos, Long dPos, CStackAtt& att, CStackAtt& def, Long battle);
    Long DamagePerHit(Long aPos, Long dPos, CStackAtt& att, CStackAtt& def, Long loser) const;
    Long WhoLosesPoint(const CArmy& a, const CArmy& d);
    Long GetCombatRoll(Long medals);
    Long CombatDiceRoll(Long faces);
    static bool ScoresHit(Long roll, Long strength) { return roll <= strength; }
    // Whether a melee victim counts as flying: the user's flag, or "fly" as its first move bonus
    // (any letter case). Valid once the run is prepared.
    bool VictimFlies(const CArmy& victim) const;
    void RemoveAttacker(CStackAtt& front, Long position, Long turns, Long battle);
    void RemoveDefender(CStackAtt& front, Long position, Long turns, Long battle);
    Long CheckIfVictor(Long attCount, Long defCount, CStackAtt& def);

    // ---- Statistics
    static void CacheStartHits(CStackAtt& stack);
    void ShowProgress(Long NumBattles, Long battle);
    void DisplayResults(Long NumBattles);
    void ShowWinPercent(Long NumBattles);
    void ShowAverages(Long NumBattles, int column);
    void ShowStats(const CStackAtt& att, const CStackAtt& def);
    StackStatistics MakeStats(const CStackAtt& att, const CStackAtt& def) const;

    // The figures of the last run over NumBattles battles: the attacker's win percentage
    // (double precision) and a column's average (single precision).
    double WinPercent(Long NumBattles) const;
    float Average(Long NumBattles, int column) const;
    // What the last run kept of its battles (after an aborted run: of those fought by then).
    const RunStatistics& Statistics() const { return stats_; }
    // The counts and sums (with sums of squares) of the last run's battles (NumBattles of them
    // when it completed), from which the figures' intervals follow.
    RunTotals Totals(Long NumBattles) const;

    // ---- State
    CStackAtt& DefendingStack() { return defStack_; }
    CStackAtt& AttackingStack(int index) { return attStacks_[index]; }  // 0..3
    Long NumAttackStacks() const { return numAttStacks_; }
    Long CurrentAttackStack() const { return currentAttStack_; }
    void SetCurrentAttackStack(Long v) { currentAttStack_ = v; }
    CStackAtt& AttackFront() { return attFront_; }
    CStackAtt& DefendFront() { return defFront_; }
    Long CombatDice() const { return combatDice_; }
    // Sets the dice and the values derived from them and from the host's data (the run does
    // this itself; tests that call the procedures directly use it).
    void PrepareRun(Long CombatDice, Long NumBattles);
    // The rows of the last run's battles, when it kept its table (SetKeepTable).
    const std::vector<ResultsRow>& Results() const { return results_; }
    // Column (1..5) of the results row of `battle` (1..N), when the table is kept.
    Long Result(Long battle, int column) const {
        return results_.at(static_cast<std::size_t>(battle - 1))
            .at(static_cast<std::size_t>(column - 1));
    }

private:
    struct Worker;
    MBattleCalc(const MBattleCalc& master, int worker);

    void SetUpBattle(Long CityLevel);
    // Fights battles first..last (each after the first battle of the run) and books them.
    void FightBattles(std::int64_t first, std::int64_t last, Long CityLevel);
    // The most battles fought between two looks at the abort flag.
    static constexpr std::int64_t kBlock = 256;
    // Books the battle's outcome and its row into the statistics.
    void FinishBattle(Long battle, Long outcome);
    bool RunThreaded(Long NumBattles, bool ViewStats, Long CityLevel);
    ResultsRow& Row(Long battle) { return keepTable_ ? resultsRows_[battle - 1] : row_; }
    double ScoreChance(const CArmy& army) const;
    // One duel of two armies of the line-up that carry their state in them: the abilities (when
    // `rules` say any can act), then the melee. Returns the army that died; the survivor carries
    // what it has left.
    Killed Duel(CArmy& a, CArmy& d, const PairRules& rules);
    // The melee, in which a lost point costs the attacking army toA hits and the defending army
    // toD; returns the army that died (never Killed::None).
    Killed Melee(CArmy& a, CArmy& d, Long toD, Long toA);
    // A rolled melee from joint rolls (roll.lanes not 0; not for a scripted stream), the
    // generator in registers rather than behind `this` for the many draws.
    Killed JointMelee(const ExchangeRoll& roll, CArmy& a, CArmy& d, Long toD, Long toA) {
        Xoshiro256 gen = rng_.Steps();
        const Killed died = RollMelee(gen, roll, a, d, toD, toA);
        rng_.SetSteps(gen);
        return died;
    }
    // A rolled melee die by die (a scripted stream, or dice too large for joint rolls), drawing
    // the values WhoLosesPoint draws.
    Killed DieByDieMelee(CArmy& a, CArmy& d, Long toD, Long toA);
    // Battles first..last fought along the run's line-up (lineup_): each army enters its first
    // duel with its set-up strikes rolled, and only the two fighting armies are kept.
    void FightAlongLineup(std::int64_t first, std::int64_t last);
    // Sets `army` to `fighter` as it enters its first duel, drawing the set-up strikes on it.
    void Enter(const Fighter& fighter, CArmy& army);
    // Rolls one combat roll for `army` and tells whether it scores.
    bool RollScores(const CArmy& army);
    // The simulation's way of deciding the chances of the duel rules: from the run's stream.
    struct Draws {
        MBattleCalc& calc;
        bool Percent(std::int64_t limit) { return calc.Chance(limit); }
        bool ShotLands(const CArmy& a, const CArmy& d, bool attackerShoots);
    };
    void RemoveFrom(CStackAtt& front, bool attacking, Long position, Long turns, Long battle);
    // Removes the army an ability killed, if any; true when one was.
    bool RemoveKilled(Killed killed, Long aPos, Long dPos, CStackAtt& att, CStackAtt& def,
                      Long battle);
    // Poison, disease or curse (the stack power, who may be struck, the strike) both ways.
    void StrikeBothWays(CStackAtt& att, CStackAtt& def, Long (CStackAtt::*power)() const,
                        bool (*eligible)(const CArmy&), void (*strike)(CArmy&));

    CalculatorHost* host_;
    bool isWorker_ = false;
    std::optional<std::uint64_t> seed_;
    int threads_ = 1;
    Simulation simulation_ = Simulation::Duel;
    RandomSource rng_;
    std::atomic<bool> abort_{false};

    CStackAtt defStack_;
    CStackAtt attStacks_[4];
    Long numAttStacks_ = 0;
    Long currentAttStack_ = 0;
    CStackAtt attFront_;
    CStackAtt defFront_;
    Long combatDice_ = 0;

    bool keepTable_ = false;
    std::vector<ResultsRow> results_;
    ResultsRow* resultsRows_ = nullptr;
    ResultsRow row_{};  // the battle being fought, when no table is kept
    RunStatistics stats_;
    // The battles after the first: the run's line-up (shared by the workers) and, at the duel
    // level, this thread's chain of duels over it.
    std::shared_ptr<const Lineup> lineup_;
    std::unique_ptr<DuelChain> chain_;

    // Derived per run: the chance to score of each strength (1..14) with 0..4 medals, and which
    // unit identifiers fly by their first move bonus.
    double scoreChance_[5][15] = {};
    // The bound below which a Next32 value rolls at most each strength, on the combat dice ([0])
    // and on the die of 1..4 medals.
    std::uint64_t rollBound_[5][15] = {};
    // The exchanges of rolled melees as joint rolls of both armies' dice.
    ExchangeRolls exchangeRolls_;
    std::vector<std::uint8_t> fliesByMoveBonus_;
    Long numArmies_ = 0;

    // The first fronts after their own powers are counted: the same for every battle of a run,
    // so every battle fought on its fronts copies them instead of counting again.
    bool selfEvaluated_ = false;
    Long selfEvaluatedCityLevel_ = 0;
    CStackAtt attSelf_;
    CStackAtt defSelf_;
};

}  // namespace b3::engine
