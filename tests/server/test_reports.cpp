// Comma-separated reports of every kind, worked out by hand from crafted definition files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "b3/edit_object.h"
#include "support/install_fixture.h"

namespace {

using b3test::Bytes;
using b3test::Failure;
using b3test::FolderNames;
using b3test::Installation;
using b3test::ReadBytes;
using b3test::TempDir;
using b3test::WriteBytes;
namespace fs = std::filesystem;

constexpr std::int32_t kNoName = -2147219986;  // 0x800405EE

// Writes the report of `kind` into a fresh folder and returns its bytes.
std::string Report(b3::_CEditObject& obj, int kind) {
    TempDir out;
    const std::string path = out / "report.csv";
    obj.PrintReport(path, kind);
    return ReadBytes(path);
}

// The report's lines, each without its CR LF; fails the test when a line ends otherwise.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "last line has no CR LF";
        if (end == std::string::npos) break;
        const std::string line = text.substr(at, end - at);
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        EXPECT_EQ(line.find('\r'), std::string::npos) << line;
        lines.push_back(line);
        at = end + 2;
    }
    return lines;
}

// A quoted text field for each label, joined by commas.
std::string Quoted(const std::vector<std::string>& labels) {
    std::string out;
    for (const std::string& l : labels) out += (out.empty() ? "\"" : ",\"") + l + "\"";
    return out;
}

const char* const kItemHeader =
    "\"File Name\",\"Display Name\",\"Description\",\"Relative Power\",\"Icon Number\",\"Cost\","
    "\"Power 1 Name\",\"Power 1 Value\",\"Power 2 Name\",\"Power 2 Value\"";

const char* const kArmyHeader =
    "\"File Name\",\"Display Name\",\"Description\",\"Medal "
    "Chance\",\"Strength\",\"Move\",\"Hits\","
    "\"Turns\",\"Upkeep\",\"View\",\"Move Bonus 1\",\"Move Bonus 2\",\"Move Bonus 3\",\"Move Bonus "
    "4\",\"Combat Bonus Terrain\",\"Combat Bonus Value\",\"Build Cost\",\"Setup Cost\",\"Power "
    "Type\",\"Power Value\",\"Sound\",\"Default Facing\"";

const char* const kSiteHeader =
    "\"File Name\",\"Display Name\",\"Power 1 Name\",\"Power 1 Value\",\"Can Raze\",\"Reg. Anim. "
    "Operational\",\"Reg. Anim. Razed\"";

const char* const kSpellHeader =
    "\"Display Name\",\"Description\",\"Mana\","
    "\"Power 1 Name\",\"Power 1 Value 1\",\"Power 1 Value 2\",\"Power 1 Description\","
    "\"Power 2 Name\",\"Power 2 Value 1\",\"Power 2 Value 2\",\"Power 2 Description\","
    "\"Power 3 Name\",\"Power 3 Value 1\",\"Power 3 Value 2\",\"Power 3 Description\","
    "\"Power 4 Name\",\"Power 4 Value 1\",\"Power 4 Value 2\",\"Power 4 Description\"";

std::string HeroHeader() {
    std::vector<std::string> l = {"File Name",
                                  "Display Name Male",
                                  "Display Name Female",
                                  "Description",
                                  "Medal Chance Addition",
                                  "Strength",
                                  "Move",
                                  "Hits",
                                  "View",
                                  "Move Bonus 1",
                                  "Move Bonus 2",
                                  "Move Bonus 3",
                                  "Move Bonus 4",
                                  "Combat Bonus Terrain",
                                  "Combat Bonus Value"};
    const auto n = [](int i) { return std::to_string(i); };
    for (int i = 1; i <= 11; ++i) l.push_back("Level " + n(i) + " Name Male");
    for (int i = 1; i <= 11; ++i) l.push_back("Level " + n(i) + " Name Female");
    for (int i = 1; i <= 11; ++i) l.push_back("Level " + n(i) + " XP");
    for (int i = 1; i <= 11; ++i) l.push_back("Level " + n(i) + " AP");
    for (int p = 1; p <= 10; ++p) {
        l.push_back("Power " + n(p) + " Type");
        l.push_back("Power " + n(p) + " Value");
        l.push_back("Power " + n(p) + " Descrip");
    }
    for (int p = 1; p <= 10; ++p) l.push_back("Power " + n(p) + " Cost");
    for (int i = 1; i <= 10; ++i) l.push_back("Default Name " + n(i));
    for (int i = 1; i <= 10; ++i) l.push_back("Default Name " + n(i) + " Gender");
    l.push_back("Sound");
    l.push_back("Facing");
    EXPECT_EQ(l.size(), 121u);
    return Quoted(l);
}

// ---------------------------------------------------------------------------------------------
// One report of each kind

TEST(ItemReport, ExactText) {
    Installation inst;
    inst.withOneOfEach();
    inst.write("Items", "AMULET.ITM",
               Bytes(204)
                   .text(0, 32, "Amulet")
                   .text(32, 128, "Shiny")
                   .text(160, 9, "IGNORED")
                   .u8(176, 13)
                   .u8(178, 7)
                   .i16(180, 250)
                   .i16(184, 22)
                   .i16(186, -5)
                   .i16(200, 57)
                   .i16(202, 32767)
                   .str());
    const std::string text = Report(*inst.open(), b3::kItem);
    EXPECT_EQ(text, std::string(kItemHeader) + "\r\n" +
                        "\"AMULET\",\"Amulet\",\"Shiny\",7,3,250,\"Summon Army\",-5,\"Questing\","
                        "32767\r\n"
                        "\"RING\",\"Ring\",\"\",0,0,0,\"None\",0,\"None\",0\r\n");
}

TEST(ArmyReport, ExactText) {
    Installation inst;
    inst.withOneOfEach();
    inst.write("Army", "KNIGHT.ARM",
               Bytes(252)
                   .text(0, 16, "Knight")
                   .text(144, 9, "OTHER")
                   .u8(153, 10)
                   .u8(154, 5)
                   .u8(155, 12)
                   .u8(156, 2)
                   .u8(157, 1)
                   .u8(158, 3)
                   .u8(159, 4)
                   .text(160, 9, "undead")
                   .text(169, 9, "human")
                   .text(178, 9, "fly")
                   .text(187, 9, "hills")
                   .text(205, 9, "woods")
                   .text(214, 9, "city")
                   .u8(223, 2)
                   .i16(224, 999)
                   .i16(226, 150)
                   .i16(228, -1)
                   .i16(230, 0)
                   .i16(232, 0)
                   .u8(246, 1)
                   .u8(247, 7)
                   .i16(248, 11)
                   .i16(250, 12)
                   .str());
    inst.write("Army", "ORC.ARM",
               Bytes(252)
                   .text(0, 16, "Orc")
                   .text(16, 128, "Green, mean")
                   .u8(154, 3)
                   .u8(155, 10)
                   .u8(156, 1)
                   .u8(157, 2)
                   .u8(158, 1)
                   .u8(159, 2)
                   .i16(226, 40)
                   .i16(228, 20)
                   .i16(230, 25)
                   .i16(232, 1)
                   .u8(246, 10)
                   .u8(247, 0)
                   .str());
    const std::string text = Report(*inst.open(), b3::kArmy);
    EXPECT_EQ(text,
              std::string(kArmyHeader) + "\r\n" +
                  "\"KNIGHT\",\"Knight\",\"\",10,5,12,2,1,3,4,\"fly\",\"hills\",\"\",\"woods\","
                  "\"city\",2,150,-1,\"None\",0,\"Walk\",\"Northwest\"\r\n"
                  "\"ORC\",\"Orc\",\"Green, mean\",0,3,10,1,2,1,2,\"\",\"\",\"\",\"\",\"\",0,"
                  "40,20,\"Bless\",1,\"Fire\",\"North\"\r\n");
}

TEST(ArmyReport, KnightWithEmptyDescription) {
    // Display Name Knight, empty Description, Power Type 0 and Sound 1.
    Installation inst;
    inst.withOneOfEach();
    inst.write("Army", "KNIGHT.ARM", Bytes(252).text(0, 16, "Knight").u8(246, 1).str());
    const auto lines = Lines(Report(*inst.open(), b3::kArmy));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("\"KNIGHT\",\"Knight\",\"\",", 0), 0u) << lines[1];
    EXPECT_EQ(lines[1],
              "\"KNIGHT\",\"Knight\",\"\",0,0,0,0,0,0,0,\"\",\"\",\"\",\"\",\"\",0,0,0,\"None\",0,"
              "\"Walk\",\"North\"");
}

TEST(HeroReport, ExactText) {
    Bytes b(1380);
    b.text(0, 32, "Merlin").text(32, 32, "Morgana").text(64, 128, "Old, wise");
    b.text(192, 9, "xx").text(201, 9, "WIZARDm").text(210, 9, "WIZARDf");
    b.u8(219, 1).u8(220, 2).u8(221, 3).u8(222, 4).u8(223, 5);
    b.text(224, 9, "woods").text(260, 9, "ice").u8(269, 6).u8(270, 77);
    b.text(271, 32, "Novice").text(271 + 320, 32, "Archmage").text(623, 32, "Novice");
    b.i16(976, 100).i16(996, -1).i16(998, 5).i16(1018, 50);
    b.i16(1020, 20).i16(1022, 7).text(1026, 10, "bolt");    // Power 1
    b.i16(1036, 1).i16(1038, -2).text(1042, 10, "NOSUCH");  // Power 2
    b.i16(1164, 57).i16(1166, 3);                           // Power 10
    b.i16(1180, 10).i16(1198, 99);                          // costs
    b.text(1200, 16, "Gandalf").text(1216, 16, "Gwen");     // default names
    b.u8(1360, 0).u8(1361, 1).u8(1362, 2);                  // genders
    b.u8(1370, 9).u8(1371, 3).i32(1372, -5).i32(1376, 6);
    Installation inst;
    inst.withOneOfEach();
    inst.write("Hero", "WIZARD.HER", b.str());

    std::string expected = HeroHeader() + "\r\n";
    expected +=
        "\"WIZARD\",\"Merlin\",\"Morgana\",\"Old, wise\",1,2,3,4,5,\"woods\",\"\",\"\",\"\",";
    expected += "\"ice\",6,";
    expected += "\"Novice\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"Archmage\",";
    expected += "\"Novice\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",";
    expected += "100,0,0,0,0,0,0,0,0,0,-1,";
    expected += "5,0,0,0,0,0,0,0,0,0,50,";
    expected += "\"Spell\",7,\"Bolt\",\"Leadership\",-2,\"NOSUCH\",";
    for (int p = 3; p <= 9; ++p) expected += "\"None\",0,\"\",";
    expected += "\"Questing\",3,\"\",";
    expected += "10,0,0,0,0,0,0,0,0,99,";
    expected += "\"Gandalf\",\"Gwen\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",";
    expected +=
        "\"Male\",\"Female\",\"\",\"Male\",\"Male\",\"Male\",\"Male\",\"Male\",\"Male\",\"Male\",";
    expected += "\"Soar\",\"Southeast\"\r\n";
    EXPECT_EQ(Report(*inst.open(), b3::kHero), expected);
}

TEST(HeroReport, HeaderSpellsNumbersInDigits) {
    const std::string h = HeroHeader();
    EXPECT_NE(h.find("\"Level 10 Name Female\""), std::string::npos);
    EXPECT_NE(h.find("\"Power 7 Descrip\""), std::string::npos);
    Installation inst;
    inst.withOneOfEach();
    const auto lines = Lines(Report(*inst.open(), b3::kHero));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], h);
}

TEST(HeroReport, PowerDescripNamesASpellOrItself) {
    Installation inst;
    inst.withOneOfEach();
    inst.write("Spell", "FireBall.SPL", Bytes(210).text(0, 16, "Fire \"Ball\"").str());
    inst.write("Hero", "WIZARD.HER",
               Bytes(1380)
                   .text(1026, 10, "FIREBALL")
                   .text(1042, 10, "FireBalls")
                   .text(1058, 10, "BOLT")
                   .str());
    const auto lines = Lines(Report(*inst.open(), b3::kHero));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("\"None\",0,\"Fire \"\"Ball\"\"\",\"None\",0,\"FireBalls\",\"None\",0,"
                            "\"Bolt\",\"None\",0,\"\","),
              std::string::npos)
        << lines[1];
}

TEST(SiteReport, ExactTextAndFlagsAsTruth) {
    Installation inst;
    inst.withOneOfEach();
    inst.write("Sites", "TOWER.SIT",
               Bytes(46)
                   .text(0, 16, "Tower")
                   .text(16, 9, "ZZZ")
                   .i16(26, 10)
                   .i16(28, 50)
                   .u8(42, 2)
                   .u8(43, 0)
                   .u8(44, 1)
                   .u8(45, 1)
                   .str());
    const std::string text = Report(*inst.open(), b3::kSite);
    EXPECT_EQ(text, std::string(kSiteHeader) + "\r\n" +
                        "\"TOWER\",\"Tower\",\"Gold\",50,\"True\",\"False\",\"True\"\r\n");
    // A report of one row has exactly two lines.
    EXPECT_EQ(Lines(text).size(), 2u);
}

TEST(SpellReport, ExactTextAndSummonedArmies) {
    Installation inst;
    inst.withOneOfEach();
    inst.write("Spell", "SUMMON.SPL",
               Bytes(210)
                   .text(0, 16, "Summon")
                   .text(16, 128, "Calls a knight")
                   .i16(144, 12)
                   .i16(146, 22)
                   .i16(148, 1)
                   .i16(150, 2)
                   .text(152, 10, "knight")
                   .i16(162, 22)
                   .text(168, 10, "NOARMY")
                   .i16(178, 5)
                   .text(184, 10, "KNIGHT")
                   .i16(194, 0)
                   .i16(196, -3)
                   .i16(198, 4)
                   .text(200, 10, "junk")
                   .str());
    const std::string text = Report(*inst.open(), b3::kSpell);
    EXPECT_EQ(text, std::string(kSpellHeader) + "\r\n" +
                        "\"Bolt\",\"\",0,\"None\",0,0,\"\",\"None\",0,0,\"\",\"None\",0,0,\"\","
                        "\"None\",0,0,\"\"\r\n"
                        "\"Summon\",\"Calls a knight\",12,\"Summon Army\",1,2,\"Knight\",\"Summon "
                        "Army\",0,0,\"\",\"Siege\",0,0,\"\",\"None\",-3,4,\"\"\r\n");
}

// ---------------------------------------------------------------------------------------------
// Text fields and encoding

TEST(ReportText, InnerQuotesAreDoubled) {
    Installation inst;
    inst.withOneOfEach();
    inst.write("Army", "KNIGHT.ARM",
               Bytes(252).text(0, 16, "Say \"Hi\"").text(16, 128, "\"").text(178, 9, "\"\"").str());
    const auto lines = Lines(Report(*inst.open(), b3::kArmy));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("\"KNIGHT\",\"Say \"\"Hi\"\"\",\"\"\"\",0,", 0), 0u) << lines[1];
    EXPECT_NE(lines[1].find(",\"\"\"\"\"\",\"\",\"\",\"\","), std::string::npos) << lines[1];
}

TEST(ReportText, FileIsWindows1252) {
    Installation inst;
    inst.withOneOfEach();
    inst.write("Army", "KNIGHT.ARM", Bytes(252).text(0, 16, "\xC9p\xE9\x65 \x80").str());
    const std::string text = Report(*inst.open(), b3::kArmy);
    const auto lines = Lines(text);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("\"KNIGHT\",\"\xC9p\xE9\x65 \x80\",\"\",", 0), 0u) << lines[1];
    EXPECT_EQ(text.find("\xC3"), std::string::npos);  // no UTF-8 sequence
}

TEST(ReportText, ReplacesALongerExistingFileWhole) {
    Installation inst;
    inst.withOneOfEach();
    TempDir out;
    const std::string path = out / "sites.csv";
    WriteBytes(path, std::string(5000, 'x'));
    inst.open()->PrintReport(path, b3::kSite);
    EXPECT_EQ(ReadBytes(path),
              std::string(kSiteHeader) + "\r\n" +
                  "\"TOWER\",\"Tower\",\"None\",0,\"False\",\"False\",\"False\"\r\n");
    EXPECT_EQ(FolderNames(out.str()), std::vector<std::string>{"sites.csv"});
}

// ---------------------------------------------------------------------------------------------
// Failures

TEST(ReportFailure, KindOutsideTheFiveFailsBeforeAnyFile) {
    Installation inst;
    inst.withOneOfEach();
    const auto obj = inst.open();
    TempDir out;
    const std::string path = out / "r.csv";
    for (std::int32_t kind : {5, -1, 100}) {
        const auto e = Failure([&] { obj->PrintReport(path, kind); });
        ASSERT_TRUE(e) << kind;
        EXPECT_EQ(e->number(), 9);
        EXPECT_EQ(e->source(), "CEditObject::PrintReport");
        EXPECT_FALSE(fs::exists(path)) << kind;
    }
    EXPECT_TRUE(FolderNames(out.str()).empty());
}

TEST(ReportFailure, CodeWithoutANameLeavesTheTargetAsItWas) {
    Installation inst;
    inst.withOneOfEach();
    inst.write("Army", "AAA.ARM", Bytes(252).text(0, 16, "First").str());
    inst.write("Army", "ORC.ARM", Bytes(252).text(0, 16, "Orc").i16(230, 34).str());
    const auto obj = inst.open();
    TempDir out;
    const std::string path = out / "armies.csv";
    const std::string before("an older report\r\nwith two lines\r\n\0end", 37);
    WriteBytes(path, before);
    const auto e = Failure([&] { obj->PrintReport(path, b3::kArmy); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number(), kNoName);
    EXPECT_EQ(e->source(), "CEditObject::PrintReport");
    EXPECT_EQ(e->description(), "Error converting power type to name.");
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(FolderNames(out.str()), std::vector<std::string>{"armies.csv"});

    // Without a previous file, none is left behind.
    const std::string fresh = out / "fresh.csv";
    EXPECT_TRUE(Failure([&] { obj->PrintReport(fresh, b3::kArmy); }));
    EXPECT_FALSE(fs::exists(fresh));
}

TEST(ReportFailure, SoundAndFacingWithoutANameFail) {
    Installation inst;
    inst.withOneOfEach();
    inst.write("Army", "KNIGHT.ARM", Bytes(252).u8(246, 11).str());
    inst.write("Hero", "WIZARD.HER", Bytes(1380).u8(1371, 8).str());
    inst.write("Sites", "TOWER.SIT", Bytes(46).i16(26, -1).str());
    const auto obj = inst.open();
    TempDir out;
    const struct {
        int kind;
        const char* description;
    } cases[] = {{b3::kArmy, "Error converting sound to name."},
                 {b3::kHero, "Error converting facing to name."},
                 {b3::kSite, "Error converting power type to name."}};
    for (const auto& c : cases) {
        const auto e = Failure([&] { obj->PrintReport(out / "r.csv", c.kind); });
        ASSERT_TRUE(e) << c.kind;
        EXPECT_EQ(e->number(), kNoName);
        EXPECT_EQ(e->source(), "CEditObject::PrintReport");
        EXPECT_EQ(e->description(), c.description);
    }
    EXPECT_TRUE(FolderNames(out.str()).empty());
}

TEST(ReportFailure, MissingFolderFailsAndCreatesNothing) {
    Installation inst;
    inst.withOneOfEach();
    TempDir out;
    const std::string path = out / "no/such/folder/r.csv";
    const auto e = Failure([&] { inst.open()->PrintReport(path, b3::kItem); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->source(), "CEditObject::PrintReport");
    EXPECT_EQ(e->number(), 76);
    EXPECT_EQ(e->description(), "Path not found");
    EXPECT_FALSE(fs::exists(out / "no"));
    EXPECT_TRUE(FolderNames(out.str()).empty());
}

// ---------------------------------------------------------------------------------------------
// Event pumping

TEST(ReportEvents, PumpedOncePerDataRow) {
    Installation inst;
    inst.withOneOfEach();
    inst.write("Army", "AAA.ARM", Bytes(252).str());
    inst.write("Army", "BBB.ARM", Bytes(252).str());
    inst.write("Items", "AMULET.ITM", Bytes(204).str());
    struct {
        int calls = 0;
    } pump;
    b3::CreateOptions options = inst.options();
    options.pumpEvents = [&pump] { ++pump.calls; };
    const auto obj = b3::CreateObject(b3::CLSID_CEditObject, options);
    Report(*obj, b3::kArmy);
    EXPECT_EQ(pump.calls, 3);
    pump.calls = 0;
    Report(*obj, b3::kItem);
    EXPECT_EQ(pump.calls, 2);
    pump.calls = 0;
    Report(*obj, b3::kHero);
    EXPECT_EQ(pump.calls, 1);
    pump.calls = 0;
    // A failing kind argument pumps nothing.
    EXPECT_TRUE(Failure([&] { Report(*obj, 7); }));
    EXPECT_EQ(pump.calls, 0);
}

}  // namespace
