// The main window's scenario files (open, save, recent, dropped on the window) and its
// "Suggest" window: the battle set up in the window as the scenario that b3cli reads.
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QUrl>

#include "calculator/ui/errors.h"
#include "calculator/ui/frm_oddslab.h"
#include "calculator/ui/frm_suggest.h"
#include "calculator/ui/services.h"
#include "calculator/ui/updown_box.h"
#include "common_ui/recent_list.h"
#include "engine/simple_host.h"
#include "engine/suggest.h"

namespace b3::oddslab {

using b3::engine::Long;
using b3::engine::Scenario;
using b3::engine::ScenarioError;

namespace {

constexpr const char* kRecentKey = "RecentScenarios";
constexpr int kMaxRecent = 8;
constexpr const char* kScenarioFilter = "Scenarios (*.json);;All files (*)";

bool IsScenarioUrl(const QUrl& url) {
    return url.isLocalFile() && url.toLocalFile().endsWith(".json", Qt::CaseInsensitive);
}

}  // namespace

void frmOddsLab::ShowScenario(const Scenario& s) {
    // Every value is checked and every entry found before anything changes.
    if (s.dice < updCombatDice->minimum() || s.dice > updCombatDice->maximum())
        throw ScenarioError("dice must be from " + std::to_string(updCombatDice->minimum()) +
                            " to " + std::to_string(updCombatDice->maximum()) +
                            " in this window, not " + std::to_string(s.dice));
    model_.TakeScenarioLists(s);
    for (int side = 0; side < 2; ++side) {
        lstArmies[side]->clear();
        SyncList(side);
    }
    updCombatDice->setValue(static_cast<int>(s.dice));
    txtNumSimulations->setText(QString::number(s.battles));
    for (int t = 0; t < cboTerrain->count(); ++t)
        if (cboTerrain->itemText(t) == QString::fromStdString(s.terrain))
            cboTerrain->setCurrentIndex(t);
    cboTerrain_Click();
    if (s.terrain == "city") cboCityLevel->setCurrentIndex(static_cast<int>(s.cityLevel) - 1);
    AdjustDefTerrain(1, lstArmies[1]->count());
    SetSimulationChoice(s.simulation);
}

bool frmOddsLab::OpenScenarioFile(const QString& file) {
    try {
        ShowScenario(b3::engine::LoadScenario(file.toStdString()));
    } catch (const ScenarioError& e) {
        Message(QString("The scenario %1 cannot be opened: %2")
                    .arg(QDir::toNativeSeparators(file), QString::fromStdString(e.what())));
        return false;
    }
    RememberScenario(file);
    return true;
}

bool frmOddsLab::SaveScenarioFile(const QString& file) {
    try {
        const Scenario s = CurrentScenario();
        // Only what b3cli reads back is written: empty lists or out-of-range values are
        // refused here with the reason, and the file is left as it was.
        b3::engine::ParseScenario(b3::engine::ScenarioJson(s), file.toStdString());
        b3::engine::SaveScenario(s, file.toStdString());
    } catch (const ScenarioError& e) {
        Message(QString("The scenario cannot be saved as %1: %2")
                    .arg(QDir::toNativeSeparators(file), QString::fromStdString(e.what())));
        return false;
    }
    RememberScenario(file);
    return true;
}

void frmOddsLab::mnuOpenScenario_Click() {
    Trap(services_, "frmOddsLab::mnuOpenScenario_Click", [&] {
        if (running_) return;
        const QString file = services_.openFileName(this, "Open Scenario", kScenarioFilter);
        if (!file.isEmpty()) OpenScenarioFile(file);
    });
}

void frmOddsLab::mnuSaveScenario_Click() {
    Trap(services_, "frmOddsLab::mnuSaveScenario_Click", [&] {
        QString file = services_.saveFileName(this, "Save Scenario", kScenarioFilter);
        if (file.isEmpty()) return;
        if (QFileInfo(file).suffix().isEmpty()) file += ".json";
        SaveScenarioFile(file);
    });
}

QStringList frmOddsLab::RecentScenarios() const {
    return QSettings().value(kRecentKey).toStringList();
}

void frmOddsLab::RememberScenario(const QString& file) {
    // The same file named otherwise (on Windows in other letter case) is kept once.
    QSettings().setValue(
        kRecentKey,
        b3::ui::RecentWithFirst(RecentScenarios(), QFileInfo(file).absoluteFilePath(), kMaxRecent));
    FillRecentMenu();
}

void frmOddsLab::FillRecentMenu() {
    mnuRecentScenarios->clear();
    const QStringList recent = RecentScenarios();
    for (int i = 0; i < recent.size(); ++i) {
        const QString file = recent[i];
        QAction* entry = mnuRecentScenarios->addAction(
            QString("&%1 %2").arg(i + 1).arg(QFileInfo(file).fileName()));
        entry->setToolTip(QDir::toNativeSeparators(file));
        connect(entry, &QAction::triggered, this, [this, file] {
            if (!running_) OpenScenarioFile(file);
        });
    }
    mnuRecentScenarios->setEnabled(!recent.isEmpty());
}

void frmOddsLab::mnuSuggest_Click() {
    Trap(services_, "frmOddsLab::mnuSuggest_Click", [&] {
        if (running_ || !VerifyForm() || !VerifyStacks()) return;
        const Scenario s = CurrentScenario();
        // The search runs on a thread of its own, on its own copy of the battle.
        frmSuggest dialog(
            services_,
            [s, armies = model_.Armies(), heroes = model_.Heroes()](
                const b3::engine::SuggestOptions& options, const std::function<bool()>& cancelled) {
                b3::engine::SimpleHost host(armies, heroes);
                b3::engine::ApplyScenario(host, s);
                return b3::engine::Suggest(host, static_cast<Long>(s.attack.size()), s.dice,
                                           s.cityLevel, options, cancelled);
            },
            [this](Long army) { return model_.UnitText(army); },
            [this](const std::vector<Long>& armies) { AddToAttack(armies); }, this);
        services_.execDialog(dialog);
    });
}

void frmOddsLab::AddToAttack(const std::vector<Long>& armies) {
    Trap(services_, "frmOddsLab::AddToAttack", [&] {
        if (running_) return;
        for (Long army : armies)
            if (!model_.AddEntry(0, army)) break;
        ListChanged(0);
    });
}

void frmOddsLab::MakeScenarioMenu() {
    QMenu* file = menuBar()->addMenu("&File");
    mnuOpenScenario = file->addAction("&Open Scenario...");
    mnuOpenScenario->setShortcut(QKeySequence::Open);
    mnuSaveScenario = file->addAction("&Save Scenario...");
    mnuSaveScenario->setShortcut(QKeySequence::Save);
    mnuRecentScenarios = file->addMenu("&Recent Scenarios");
    file->addSeparator();
    QAction* exit = file->addAction("E&xit");
    connect(mnuOpenScenario, &QAction::triggered, this, [this] { mnuOpenScenario_Click(); });
    connect(mnuSaveScenario, &QAction::triggered, this, [this] { mnuSaveScenario_Click(); });
    connect(exit, &QAction::triggered, this, [this] { sscExit_Click(); });
    QMenu* battle = menuBar()->addMenu("Batt&le");
    mnuSuggest = battle->addAction("Su&ggest...");
    mnuSuggest->setToolTip("The cheapest armies to add to the attack to reach a win chance");
    connect(mnuSuggest, &QAction::triggered, this, [this] { mnuSuggest_Click(); });
    FillRecentMenu();
    setAcceptDrops(true);
}

void frmOddsLab::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!running_ && urls.size() == 1 && IsScenarioUrl(urls.first())) event->acceptProposedAction();
}

void frmOddsLab::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (running_ || urls.size() != 1 || !IsScenarioUrl(urls.first())) return;
    event->acceptProposedAction();
    Trap(services_, "frmOddsLab::dropEvent", [&] { OpenScenarioFile(urls.first().toLocalFile()); });
}

}  // namespace b3::oddslab
