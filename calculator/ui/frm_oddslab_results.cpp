// The main window's results beyond the quick view: pinning a run's figures to compare the next
// runs with them, and exporting the quick results and loss distributions (clipboard text, CSV).
#include <QApplication>
#include <QBoxLayout>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSaveFile>

#include "calculator/ui/errors.h"
#include "calculator/ui/frm_oddslab.h"
#include "calculator/ui/services.h"

namespace b3::oddslab {

using b3::engine::Long;

namespace {

const char* const kFigureNames[kFigureCount] = {"Attacker Wins (%)", "Avg. Att. Units Lost",
                                                "Avg. Att. Prod. Turns Lost", "Avg. Def Units Lost",
                                                "Avg. Def. Prod. Turns Lost"};

// The same, short, for the narrow pinned panel.
const char* const kShortNames[kFigureCount] = {"Win %", "Att. units", "Att. turns", "Def. units",
                                               "Def. turns"};

// Four significant digits keep the panel narrow.
QString Number(double v) {
    return QString::number(v, 'g', 4);
}

QString Signed(double v) {
    return (v > 0 ? "+" : "") + Number(v);
}

// A CSV cell: quoted when it holds a separator, a quote or a line break.
QString Cell(const QString& text) {
    if (!text.contains(',') && !text.contains('"') && !text.contains('\n')) return text;
    QString quoted = text;
    quoted.replace("\"", "\"\"");
    return "\"" + quoted + "\"";
}

}  // namespace

QuickFigures frmOddsLab::CurrentFigures() const {
    QuickFigures f;
    if (!hasResults_) return f;
    f.valid = true;
    QString win = lblAttWinPercent->text();
    if (win.endsWith('%')) win.chop(1);
    f.simulated[0] = win.toDouble();
    for (int i = 1; i < kFigureCount; ++i) f.simulated[i] = lblAvg[i + 1]->text().toDouble();
    if (exact_) {
        const double values[kFigureCount] = {
            exact_->attackerWinProbability * 100.0, exact_->expectedAttackerUnitsLost,
            exact_->expectedAttackerTurnsLost, exact_->expectedDefenderUnitsLost,
            exact_->expectedDefenderTurnsLost};
        for (int i = 0; i < kFigureCount; ++i) f.exact[i] = values[i];
    }
    return f;
}

void frmOddsLab::MakeResultsPanel() {
    grpPinned = new QGroupBox("Pinned Results", fraQuickResults->parentWidget());
    auto* grid = new QGridLayout(grpPinned);
    const char* const headers[] = {"Pinned", "Change", "Exact", "Change"};
    for (int c = 0; c < 4; ++c) {
        auto* h = new QLabel(headers[c], grpPinned);
        h->setAlignment(Qt::AlignCenter);
        grid->addWidget(h, 0, c + 1);
    }
    for (int r = 0; r < kFigureCount; ++r) {
        auto* caption = new QLabel(QString(kShortNames[r]) + ":", grpPinned);
        caption->setToolTip(kFigureNames[r]);
        grid->addWidget(caption, r + 1, 0);
        for (int c = 0; c < 4; ++c) {
            auto* v = lblPinned[r][c] = new QLabel(grpPinned);
            v->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            v->setTextFormat(Qt::PlainText);
            v->setAccessibleName(
                QString("%1, %2%3").arg(kFigureNames[r], headers[c], c == 3 ? " (exact)" : ""));
            grid->addWidget(v, r + 1, c + 1);
        }
    }
    sscPin = new QPushButton("&Pin", grpPinned);
    sscPin->setToolTip("Keep these results and show the next runs' figures beside them");
    sscPin->setEnabled(false);
    connect(sscPin, &QPushButton::clicked, this, [this] { sscPin_Click(); });
    grid->addWidget(sscPin, kFigureCount + 1, 0);
    // Under the quick results, in the same column.
    if (auto* box = qobject_cast<QBoxLayout*>(fraQuickResults->parentWidget()->layout()))
        box->insertWidget(box->indexOf(fraQuickResults) + 1, grpPinned);

    QMenu* file = menuBar()->actions().value(0) ? menuBar()->actions().value(0)->menu() : nullptr;
    if (file) {
        QAction* before = file->actions().value(file->actions().size() - 2);
        mnuCopyResults = new QAction("&Copy Results", this);
        mnuExportResults = new QAction("&Export Results as CSV...", this);
        file->insertAction(before, mnuCopyResults);
        file->insertAction(before, mnuExportResults);
    } else {
        mnuCopyResults = menuBar()->addAction("&Copy Results");
        mnuExportResults = menuBar()->addAction("&Export Results as CSV...");
    }
    mnuCopyResults->setEnabled(false);
    mnuExportResults->setEnabled(false);
    connect(mnuCopyResults, &QAction::triggered, this, [this] { mnuCopyResults_Click(); });
    connect(mnuExportResults, &QAction::triggered, this, [this] { mnuExportResults_Click(); });
}

void frmOddsLab::ResultsShown() {
    hasResults_ = true;
    sscPin->setEnabled(true);
    mnuCopyResults->setEnabled(true);
    mnuExportResults->setEnabled(true);
    ShowComparison();
}

void frmOddsLab::sscPin_Click() {
    Trap(services_, "frmOddsLab::sscPin_Click", [&] {
        pinned_ = CurrentFigures();
        ShowComparison();
    });
}

void frmOddsLab::ShowComparison() {
    const QuickFigures now = CurrentFigures();
    for (int r = 0; r < kFigureCount; ++r) {
        for (int c = 0; c < 4; ++c) lblPinned[r][c]->clear();
        if (!pinned_.valid) continue;
        lblPinned[r][0]->setText(Number(pinned_.simulated[r]));
        if (now.valid) lblPinned[r][1]->setText(Signed(now.simulated[r] - pinned_.simulated[r]));
        if (pinned_.exact[r]) {
            lblPinned[r][2]->setText(Number(*pinned_.exact[r]));
            if (now.exact[r]) lblPinned[r][3]->setText(Signed(*now.exact[r] - *pinned_.exact[r]));
        }
    }
}

QString frmOddsLab::ResultsText(QChar separator) const {
    const QString sep(separator);
    auto line = [&](const QStringList& cells) {
        QStringList out;
        for (const QString& c : cells) out << (separator == ',' ? Cell(c) : c);
        return out.join(sep) + "\n";
    };
    const QuickFigures f = CurrentFigures();
    // The simulated column's heading names the run's battles and how they were simulated.
    QString text = line({"Figure", QString::fromStdString(record_.Heading()), "Exact"});
    for (int r = 0; r < kFigureCount; ++r) {
        // The simulated figures as the window shows them.
        QString shown = r == 0 ? lblAttWinPercent->text() : lblAvg[r + 1]->text();
        if (shown.endsWith('%')) shown.chop(1);
        text +=
            line({kFigureNames[r], shown, f.exact[r] ? QString::number(*f.exact[r], 'g', 15) : ""});
    }
    text += "\n";
    // The distributions: battles by armies destroyed, their share and the exact chance.
    std::array<long long, 33> counts[2] = {};
    for (int side = 0; side < 2; ++side)
        for (std::size_t k = 0; k < b3::engine::kLossBins; ++k)
            counts[side][k] = battle_->Statistics().Lost(side)[k].battles;
    const double battles = static_cast<double>(battle_->Statistics().Battles());
    text += line({"Armies Destroyed", "Attacker Battles", "Attacker %", "Attacker Exact %",
                  "Defender Battles", "Defender %", "Defender Exact %"});
    for (std::size_t n = 0; n < 33; ++n) {
        QStringList cells{QString::number(n)};
        for (int side = 0; side < 2; ++side) {
            cells << QString::number(counts[side][n])
                  << QString::number(battles > 0 ? counts[side][n] / battles * 100.0 : 0.0, 'g', 6);
            if (!exact_) {
                cells << QString();
                continue;
            }
            const auto& exact = side == 0 ? exact_->attackerUnitsLost : exact_->defenderUnitsLost;
            cells << QString::number(exact[n] * 100.0, 'g', 6);
        }
        text += line(cells);
    }
    return text;
}

void frmOddsLab::mnuCopyResults_Click() {
    Trap(services_, "frmOddsLab::mnuCopyResults_Click", [&] {
        if (!hasResults_) return;
        QApplication::clipboard()->setText(ResultsText('\t'));
    });
}

void frmOddsLab::mnuExportResults_Click() {
    Trap(services_, "frmOddsLab::mnuExportResults_Click", [&] {
        if (!hasResults_) return;
        QString file = services_.saveFileName(this, "Export Results", "CSV files (*.csv)");
        if (file.isEmpty()) return;
        if (QFileInfo(file).suffix().isEmpty()) file += ".csv";
        ExportResults(file);
    });
}

bool frmOddsLab::ExportResults(const QString& file) {
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(ResultsText(',').toUtf8()) < 0 ||
        !out.commit()) {
        Message(QString("The results cannot be saved as %1: %2")
                    .arg(QDir::toNativeSeparators(file), out.errorString()));
        return false;
    }
    return true;
}

}  // namespace b3::oddslab
