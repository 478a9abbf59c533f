// Undo, Delete, Print, Calculator, Exit, New and "Copy Picture".
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <chrono>
#include <fstream>
#include <thread>

#include "editor/errors.h"
#include "editor/working_copy_history.h"
#include "editor_harness.h"
#include "platform/files.h"

namespace b3edtest {

TEST_F(EditorTest, UndoPutsTheStoredValuesBack) {
    tab(1);
    EXPECT_FALSE(w->tbrButtons[5]->isEnabled());  // nothing selected: nothing to put back
    EXPECT_TRUE(w->txtArmyProps[1]->text().isEmpty());
    choose("Orcs");
    setText(w->txtArmyProps[1], "Goblins");
    w->updArmyProps[7]->upButton()->click();
    delete w->lstMoveBonuses->takeItem(0);
    press("Undo");
    EXPECT_EQ(w->txtArmyProps[1]->text(), "Orcs");
    EXPECT_EQ(w->updArmyProps[7]->value(), 2);
    ASSERT_EQ(w->lstMoveBonuses->count(), 1);
    EXPECT_EQ(w->lstMoveBonuses->item(0)->text(), "hills");
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(EditorTest, DeleteRemovesTheObjectsFiles) {
    tab(1);
    EXPECT_FALSE(w->tbrButtons[4]->isEnabled());  // nothing selected: nothing to delete
    EXPECT_EQ(w->cboEditObject->count(), 18);

    choose("Orcs");
    ASSERT_TRUE(b3test::Exists(file("Army", "ORCS.PCX")));
    // The question names the object and its files; No keeps everything.
    const auto before = snapshot();
    services.answers.push_back(MsgResult::No);
    press("Delete");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].buttons, MsgButtons::YesNo);
    EXPECT_TRUE(services.messages[0].text.contains("\"Orcs\""));
    EXPECT_TRUE(services.messages[0].text.contains("ORCS.ARM, ORCS.PCX"));
    EXPECT_EQ(snapshot(), before);
    press("Delete");
    EXPECT_FALSE(b3test::Exists(file("Army", "ORCS.ARM")));
    EXPECT_FALSE(b3test::Exists(file("Army", "ORCS.PCX")));
    EXPECT_EQ(w->cboEditObject->count(), 17);
    EXPECT_EQ(w->cboEditObject->findText("Orcs"), -1);
    EXPECT_EQ(reread(1).rows(), 17u);

    tab(2);
    choose("Warlock");
    press("Delete");
    EXPECT_FALSE(b3test::Exists(file("Hero", "WARLOCK.HER")));
    EXPECT_FALSE(b3test::Exists(file("Hero", "WARLOCKm.PCX")));
    EXPECT_FALSE(b3test::Exists(file("Hero", "WARLOCKf.PCX")));

    tab(4);
    choose("Fireball");
    press("Delete");
    EXPECT_EQ(reread(4).rows(), 5u);
    EXPECT_EQ(w->cboEditObject->count(), 5);
}

TEST_F(EditorTest, PrintWritesTheKindsReport) {
    tab(3);
    const std::string report = temp.str() + "/sites.txt";
    services.files.push_back(QString::fromStdString(report));
    press("Print");
    ASSERT_EQ(services.fileRequests.size(), 1u);
    EXPECT_EQ(services.fileRequests[0].title, "Save Site Report As");
    // Text first, the report's own format; comma-separated as the second choice.
    EXPECT_EQ(services.fileRequests[0].filter, "Text files (*.txt)|*.txt|CSV files (*.csv)|*.csv");
    EXPECT_EQ(ToQtFilter(services.fileRequests[0].filter), "Text files (*.txt);;CSV files (*.csv)");
    EXPECT_EQ(services.fileRequests[0].initialFolder,
              QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    EXPECT_EQ(w->model().ReportPath.toStdString(), report);
    const std::string text = b3test::ReadBytes(report);
    EXPECT_NE(text.find("Sun Temple"), std::string::npos);
    EXPECT_NE(text.find("Drowned Barrow"), std::string::npos);
    EXPECT_EQ(text.find("Knights"), std::string::npos);

    // Cancelled: no report, no message.
    tab(2);
    press("Print");
    EXPECT_EQ(services.fileRequests.back().title, "Save Hero Report As");
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(b3test::FolderNames(temp.str()).size(), 2u);  // game and sites.txt

    // A name typed without an extension gets ".txt"; one typed with ".csv" keeps it.
    services.files.push_back(QString::fromStdString(temp.str() + "/heroes"));
    press("Print");
    EXPECT_EQ(w->model().ReportPath.toStdString(), temp.str() + "/heroes.txt");
    EXPECT_NE(b3test::ReadBytes(temp.str() + "/heroes.txt").find("Paladin"), std::string::npos);
    services.files.push_back(QString::fromStdString(temp.str() + "/heroes.csv"));
    press("Print");
    EXPECT_EQ(w->model().ReportPath.toStdString(), temp.str() + "/heroes.csv");
}

// The calculator opens the installation the editor shows, whatever is registered.
TEST_F(EditorTest, CalculatorStartsFromTheEditorsFolder) {
#ifdef _WIN32
    w->setProgramFolder("C:\\B3 Suite");
    const std::string expected = "C:\\B3 Suite\\OddsLab.exe";
#else
    w->setProgramFolder("/opt/b3suite");
    const std::string expected = "/opt/b3suite/OddsLab";
#endif
    press("Calculator");
    ASSERT_EQ(services.started.size(), 1u);
    EXPECT_EQ(services.started[0], expected);
    EXPECT_EQ(services.startedArguments[0],
              (std::vector<std::string>{"--install", editObject.EditObject().InstallPath()}));
    EXPECT_EQ(editObject.EditObject().InstallPath(), game);
    EXPECT_TRUE(services.messages.empty());

    services.startFails = true;
    press("Calculator");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text,
              "53\r\nfrmB3Editor::tbrMain_ButtonClick\r\nFile not found");
    EXPECT_EQ(services.messages[0].title, "B3Tools");
}

TEST_F(EditorTest, CalculatorReallyStartsTheProgramWithoutWaiting) {
    // A stand-in calculator, copied from beside this test program, that leaves a mark.
#ifdef _WIN32
    const std::string suffix = ".exe";
#else
    const std::string suffix;
#endif
    const std::string here = QCoreApplication::applicationDirPath().toStdString();
    const std::string folder = temp / "bin";
    b3test::fs::create_directories(b3::platform::FsPath(folder));
    const std::string program = b3::platform::JoinPath(folder, "OddsLab" + suffix);
    b3test::fs::copy_file(b3::platform::FsPath(b3::platform::JoinPath(here, "stand_in" + suffix)),
                          b3::platform::FsPath(program));
    const std::string mark = b3::platform::JoinPath(folder, "started");
    QtEditorServices real;
    std::error_code ec;
    // Arguments with blanks, quotes and trailing backslashes arrive as they were given.
#ifdef _WIN32
    const std::vector<std::string> arguments = {"--install", "C:\\B3 Games\\Game \"One\"\\",
                                                "C:\\Plain"};
#else
    const std::vector<std::string> arguments = {"--install", "/opt/b3 games/Game \"One\"\\",
                                                "/plain"};
#endif
    ASSERT_TRUE(real.startProgram(program, arguments, ec)) << ec.message();
    for (int i = 0; i < 200 && b3test::ReadBytes(mark).find("end") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(b3test::ReadBytes(mark),
              arguments[0] + "\n" + arguments[1] + "\n" + arguments[2] + "\nend\n");
    EXPECT_FALSE(real.startProgram(b3::platform::JoinPath(folder, "Missing" + suffix), {}, ec));
}

TEST_F(EditorTest, DefaultProgramFolderIsTheEditorsOwn) {
    EXPECT_FALSE(w->ProgramFolder().isEmpty());
    EXPECT_TRUE(b3::platform::IsDirectory(w->ProgramFolder().toStdString()));
}

TEST_F(EditorTest, NewReadsTheFilesAgainAndDiscardsEdits) {
    tab(1);
    choose("Orcs");
    setText(w->txtArmyProps[1], "Goblins");
    // An army that appeared on disk since the window was loaded.
    b3test::WriteBytes(file("Army", "ORCS2.ARM"), b3test::ReadBytes(file("Army", "ORCS.ARM")));
    // The edit is not dropped without a question; Cancel keeps it.
    services.answers.push_back(MsgResult::Cancel);
    press("New");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Save changes to Orcs?");
    EXPECT_EQ(services.messages[0].buttons, MsgButtons::SaveDiscardCancel);
    EXPECT_EQ(w->txtArmyProps[1]->text(), "Goblins");
    EXPECT_EQ(w->cboEditObject->currentText(), "Orcs");
    services.answers.push_back(MsgResult::Discard);
    press("New");
    EXPECT_EQ(w->cboEditObject->count(), 19);
    EXPECT_EQ(w->cboEditObject->currentIndex(), -1);
    EXPECT_TRUE(w->txtArmyProps[1]->text().isEmpty());
    EXPECT_EQ(services.messages.size(), 2u);
    // Nothing changed: New asks nothing.
    press("New");
    EXPECT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(reread(1).rows(), 19u);
}

TEST_F(EditorTest, ExitReleasesTheEditObject) {
    press("Exit");
    EXPECT_EQ(services.quits, 1);
    EXPECT_FALSE(editObject.HasEditObject());
    EXPECT_FALSE(w->isVisible());
}

TEST_F(EditorTest, CopyPictureForAnExistingHeroReplacesBothPictures) {
    tab(2);
    choose("Thane");
    const std::string source = file("Sites", "TEMPLE.PCX");
    services.files.push_back(QString::fromStdString(source));
    w->cmdPicCopy[1]->click();
    ASSERT_EQ(services.fileRequests.size(), 1u);
    EXPECT_EQ(services.fileRequests[0].title, "Select Hero Picture to Use");
    EXPECT_EQ(services.fileRequests[0].filter, "Picture files (*.pcx)|*.pcx");
    EXPECT_FALSE(services.fileRequests[0].save);
    const std::string bytes = b3test::ReadBytes(source);
    EXPECT_EQ(b3test::ReadBytes(file("Hero", "THANEm.PCX")), bytes);
    EXPECT_EQ(b3test::ReadBytes(file("Hero", "THANEf.PCX")), bytes);
    EXPECT_EQ(w->picPreview[1]->property("b3PicturePath").toString().toStdString(),
              file("Hero", "THANEm.PCX"));
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(EditorTest, PictureChosenForANewArmyIsPlacedOnSave) {
    tab(1);
    press("New");
    setText(w->txtArmyProps[1], "Wolves");
    const std::string source = file("Army", "ORCS.PCX");
    services.files.push_back(QString::fromStdString(source));
    w->cmdPicCopy[0]->click();
    EXPECT_EQ(services.fileRequests.at(0).title, "Select Army Picture to Use");
    EXPECT_EQ(w->picPreview[0]->property("b3PicturePath").toString().toStdString(), source);
    services.files.push_back(QString::fromStdString(folder("Army") + "/WOLVES.arm"));
    press("Save");
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    EXPECT_EQ(b3test::ReadBytes(file("Army", "WOLVES.PCX")), b3test::ReadBytes(source));
    EXPECT_FALSE(w->model().PictureChosen[0]);
    EXPECT_TRUE(w->model().PendingPicture[0].isEmpty());

    // A missing source is reported and nothing is copied.
    choose("Knights");
    services.files.push_back(QString::fromStdString(temp.str() + "/missing.pcx"));
    const std::string knights = b3test::ReadBytes(file("Army", "KNIGHTS.PCX"));
    w->cmdPicCopy[0]->click();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_TRUE(services.messages[0].text.startsWith("53\r\nfrmB3Editor::CopyExistingPicture\r\n"));
    EXPECT_EQ(b3test::ReadBytes(file("Army", "KNIGHTS.PCX")), knights);
}

TEST_F(EditorTest, PictureChosenForANewArmyIsAnUndoStep) {
    const auto settle = [] { QCoreApplication::processEvents(); };
    const auto preview = [this] {
        return w->picPreview[0]->property("b3PicturePath").toString().toStdString();
    };
    tab(1);
    press("New");
    settle();
    setText(w->txtArmyProps[1], "Wolves");
    settle();
    const std::string before = preview();
    const std::string source = file("Army", "ORCS.PCX");
    services.files.push_back(QString::fromStdString(source));
    w->cmdPicCopy[0]->click();
    settle();
    ASSERT_EQ(preview(), source);
    EXPECT_EQ(w->history().stack().count(), 2);
    EXPECT_EQ(w->mnuUndo->text(), "&Undo Choose Army Picture");

    QTest::keyClick(w->cboEditObject, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(w->model().PictureChosen[0]);
    EXPECT_TRUE(w->model().PendingPicture[0].isEmpty());
    EXPECT_EQ(preview(), before);
    EXPECT_EQ(w->txtArmyProps[1]->text(), "Wolves");  // the step before stays
    EXPECT_EQ(w->mnuRedo->text(), "&Redo Choose Army Picture");

    QTest::keyClick(w->cboEditObject, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(w->model().PictureChosen[0]);
    EXPECT_EQ(w->model().PendingPicture[0].toStdString(), source);
    EXPECT_EQ(preview(), source);

    // The picture redone is the one Save places.
    services.files.push_back(QString::fromStdString(folder("Army") + "/WOLVES.arm"));
    press("Save");
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    EXPECT_EQ(b3test::ReadBytes(file("Army", "WOLVES.PCX")), b3test::ReadBytes(source));
}

}  // namespace b3edtest
