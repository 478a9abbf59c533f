// The value classes, the string table, the names of new objects, the error report's text and
// the item pictures.
#include <gtest/gtest.h>

#include <QImage>
#include <set>

#include "editor/edit_objects.h"
#include "editor/errors.h"
#include "editor/field_bindings.h"
#include "editor/pictures.h"
#include "editor/save_names.h"
#include "editor/strings.h"
#include "support/qt_print.h"

using namespace b3::editor;

TEST(EditorValues, ArmyTextsAreNormalised) {
    CArmy a;
    a.setDisplayName("");
    EXPECT_EQ(a.DisplayName(), "No Name");
    a.setDisplayName("Twenty Characters!!!");
    EXPECT_EQ(a.DisplayName(), "Twenty Characte");
    a.setDescription("");
    EXPECT_EQ(a.Description(), "None");
    a.setDescription(QString(130, 'd'));
    EXPECT_EQ(a.Description().size(), 127);
    a.setShortName("LONGNAMES");
    EXPECT_EQ(a.ShortName(), "LONGNAME");
    a.setMoveBonus3("mountains");
    EXPECT_EQ(a.MoveBonus3(), "mountain");
    a.setCombatTerrainCode("");
    EXPECT_EQ(a.CombatTerrainCode(), "");
}

TEST(EditorValues, ItemTextsAreNormalisedOthersStoredUnchanged) {
    CItem i;
    i.setDescription(QString(200, 'x'));
    EXPECT_EQ(i.Description().size(), 127);
    i.setDisplayName(QString(40, 'n'));
    EXPECT_EQ(i.DisplayName().size(), 31);
    i.setDisplayName("");
    EXPECT_EQ(i.DisplayName(), "No Name");

    CHero h;
    h.setDisplayNameMale(QString(50, 'h'));
    EXPECT_EQ(h.DisplayNameMale().size(), 50);
    h.setShortName("NINELETTR");
    EXPECT_EQ(h.ShortName(), "NINELETTR");
    CSite s;
    s.setDisplayName(QString(30, 's'));
    EXPECT_EQ(s.DisplayName().size(), 30);
    // A fresh object holds empty texts and zero numbers.
    CSpell sp;
    EXPECT_TRUE(sp.Path().isEmpty());
    EXPECT_EQ(sp.Power3Value2(), 0);
    sp.setPowerValue2(2, 7);
    EXPECT_EQ(sp.Power3Value2(), 7);
    EXPECT_FALSE(h.MaxMove().isValid());
}

TEST(EditorStrings, TableHoldsTheListsAndTooltips) {
    EXPECT_EQ(LoadResString(0), "None");
    EXPECT_EQ(LoadResString(10), "Fire");
    EXPECT_EQ(LoadResString(24), "South");
    EXPECT_EQ(LoadResString(27), "Northwest");
    EXPECT_EQ(LoadResString(30), "desert");
    EXPECT_EQ(LoadResString(37), "woods");
    EXPECT_EQ(LoadResString(50), "none");
    EXPECT_EQ(LoadResString(56), "woods");
    EXPECT_EQ(LoadResString(122), "Summon Army");
    EXPECT_EQ(LoadResString(157), "Questing");
    EXPECT_FALSE(HasResString(134));
    EXPECT_FALSE(HasResString(158));
    EXPECT_EQ(LoadResString(310), "Browse Armies");
    EXPECT_EQ(LoadResString(311), "Create a new Army");
    EXPECT_EQ(LoadResString(312), "Save this Army");
    EXPECT_EQ(LoadResString(314), "Delete this Army");
    EXPECT_EQ(LoadResString(315), "Revert to Army's unmodified properties");
    EXPECT_EQ(LoadResString(317), "Output properties of all Armies to a file");
    EXPECT_EQ(LoadResString(327), "Output properties of all Heros to a file");
    EXPECT_EQ(LoadResString(320), "Browse Heroes");
    EXPECT_EQ(LoadResString(351), "Create a new Item List");
    EXPECT_FALSE(HasResString(313));
    EXPECT_EQ(LoadResString(202),
              "You have not specified any powers for this item.  Please specify at least one "
              "power before attempting to save.");
}

TEST(EditorErrors, ReportTextIsNumberLabelDescription) {
    EXPECT_EQ(FormatErrorReport(-2147220990, "MItem::FillItemObjects", "No power"),
              "-2147220990\r\nMItem::FillItemObjects\r\nNo power");
    EXPECT_EQ(kErrNoItemPower, -2147220990);
}

TEST(EditorSaveNames, BaseNameOfTheChosenFile) {
    EXPECT_EQ(ChosenBaseName("/games/b3/Army/KNIGHTS.arm"), "KNIGHTS");
    // A folder other than the kind's does not end up in the name.
    EXPECT_EQ(ChosenBaseName("/home/me/Desktop/elsewhere/HALBERDS.arm"), "HALBERDS");
    EXPECT_EQ(ChosenBaseName("/x/NOEXT"), "NOEXT");
    EXPECT_EQ(ChosenBaseName("/x/my.name.arm"), "my.name");
    EXPECT_EQ(*ShortNameFromChosenFile("/a/SWORDSMEN.arm", 8), "SWORDSME");
    EXPECT_EQ(*ShortNameFromChosenFile("/a/SWORDSMEN.her", 7), "SWORDSM");
    EXPECT_EQ(*ShortNameFromChosenFile("/a/Cœur.arm", 8), QString::fromUtf8("Cœur"));
}

TEST(EditorSaveNames, NamesTheGameCannotHoldAreRefused) {
    for (const char* bad : {"/a/.arm", "/a/back\\slash.arm", "/a/tab\there.arm", "/a/q?.arm",
                            "/a/star*.arm", "/a/colon:.arm", "/a/trail .arm", "/a/CON.arm",
                            "/a/\xce\xa9mega.arm", "/a/\xe2\x82\xacuro\x01.arm"}) {
        EXPECT_FALSE(ShortNameFromChosenFile(QString::fromUtf8(bad), 8)) << bad;
    }
    // Cutting must not leave a name that ends in a space.
    EXPECT_FALSE(ShortNameFromChosenFile("/a/ABCDEFG HIJ.arm", 8));
    EXPECT_TRUE(
        IsValidGameFileName(QString::fromUtf8("\xe2\x82\xac"
                                              "uro")));  // € is in 1252
}

TEST(EditorPictures, ThirtyTwoDistinctItemBitmaps) {
    std::set<QByteArray> seen;
    for (int id = 100; id <= 131; ++id) {
        const QPixmap p = ItemBitmap(id);
        ASSERT_FALSE(p.isNull()) << id;
        EXPECT_EQ(p.width(), 32);
        EXPECT_EQ(p.height(), 32);
        const QImage img = p.toImage().convertToFormat(QImage::Format_RGB32);
        seen.insert(QByteArray(reinterpret_cast<const char*>(img.constBits()),
                               static_cast<int>(img.sizeInBytes())));
    }
    EXPECT_EQ(seen.size(), 32u);
    EXPECT_TRUE(ItemBitmap(99).isNull());
    EXPECT_TRUE(ItemBitmap(132).isNull());
}

TEST(EditorPictures, PcxPreviewDecodesOrSaysWhy) {
    QString problem;
    EXPECT_TRUE(LoadPcxImage("/nonexistent/x.pcx", &problem).isNull());
    EXPECT_EQ(problem, "No picture file");
}

TEST(EditorFieldBindings, PropertiesTravelByColumnAndBadBindingsAreRefused) {
    const FieldTable<CHero> table = {
        Bind(b3::kHero, "Strength", &CHero::Strength, &CHero::setStrength, FormSource::Spin),
        Bind(b3::kHero, "Description", &CHero::Description, &CHero::setDescription,
             FormSource::TextBox),
        Bind(b3::kHero, "ShortName", &CHero::ShortName, &CHero::setShortName, FormSource::Stored,
             kWritten),
    };
    b3::DataArray data(1, b3::kColumnCount[b3::kHero]);
    data.at(0, 8) = b3::Cell::byte(7);
    data.at(0, 3) = b3::Cell::text("Bold");
    data.at(0, 4) = b3::Cell::text("SAGE");
    CHero stored;
    LoadFromRow(table, stored, data, 0);
    EXPECT_EQ(stored.Strength().toInt(), 7);
    EXPECT_EQ(stored.Description(), "Bold");
    EXPECT_EQ(stored.ShortName(), "SAGE");

    // The short name is written but not compared; the others count each.
    CHero working = stored;
    working.setShortName("OTHER");
    EXPECT_EQ(CountChanged(table, stored, working), 0);
    working.setStrength(9);
    working.setDescription("Brave");
    EXPECT_EQ(CountChanged(table, stored, working), 2);
    b3::ObjectArray row(static_cast<std::size_t>(b3::kColumnCount[b3::kHero]));
    WriteToArray(table, working, row);
    EXPECT_EQ(row[8], b3::Cell::byte(9));  // the column's own cell type
    EXPECT_EQ(row[3], b3::Cell::text("Brave"));
    EXPECT_EQ(row[4], b3::Cell::text("OTHER"));
    EXPECT_TRUE(row[7].isEmpty());

    // A table that names a column the kind lacks, or binds a property to a column or a control
    // of the other sort, fails as it is built.
    const auto number = [](auto build) {
        try {
            build();
        } catch (const b3::Error& e) {
            return e.number();
        }
        return 0;
    };
    EXPECT_EQ(number([] {
                  Bind(b3::kHero, "Strenght", &CHero::Strength, &CHero::setStrength,
                       FormSource::Spin);
              }),
              b3::kErrSubscript);
    EXPECT_EQ(number([] {
                  Bind(b3::kHero, "Hits", &CHero::Description, &CHero::setDescription,
                       FormSource::TextBox);
              }),
              b3::kErrTypeMismatch);
    EXPECT_EQ(
        number([] { Bind(b3::kHero, "Hits", &CHero::Hits, &CHero::setHits, FormSource::TextBox); }),
        b3::kErrTypeMismatch);
}
