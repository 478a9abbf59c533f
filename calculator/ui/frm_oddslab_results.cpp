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
#include "cli/table_file.h"

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

QuickFigures frmOddsLab::CurrentFigures() const {
    return hasResults_ ? figures_ : QuickFigures{};
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
        // Each figure to the precision its interval supports, as the quick results show it, and
        // a change to the precision of the coarser of its two figures; exact figures to two
        // decimals.
        const int pinnedDecimals = FigureDecimals(pinned_.interval[r]);
        lblPinned[r][0]->setText(QString::number(pinned_.simulated[r], 'f', pinnedDecimals));
        if (now.valid)
            lblPinned[r][1]->setText(
                Signed(now.simulated[r] - pinned_.simulated[r],
                       std::min(pinnedDecimals, FigureDecimals(now.interval[r]))));
        if (pinned_.exact[r]) {
            lblPinned[r][2]->setText(QString::number(*pinned_.exact[r], 'f', 2));
            if (now.exact[r])
                lblPinned[r][3]->setText(Signed(*now.exact[r] - *pinned_.exact[r], 2));
        }
    }
    FitToFigures();
}

QString frmOddsLab::ResultsText() const {
    QString text;
    for (const auto& row : ResultsTable()) {
        QStringList cells;
        for (const QString& cell : row) cells << cell;
        text += cells.join('\t') + "\n";
    }
    return text;
}

void frmOddsLab::mnuCopyResults_Click() {
    Trap(services_, "frmOddsLab::mnuCopyResults_Click", [&] {
        if (!hasResults_) return;
        QApplication::clipboard()->setText(ResultsText());
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
    // The project's CSV: UTF-8 with a byte order mark, so that spreadsheet programs read names
    // with accents, every text quoted.
    const auto table = ResultsTable();
    std::vector<std::vector<b3::Cell>> rows;
    for (std::size_t r = 1; r < table.size(); ++r) {
        std::vector<b3::Cell> cells;
        for (const QString& cell : table[r]) cells.push_back(b3::Cell::text(cell.toStdString()));
        rows.push_back(std::move(cells));
    }
    std::vector<std::string> header;
    for (const QString& cell : table.front()) header.push_back(cell.toStdString());
    const std::string text = b3cli::CsvText(header, rows);
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
