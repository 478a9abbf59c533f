// The main window's results beyond the quick view: pinning a run's figures to compare the next
// runs with them, and copying or exporting the results table (clipboard text, CSV).
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

#include <algorithm>

#include "calculator/ui/errors.h"
#include "calculator/ui/frm_oddslab.h"
#include "calculator/ui/services.h"
#include "formats/csv.h"

namespace b3::oddslab {

using b3::engine::Long;

namespace {

// The figures' names, short, for the narrow pinned panel.
const char* const kShortNames[kFigureCount] = {"Win %", "Att. units", "Att. turns", "Def. units",
                                               "Def. turns"};

// A difference with a sign, to `decimals` decimals; one that rounds to nothing reads "0".
QString Signed(double v, int decimals) {
    const QString text = QString::number(v, 'f', decimals);
    if (QString::number(0.0, 'f', decimals) == text || QString::number(-0.0, 'f', decimals) == text)
        return "0";
    return (v > 0 ? "+" : "") + text;
}

}  // namespace

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
        caption->setToolTip(FigureName(r));
        grid->addWidget(caption, r + 1, 0);
        for (int c = 0; c < 4; ++c) {
            auto* v = lblPinned[r][c] = new QLabel(grpPinned);
            v->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            v->setTextFormat(Qt::PlainText);
            v->setAccessibleName(
                QString("%1, %2%3").arg(FigureName(r), headers[c], c == 3 ? " (exact)" : ""));
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
    sscPin->setEnabled(true);
    mnuCopyResults->setEnabled(true);
    mnuExportResults->setEnabled(true);
    ShowComparison();
}

void frmOddsLab::sscPin_Click() {
    Trap(services_, "frmOddsLab::sscPin_Click", [&] {
        model_.Pin();
        ShowComparison();
    });
}

void frmOddsLab::ShowComparison() {
    const QuickFigures now = model_.CurrentFigures();
    const QuickFigures& pinned = model_.PinnedFigures();
    for (int r = 0; r < kFigureCount; ++r) {
        for (int c = 0; c < 4; ++c) lblPinned[r][c]->clear();
        if (!pinned.valid) continue;
        // Each figure to the precision its interval supports, as the quick results show it, and
        // a change to the precision of the coarser of its two figures; exact figures to two
        // decimals.
        const int pinnedDecimals = FigureDecimals(pinned.interval[r]);
        lblPinned[r][0]->setText(QString::number(pinned.simulated[r], 'f', pinnedDecimals));
        if (now.valid)
            lblPinned[r][1]->setText(
                Signed(now.simulated[r] - pinned.simulated[r],
                       std::min(pinnedDecimals, FigureDecimals(now.interval[r]))));
        if (pinned.exact[r]) {
            lblPinned[r][2]->setText(QString::number(*pinned.exact[r], 'f', 2));
            if (now.exact[r]) lblPinned[r][3]->setText(Signed(*now.exact[r] - *pinned.exact[r], 2));
        }
    }
    FitToFigures();
}

void frmOddsLab::mnuCopyResults_Click() {
    Trap(services_, "frmOddsLab::mnuCopyResults_Click", [&] {
        if (!model_.HasResults()) return;
        QApplication::clipboard()->setText(ResultsText());
    });
}

void frmOddsLab::mnuExportResults_Click() {
    Trap(services_, "frmOddsLab::mnuExportResults_Click", [&] {
        if (!model_.HasResults()) return;
        QString file = services_.saveFileName(this, "Export Results", "CSV files (*.csv)");
        if (file.isEmpty()) return;
        if (QFileInfo(file).suffix().isEmpty()) file += ".csv";
        ExportResults(file);
    });
}

bool frmOddsLab::ExportResults(const QString& file) {
    // The project's CSV: UTF-8 with a byte order mark, so that spreadsheet programs read names
    // with accents, every text quoted.
    const auto table = ResultsTable();
    std::string text;
    csv::Writer writer(text, csv::Encoding::Utf8);
    for (const QString& cell : table.front()) writer.field(cell.toStdString());
    writer.endRow();
    for (std::size_t r = 1; r < table.size(); ++r) {
        for (const QString& cell : table[r]) writer.quoted(cell.toStdString());
        writer.endRow();
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(text.data(), static_cast<qint64>(text.size())) < 0 || !out.commit()) {
        Message(QString("The results cannot be saved as %1: %2")
                    .arg(QDir::toNativeSeparators(file), out.errorString()));
        return false;
    }
    return true;
}

}  // namespace b3::oddslab
