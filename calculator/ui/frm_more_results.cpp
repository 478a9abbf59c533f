#include "calculator/ui/frm_more_results.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QPushButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "calculator/ui/errors.h"
#include "calculator/ui/services.h"

namespace b3::oddslab {

frmMoreResults::frmMoreResults(CalculatorServices& services, std::vector<ResultsRow> results,
                               b3::engine::Long numBattles, QWidget* parent)
    : QWidget(parent, Qt::Window),
      services_(services),
      results_(std::move(results)),
      numBattles_(numBattles) {
    setWindowTitle("Detailed Combat Results");
    mscDefMore = MakeChart("Distribution of Number of Defending Armies Destroyed", 1);
    mscAttMore = MakeChart("Distribution of Number of Attacking Armies Destroyed", 0);
    sscDone = new QPushButton("&Done", this);
    connect(sscDone, &QPushButton::clicked, this, [this] { sscDone_Click(); });

    // Say what each series counts.
    legend_ = new QLabel(
        "C1: percentage of battles with that many armies destroyed (left axis).   C2: production "
        "turns lost in the last of those battles (right axis).",
        this);
    legend_->setWordWrap(true);
    lblRun = new QLabel(this);
    lblRun->setTextFormat(Qt::PlainText);
    lblRun->setAccessibleName("Run shown");
    lblHover = new QLabel("Point at a bar to read its value.", this);
    lblHover->setTextFormat(Qt::PlainText);
    lblHover->setAccessibleName("Value of the bar under the pointer");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(legend_, 1);
    buttons->addWidget(sscDone);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblRun);
    layout->addWidget(mscDefMore, 1);
    layout->addWidget(mscAttMore, 1);
    layout->addWidget(lblHover);
    layout->addLayout(buttons);
    resize(1000, 700);
}

QChartView* frmMoreResults::MakeChart(const QString& title, int side) {
    auto* chart = new QChart;
    chart->setTitle(title);
    QFont titleFont = chart->titleFont();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    chart->setTitleFont(titleFont);
    // The percentages and the production turns have axes of their own, so they are two bar
    // series; the chart draws the bars of the two series side by side in each category.
    auto* series = series_[side] = new QBarSeries;
    auto* turns = turnSeries_[side] = new QBarSeries;
    sets_[side][0] = NewSet("C1", side, 0);
    sets_[side][1] = NewSet("C2", side, 1);
    series->append(sets_[side][0]);
    turns->append(sets_[side][1]);
    chart->addSeries(series);
    chart->addSeries(turns);
    auto* categories = new QBarCategoryAxis;
    for (int i = 0; i < 33; ++i) categories->append(QString::number(i));
    categories->setTitleText("Number of Armies Destroyed");
    QFont small = categories->labelsFont();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    categories->setLabelsFont(small);
    chart->addAxis(categories, Qt::AlignBottom);
    series->attachAxis(categories);
    turns->attachAxis(categories);
    auto* values = new QValueAxis;
    values->setTitleText("% Chance");
    values->setLabelFormat("%d");
    values->setRange(0, 100);
    chart->addAxis(values, Qt::AlignLeft);
    series->attachAxis(values);
    auto* turnAxis = new QValueAxis;
    turnAxis->setTitleText("Production Turns");
    turnAxis->setLabelFormat("%d");
    turnAxis->setRange(0, 10);
    chart->addAxis(turnAxis, Qt::AlignRight);
    turns->attachAxis(turnAxis);
    chart->legend()->setAlignment(Qt::AlignTop);
    chart->setMargins(QMargins(4, 4, 4, 4));
    auto* view = new QChartView(chart, this);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(260);
    LabelLegend(chart);
    return view;
}

QBarSet* frmMoreResults::NewSet(const QString& label, int side, int series) {
    auto* set = new QBarSet(label);
    for (int i = 0; i < 33; ++i) set->append(0);
    connect(set, &QBarSet::hovered, this,
            [this, side, series](bool status, int index) { Hovered(side, series, status, index); });
    return set;
}

// The legend names each series in words beside its short name.
void frmMoreResults::LabelLegend(QChart* chart) {
    for (QLegendMarker* marker : chart->legend()->markers()) {
        const QString label = marker->label();
        if (label == "C1")
            marker->setLabel("C1: % of battles");
        else if (label == "C2")
            marker->setLabel("C2: production turns lost");
        else if (label == "Exact")
            marker->setLabel("Exact: % chance, computed");
    }
}

void frmMoreResults::Hovered(int side, int series, bool status, int index) {
    if (!status) {
        QToolTip::hideText();
        return;
    }
    const ResultTable& table = side == 0 ? att_ : def_;
    const auto row = static_cast<std::size_t>(std::clamp(index, 0, 32));
    const QString who = side == 0 ? "Attacking" : "Defending";
    QString text;
    if (series == 0)
        text = QString("%1 side, %2 armies destroyed: C1 %3% of battles (%4 battles)")
                   .arg(who)
                   .arg(index)
                   .arg(table[row][1])
                   .arg(table[row][0]);
    else if (series == 1)
        text = QString("%1 side, %2 armies destroyed: C2 %3 production turns lost")
                   .arg(who)
                   .arg(index)
                   .arg(table[row][2]);
    else
        text = QString("%1 side, %2 armies destroyed: exact chance %3%")
                   .arg(who)
                   .arg(index)
                   .arg(exact_[static_cast<std::size_t>(side)][row] * 100.0, 0, 'f', 4);
    lblHover->setText(text);
    QToolTip::showText(QCursor::pos(), text);
}

QString frmMoreResults::HoverText() const {
    return lblHover->text();
}

void frmMoreResults::SetRunDescription(const QString& text) {
    lblRun->setText(text);
    lblRun->setVisible(!text.isEmpty());
}

void frmMoreResults::SetExact(const std::array<double, 33>& attacker,
                              const std::array<double, 33>& defender) {
    exact_[0] = attacker;
    exact_[1] = defender;
    if (hasExact_) return;
    hasExact_ = true;
    for (int side = 0; side < 2; ++side) {
        sets_[side][2] = NewSet("Exact", side, 2);
        series_[side]->append(sets_[side][2]);
        LabelLegend((side == 0 ? mscAttMore : mscDefMore)->chart());
    }
    legend_->setText(legend_->text() +
                     "   Exact: the percentage computed from the combat rules, without sampling.");
}

void frmMoreResults::Form_Load() {
    Trap(services_, "frmMoreResults::Form_Load", [&] {
        CentreOnScreen(*this);
        InitializeResultArrays();
        ConvertResults();
        CalculateResultPercent();
        FillChart();
    });
}

void frmMoreResults::InitializeResultArrays() {
    Trap(services_, "frmMoreResults::InitializeResultArrays", [&] {
        for (auto& row : att_) row.fill(0);
        for (auto& row : def_) row.fill(0);
    });
}

void frmMoreResults::ConvertResults() {
    Trap(services_, "frmMoreResults::ConvertResults", [&] {
        // A count outside 0..32 cannot come from a run; it is not booked.
        auto book = [](ResultTable& table, std::int32_t lost, std::int32_t turns) {
            if (lost < 0 || lost > 32) return;
            table[static_cast<std::size_t>(lost)][0] += 1;
            table[static_cast<std::size_t>(lost)][2] = turns;
        };
        const auto n = std::min<std::size_t>(static_cast<std::size_t>(std::max(numBattles_, 0)),
                                             results_.size());
        for (std::size_t b = 0; b < n; ++b) {
            const ResultsRow& r = results_[b];
            book(att_, r[1], r[2]);
            book(def_, r[3], r[4]);
        }
    });
}

void frmMoreResults::CalculateResultPercent() {
    Trap(services_, "frmMoreResults::CalculateResultPercent", [&] {
        if (numBattles_ < 1) return;
        for (ResultTable* table : {&att_, &def_})
            for (auto& row : *table)
                // Halves go to the even neighbour (the current rounding mode).
                row[1] = static_cast<std::int32_t>(
                    std::nearbyint(static_cast<double>(row[0]) / numBattles_ * 100.0));
    });
}

void frmMoreResults::FillOne(QChartView* view, const ResultTable& table, int side) {
    double top = 0;
    double topTurns = 0;
    for (int col = 1; col <= 2; ++col) {
        QBarSet* set = sets_[side][col - 1];
        for (int i = 0; i < 33; ++i) {
            const double v = table[static_cast<std::size_t>(i)][static_cast<std::size_t>(col)];
            set->replace(i, v);
            (col == 1 ? top : topTurns) = std::max(col == 1 ? top : topTurns, v);
        }
    }
    if (QBarSet* exact = sets_[side][2]) {
        for (int i = 0; i < 33; ++i) {
            const double pct =
                exact_[static_cast<std::size_t>(side)][static_cast<std::size_t>(i)] * 100.0;
            exact->replace(i, pct);
            top = std::max(top, pct);
        }
    }
    for (QAbstractAxis* a : view->chart()->axes(Qt::Vertical)) {
        auto* axis = static_cast<QValueAxis*>(a);
        if (axis->alignment() == Qt::AlignLeft)
            axis->setRange(0, std::max(100.0, top));
        else
            axis->setRange(0, std::max(10.0, topTurns));
        axis->applyNiceNumbers();
    }
}

void frmMoreResults::FillChart() {
    Trap(services_, "frmMoreResults::FillChart", [&] {
        FillOne(mscAttMore, att_, 0);
        FillOne(mscDefMore, def_, 1);
    });
}

void frmMoreResults::sscDone_Click() {
    close();
}

}  // namespace b3::oddslab
