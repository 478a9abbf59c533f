// The history of the editor's own changes: a save is one operation however many files it
// replaces; the History window lists operations, restores one whole or one of its files, still
// reads older histories, and names every changed field as the export names its column.
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>

#include "b3/history.h"
#include "b3/record_layout.h"
#include "editor/frm_history.h"
#include "editor/history_changes.h"
#include "editor_harness.h"

namespace b3edtest {
namespace {

class HistoryTest : public EditorHistoryTest {
protected:
    // The files of an operation, as the history names them.
    static std::vector<std::string> files(const b3::HistoryOperationEntry& o) {
        std::vector<std::string> names;
        for (const b3::HistoryEntry& e : o.files) names.push_back(e.file);
        return names;
    }
    // The rows of the window's list of changes: "Field: kept -> now".
    static QStringList changes(const frmHistory& h) {
        QStringList rows;
        for (int r = 0; r < h.grdChanges->rowCount(); ++r)
            rows << h.grdChanges->item(r, 0)->text() + ": " + h.grdChanges->item(r, 1)->text() +
                        " -> " + h.grdChanges->item(r, 2)->text();
        return rows;
    }
};

TEST_F(HistoryTest, ANewArmySavedOverAnotherIsOneOperationRestoredWholeOrByFile) {
    const std::string record = b3test::ReadBytes(file("Army", "ORCS.ARM"));
    const std::string picture = b3test::ReadBytes(file("Army", "ORCS.PCX"));
    const std::string chosen = b3test::ReadBytes(file("Sites", "TEMPLE.PCX"));
    ASSERT_NE(chosen, picture);

    // A new army with a picture of its own, saved under the name of an existing one.
    tab(1);
    press("New");
    setText(w->txtArmyProps[1], "Wolves");
    services.files.push_back(QString::fromStdString(file("Sites", "TEMPLE.PCX")));
    w->cmdPicCopy[0]->click();
    services.files.push_back(QString::fromStdString(folder("Army") + "/orcs.arm"));
    services.answers = {MsgResult::Yes};
    press("Save");
    ASSERT_EQ(b3test::ReadBytes(file("Army", "ORCS.PCX")), chosen);
    ASSERT_NE(b3test::ReadBytes(file("Army", "ORCS.ARM")), record);

    const auto operations = history().Operations(b3::kArmy, "ORCS");
    ASSERT_EQ(operations.size(), 1u);
    EXPECT_EQ(operations[0].operation, "save");
    EXPECT_EQ(files(operations[0]), (std::vector<std::string>{"Army/ORCS.PCX", "Army/ORCS.ARM"}));

    services.messages.clear();
    services.onDialog = [&](QDialog& dialog) {
        auto& h = static_cast<frmHistory&>(dialog);
        EXPECT_EQ(h.cboFilter->currentText(), "Army ORCS");
        // One row for the save: when, what, which object, how many files; the files below it.
        ASSERT_EQ(h.lstVersions->topLevelItemCount(), 1);
        QTreeWidgetItem* save = h.lstVersions->topLevelItem(0);
        EXPECT_EQ(save->text(1), "save");
        EXPECT_EQ(save->text(2), "Army ORCS");
        EXPECT_EQ(save->text(3), "2 files");
        ASSERT_EQ(save->childCount(), 2);
        EXPECT_EQ(save->child(0)->text(3), "Army/ORCS.PCX");
        EXPECT_EQ(save->child(1)->text(3), "Army/ORCS.ARM");
        // The whole save is shown: the picture and the record's fields.
        const QStringList whole = changes(h);
        EXPECT_TRUE(whole.contains("ORCS.ARM: Display Name: Orcs -> Wolves"))
            << whole.join("\n").toStdString();
        EXPECT_TRUE(whole.filter("ORCS.PCX: Picture").size() == 1)
            << whole.join("\n").toStdString();
        EXPECT_TRUE(h.lblSummary->text().contains("2 files")) << h.lblSummary->text().toStdString();
        // The columns show their texts whole.
        for (int c = 0; c + 1 < h.lstVersions->columnCount(); ++c) {
            EXPECT_GE(h.lstVersions->header()->sectionSize(c),
                      h.lstVersions->fontMetrics().horizontalAdvance(save->text(c)))
                << c;
        }

        // The picture alone first.
        h.lstVersions->expandItem(save);
        h.lstVersions->setCurrentItem(save->child(0));
        EXPECT_EQ(changes(h).size(), 1);
        services.answers = {MsgResult::Yes, MsgResult::No};
        h.cmdRestore->click();
        EXPECT_EQ(b3test::ReadBytes(file("Army", "ORCS.PCX")), picture);
        EXPECT_NE(b3test::ReadBytes(file("Army", "ORCS.ARM")), record);

        // Then the whole save, in one step: the restore is listed above it now.
        ASSERT_EQ(h.lstVersions->topLevelItemCount(), 2);
        EXPECT_EQ(h.lstVersions->topLevelItem(0)->text(1), "restore");
        EXPECT_EQ(h.lstVersions->topLevelItem(0)->text(3), "Army/ORCS.PCX");
        h.lstVersions->setCurrentItem(h.lstVersions->topLevelItem(1));
        services.answers = {MsgResult::Yes, MsgResult::No};
        h.cmdRestore->click();
    };
    w->cmdHistory->click();
    EXPECT_EQ(b3test::ReadBytes(file("Army", "ORCS.ARM")), record);
    EXPECT_EQ(b3test::ReadBytes(file("Army", "ORCS.PCX")), picture);
    QStringList asked;
    for (const auto& m : services.messages) asked << m.text;
    ASSERT_GE(asked.size(), 2) << asked.join("\n").toStdString();
    EXPECT_TRUE(asked[0].startsWith("Put Army/ORCS.PCX back as it was at"))
        << asked[0].toStdString();
    EXPECT_TRUE(asked.filter("Put Army/ORCS.PCX, Army/ORCS.ARM back as it was at").size() == 1)
        << asked.join("\n").toStdString();
}

TEST_F(HistoryTest, ANewSiteWithTheTemplatePictureIsOneOperation) {
    const auto sites = reread(3);
    ASSERT_GT(sites.rows(), 0u);
    const std::string name = sites.at(0, 2).toString();
    const std::string record = b3test::ReadBytes(file("Sites", name + ".SIT"));
    // Its picture is missing, so the template is copied; its text file says something else.
    std::filesystem::remove(b3::platform::FsPath(file("Sites", name + ".PCX")));
    b3test::WriteBytes(file("Sites", name + ".txt"), "old text");

    tab(3);
    press("New");
    setText(w->txtSiteProps[1], "Shrine");
    services.files.push_back(QString::fromStdString(folder("Sites") + "/" + name + ".sit"));
    services.answers = {MsgResult::Yes};
    press("Save");
    ASSERT_TRUE(b3test::Exists(file("Sites", name + ".PCX")));
    ASSERT_EQ(b3test::ReadBytes(file("Sites", name + ".txt")), name);

    auto store = history();
    const auto operations = store.Operations(b3::kSite, name);
    ASSERT_EQ(operations.size(), 1u);
    EXPECT_EQ(operations[0].operation, "save");
    EXPECT_EQ(files(operations[0]),
              (std::vector<std::string>{"Sites/" + name + ".txt", "Sites/" + name + ".SIT"}));
    store.Restore(operations[0].id);
    EXPECT_EQ(b3test::ReadBytes(file("Sites", name + ".txt")), "old text");
    EXPECT_EQ(b3test::ReadBytes(file("Sites", name + ".SIT")), record);
}

TEST_F(HistoryTest, OlderHistoriesWithoutOperationsStillShowAndRestore) {
    tab(1);
    choose("Orcs");
    const std::string record = b3test::ReadBytes(file("Army", "ORCS.ARM"));
    setText(w->txtArmyProps[1], "Goblins");
    press("Save");
    // The index as older programs wrote it: seven fields a line, no hash, no operation.
    auto store = history();
    const std::string index = b3::platform::JoinPath(store.folder(), "index.tsv");
    std::string older;
    for (const b3::HistoryEntry& e : store.List()) {
        older += e.id + '\t' + std::to_string(e.time) + '\t' + e.operation + '\t' +
                 b3::KindWord(e.kind) + '\t' + e.name + '\t' + e.file + '\t' +
                 std::to_string(e.size) + '\n';
    }
    ASSERT_FALSE(older.empty());
    b3test::WriteBytes(index, older);

    services.onDialog = [&](QDialog& dialog) {
        auto& h = static_cast<frmHistory&>(dialog);
        ASSERT_EQ(h.lstVersions->topLevelItemCount(), 1);
        EXPECT_EQ(h.lstVersions->topLevelItem(0)->text(3), "Army/ORCS.ARM");
        EXPECT_EQ(changes(h), QStringList{"Display Name: Orcs -> Goblins"});
        services.answers = {MsgResult::Yes, MsgResult::No};
        EXPECT_TRUE(h.RestoreSelected());
    };
    choose("Goblins");
    w->cmdHistory->click();
    EXPECT_EQ(b3test::ReadBytes(file("Army", "ORCS.ARM")), record);
}

TEST_F(HistoryTest, ChangedFieldsAreNamedAsTheExportNamesThemAndUnusedBytesInWords) {
    tab(1);
    choose("Orcs");
    setText(w->txtArmyProps[1], "Goblins");
    press("Save");
    // Another program then changes an unnamed number, the short name inside the record, bytes
    // that belong to no field, and adds bytes after the record.
    std::string bytes = b3test::ReadBytes(file("Army", "ORCS.ARM"));
    ASSERT_EQ(bytes.size(), 252u);
    bytes[224] = 7;                                   // Unnamed224
    bytes.replace(144, 5, std::string("GOBS\0", 5));  // the short name the server wrote
    bytes[236] = 'x';                                 // between Power Value and Sound
    bytes[240] = 'y';
    bytes += "tail";
    b3test::WriteBytes(file("Army", "ORCS.ARM"), bytes);

    QStringList shown;
    QString summary;
    services.onDialog = [&](QDialog& dialog) {
        auto& h = static_cast<frmHistory&>(dialog);
        ASSERT_EQ(h.lstVersions->topLevelItemCount(), 1);
        shown = changes(h);
        summary = h.lblSummary->text();
    };
    choose("Goblins");
    w->cmdHistory->click();
    EXPECT_EQ(shown, (QStringList{"Display Name: Orcs -> Goblins",
                                  "Short Name inside the file: ORCS -> GOBS", "Unnamed 224: 0 -> 7",
                                  "Unused bytes between the fields: 12 bytes that hold no field -> "
                                  "2 of them differ",
                                  "Length of the file: 252 bytes -> 256 bytes"}))
        << shown.join("\n").toStdString();
    EXPECT_EQ(summary, "Army/ORCS.ARM: 5 fields differ from the file now.");
}

// Every field of every kind is named as the export names its column, never by its place; the
// bytes between the fields are named so only where a kind has them.
TEST(HistoryChanges, EveryFieldHasTheExportsName) {
    for (int kind = 0; kind < 5; ++kind) {
        const b3::RecordLayout& layout = b3::LayoutOf(kind);
        b3::HistoryEntry e;
        e.kind = kind;
        e.name = "X";
        e.file = std::string(layout.subfolder) + "/X" + layout.extension;
        const std::string kept(static_cast<std::size_t>(layout.recordLength), '\0');
        const std::string now(static_cast<std::size_t>(layout.recordLength), '\x05');
        const auto differences = VersionDifferences(e, kept, now);
        std::size_t fields = 0, covered = 0;
        for (const b3::FieldLayout& f : layout.fields) {
            ++fields;
            covered += static_cast<std::size_t>(f.width);
        }
        const bool gaps = covered < static_cast<std::size_t>(layout.recordLength);
        ASSERT_EQ(differences.size(), fields + (gaps ? 1 : 0)) << kind;
        for (const FieldDifference& d : differences) {
            EXPECT_FALSE(d.field.contains("byte", Qt::CaseInsensitive) &&
                         !d.field.startsWith("Unused bytes"))
                << kind << " " << d.field.toStdString();
            EXPECT_FALSE(d.field.startsWith("Column")) << kind << " " << d.field.toStdString();
            EXPECT_NE(d.kept, d.now) << kind << " " << d.field.toStdString();
        }
        EXPECT_EQ(differences.back().field == "Unused bytes between the fields", gaps) << kind;
    }
}

}  // namespace
}  // namespace b3edtest
