// The main window's Options menu: whether a run fights its battles duel by duel or rolls every
// exchange, over how many threads it splits them, and the seed it starts from. The first two are
// kept in the settings, beside the recent scenarios; the seed holds for this session. All are
// given to the engine when a run starts.
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QThread>
#include <algorithm>

#include "calculator/ui/errors.h"
#include "calculator/ui/frm_oddslab.h"
#include "calculator/ui/services.h"

namespace b3::oddslab {

using b3::engine::Simulation;

namespace {

constexpr const char* kSimulationKey = "Simulation";
constexpr const char* kThreadsKey = "Threads";

}  // namespace

void frmOddsLab::MakeOptionsMenu() {
    mnuOptions = menuBar()->addMenu("&Options");
    auto* group = new QActionGroup(mnuOptions);
    group->setExclusive(true);
    mnuDuelByDuel = mnuOptions->addAction("&Duel by duel");
    mnuDuelByDuel->setToolTip(
        "Fast: after the first battle, the end of each duel is drawn at once from the chances of "
        "its ends");
    mnuEveryExchangeRolled = mnuOptions->addAction("Every exchange &rolled");
    mnuEveryExchangeRolled->setToolTip(
        "Slower: every exchange of every battle rolls its combat dice");
    for (QAction* entry : {mnuDuelByDuel, mnuEveryExchangeRolled}) {
        entry->setCheckable(true);
        group->addAction(entry);
    }
    connect(mnuDuelByDuel, &QAction::triggered, this,
            [this] { SetSimulationChoice(Simulation::Duel); });
    connect(mnuEveryExchangeRolled, &QAction::triggered, this,
            [this] { SetSimulationChoice(Simulation::Rolled); });
    mnuOptions->addSeparator();
    mnuThreads = mnuOptions->addAction("&Threads...");
    mnuThreads->setToolTip("The number of threads each run's battles are split over");
    connect(mnuThreads, &QAction::triggered, this, [this] { mnuThreads_Click(); });
    mnuSeed = mnuOptions->addAction("&Seed...");
    mnuSeed->setToolTip(
        "Start every run from this seed, to repeat a run (as b3cli odds --seed does)");
    connect(mnuSeed, &QAction::triggered, this, [this] { mnuSeed_Click(); });
    mnuOptions->setToolTipsVisible(true);

    // As the last session left them; a name this window does not know is the default.
    const QSettings settings;
    model_.SetSimulationChoice(
        b3::engine::SimulationFromName(settings.value(kSimulationKey).toString().toStdString())
            .value_or(Simulation::Duel));
    (model_.SimulationChoice() == Simulation::Rolled ? mnuEveryExchangeRolled : mnuDuelByDuel)
        ->setChecked(true);
    bool ok = false;
    const int threads = settings.value(kThreadsKey).toInt(&ok);
    model_.SetThreads(ok ? threads : QThread::idealThreadCount());
}

void frmOddsLab::SetSimulationChoice(Simulation simulation) {
    model_.SetSimulationChoice(simulation);
    (simulation == Simulation::Rolled ? mnuEveryExchangeRolled : mnuDuelByDuel)->setChecked(true);
    QSettings().setValue(kSimulationKey, QString(b3::engine::SimulationName(simulation)));
    UpdateResultState();
}

void frmOddsLab::SetThreads(int threads) {
    model_.SetThreads(threads);
    QSettings().setValue(kThreadsKey, model_.Threads());
}

void frmOddsLab::mnuThreads_Click() {
    Trap(services_, "frmOddsLab::mnuThreads_Click", [&] {
        if (running_) return;
        const std::optional<int> threads = services_.askInteger(
            this, "Threads",
            QString("Split each run's battles over this many threads (1 to %1):").arg(kMaxThreads),
            model_.Threads(), 1, kMaxThreads);
        if (threads) SetThreads(*threads);
    });
}

void frmOddsLab::mnuSeed_Click() {
    Trap(services_, "frmOddsLab::mnuSeed_Click", [&] {
        if (running_) return;
        const std::optional<QString> answer = services_.askText(
            this, "Seed",
            "Start every run from this seed (0 to 18446744073709551615), with the same number of "
            "threads to fight the same battles.\nLeave it empty for a new seed each run:",
            model_.SeedChoice() ? QString::number(*model_.SeedChoice()) : QString());
        if (!answer) return;
        const QString text = answer->trimmed();
        if (text.isEmpty()) {
            model_.SetSeed(std::nullopt);
            return;
        }
        bool ok = false;
        const qulonglong seed = text.toULongLong(&ok);
        // Digits only: a sign or a fraction would otherwise stand for some other seed.
        const bool digits =
            std::all_of(text.begin(), text.end(), [](QChar c) { return c >= '0' && c <= '9'; });
        if (!ok || !digits) {
            Message(QString("The seed must be a whole number from 0 to 18446744073709551615, or "
                            "empty for a new seed each run; %1 is not. The seed stays as it was.")
                        .arg(text));
            return;
        }
        model_.SetSeed(static_cast<std::uint64_t>(seed));
    });
}

}  // namespace b3::oddslab
