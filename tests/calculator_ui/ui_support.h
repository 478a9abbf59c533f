// Support for the calculator's window tests: an edit object over hand-made army and hero tables,
// scripted message boxes, dialogs, menus and event pumping, and helpers that work the window
// through its controls.
#pragma once

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QString>
#include <QStringList>
#include <QTableWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "b3/edit_object.h"
#include "calculator/ui/frm_oddslab.h"
#include "calculator/ui/services.h"
#include "support/qt_print.h"
#include "support/unit_rows.h"

namespace b3::oddslab::test {

using b3test::ArmyRow;
using b3test::HeroRow;

// The edit object of a tiny made-up game: its army and hero tables, and names for the power
// codes 0 "None", 2 "Chaos", 3 "Morale", 4 "Fear", 6 "Fortify", 37 "Banding"; any other code
// has no name (the server's error 1518).
class FakeEditObject : public b3::_CEditObject {
public:
    FakeEditObject(const std::vector<ArmyRow>& armies, const std::vector<HeroRow>& heroes);

    std::int32_t NumEditObjects(const std::int32_t& Index) const override;
    std::string SitePath() const override { return "/game/Sites"; }
    std::string SpellPath() const override { return "/game/Spell"; }
    std::string HeroPath() const override { return "/game/Hero"; }
    std::string ArmyPath() const override { return "/game/Army"; }
    std::string ItemPath() const override { return "/game/Items"; }
    std::string InstallPath() const override { return "/game"; }
    void CopyPictureTemplate(const std::int32_t&, const std::string&) override { Unused(); }
    b3::DataArray GetEditObjectData(const std::int32_t& DataType) const override;
    void WriteObject(const b3::ObjectArray&, const std::int32_t&) override { Unused(); }
    void PrintReport(const std::string&, const std::int32_t&) override { Unused(); }
    std::string ConvertPowerTypeToName(const std::int16_t& Index) const override;
    std::string ConvertSoundToName(const std::int16_t&) const override { Unused(); }
    std::string ConvertFacingToName(const std::int16_t&) const override { Unused(); }
    b3::ObjectArray ConvertShortName(std::string, const b3::DataArray&) const override { Unused(); }
    b3::ObjectArray ConvertArmyShortName(std::string) const override { Unused(); }
    std::string ShortNameFromPath(std::string, std::int32_t) const override { Unused(); }
    void Delete(const std::int32_t&, const std::string&) override { Unused(); }
    std::string PicsPath() const override { return "/game/EDPICTS"; }
    std::string FileStamp(const std::int32_t&, const std::string&) const override { return {}; }
    void WriteObjectChecked(const b3::ObjectArray&, const std::int32_t&, const std::string&,
                            bool) override {
        Unused();
    }

    // A failure of the next GetEditObjectData call.
    bool failData = false;

private:
    [[noreturn]] static void Unused();
    b3::DataArray armies_;
    b3::DataArray heroes_;
};

// The tiny game most tests use. Armies (rows 0..5): Footmen (4/2, field +1, Morale 2), Goblins
// (3/1, hills +1, Chaos 1), Wall Guard (5/2, city +2, Fortify 2, 2 turns), Archers (3/1),
// Knights (6/2, 3 turns), Wights (undead). Heroes (identifiers 6..8): Brute (strength 20, 3
// hits), Sage (4/1), Scout (5/2). "None" is identifier 9.
std::unique_ptr<FakeEditObject> MakeTinyGame();

// Message boxes are recorded, dialogs handed to a script (none: closed as by the close box),
// menus and questions for a number recorded, event pumps counted and handed to a script.
class ScriptServices : public CalculatorServices {
public:
    struct Message {
        QString text;
        QString title;
    };
    void messageBox(QWidget*, const QString& text, const QString& title) override {
        messages.push_back({text, title});
    }
    void execDialog(QDialog& dialog) override {
        ++dialogs;
        if (onDialog) onDialog(dialog);
    }
    void popupMenu(QMenu&, const QPoint&) override { ++menus; }
    void pumpEvents() override {
        ++pumps;
        if (onPump) onPump();
    }
    void setBusy(bool busy) override { busyLog.push_back(busy); }
    QString openFileName(QWidget*, const QString&, const QString&) override { return openFile; }
    QString saveFileName(QWidget*, const QString&, const QString&) override { return saveFile; }
    QString openFile, saveFile;  // what the file dialogs answer (empty: cancelled)
    // The questions for a whole number, and what they answer (nothing: cancelled).
    struct Question {
        QString title;
        QString label;
        int value = 0;
        int minimum = 0;
        int maximum = 0;
    };
    std::optional<int> askInteger(QWidget*, const QString& title, const QString& label, int value,
                                  int minimum, int maximum) override {
        questions.push_back({title, label, value, minimum, maximum});
        return integerAnswer;
    }
    std::vector<Question> questions;
    std::optional<int> integerAnswer;
    // The questions for a line of text (title, offered text), and what they answer (nothing:
    // cancelled).
    std::optional<QString> askText(QWidget*, const QString& title, const QString& label,
                                   const QString& text) override {
        questions.push_back({title, label + "\n" + text, 0, 0, 0});
        return textAnswer;
    }
    std::optional<QString> textAnswer;

    std::vector<Message> messages;
    std::function<void(QDialog&)> onDialog;
    std::function<void()> onPump;
    int dialogs = 0;
    int menus = 0;
    int pumps = 0;
    std::vector<bool> busyLog;
};

// Chooses the entry `name` in a side's unit chooser `times` times, as a user picking it.
void Pick(frmOddsLab& w, int side, const QString& name, int times = 1);
// The texts of a side's list, top to bottom.
QStringList Texts(const frmOddsLab& w, int side);
// Gives a side's list the focus, makes `focused` its focused entry and selects `selected`
// (the focused entry is not selected unless listed).
void Select(frmOddsLab& w, int side, int focused, const std::vector<int>& selected);
// Selects and focuses one entry.
inline void SelectOne(frmOddsLab& w, int side, int position) {
    Select(w, side, position, {position});
}
// Right-clicks the focused entry of a side's list (the pop-up menu is recorded, not shown).
void OpenMenu(frmOddsLab& w, int side);
// One row of a side's health array as "B D P m S W F" flags ("1 0 0 2 0 0 0").
std::string HealthRow(const frmOddsLab& w, int side, int row);

}  // namespace b3::oddslab::test
