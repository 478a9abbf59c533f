// Takes a picture of each of the calculator's windows and views on the sample installation:
// oddslab_screenshots OUTPUT-FOLDER. Run with QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMenu>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "calculator/ui/frm_hero.h"
#include "calculator/ui/frm_more_results.h"
#include "calculator/ui/frm_oddslab.h"
#include "calculator/ui/frm_stats.h"
#include "calculator/ui/frm_suggest.h"
#include "calculator/ui/services.h"
#include "calculator/ui/updown_box.h"
#include "sample/sample.h"

namespace {

// Takes a picture of every modal window it is asked to show, then closes it as "Done" would.
class CameraServices : public b3::oddslab::CalculatorServices {
public:
    explicit CameraServices(QString out) : out_(std::move(out)) {}
    void messageBox(QWidget*, const QString& text, const QString& title) override {
        std::fprintf(stderr, "message (%s): %s\n", title.toUtf8().constData(),
                     text.toUtf8().constData());
    }
    void execDialog(QDialog& dialog) override {
        dialog.show();
        QApplication::processEvents();
        if (auto* hero = qobject_cast<b3::oddslab::frmHero*>(&dialog)) {
            if (!heroShot_) {
                hero->updMissle->setValue(2);
                hero->updLeadership->setValue(2);
                hero->updMorale->setValue(1);
                QApplication::processEvents();
                hero->grab().save(out_ + "/oddslab-hero.png");
                heroShot_ = true;
            }
            hero->cmdProceed_Click();
        } else if (auto* stats = qobject_cast<b3::oddslab::frmStats*>(&dialog)) {
            // As it opens on a 1024x768 screen.
            stats->resize(stats->size().expandedTo(QSize(1000, 700)).boundedTo(QSize(1000, 700)));
            QApplication::processEvents();
            stats->grab().save(out_ + "/oddslab-stats.png");
            stats->sscDone_Click();
        } else if (auto* suggest = qobject_cast<b3::oddslab::frmSuggest*>(&dialog)) {
            // A long search, seen while it runs, then cancelled.
            suggest->updTarget->setValue(99.9);
            suggest->updMaxAdd->setValue(4);
            suggest->cmdSearch_Click();
            QElapsedTimer running;
            running.start();
            while (running.elapsed() < 1500) {
                QApplication::processEvents();
                QThread::msleep(50);
            }
            suggest->grab().save(out_ + "/oddslab-suggest-running.png");
            suggest->cmdCancel_Click();
            suggest->WaitForAnswer();
            // One that runs to its end.
            suggest->updTarget->setValue(99.5);
            suggest->updMaxAdd->setValue(3);
            suggest->cmdSearch_Click();
            suggest->WaitForAnswer();
            QApplication::processEvents();
            suggest->grab().save(out_ + "/oddslab-suggest.png");
        }
        dialog.hide();
    }
    void popupMenu(QMenu&, const QPoint&) override {}
    void pumpEvents() override { QApplication::processEvents(); }
    void setBusy(bool) override {}
    QString openFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&) override { return {}; }
    std::optional<int> askInteger(QWidget*, const QString&, const QString&, int, int,
                                  int) override {
        return std::nullopt;
    }
    std::optional<QString> askText(QWidget*, const QString&, const QString&,
                                   const QString&) override {
        return std::nullopt;
    }

private:
    QString out_;
    bool heroShot_ = false;
};

void Add(b3::oddslab::frmOddsLab& w, int side, const char* name, int times = 1) {
    const int at = w.cboArmies[side]->findText(name);
    if (at < 0) {
        std::fprintf(stderr, "no unit %s\n", name);
        return;
    }
    for (int i = 0; i < times; ++i) {
        w.cboArmies[side]->setCurrentIndex(at);
        w.cboArmies_Click(side);
    }
}

// Marks the unit at `position` of a side through the pop-up menu's entry `entry`.
void Mark(b3::oddslab::frmOddsLab& w, int side, int position, QAction* entry) {
    QListWidget* list = w.lstArmies[side];
    list->setFocus();
    list->clearSelection();
    list->setCurrentRow(position);
    list->item(position)->setSelected(true);
    w.lstArmies_MouseUp(side, Qt::RightButton, list->visualItemRect(list->item(position)).center());
    entry->trigger();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: oddslab_screenshots OUTPUT-FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QTemporaryDir temp;
    // The options the window remembers are this run's own, not the user's.
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, temp.filePath("settings"));
    const std::string game = temp.filePath("game").toStdString();
    b3::sample::WriteSampleInstallation(game);
    auto editObject =
        b3::CreateObject(b3::CLSID_CEditObject, b3::CreateOptions{.installFolder = game});

    CameraServices services(out);
    b3::oddslab::frmOddsLab w(services, *editObject);
    // The same figures on every machine: a fixed seed and thread count.
    w.SetSeed(20260101);
    w.SetThreads(4);
    w.SetSimulationChoice(b3::engine::Simulation::Duel);
    w.show();
    w.activateWindow();
    app.processEvents();

    Add(w, 0, "Paladin");
    Add(w, 0, "Knights", 3);
    Add(w, 0, "Spearmen", 2);
    Add(w, 0, "Elven Archers", 2);
    Add(w, 0, "Griffons", 2);
    Add(w, 0, "Frost Giants", 1);
    Mark(w, 0, 1, w.mnuPopupItem[b3::oddslab::kBlessed]);
    Mark(w, 0, 2, w.mnuPopupItemMedals[2]);
    Add(w, 1, "Orcs", 4);
    Add(w, 1, "Skeletons", 2);
    Add(w, 1, "Dwarven Guard", 2);
    Add(w, 1, "Marsh Ghouls", 1);
    Mark(w, 1, 4, w.mnuPopupItem[b3::oddslab::kPoisoned]);
    w.cboCityLevel->setCurrentIndex(1);
    w.sschkViewStats->setChecked(true);
    w.lstArmies[0]->clearSelection();
    w.lstArmies[1]->clearSelection();
    w.cmdAttack_Click();
    // Pin this run, then add a unit and run again: the pinned figures show the change.
    w.sscPin_Click();
    w.sschkViewStats->setChecked(false);
    Add(w, 0, "Knights");
    w.cmdAttack_Click();
    w.lstArmies[0]->setCurrentRow(-1);
    w.lstArmies[1]->setCurrentRow(-1);
    app.processEvents();
    // As the pinned window stands on a 1024x768 screen, less the task bar and its frame.
    w.resize(w.size().expandedTo(QSize(1008, 690)).boundedTo(QSize(1008, 690)));
    app.processEvents();
    w.grab().save(out + "/oddslab-main.png");
    // The same figures once the setup has changed: out of date.
    w.updCombatDice->setValue(24);
    app.processEvents();
    w.grab().save(out + "/oddslab-main-stale.png");
    w.updCombatDice->setValue(20);
    app.processEvents();

    w.sscMoreResults_Click();
    app.processEvents();
    if (b3::oddslab::frmMoreResults* more = w.MoreResults()) {
        app.processEvents();
        more->grab().save(out + "/oddslab-more-results.png");
        more->SetAtLeast(true);
        app.processEvents();
        more->grab().save(out + "/oddslab-more-results-at-least.png");
        more->tabResults->setCurrentIndex(1);
        app.processEvents();
        more->grab().save(out + "/oddslab-survival.png");
    }
    w.mnuSuggest_Click();
    std::printf("screenshots written to %s\n", argv[1]);
    return 0;
}
