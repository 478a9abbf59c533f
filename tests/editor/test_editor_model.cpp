// The editor's model alone, without a window: the list under the filter, the object kept
// listed, the working copy's baseline and the working objects, on the sample installation as
// the edit server reads it.
#include <gtest/gtest.h>

#include <QStringList>

#include "b3/edit_object.h"
#include "b3/record_layout.h"
#include "editor/editor_model.h"
#include "platform/files.h"
#include "platform/native_path.h"
#include "sample/sample.h"
#include "support/install_fixture.h"

namespace {

using b3::editor::EditorModel;

class EditorModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        game = temp / "game";
        b3::sample::WriteSampleInstallation(game);
        object = b3::CreateObject(b3::CLSID_CEditObject, b3::CreateOptions{game});
    }
    // The model on the data of `kind`, listed without a filter.
    void load(std::int16_t kind) {
        model.setKind(kind);
        model.setData(object->GetEditObjectData(kind));
        model.Relist();
    }
    QString cell(int row, int column) const {
        return QString::fromStdString(
            model.data()
                .at(static_cast<std::size_t>(row), static_cast<std::size_t>(column))
                .toString());
    }
    QStringList listedNames() const {
        QStringList names;
        for (const auto& e : model.entries()) names << e.name;
        return names;
    }

    b3test::TempDir temp;
    std::string game;
    std::unique_ptr<b3::_CEditObject> object;
    EditorModel model;
};

TEST_F(EditorModelTest, ListsEveryObjectOfEachKindAndFindsItByShortName) {
    for (std::int16_t kind = 0; kind < b3::kKindCount; ++kind) {
        SCOPED_TRACE(kind);
        load(kind);
        ASSERT_GT(model.count(), 1);
        ASSERT_EQ(static_cast<std::size_t>(model.count()), model.data().rows());
        for (int p = 0; p < model.count(); ++p) {
            const int row = model.RowKeyAt(p);
            ASSERT_GE(row, 0);
            EXPECT_EQ(model.DisplayNameAt(p), cell(row, EditorModel::DisplayNameColumn(kind)));
            const QString shortName = model.ShortNameAt(p);
            EXPECT_EQ(shortName, cell(row, b3::LayoutOf(kind).shortNameColumn));
            // Short names are found whatever their letter case.
            EXPECT_EQ(model.PositionOf(shortName.toLower()), p);
        }
        // Nothing past the list: no key, no name, no position.
        EXPECT_EQ(model.RowKeyAt(model.count()), -1);
        EXPECT_EQ(model.RowKeyAt(-1), -1);
        EXPECT_TRUE(model.ShortNameAt(model.count()).isEmpty());
        EXPECT_EQ(model.PositionOf("NO SUCH OBJECT"), -1);
        EXPECT_EQ(model.PositionOf(QString()), -1);
    }
}

TEST_F(EditorModelTest, FilterKeepsMatchingObjectsAndTheOneOnShow) {
    load(b3::kArmy);
    const QString first = model.DisplayNameAt(0);
    const QString firstShort = model.ShortNameAt(0);
    const QString second = model.DisplayNameAt(1);

    // By display name, in any case, with spaces around it.
    model.setFilter("  " + first.toUpper() + " ");
    EXPECT_EQ(model.filter(), first.toUpper());
    model.Relist();
    ASSERT_GE(model.count(), 1);
    EXPECT_TRUE(listedNames().contains(first));
    EXPECT_FALSE(listedNames().contains(second));
    for (const auto& e : model.entries())
        EXPECT_TRUE(model.MatchesFilter(e.rowKey)) << e.name.toStdString();

    // By short name.
    model.setFilter(firstShort.toLower());
    model.Relist();
    EXPECT_TRUE(listedNames().contains(first));

    // The object on show stays listed though it does not match.
    model.setFilter("matches nothing at all");
    model.Relist();
    EXPECT_EQ(model.count(), 0);
    model.Relist(cell(1, b3::LayoutOf(b3::kArmy).shortNameColumn).toLower());
    EXPECT_EQ(listedNames(), QStringList{second});
    EXPECT_EQ(model.PositionOf(cell(1, b3::LayoutOf(b3::kArmy).shortNameColumn)), 0);

    // No filter lists all again.
    model.setFilter(QString());
    model.Relist();
    EXPECT_EQ(static_cast<std::size_t>(model.count()), model.data().rows());
}

TEST_F(EditorModelTest, SpellsAreFilteredByTheirFileNameNotTheirFolder) {
    load(b3::kSpell);
    const QString path = model.ShortNameAt(0);
    const QString fileName = QString::fromStdString(
        b3::platform::Utf8Path(b3::platform::FsPath(path.toStdString()).filename()));
    ASSERT_NE(path, fileName);
    // Every spell's path holds the installation's folder name; the filter does not see it.
    model.setFilter("game");
    model.Relist();
    EXPECT_LT(static_cast<std::size_t>(model.count()), model.data().rows());
    for (const auto& e : model.entries()) {
        const QString name = e.name + cell(e.rowKey, 2);
        EXPECT_TRUE(name.contains("game", Qt::CaseInsensitive)) << e.name.toStdString();
    }
    model.setFilter(fileName.toLower());
    model.Relist();
    EXPECT_GE(model.PositionOf(path), 0);
}

TEST_F(EditorModelTest, WorkingCopyDiffersFromItsBaselineOfTheKindOnShow) {
    load(b3::kArmy);
    const b3::ObjectArray shown = model.data().row(0);
    b3::ObjectArray edited = shown;
    edited[1] = b3::Cell::text("Renamed");

    EXPECT_FALSE(model.HasBaseline() && model.Differs(edited)) << "no baseline of this kind yet";
    model.setBaseline(shown);
    EXPECT_FALSE(model.Differs(shown));
    EXPECT_TRUE(model.Differs(edited));

    // A picture chosen for the object is a change of its own.
    model.PictureChosen[0] = true;
    EXPECT_TRUE(model.Differs(shown));
    model.ClearPictures();
    EXPECT_FALSE(model.Differs(shown));
    EXPECT_TRUE(model.PendingPicture[0].isEmpty());

    // Another kind on show: the baseline is not its own, so nothing differs.
    model.setKind(b3::kItem);
    EXPECT_FALSE(model.HasBaseline());
    EXPECT_FALSE(model.Differs(edited));
    // Items have no pictures: a choice left for armies says nothing about them.
    model.setBaseline(shown);
    model.PictureChosen[0] = true;
    EXPECT_FALSE(model.Differs(shown));
}

TEST_F(EditorModelTest, WorkingObjectsAreNamedAndKeepTheFieldsNoControlShows) {
    load(b3::kArmy);
    EXPECT_TRUE(model.WorkingName(b3::kArmy).isEmpty()) << "not filled yet";
    model.ResetObjects(b3::kArmy);
    model.NameWorking(b3::kArmy, "NEWARMY", game);
    EXPECT_EQ(model.WorkingName(b3::kArmy), "NEWARMY");

    model.ResetObjects(b3::kSpell);
    const std::string folder = b3::platform::JoinPath(game, "Spell");
    model.NameWorking(b3::kSpell, "BOLT", folder);
    EXPECT_EQ(model.WorkingName(b3::kSpell).toStdString(),
              b3::platform::JoinPath(folder, "BOLT.SPL"));

    // An object shown from its file keeps what no control shows; a new one leaves it empty.
    for (int row : {0, 1}) {
        b3::ObjectArray array(static_cast<std::size_t>(b3::kColumnCount[b3::kArmy]));
        model.KeepUnshownFields(b3::kArmy, row, array);
        for (std::size_t c : {19u, 26u, 27u})
            EXPECT_EQ(array[c], model.data().at(static_cast<std::size_t>(row), c)) << c;
        EXPECT_EQ(array[1], b3::Cell()) << "shown fields are the form's";
    }
    b3::ObjectArray fresh(static_cast<std::size_t>(b3::kColumnCount[b3::kArmy]));
    model.KeepUnshownFields(b3::kArmy, -1, fresh);
    EXPECT_EQ(fresh, b3::ObjectArray(fresh.size()));
    model.ReleaseObjects();
    EXPECT_TRUE(model.WorkingName(b3::kArmy).isEmpty());
}

}  // namespace
