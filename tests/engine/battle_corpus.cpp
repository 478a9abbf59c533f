#include "battle_corpus.h"

#include <optional>

#include "engine/hero_dialog.h"

namespace b3::engine::test {

HealthMarks Marks(bool blessed, Long medals, bool flying) {
    HealthMarks m;
    m.blessed = blessed;
    m.medals = medals;
    m.flying = flying;
    return m;
}

const std::vector<CorpusBattle>& BattleCorpus() {
    static const std::vector<CorpusBattle> list = {
        {"PlainMixedArmies", 20, 0,
         [](TestHost& h) {
             const Long a = h.AddArmyRow({"A", 6, 2, 3});
             const Long b = h.AddArmyRow({"B", 4, 3, 2});
             const Long c = h.AddArmyRow({"C", 9, 1, 4});
             const Long d = h.AddArmyRow({"D", 5, 2, 2});
             const Long e = h.AddArmyRow({"E", 7, 2, 3});
             for (Long s : {a, b, c, a}) h.Attack(s, h.att.Count());
             for (Long s : {d, e, d, b}) h.Defend(s, h.def.Count());
         }},
        {"MedalsBlessingAndCurse", 22, 0,
         [](TestHost& h) {
             const Long a = h.AddArmyRow({"A", 5, 2, 2});
             const Long witch = h.AddArmyRow({"Witch", 3, 1, 3, "", 0, kCurse, 6});
             const Long d = h.AddArmyRow({"D", 6, 2, 2});
             h.Attack(a, 0, Marks(true, 1));
             h.Attack(a, 1, Marks(false, 3));
             h.Attack(a, 2, Marks(true, 4));
             h.Attack(witch, 3, Marks(false, 2));
             h.Defend(d, 0, Marks(true, 2));
             h.Defend(witch, 1);
             h.Defend(d, 2, Marks(false, 1));
         }},
        {"PoisonAndDiseaseBothWays", 20, 0,
         [](TestHost& h) {
             const Long spider = h.AddArmyRow({"Spider", 4, 1, 2, "", 0, kPoison, 5});
             const Long ghoul = h.AddArmyRow({"Ghoul", 5, 2, 2, "", 0, kDisease, 6});
             const Long a = h.AddArmyRow({"A", 6, 2, 3});
             h.Attack(a, 0);
             h.Attack(a, 1, Marks(true, 0));
             h.Attack(spider, 2);
             h.Attack(ghoul, 3);
             h.Attack(a, 4);
             h.Defend(ghoul, 0);
             h.Defend(a, 1);
             h.Defend(spider, 2);
             h.Defend(a, 3);
         }},
        {"AcidLightningAndWarding", 20, 0,
         [](TestHost& h) {
             const Long wyrm = h.AddArmyRow({"Wyrm", 7, 3, 4, "", 0, kAcid, 5});
             const Long bolt = h.AddArmyRow({"Bolt", 5, 2, 3, "", 0, kLightning, 4, "fly"});
             const Long monk = h.AddArmyRow({"Monk", 6, 3, 2, "", 0, kWarding, 2});
             const Long d = h.AddArmyRow({"D", 8, 4, 3, "", 0, kAcid, 1});
             h.Attack(bolt, 0);
             h.Attack(wyrm, 1);
             h.Attack(bolt, 2);
             h.Defend(d, 0);
             h.Defend(monk, 1);
             h.Defend(d, 2);
             h.Defend(monk, 3);
         }},
        {"AssassinsAndMissilesCarried", 20, 0,
         [](TestHost& h) {
             const Long shadow = h.AddArmyRow({"Shadow", 4, 1, 3, "", 0, kAssassin, 6});
             const Long archer = h.AddArmyRow({"Archer", 5, 1, 2, "", 0, kMissiles, 4});
             const Long sniper = h.AddArmyRow({"Sniper", 4, 1, 2, "", 0, kMissiles, 1});
             const Long cut = h.AddArmyRow({"Cut", 5, 2, 2, "", 0, kAssassin, 2});
             const Long d = h.AddArmyRow({"D", 6, 2, 2});
             h.Attack(shadow, 0);
             h.Attack(archer, 1);
             h.Attack(shadow, 2);
             h.Attack(archer, 3);
             h.Defend(d, 0);
             h.Defend(cut, 1);
             h.Defend(sniper, 2);
             h.Defend(d, 3);
             h.Defend(cut, 4);
         }},
        {"TrampleAgainstFlyersAndWalkers", 20, 0,
         [](TestHost& h) {
             const Long knight = h.AddArmyRow({"Knight", 7, 2, 3, "", 0, kTrample, 1});
             const Long giant = h.AddArmyRow({"Giant", 8, 3, 4, "", 0, kTrample, 2});
             const Long griffon = h.AddArmyRow({"Griffon", 6, 3, 3, "", 0, 0, 0, "Fly"});
             const Long d = h.AddArmyRow({"D", 6, 4, 2});
             h.Attack(knight, 0);
             h.Attack(giant, 1);
             h.Attack(knight, 2);
             h.Defend(griffon, 0);
             h.Defend(d, 1);
             h.Defend(d, 2, Marks(false, 0, true));
             h.Defend(giant, 3);
         }},
        {"BandingInACastle", 20, 2,
         [](TestHost& h) {
             h.terrain = "city";
             const Long pikes = h.AddArmyRow({"Pikes", 3, 2, 1, "city", 1, kBanding, 2});
             const Long ram = h.AddArmyRow({"Ram", 5, 2, 3, "", 0, kSiege, 2});
             const Long a = h.AddArmyRow({"A", 6, 2, 2});
             const Long dwarf = h.AddArmyRow({"Dwarf", 5, 3, 3, "city", 2, kFortify, 1});
             h.Attack(ram, 0);
             h.Attack(a, 1);
             h.Attack(a, 2);
             h.Attack(pikes, 3);
             h.Attack(pikes, 4);
             for (int i = 0; i < 3; ++i) h.Defend(pikes, i);
             h.Defend(dwarf, 3);
             h.Defend(pikes, 4);
         }},
        {"StackPowersAndHeroLeadership", 24, 0,
         [](TestHost& h) {
             const Long orc = h.AddArmyRow({"Orc", 4, 2, 2, "", 0, kChaos, 1});
             const Long drum = h.AddArmyRow({"Drum", 4, 2, 2, "", 0, kMorale, 2});
             const Long skull = h.AddArmyRow({"Skull", 3, 2, 2, "", 0, kFear, 3});
             const Long lord = h.AddHeroRow({"Lord", 7, 3, "field", 1});
             h.heroDialog = [](CArmy& hero) { hero.SetLeadership(3); };
             h.Attack(drum, 0);
             h.Attack(orc, 1);
             h.Attack(lord, 2);
             h.Defend(skull, 0);
             h.Defend(orc, 1);
             h.Defend(drum, 2);
         }},
        {"HeroesWithSpecialAttacks", 20, 0,
         [](TestHost& h) {
             const Long a = h.AddArmyRow({"A", 5, 2, 2});
             const Long ranger = h.AddHeroRow({"Ranger", 6, 2});
             const Long mage = h.AddHeroRow({"Mage", 4, 3, "", 0, "fly"});
             h.heroDialog = [](CArmy& hero) {
                 if (hero.Name() == "Ranger") {
                     hero.SetMissle(3);
                     hero.SetAssass(4);
                     hero.SetTrample(1);
                 } else {
                     hero.SetAcid(6);
                     hero.SetLightning(5);
                     hero.SetCurse(5);
                 }
             };
             h.Attack(a, 0, Marks(false, 2));
             h.Attack(ranger, 1, Marks(true, 1));
             h.Defend(a, 0, Marks(true, 0));
             h.Defend(mage, 1);
             h.Defend(a, 2);
         }},
        {"FourStacksIntoACitadel", 21, 3,
         [](TestHost& h) {
             h.terrain = "city";
             const Long spider = h.AddArmyRow({"Spider", 4, 1, 2, "", 0, kPoison, 4});
             const Long archer = h.AddArmyRow({"Archer", 4, 1, 2, "", 0, kMissiles, 2});
             const Long a = h.AddArmyRow({"A", 6, 2, 3});
             const Long guard = h.AddArmyRow({"Guard", 5, 2, 2, "city", 1});
             const Long wyrm = h.AddArmyRow({"Wyrm", 6, 2, 4, "", 0, kAcid, 4});
             for (int s = 0; s < 4; ++s) {
                 h.Attack(a, 8 * s, Marks(false, s));
                 h.Attack(archer, 8 * s + 1);
                 h.Attack(spider, 8 * s + 2);
             }
             for (int i = 0; i < 8; ++i) h.Defend(i % 3 == 2 ? wyrm : guard, i);
             h.Defend(archer, 8);
             h.Defend(spider, 9);
         }},
        {"EqualAbilitiesCancel", 20, 0,
         [](TestHost& h) {
             const Long shadow = h.AddArmyRow({"Shadow", 6, 2, 2, "", 0, kAssassin, 3});
             const Long archer = h.AddArmyRow({"Archer", 6, 2, 2, "", 0, kMissiles, 2});
             const Long wyrm = h.AddArmyRow({"Wyrm", 6, 2, 2, "", 0, kAcid, 3});
             h.Attack(shadow, 0);
             h.Attack(archer, 1);
             h.Attack(wyrm, 2);
             h.Defend(wyrm, 0);
             h.Defend(archer, 1);
             h.Defend(shadow, 2);
         }},
        {"TwoStacksAfterAnAcidDefender", 18, 0,
         [](TestHost& h) {
             const Long wyrm = h.AddArmyRow({"Wyrm", 9, 3, 4, "", 0, kAcid, 8});
             const Long a = h.AddArmyRow({"A", 7, 2, 2});
             const Long archer = h.AddArmyRow({"Archer", 5, 1, 2, "", 0, kMissiles, 3});
             h.Attack(a, 0);
             h.Attack(archer, 1);
             h.Attack(a, 8, Marks(true, 2));
             h.Attack(archer, 9);
             h.Defend(a, 0);
             h.Defend(wyrm, 1);
         }},
        {"OneAgainstOne", 20, 0,
         [](TestHost& h) {
             const Long knights = h.AddArmyRow({"Knights", 6, 2, 3});
             const Long orcs = h.AddArmyRow({"Orcs", 5, 3, 2});
             h.Attack(knights, 0);
             h.Defend(orcs, 0);
         }},
        {"EightAgainstEightInTheWoods", 20, 0,
         [](TestHost& h) {
             h.terrain = "woods";
             const Long elf = h.AddArmyRow({"Elf", 4, 2, 2, "woods", 2});
             const Long pike = h.AddArmyRow({"Pike", 5, 2, 2});
             const Long bear = h.AddArmyRow({"Bear", 6, 3, 3, "woods", 1});
             const Long orc = h.AddArmyRow({"Orc", 5, 2, 2});
             const Long troll = h.AddArmyRow({"Troll", 7, 3, 4, "marsh", 2});
             for (int i = 0; i < 8; ++i) {
                 h.Attack(i % 3 == 0 ? bear : i % 3 == 1 ? elf : pike, i, Marks(false, i % 4));
                 h.Defend(i % 2 == 0 ? orc : troll, i, Marks(i == 3, i % 3));
             }
         }},
        {"FourStacksOfEightAgainst32InAVillage", 20, 1,
         [](TestHost& h) {
             h.terrain = "city";
             const Long a = h.AddArmyRow({"A", 6, 2, 2});
             const Long b = h.AddArmyRow({"B", 5, 3, 3});
             const Long guard = h.AddArmyRow({"Guard", 5, 2, 2, "city", 1});
             const Long militia = h.AddArmyRow({"Militia", 4, 2, 1});
             for (int i = 0; i < 32; ++i) {
                 h.Attack(i % 2 == 0 ? a : b, i);
                 h.Defend(i % 3 == 0 ? guard : militia, i);
             }
         }},
        {"HeroesAtTheirLimits", 24, 0,
         [](TestHost& h) {
             const Long monk = h.AddArmyRow({"Monk", 8, 4, 3, "", 0, kWarding, 9});
             const Long ogre = h.AddArmyRow({"Ogre", 9, 4, 4});
             const Long squire = h.AddArmyRow({"Squire", 4, 2, 1});
             const Long champion = h.AddHeroRow({"Champion", 9, 2});
             const Long novice = h.AddHeroRow({"Novice", 3, 1});
             // The champion gets every bonus at the top of its range, the novice at the bottom.
             h.heroDialog = [](CArmy& hero) {
                 const bool top = hero.Name() == "Champion";
                 std::optional<Long> entered[kHeroBonusCount];
                 for (int b = 0; b < kHeroBonusCount; ++b) {
                     const BonusRange r = SpinnerRange(static_cast<HeroBonus>(b));
                     entered[b] = top ? r.hi : r.lo;
                 }
                 HeroBonusDialog dialog;
                 dialog.SetHero(&hero);
                 dialog.Confirm(entered);
             };
             h.Attack(squire, 0);
             h.Attack(champion, 1);
             for (int i = 0; i < 6; ++i) h.Defend(i % 2 == 0 ? ogre : monk, i);
             h.Defend(novice, 6);
             h.Defend(monk, 7);
         }},
        {"FifteenFacedDiceOnTheIce", 15, 0,
         [](TestHost& h) {
             h.terrain = "ice";
             const Long yeti = h.AddArmyRow({"Yeti", 12, 2, 3, "ice", 3});
             const Long giant = h.AddArmyRow({"Giant", 13, 2, 4});
             const Long wolf = h.AddArmyRow({"Wolf", 11, 1, 2, "ice", 2});
             h.Attack(yeti, 0);
             h.Attack(wolf, 1);
             h.Attack(yeti, 2);
             h.Defend(giant, 0);
             h.Defend(wolf, 1);
             h.Defend(giant, 2);
         }},
        {"ThousandFacedDiceInTheHills", 1000, 0,
         [](TestHost& h) {
             // On dice of 1000 only the medal die scores in practice: every army has medals.
             h.terrain = "hills";
             const Long dwarf = h.AddArmyRow({"Dwarf", 9, 2, 3, "hills", 2});
             const Long goat = h.AddArmyRow({"Goat", 7, 2, 2});
             const Long hunter = h.AddArmyRow({"Hunter", 6, 1, 2, "", 0, kMissiles, 2});
             h.Attack(dwarf, 0, Marks(false, 1));
             h.Attack(goat, 1, Marks(false, 4));
             h.Attack(hunter, 2, Marks(true, 2));
             h.Defend(goat, 0, Marks(false, 3));
             h.Defend(dwarf, 1, Marks(false, 2));
             h.Defend(hunter, 2, Marks(false, 4));
         }},
        {"MedalsOneToThreeInTheMarsh", 20, 0,
         [](TestHost& h) {
             h.terrain = "marsh";
             const Long lizard = h.AddArmyRow({"Lizard", 5, 2, 2, "marsh", 2});
             const Long pike = h.AddArmyRow({"Pike", 6, 2, 2});
             for (Long m = 1; m <= 3; ++m) {
                 h.Attack(pike, m - 1, Marks(false, m));
                 h.Defend(lizard, m - 1, Marks(false, 4 - m));
             }
         }},
        {"SiegeAgainstACitadel", 20, 3,
         [](TestHost& h) {
             h.terrain = "city";
             const Long ram = h.AddArmyRow({"Ram", 4, 3, 3, "", 0, kSiege, 3});
             const Long knight = h.AddArmyRow({"Knight", 7, 2, 3});
             const Long guard = h.AddArmyRow({"Guard", 4, 2, 2, "city", 1, kFortify, 1});
             const Long drum = h.AddArmyRow({"Drum", 3, 2, 2, "", 0, kMorale, 2});
             h.Attack(drum, 0);
             h.Attack(ram, 1);
             for (int i = 2; i < 8; ++i) h.Attack(knight, i);
             for (int i = 0; i < 10; ++i) h.Defend(i == 4 ? drum : guard, i);
         }},
        {"LongVolleysCarriedOver", 25, 0,
         [](TestHost& h) {
             const Long bow = h.AddArmyRow({"Longbow", 4, 1, 3, "", 0, kMissiles, 40});
             const Long rider = h.AddArmyRow({"Rider", 8, 3, 3});
             const Long d = h.AddArmyRow({"D", 7, 2, 2});
             h.Attack(rider, 0);
             h.Attack(bow, 1);
             for (int i = 0; i < 8; ++i) h.Defend(d, i);
         }},
    };
    return list;
}

}  // namespace b3::engine::test
