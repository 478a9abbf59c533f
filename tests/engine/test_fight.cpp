// Fight resolution with scripted draws: combat rolls and medals, exchanges, damage and trample,
// acid, lightning, assassination, missiles, removal and follow-up attacking stacks.
#include <gtest/gtest.h>

#include <vector>

#include "engine/battle_calc.h"
#include "engine_support.h"

namespace b3::engine::test {
namespace {

class FightTest : public ::testing::Test {
protected:
    void SetUp() override {
        calc.SetSimulation(Simulation::Rolled);
        calc.PrepareRun(20, 3);
    }
    CArmy& A(CArmy a) { return calc.AttackFront().Add(a); }
    CArmy& D(CArmy a) { return calc.DefendFront().Add(a); }
    void Script(std::vector<double> v) { calc.Random().Script(std::move(v)); }
    // One exchange in which only the attacker, only the defender, both or neither score, for
    // strengths below 20 and no medals.
    static std::vector<double> AttackerScores() { return {Die(1, 20), Die(20, 20)}; }
    static std::vector<double> DefenderScores() { return {Die(20, 20), Die(1, 20)}; }
    static std::vector<double> BothScore() { return {Die(1, 20), Die(1, 20)}; }
    static std::vector<double> NeitherScores() { return {Die(20, 20), Die(20, 20)}; }
    static std::vector<double> Join(std::initializer_list<std::vector<double>> parts) {
        std::vector<double> all;
        for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    }

    TestHost host;
    TableCalc calc{host};
};

TEST_F(FightTest, CombatRollsAndMedals) {
    EXPECT_TRUE(MBattleCalc::ScoresHit(14, 14));
    EXPECT_FALSE(MBattleCalc::ScoresHit(15, 14));
    Script({0.0, 0.9999999, Die(7, 20), Die(3, 6)});
    EXPECT_EQ(calc.CombatDiceRoll(0), 1);
    EXPECT_EQ(calc.CombatDiceRoll(0), 20);
    EXPECT_EQ(calc.CombatDiceRoll(0), 7);
    EXPECT_EQ(calc.CombatDiceRoll(6), 3);

    // No medal: one roll. One medal: the lower of the dice and a 30-face die.
    Script({Die(15, 20)});
    EXPECT_EQ(calc.GetCombatRoll(0), 15);
    Script({Die(12, 20), Die(5, 30)});
    EXPECT_EQ(calc.GetCombatRoll(1), 5);
    Script({Die(3, 20), Die(29, 30)});
    EXPECT_EQ(calc.GetCombatRoll(1), 3);
    // The medal dice have 30, 26, 22 and 18 faces: with 40 combat dice, a first roll of 40 and
    // a second draw just below 1 the roll is the medal die's top face.
    calc.PrepareRun(40, 1);
    const Long faces[] = {0, 30, 26, 22, 18};
    for (Long m = 1; m <= 4; ++m) {
        Script({Die(40, 40), 0.9999999});
        EXPECT_EQ(calc.GetCombatRoll(m), faces[m]) << m << " medals";
    }
    // Outside 1..4 there is no second roll.
    Script({Die(33, 40)});
    EXPECT_EQ(calc.GetCombatRoll(5), 33);
    EXPECT_EQ(calc.Random().ScriptLeft(), 0u);
}

TEST_F(FightTest, WhoLosesPoint) {
    const CArmy a = MakeArmy("A", 14, 2);
    const CArmy d = MakeArmy("D", 5, 2);
    Script({Die(14, 20), Die(6, 20)});
    EXPECT_EQ(calc.WhoLosesPoint(a, d), kDefenderLoses);
    Script({Die(15, 20), Die(5, 20)});
    EXPECT_EQ(calc.WhoLosesPoint(a, d), kAttackerLoses);
    Script(BothScore());
    EXPECT_EQ(calc.WhoLosesPoint(a, d), kNobodyLoses);
    Script(NeitherScores());
    EXPECT_EQ(calc.WhoLosesPoint(a, d), kNobodyLoses);
    // A medal's second roll can turn a miss into a hit.
    CArmy m = d;
    m.SetHasMedal(1);
    Script({Die(20, 20), Die(19, 20), Die(4, 30)});
    EXPECT_EQ(calc.WhoLosesPoint(a, m), kAttackerLoses);
}

TEST_F(FightTest, MeleeRepeatsUndecidedExchangesUntilOneArmyDies) {
    A(MakeArmy("A", 10, 2, 3));
    D(MakeArmy("D", 10, 3, 5));
    Script(Join({BothScore(), AttackerScores(), NeitherScores(), DefenderScores(), AttackerScores(),
                 AttackerScores()}));
    EXPECT_EQ(calc.Fight(calc.AttackFront(), calc.DefendFront(), 2), kAttackerWon);
    EXPECT_EQ(calc.Random().ScriptLeft(), 0u);
    EXPECT_EQ(calc.AttackFront().Item(1).Hits(), 1);
    EXPECT_EQ(calc.DefendFront().Count(), 0);
    EXPECT_EQ(calc.Result(2, 4), 1);
    EXPECT_EQ(calc.Result(2, 5), 5);
    EXPECT_EQ(calc.Result(2, 2), 0);
    EXPECT_EQ(calc.Result(1, 4), 0);  // other battles' rows untouched
}

TEST_F(FightTest, LastArmiesFightFirstAndSurvivorsFightOn) {
    A(MakeArmy("A1", 10, 1, 1));
    A(MakeArmy("A2", 10, 1, 2));
    D(MakeArmy("D1", 10, 1, 4));
    D(MakeArmy("D2", 10, 1, 8));
    // D2 kills A2, then A1 kills D2, then D1 kills A1.
    Script(Join({DefenderScores(), AttackerScores(), DefenderScores()}));
    EXPECT_EQ(calc.Fight(calc.AttackFront(), calc.DefendFront(), 1), kDefenderWon);
    EXPECT_EQ(calc.Result(1, 2), 2);
    EXPECT_EQ(calc.Result(1, 3), 3);
    EXPECT_EQ(calc.Result(1, 4), 1);
    EXPECT_EQ(calc.Result(1, 5), 8);
    ASSERT_EQ(calc.DefendFront().Count(), 1);
    EXPECT_EQ(calc.DefendFront().Item(1).Name(), "D1");
}

TEST_F(FightTest, DamagePerHitAndTrample) {
    const Long flyer = host.AddArmyRow({"Bird", 4, 2, 1, "", 0, 0, 0, "FlY"});
    const Long walker = host.AddArmyRow({"Walker", 4, 2, 1, "", 0, 0, 0, "hills"});
    const Long hero = host.AddHeroRow({"Angel", 5, 2, "", 0, "fly"});
    calc.PrepareRun(20, 1);
    CArmy stomp = MakeArmy("Stomp", 6, 2);
    stomp.SetTrample(2);
    A(stomp);
    CArmy victim = MakeArmy("Walker", 4, 4);
    victim.SetUnitID(walker);
    D(victim);
    CStackAtt& att = calc.AttackFront();
    CStackAtt& def = calc.DefendFront();
    EXPECT_EQ(calc.DamagePerHit(1, 1, att, def, kDefenderLoses), 3);
    EXPECT_EQ(calc.DamagePerHit(1, 1, att, def, kAttackerLoses), 1);  // the victim has no trample
    EXPECT_EQ(calc.DamagePerHit(1, 1, att, def, kNobodyLoses), 1);
    def.Item(1).SetIsFlying(true);
    EXPECT_EQ(calc.DamagePerHit(1, 1, att, def, kDefenderLoses), 1);
    def.Item(1).SetIsFlying(false);
    def.Item(1).SetUnitID(flyer);  // first move bonus "fly", any letter case
    EXPECT_EQ(calc.DamagePerHit(1, 1, att, def, kDefenderLoses), 1);
    def.Item(1).SetUnitID(hero);  // a hero's first move bonus
    EXPECT_EQ(calc.DamagePerHit(1, 1, att, def, kDefenderLoses), 1);
    def.Item(1).SetUnitID(walker);

    // 4 hits lose 3 to one point; the next point (3 more against 1 hit) removes the army.
    Script(Join({AttackerScores(), AttackerScores()}));
    calc.UnitvsUnit(att, 1, def, 1, 1);
    EXPECT_EQ(def.Count(), 0);
    EXPECT_EQ(calc.Random().ScriptLeft(), 0u);

    // An army with 3 hits that loses a point worth 3 is removed at once.
    CArmy three = MakeArmy("Walker", 4, 3);
    three.SetUnitID(walker);
    D(three);
    Script(AttackerScores());
    calc.UnitvsUnit(att, 1, def, 1, 1);
    EXPECT_EQ(def.Count(), 0);
}

TEST_F(FightTest, AcidHalvesStrengthPastWarding) {
    CArmy wyrm = MakeArmy("Wyrm", 6, 3);
    wyrm.SetAcid(4);
    A(wyrm);
    CArmy target = MakeArmy("T", 9, 2);
    target.SetAcid(1);
    target.SetWarding(1);
    D(target);
    CStackAtt& att = calc.AttackFront();
    CStackAtt& def = calc.DefendFront();
    // n = 4 - (1 + 1) = 2: limit 20.
    Script({Pct(20)});
    calc.ResolveAcid(1, 1, att, def);
    EXPECT_EQ(def.Item(1).TotalStrength(), 9);
    Script({Pct(19)});
    calc.ResolveAcid(1, 1, att, def);
    EXPECT_EQ(def.Item(1).TotalStrength(), 4);
    // Acid 2 against warding 2: never, and no draw.
    att.Item(1).SetAcid(2);
    def.Item(1).SetAcid(0);
    def.Item(1).SetWarding(2);
    Script({0.0});
    calc.ResolveAcid(1, 1, att, def);
    EXPECT_EQ(def.Item(1).TotalStrength(), 4);
    EXPECT_EQ(calc.Random().ScriptLeft(), 1u);
    // The defender's acid strikes the attacker; strength 1 stays 1.
    att.Item(1).SetAcid(0);
    att.Item(1).SetTotalStrength(1);
    def.Item(1).SetAcid(10);
    def.Item(1).SetWarding(0);
    calc.ResolveAcid(1, 1, att, def);  // limit 100: certain
    EXPECT_EQ(att.Item(1).TotalStrength(), 1);
    att.Item(1).SetTotalStrength(7);
    calc.ResolveAcid(1, 1, att, def);
    EXPECT_EQ(att.Item(1).TotalStrength(), 3);
    // Equal acid does nothing.
    att.Item(1).SetAcid(10);
    calc.ResolveAcid(1, 1, att, def);
    EXPECT_EQ(att.Item(1).TotalStrength(), 3);
    EXPECT_EQ(calc.Random().ScriptLeft(), 1u);
}

TEST_F(FightTest, LightningHalvesHitsPastWarding) {
    CArmy griffon = MakeArmy("Griffon", 5, 2);
    griffon.SetLightning(3);
    A(griffon);
    D(MakeArmy("T", 5, 3));
    CStackAtt& att = calc.AttackFront();
    CStackAtt& def = calc.DefendFront();
    Script({Pct(30), Pct(29), Pct(0)});  // limit 30
    calc.ResolveLightning(1, 1, att, def);
    EXPECT_EQ(def.Item(1).Hits(), 3);
    calc.ResolveLightning(1, 1, att, def);
    EXPECT_EQ(def.Item(1).Hits(), 1);
    calc.ResolveLightning(1, 1, att, def);
    EXPECT_EQ(def.Item(1).Hits(), 1);  // never below 1
    // Warding 1 and own lightning 1: n = 3 - 2 = 1, limit 10.
    def.Item(1).SetHits(4);
    def.Item(1).SetWarding(1);
    def.Item(1).SetLightning(1);
    Script({Pct(10), Pct(9)});
    calc.ResolveLightning(1, 1, att, def);
    EXPECT_EQ(def.Item(1).Hits(), 4);
    calc.ResolveLightning(1, 1, att, def);
    EXPECT_EQ(def.Item(1).Hits(), 2);
    // Warding 3 stops lightning 3 without a draw.
    def.Item(1).SetWarding(3);
    Script({0.0});
    calc.ResolveLightning(1, 1, att, def);
    EXPECT_EQ(def.Item(1).Hits(), 2);
    EXPECT_EQ(calc.Random().ScriptLeft(), 1u);
}

TEST_F(FightTest, EqualAssassinsSpendBothAbilities) {
    CArmy a = MakeArmy("A", 4, 1);
    a.SetAssass(3);
    a.SetMissle(2);
    A(a);
    CArmy d = MakeArmy("D", 4, 1);
    d.SetAssass(3);
    D(d);
    Script({0.0});
    EXPECT_FALSE(calc.ResolveAssass(1, 1, calc.AttackFront(), calc.DefendFront(), 1));
    EXPECT_TRUE(calc.AttackFront().Item(1).UsedSpecial());
    EXPECT_TRUE(calc.DefendFront().Item(1).UsedSpecial());
    EXPECT_EQ(calc.Random().ScriptLeft(), 1u);
    // The spent attacker's missiles do not fire.
    EXPECT_FALSE(calc.ResolveMissle(1, 1, calc.AttackFront(), calc.DefendFront(), 1));
    EXPECT_EQ(calc.Random().ScriptLeft(), 1u);
    // Both at 0: nothing is spent.
    CStackAtt x, y;
    x.Add(MakeArmy("X", 4, 1));
    y.Add(MakeArmy("Y", 4, 1));
    EXPECT_FALSE(calc.ResolveAssass(1, 1, x, y, 1));
    EXPECT_FALSE(x.Item(1).UsedSpecial());
    EXPECT_FALSE(y.Item(1).UsedSpecial());
}

TEST_F(FightTest, AssassinationKillsOnItsChanceOncePerBattle) {
    CArmy killer = MakeArmy("Killer", 4, 1, 3);
    killer.SetAssass(5);
    A(killer);
    CArmy victim = MakeArmy("V", 9, 4, 6);
    victim.SetAssass(2);
    victim.SetWarding(1);
    D(victim);
    D(victim);
    CStackAtt& att = calc.AttackFront();
    CStackAtt& def = calc.DefendFront();
    // n = 5 - (1 + 2) = 2: limit 20. A draw of 19 kills, whatever the victim's hits.
    Script({Pct(19)});
    EXPECT_TRUE(calc.ResolveAssass(1, 2, att, def, 1));
    EXPECT_EQ(def.Count(), 1);
    EXPECT_EQ(calc.Result(1, 4), 1);
    EXPECT_EQ(calc.Result(1, 5), 6);
    EXPECT_TRUE(att.Item(1).UsedSpecial());
    // Spent: no draw, no kill, but the victim's own assassination is spent.
    Script({0.0});
    EXPECT_FALSE(calc.ResolveAssass(1, 1, att, def, 1));
    EXPECT_TRUE(def.Item(1).UsedSpecial());
    EXPECT_EQ(calc.Random().ScriptLeft(), 1u);
    // A miss spends the ability too.
    att.Item(1).SetUsedSpecial(false);
    def.Item(1).SetUsedSpecial(false);
    Script({Pct(20)});
    EXPECT_FALSE(calc.ResolveAssass(1, 1, att, def, 1));
    EXPECT_TRUE(att.Item(1).UsedSpecial());
    // Warding at or above the striker's strength: no attempt, ability spent.
    att.Item(1).SetUsedSpecial(false);
    def.Item(1).SetWarding(5);
    Script({0.0});
    EXPECT_FALSE(calc.ResolveAssass(1, 1, att, def, 1));
    EXPECT_TRUE(att.Item(1).UsedSpecial());
    EXPECT_EQ(calc.Random().ScriptLeft(), 1u);
    // The defender as the stronger assassin removes the attacker.
    CStackAtt x, y;
    x.Add(MakeArmy("X", 4, 2, 7));
    CArmy s = MakeArmy("S", 4, 1);
    s.SetAssass(10);
    y.Add(s);
    EXPECT_TRUE(calc.ResolveAssass(1, 1, x, y, 2));  // limit 100
    EXPECT_EQ(x.Count(), 0);
    EXPECT_EQ(calc.Result(2, 2), 1);
    EXPECT_EQ(calc.Result(2, 3), 7);
}

TEST_F(FightTest, MissileShotsAreCarriedBetweenDuels) {
    CArmy archer = MakeArmy("Archer", 3, 1);
    archer.SetMissle(3);
    A(archer);
    D(MakeArmy("D1", 10, 4, 2));
    D(MakeArmy("D2", 10, 4, 2));
    D(MakeArmy("D3", 10, 4, 2));
    CStackAtt& att = calc.AttackFront();
    CStackAtt& def = calc.DefendFront();
    // 3 shots: the first misses, the second hits: 3 - 2 = 1 shot left, the target is removed.
    Script(Join({NeitherScores(), AttackerScores()}));
    EXPECT_TRUE(calc.ResolveMissle(1, 3, att, def, 1));
    EXPECT_EQ(def.Count(), 2);
    EXPECT_EQ(att.Item(1).MissleShotsLeft(), 1);
    EXPECT_FALSE(att.Item(1).UsedSpecial());
    EXPECT_EQ(calc.Result(1, 4), 1);
    // The next duel has the one shot left (not 3 again): it misses, and the ability is spent.
    Script(BothScore());
    EXPECT_FALSE(calc.ResolveMissle(1, 2, att, def, 1));
    EXPECT_TRUE(att.Item(1).UsedSpecial());
    EXPECT_EQ(calc.Random().ScriptLeft(), 0u);
    Script({0.0});
    EXPECT_FALSE(calc.ResolveMissle(1, 2, att, def, 1));
    EXPECT_EQ(calc.Random().ScriptLeft(), 1u);

    // A hit on the last shot leaves 0 and spends the ability; a hit on the first leaves 2.
    CStackAtt x, y;
    x.Add(archer);
    y.Add(MakeArmy("E", 10, 4));
    y.Add(MakeArmy("F", 10, 4));
    Script(Join({NeitherScores(), DefenderScores(), AttackerScores()}));
    EXPECT_TRUE(calc.ResolveMissle(1, 2, x, y, 1));
    EXPECT_EQ(x.Item(1).MissleShotsLeft(), 0);
    EXPECT_TRUE(x.Item(1).UsedSpecial());
    CStackAtt x2;
    x2.Add(archer);
    Script(AttackerScores());
    EXPECT_TRUE(calc.ResolveMissle(1, 1, x2, y, 1));
    EXPECT_EQ(x2.Item(1).MissleShotsLeft(), 2);

    // The defender shoots when it has more missile strength: 2 - 1 = 1 shot.
    CStackAtt p, q;
    CArmy weakBow = MakeArmy("W", 3, 2, 5);
    weakBow.SetMissle(1);
    p.Add(weakBow);
    CArmy bow = MakeArmy("B", 3, 1);
    bow.SetMissle(2);
    q.Add(bow);
    Script(DefenderScores());
    EXPECT_TRUE(calc.ResolveMissle(1, 1, p, q, 3));
    EXPECT_EQ(p.Count(), 0);
    EXPECT_EQ(calc.Result(3, 2), 1);
    EXPECT_EQ(calc.Result(3, 3), 5);
}

TEST_F(FightTest, DuelOrderAcidLightningAssassinationMissilesMelee) {
    // The attacker has acid and missiles; the defender lightning. Acid and lightning strike
    // first, then the missile kills: no melee exchange is drawn.
    CArmy a = MakeArmy("A", 6, 3);
    a.SetAcid(10);
    a.SetMissle(1);
    A(a);
    CArmy d = MakeArmy("D", 12, 2);
    d.SetLightning(10);
    D(d);
    Script(AttackerScores());  // the one shot
    calc.UnitvsUnit(calc.AttackFront(), 1, calc.DefendFront(), 1, 1);
    EXPECT_EQ(calc.DefendFront().Count(), 0);
    EXPECT_EQ(calc.AttackFront().Item(1).Hits(), 1);
    EXPECT_EQ(calc.Random().ScriptLeft(), 0u);
}

TEST_F(FightTest, VictorChecks) {
    D(MakeArmy("D", 5, 2));
    EXPECT_EQ(calc.CheckIfVictor(0, 0, calc.DefendFront()), kAttackerWon);
    EXPECT_EQ(calc.CheckIfVictor(3, 1, calc.DefendFront()), kGoOn);
    // No attacking stack is left to send.
    EXPECT_EQ(calc.CheckIfVictor(0, 1, calc.DefendFront()), kDefenderWon);
}

TEST(FollowUpStacks, EnterWithoutSetUpAndMeetTheDefendersStartHits) {
    TestHost host;
    const Long weak = host.AddArmyRow({"Weak", 5, 1, 1, "", 0, 3, 1});  // morale 1
    const Long second = host.AddArmyRow({"Second", 5, 2, 2, "", 0, 3, 2});
    const Long wall = host.AddArmyRow({"Wall", 5, 3, 4});
    host.Attack(weak, 0);
    host.Attack(second, 8);
    host.Defend(wall, 0);
    TableCalc calc(host);
    calc.SetSimulation(Simulation::Rolled);
    calc.PrepareRun(20, 1);
    calc.BuildStacks();
    ASSERT_EQ(calc.NumAttackStacks(), 2);
    calc.SetCurrentAttackStack(0);
    calc.SendToAttackFront();
    calc.SendToDefendFront();
    calc.EvalStacksSelfEffect(0);
    calc.EvalStacksMutualEffect();
    EXPECT_EQ(calc.AttackFront().Item(1).TotalStrength(), 6);  // morale 1
    MBattleCalc::CacheStartHits(calc.DefendFront());

    // The wall loses a point, then kills the weak army.
    calc.Random().Script({Die(1, 20), Die(20, 20), Die(20, 20), Die(1, 20)});
    calc.UnitvsUnit(calc.AttackFront(), 1, calc.DefendFront(), 1, 1);
    EXPECT_EQ(calc.DefendFront().Item(1).Hits(), 2);
    EXPECT_EQ(calc.CheckIfVictor(0, 1, calc.DefendFront()), kGoOn);
    EXPECT_EQ(calc.DefendFront().Item(1).Hits(), 3);  // back to its start-of-battle hits
    ASSERT_EQ(calc.AttackFront().Count(), 1);
    EXPECT_EQ(calc.AttackFront().Item(1).Name(), "Second");
    EXPECT_EQ(calc.AttackFront().Item(1).TotalStrength(), 5);  // no stack bonus for it
    EXPECT_EQ(calc.DefendFront().TotalStackBonus(), 0);

    // The second stack kills the wall in three points: the attacker wins.
    calc.Random().Script(
        {Die(1, 20), Die(20, 20), Die(1, 20), Die(20, 20), Die(1, 20), Die(20, 20)});
    EXPECT_EQ(calc.Fight(calc.AttackFront(), calc.DefendFront(), 1), kAttackerWon);
    EXPECT_EQ(calc.Random().ScriptLeft(), 0u);
    EXPECT_EQ(calc.Result(1, 2), 1);
    EXPECT_EQ(calc.Result(1, 3), 1);
    EXPECT_EQ(calc.Result(1, 4), 1);
    EXPECT_EQ(calc.Result(1, 5), 4);
}

}  // namespace
}  // namespace b3::engine::test
