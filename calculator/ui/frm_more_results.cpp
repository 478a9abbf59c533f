#include "calculator/ui/frm_more_results.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "calculator/ui/errors.h"
#include "calculator/ui/services.h"

namespace b3::oddslab {

frmMoreResults::frmMoreResults(CalculatorServices& services,
                               const b3::engine::RunStatistics& statistics, QWidget* parent)
    : QWidget(parent, Qt::Window),
      services_(services),
      statistics_(statistics),
      numBattles_(statistics.Battles()) {
    setWindowTitle("Detailed Combat Results");
    mscDefMore = MakeChart("Distribution of Number of Defending Armies Destroyed", 1);
    mscAttMore = MakeChart("Distribution of Number of Attacking Armies Destroyed", 0);
    sscDone = new QPushButton("&Done", this);
    connect(sscDone, &QPushButton::clicked, this, [this] { sscDone_Click(); });

    // The two series share the value axis: say what each one counts.
    legend_ = new QLabel(
        "C1: percentage of battles with that many armies destroyed.   C2: production turns "
        "lost in the last of those battles.",
        this);
    legend_->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(legend_, 1);
    buttons->addWidget(sscDone);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mscDefMore, 1);
    layout->addWidget(mscAttMore, 1);
    layout->addLayout(buttons);
    resize(1000, 780);
}

QChartView* frmMoreResults::MakeChart(const QString& title, int side) {
    auto* chart = new QChart;
    chart->setTitle(title);
    QFont titleFont = chart->titleFont();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    chart->setTitleFont(titleFont);
    auto* series = series_[side] = new QBarSeries;
    for (int s = 0; s < 2; ++s) {
        sets_[side][s] = new QBarSet(s == 0 ? "C1" : "C2");
        for (int i = 0; i < 33; ++i) sets_[side][s]->append(0);
        series->append(sets_[side][s]);
    }
    chart->addSeries(series);
    auto* categories = new QBarCategoryAxis;
    for (int i = 0; i < 33; ++i) categories->append(QString::number(i));
    categories->setTitleText("Number of Armies Destroyed");
    QFont small = categories->labelsFont();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    categories->setLabelsFont(small);
    chart->addAxis(categories, Qt::AlignBottom);
    series->attachAxis(categories);
    auto* values = new QValueAxis;
    values->setTitleText("% Chance");
    values->setLabelFormat("%d");
    values->setRange(0, 100);
    chart->addAxis(values, Qt::AlignLeft);
    series->attachAxis(values);
    chart->legend()->setAlignment(Qt::AlignTop);
    chart->setMargins(QMargins(4, 4, 4, 4));
    auto* view = new QChartView(chart, this);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(300);
    return view;
}

void frmMoreResults::SetExact(const std::array<double, 33>& attacker,
                              const std::array<double, 33>& defender) {
    exact_[0] = attacker;
    exact_[1] = defender;
    if (hasExact_) return;
    hasExact_ = true;
    for (int side = 0; side < 2; ++side) {
        sets_[side][2] = new QBarSet("Exact");
        for (int i = 0; i < 33; ++i) sets_[side][2]->append(0);
        series_[side]->append(sets_[side][2]);
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
        // Per number of units destroyed: the battles, and the turns lost in the last of them.
        ResultTable* tables[2] = {&att_, &def_};
        for (int side = 0; side < 2; ++side) {
            for (std::size_t k = 0; k < b3::engine::kLossBins; ++k) {
                const auto& bin = statistics_.Lost(side)[k];
                (*tables[side])[k][0] = static_cast<std::int32_t>(bin.battles);
                (*tables[side])[k][2] = bin.lastTurns;
            }
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
    for (int col = 1; col <= 2; ++col) {
        QBarSet* set = sets_[side][col - 1];
        for (int i = 0; i < 33; ++i) {
            set->replace(i, table[static_cast<std::size_t>(i)][static_cast<std::size_t>(col)]);
            top = std::max<double>(
                top, table[static_cast<std::size_t>(i)][static_cast<std::size_t>(col)]);
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
    const auto axes = view->chart()->axes(Qt::Vertical);
    if (!axes.isEmpty()) {
        auto* axis = static_cast<QValueAxis*>(axes.first());
        axis->setRange(0, std::max(100.0, top));
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
