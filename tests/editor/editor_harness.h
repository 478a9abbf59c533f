// Test support for the editor: scripted dialogs, a window on a fresh copy of the sample
// installation, and small helpers that act through the window's controls.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QSettings>
#include <QTest>
#include <QToolBar>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "b3/history.h"
#include "editor/frm_b3editor.h"
#include "editor/mmain.h"
#include "editor/services.h"
#include "editor/updown.h"
#include "platform/files.h"
#include "sample/sample.h"
#include "support/install_fixture.h"
#include "support/qt_print.h"

namespace b3edtest {

using namespace b3::editor;

struct ShownMessage {
    QString text;
    QString title;
    MsgButtons buttons;
};

// Records every dialog and answers from scripts; an unscripted file dialog is cancelled, an
// unscripted question answered with OK, Yes or (unsaved changes) Discard.
class ScriptedServices : public EditorServices {
public:
    MsgResult messageBox(QWidget*, const QString& text, const QString& title,
                         MsgButtons buttons) override {
        messages.push_back({text, title, buttons});
        if (answers.empty()) {
            return buttons == MsgButtons::YesNo               ? MsgResult::Yes
                   : buttons == MsgButtons::SaveDiscardCancel ? MsgResult::Discard
                                                              : MsgResult::Ok;
        }
        const MsgResult a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<QString> fileDialog(QWidget*, const FileDialogRequest& request) override {
        fileRequests.push_back(request);
        if (files.empty()) return std::nullopt;
        std::optional<QString> f;
        f.swap(files.front());
        files.pop_front();
        return f;
    }
    int choice(QWidget*, const QString& text, const QString& title,
               const QStringList& offered) override {
        messages.push_back({text, title, MsgButtons::Ok});
        choiceLists.push_back(offered);
        if (choices.empty()) return -1;
        const int c = choices.front();
        choices.pop_front();
        return c;
    }
    std::optional<QString> folderDialog(QWidget*, const QString&, const QString&) override {
        if (folders.empty()) return std::nullopt;
        const bool cancelled = !folders.front().has_value();
        const QString f = folders.front().value_or(QString());
        folders.pop_front();
        if (cancelled) return std::nullopt;
        return f;
    }
    void execDialog(QDialog& dialog) override {
        ++dialogsShown;
        dialog.show();
        if (onDialog) onDialog(dialog);
        dialog.hide();
    }
    bool startProgram(const std::string& program, const std::vector<std::string>& arguments,
                      std::error_code& ec) override {
        started.push_back(program);
        startedArguments.push_back(arguments);
        if (startFails) {
            ec = std::make_error_code(std::errc::no_such_file_or_directory);
            return false;
        }
        return true;
    }
    void quit() override { ++quits; }

    std::vector<ShownMessage> messages;
    std::deque<MsgResult> answers;
    std::vector<FileDialogRequest> fileRequests;
    std::deque<std::optional<QString>> files;
    std::deque<int> choices;
    std::vector<QStringList> choiceLists;
    std::deque<std::optional<QString>> folders;
    std::function<void(QDialog&)> onDialog;
    int dialogsShown = 0;
    std::vector<std::string> started;
    std::vector<std::vector<std::string>> startedArguments;
    bool startFails = false;
    int quits = 0;
};

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A folder name outside ASCII, as a game copied to "Légende III" has.
        game = temp / "L\xc3\xa9gende III";
        b3::sample::WriteSampleInstallation(game);
        Prepare();
        // Every window starts as on a first run: no remembered size, tab or installations.
        QSettings().clear();
        editObject.SetCreateOptions(b3::CreateOptions{game});
        editObject.CreateEditObject();
        w = std::make_unique<frmB3Editor>(services, editObject);
        w->show();
    }
    void TearDown() override {
        w.reset();
        editObject.ReleaseEditObject();
    }

    // Changes the installation before the editor reads it.
    virtual void Prepare() {}
    // Rewrites the object of `kind` whose column `column` holds `name` through the server.
    void patch(int kind, int column, const std::string& name,
               const std::function<void(b3::ObjectArray&)>& change) const {
        auto object = b3::CreateObject(b3::CLSID_CEditObject, b3::CreateOptions{game});
        const b3::DataArray data = object->GetEditObjectData(kind);
        const int r = rowWith(data, column, name);
        ASSERT_GE(r, 0) << name;
        b3::ObjectArray row = data.row(static_cast<std::size_t>(r));
        change(row);
        object->WriteObject(row, kind);
    }

    // Paths as the editor forms them, with the platform's separator.
    std::string folder(const char* kind) const { return b3::platform::JoinPath(game, kind); }
    std::string file(const char* kind, const std::string& name) const {
        return b3::platform::JoinPath(folder(kind), name);
    }
    // Chooses a tab as the user does.
    void tab(int kind) { w->sstEditor->setCurrentIndex(kind); }
    // Chooses an object of the list by its display name.
    void choose(const QString& name) {
        const int at = w->cboEditObject->findText(name);
        ASSERT_GE(at, 0) << name.toStdString();
        w->cboEditObject->setCurrentIndex(at);
    }
    void press(const char* key) {
        for (QAction* a : w->tbrButtons) {
            if (a && a->data().toString() == key) {
                a->trigger();
                return;
            }
        }
        FAIL() << "no toolbar button " << key;
    }
    // Clicks a toolbar button with the mouse.
    void click(const char* key) {
        for (QAction* a : w->tbrButtons) {
            if (a && a->data().toString() == key) {
                QWidget* button = w->tbrMain->widgetForAction(a);
                ASSERT_NE(button, nullptr) << key;
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        }
        FAIL() << "no toolbar button " << key;
    }
    // Replaces a text box's text by typing, as the user does after selecting all of it.
    static void type(QLineEdit* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
    }
    // The objects of a kind as a fresh edit object reads them from the files.
    b3::DataArray reread(int kind) const {
        return b3::CreateObject(b3::CLSID_CEditObject, b3::CreateOptions{game})
            ->GetEditObjectData(kind);
    }
    // The row of `data` whose column `column` holds `text`; -1 when none does.
    static int rowWith(const b3::DataArray& data, int column, const std::string& text) {
        for (std::size_t r = 0; r < data.rows(); ++r) {
            if (data.at(r, static_cast<std::size_t>(column)).toString() == text)
                return static_cast<int>(r);
        }
        return -1;
    }
    // The same row as an index into `data`; data.rows() when no row holds `text`.
    static std::size_t rowIndex(const b3::DataArray& data, int column, const std::string& text) {
        const int r = rowWith(data, column, text);
        return r < 0 ? data.rows() : static_cast<std::size_t>(r);
    }
    // Everything in the installation, file by file: name and bytes.
    std::vector<std::pair<std::string, std::string>> snapshot() const {
        std::vector<std::pair<std::string, std::string>> all;
        for (const char* f : {"Items", "Army", "Hero", "Sites", "Spell", "EDPICTS"}) {
            for (const auto& name : b3test::FolderNames(folder(f))) {
                all.emplace_back(std::string(f) + "/" + name, b3test::ReadBytes(file(f, name)));
            }
        }
        return all;
    }
    void setText(QLineEdit* box, const QString& text) {
        box->setText(text);
        emit box->textEdited(text);
    }

    b3test::TempDir temp;
    std::string game;
    ScriptedServices services;
    EditObjectHolder editObject;  // what main holds in the program
    std::unique_ptr<frmB3Editor> w;
};

// An installation as real ones can be: values beyond the editor's spinners and powers its lists
// do not offer (an item of relative power 6, a site with Necromancy, a spell value of -2 with a
// text in a slot that summons nothing).
class OddValuesEditorTest : public EditorTest {
protected:
    void Prepare() override {
        patch(0, 1, "EMBERBLD", [](b3::ObjectArray& row) { row[4] = b3::Cell::byte(6); });
        patch(3, 2, "BARROW", [](b3::ObjectArray& row) { row[3] = b3::Cell::integer(53); });
        patch(4, 1, "Fireball", [](b3::ObjectArray& row) {
            row[5] = b3::Cell::integer(-2);
            row[7] = b3::Cell::text("enemy");
        });
    }
};

// An editor test whose saves keep their history in a folder of its own.
class EditorHistoryTest : public EditorTest {
protected:
    b3test::TempDir data;
    b3test::ScopedEnv xdg{"XDG_DATA_HOME", data.str()};
    b3test::ScopedEnv localAppData{"LOCALAPPDATA", data.str()};
    b3::HistoryStore history() const { return b3::HistoryStore(game); }
};

}  // namespace b3edtest
