#include "calculator/ui/frm_suggest.h"

#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStringList>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "calculator/ui/errors.h"
#include "calculator/ui/services.h"
#include "calculator/ui/suggest_worker.h"

namespace b3::oddslab {

namespace {

// The search stops by itself after this many seconds, with the cheapest options found by then.
constexpr double kTimeLimit = 10;

QString Percent(double p) {
    return QString::number(p * 100.0, 'f', 2) + "%";
}

}  // namespace

frmSuggest::frmSuggest(CalculatorServices& services, Search search, UnitName unitName, Add add,
                       QWidget* parent)
    : QDialog(parent),
      services_(services),
      unitName_(std::move(unitName)),
      add_(std::move(add)),
      worker_(new SuggestWorker(std::move(search), this)),
      progressTimer_(new QTimer(this)) {
    setWindowTitle("Suggest Reinforcements");
    updTarget = new QDoubleSpinBox(this);
    updTarget->setRange(1, 100);
    updTarget->setDecimals(1);
    updTarget->setSuffix(" %");
    updTarget->setValue(90);
    updTarget->setAccessibleName("Target win chance");
    updMaxAdd = new QSpinBox(this);
    updMaxAdd->setRange(1, 4);
    updMaxAdd->setValue(3);
    updMaxAdd->setAccessibleName("Most armies to add");
    cmdSearch = new QPushButton("&Search", this);
    cmdSearch->setDefault(true);
    cmdCancel = new QPushButton("Cancel", this);
    cmdCancel->setToolTip("Stop the search and keep what it has found (Escape)");
    cmdAddThese = new QPushButton("&Add these", this);
    cmdAddThese->setToolTip("Append the chosen option's armies to the attacking list");
    cmdClose = new QPushButton("&Close", this);
    lblAnswer = new QLabel(this);
    lblAnswer->setWordWrap(true);
    lblAnswer->setTextFormat(Qt::PlainText);
    lblAnswer->setAccessibleName("Answer");
    prgSearch = new QProgressBar(this);
    prgSearch->setRange(0, 100);
    prgSearch->setAccessibleName("Search progress");
    prgSearch->setToolTip("The share of the search's time limit spent");
    lblProgress = new QLabel(this);
    lblProgress->setTextFormat(Qt::PlainText);
    lblProgress->setAccessibleName("Search progress");
    grdOptions = new QTableWidget(0, 3, this);
    grdOptions->setHorizontalHeaderLabels({"Add to the attack", "Turns", "Attacker wins"});
    grdOptions->verticalHeader()->hide();
    grdOptions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdOptions->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdOptions->setSelectionMode(QAbstractItemView::SingleSelection);
    grdOptions->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    grdOptions->setAccessibleName("Suggested additions");
    connect(cmdSearch, &QPushButton::clicked, this, [this] { cmdSearch_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdAddThese, &QPushButton::clicked, this, [this] { cmdAddThese_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(grdOptions, &QTableWidget::itemSelectionChanged, this,
            [this] { cmdAddThese->setEnabled(!Searching() && grdOptions->currentRow() >= 0); });
    connect(worker_, &SuggestWorker::finished, this,
            [this](const b3::engine::Suggestion& answer) { Finished(answer); });
    connect(worker_, &SuggestWorker::failed, this, [this](const QString& r) { Failed(r); });
    progressTimer_->setInterval(200);
    connect(progressTimer_, &QTimer::timeout, this, [this] { ShowProgress(); });

    auto* form = new QFormLayout;
    form->addRow("Win chance to reach:", updTarget);
    form->addRow("Most armies to add:", updMaxAdd);
    auto* progress = new QHBoxLayout;
    progress->addWidget(prgSearch, 1);
    progress->addWidget(lblProgress);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdAddThese);
    buttons->addStretch(1);
    buttons->addWidget(cmdSearch);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(
        "The cheapest armies, in production turns, to append to the attacking list so that the "
        "exact chance of an attacker's win reaches the target.",
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addLayout(progress);
    layout->addWidget(grdOptions, 1);
    layout->addWidget(lblAnswer);
    layout->addLayout(buttons);
    SetSearching(false);
    resize(560, 400);
}

frmSuggest::~frmSuggest() {
    worker_->Cancel();
    worker_->Wait();
}

bool frmSuggest::Searching() const {
    return worker_->Running() || progressTimer_->isActive();
}

void frmSuggest::SetSearching(bool searching) {
    cmdSearch->setEnabled(!searching);
    cmdCancel->setEnabled(searching);
    updTarget->setEnabled(!searching);
    updMaxAdd->setEnabled(!searching);
    cmdAddThese->setEnabled(!searching && grdOptions->currentRow() >= 0);
    prgSearch->setVisible(searching);
    if (searching)
        progressTimer_->start();
    else
        progressTimer_->stop();
}

void frmSuggest::cmdSearch_Click() {
    Trap(services_, "frmSuggest::cmdSearch_Click", [&] {
        if (Searching()) return;
        options_ = {};
        options_.target = updTarget->value() / 100.0;
        options_.maxAdd = updMaxAdd->value();
        options_.timeLimit = kTimeLimit;
        // The target searched for is told at once; the last answer goes.
        answer_ = {};
        rowArmies_.clear();
        grdOptions->setRowCount(0);
        lblAnswer->setText(QString("Searching for the cheapest additions that reach %1...")
                               .arg(Percent(options_.target)));
        prgSearch->setValue(0);
        lblProgress->setText(QString());
        SetSearching(true);
        worker_->Start(options_);
    });
}

void frmSuggest::cmdCancel_Click() {
    if (!Searching()) return;
    worker_->Cancel();
    lblProgress->setText("Stopping...");
}

void frmSuggest::reject() {
    if (Searching()) {
        cmdCancel_Click();
        return;
    }
    QDialog::reject();
}

void frmSuggest::WaitForAnswer() {
    worker_->Wait();
    // The answer is delivered through the event loop.
    while (progressTimer_->isActive()) QCoreApplication::processEvents();
}

void frmSuggest::ShowProgress() {
    const double seconds = worker_->Seconds();
    prgSearch->setValue(static_cast<int>(std::min(100.0, seconds / kTimeLimit * 100.0)));
    lblProgress->setText(QString("%1 calculations, %2 s of at most %3 s")
                             .arg(worker_->Calculations())
                             .arg(static_cast<int>(seconds))
                             .arg(static_cast<int>(kTimeLimit)));
}

void frmSuggest::Failed(const QString& reason) {
    SetSearching(false);
    // RunRefused among them: the battle as listed cannot be computed exactly.
    lblAnswer->setText(reason);
    lblProgress->setText(QString());
}

void frmSuggest::Finished(const b3::engine::Suggestion& answer) {
    const bool cancelled = worker_->CancelRequested();
    SetSearching(false);
    Trap(services_, "frmSuggest::Finished", [&] {
        answer_ = answer;
        lblProgress->setText(QString("%1 calculations").arg(answer.evaluated));
        // The options that reach the target; without any, the best found (below the target).
        std::vector<const b3::engine::SuggestedAddition*> rows;
        for (const auto& o : answer_.options) rows.push_back(&o);
        const bool onlyBest = rows.empty() && !answer_.Reached() && !answer_.best.armies.empty();
        if (onlyBest) rows.push_back(&answer_.best);
        for (const b3::engine::SuggestedAddition* o : rows) {
            QStringList names;
            for (b3::engine::Long army : o->armies) names << unitName_(army);
            const int row = grdOptions->rowCount();
            grdOptions->insertRow(row);
            grdOptions->setItem(row, 0, new QTableWidgetItem(names.join(" + ")));
            auto* turns = new QTableWidgetItem(QString::number(o->turns));
            turns->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grdOptions->setItem(row, 1, turns);
            auto* win = new QTableWidgetItem(Percent(o->winProbability));
            win->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grdOptions->setItem(row, 2, win);
            rowArmies_.push_back(o->armies);
        }
        QString text = QString("Attacker wins now: %1 (target %2).")
                           .arg(Percent(answer_.current), Percent(answer_.target));
        if (answer_.Reached())
            text += " The attacking list already reaches the target.";
        else if (answer_.options.empty())
            text += QString(" No addition of at most %1 armies %2 the target%3.")
                        .arg(options_.maxAdd)
                        .arg(answer_.complete ? "reaches" : "found so far reaches")
                        .arg(onlyBest ? "; the best found is listed" : "");
        if (!answer_.complete)
            text += cancelled ? "\nIncomplete: the search was cancelled. Every cheaper addition "
                                "was tried; dearer ones may be missing."
                              : "\nIncomplete: the search stopped at its time limit. Every "
                                "cheaper addition was tried; dearer ones may be missing.";
        lblAnswer->setText(text);
        if (!rowArmies_.empty()) grdOptions->selectRow(0);
        cmdAddThese->setEnabled(grdOptions->currentRow() >= 0);
    });
}

void frmSuggest::cmdAddThese_Click() {
    Trap(services_, "frmSuggest::cmdAddThese_Click", [&] {
        const int row = grdOptions->currentRow();
        if (Searching() || row < 0 || row >= static_cast<int>(rowArmies_.size())) return;
        add_(rowArmies_[static_cast<std::size_t>(row)]);
        accept();
    });
}

}  // namespace b3::oddslab
