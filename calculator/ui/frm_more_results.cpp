#include "calculator/ui/frm_more_results.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "calculator/ui/errors.h"
#include "calculator/ui/services.h"
#include "engine/exact_odds.h"

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

    // Say what each series counts.
    legend_ = new QLabel(
        "C1: percentage of battles with that many armies destroyed (left axis).   C2: production "
        "turns lost in the last of those battles (right axis).",
        this);
    legend_->setWordWrap(true);
    optExactlyN = new QRadioButton("Exactly N", this);
    optNOrMore = new QRadioButton("N or more", this);
    optExactlyN->setChecked(true);
    optExactlyN->setToolTip("Each bar: the battles in which exactly that many armies fell.");
    optNOrMore->setToolTip("Each bar: the battles in which that many armies or more fell.");
    connect(optNOrMore, &QRadioButton::toggled, this, [this](bool on) { SetAtLeast(on); });
    cboOutcome = new QComboBox(this);
    cboOutcome->addItems({"All battles", "Attacker won", "Defender won"});
    cboOutcome->setToolTip("Chart every battle, or only those that ended this way");
    cboOutcome->setAccessibleName("Battles charted");
    connect(cboOutcome, &QComboBox::currentIndexChanged, this, [this](int index) {
        SetOutcome(index == 0 ? -1 : index == 1 ? 1 : 0);
    });
    lblRun = new QLabel(this);
    lblRun->setTextFormat(Qt::PlainText);
    lblRun->setAccessibleName("Run shown");
    lblHover = new QLabel("Point at a bar to read its value.", this);
    lblHover->setTextFormat(Qt::PlainText);
    lblHover->setAccessibleName("Value of the bar under the pointer");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(legend_, 1);
    buttons->addWidget(cboOutcome);
    buttons->addWidget(optExactlyN);
    buttons->addWidget(optNOrMore);
    buttons->addWidget(sscDone);

    auto* losses = new QWidget(this);
    auto* chartsLayout = new QVBoxLayout(losses);
    chartsLayout->setContentsMargins(0, 0, 0, 0);
    chartsLayout->addWidget(mscDefMore, 1);
    chartsLayout->addWidget(mscAttMore, 1);

    grdSurvival = new QTableWidget(0, 5, this);
    grdSurvival->setHorizontalHeaderLabels(
        {"Side", "Position", "Unit", "Survives (exact)", "Survived (simulated)"});
    grdSurvival->verticalHeader()->hide();
    grdSurvival->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdSurvival->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    grdSurvival->setAccessibleName("Survival of each listed unit");

    tabResults = new QTabWidget(this);
    tabResults->addTab(losses, "Losses");
    tabResults->addTab(grdSurvival, "Survival");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblRun);
    layout->addWidget(tabResults, 1);
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
    // With "N or more" or one outcome only, the bars are no longer the table's figures.
    const bool plain = !atLeast_ && outcome_ < 0;
    const QString count = atLeast_ ? QString("%1 or more").arg(index) : QString::number(index);
    QString text;
    if (series == 0 && !plain)
        text = QString("%1 side, %2 armies destroyed: C1 %3% of the battles shown")
                   .arg(who)
                   .arg(count)
                   .arg(sets_[side][0]->at(static_cast<int>(row)), 0, 'f', 1);
    else if (series == 0)
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
        text =
            QString("%1 side, %2 armies destroyed: exact chance %3%")
                .arg(who)
                .arg(count)
                .arg(sets_[side][2] ? sets_[side][2]->at(static_cast<int>(row)) : 0.0, 0, 'f', 4);
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

void frmMoreResults::SetSurvival(const SideSurvival& attacker, const SideSurvival& defender) {
    auto percent = [](const std::vector<std::optional<double>>& v, int i) -> QString {
        const auto k = static_cast<std::size_t>(i);
        if (k >= v.size() || !v[k]) return "";
        return QString::number(*v[k] * 100.0, 'f', 1) + "%";
    };
    grdSurvival->setRowCount(0);
    const SideSurvival* sides[2] = {&attacker, &defender};
    for (int side = 0; side < 2; ++side) {
        const SideSurvival& s = *sides[side];
        for (int i = 0; i < s.units.size(); ++i) {
            const int row = grdSurvival->rowCount();
            grdSurvival->insertRow(row);
            const QString cells[5] = {side == 0 ? "Attacker" : "Defender", QString::number(i + 1),
                                      s.units[i], percent(s.exact, i), percent(s.simulated, i)};
            for (int c = 0; c < 5; ++c) {
                auto* item = new QTableWidgetItem(cells[c]);
                if (c == 1 || c >= 3) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                grdSurvival->setItem(row, c, item);
            }
        }
    }
    grdSurvival->resizeColumnsToContents();
}

void frmMoreResults::SetExactGiven(const std::array<std::array<double, 33>, 2>& attacker,
                                   const std::array<std::array<double, 33>, 2>& defender) {
    exactGiven_[0] = attacker;
    exactGiven_[1] = defender;
}

void frmMoreResults::SetOutcome(int outcome) {
    if (outcome < -1 || outcome > 1 || outcome_ == outcome) return;
    outcome_ = outcome;
    const int index = outcome == -1 ? 0 : outcome == 1 ? 1 : 2;
    if (cboOutcome->currentIndex() != index) cboOutcome->setCurrentIndex(index);
    FillChart();
}

void frmMoreResults::SetAtLeast(bool atLeast) {
    if (atLeast_ == atLeast) return;
    atLeast_ = atLeast;
    optNOrMore->setChecked(atLeast);
    optExactlyN->setChecked(!atLeast);
    FillChart();
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
                row[1] = static_cast<std::int32_t>(std::nearbyint(
                    static_cast<double>(row[0]) / static_cast<double>(numBattles_) * 100.0));
    });
}

void frmMoreResults::FillOne(QChartView* view, const ResultTable& table, int side) {
    double top = 0;
    double topTurns = 0;
    const auto sideIndex = static_cast<std::size_t>(side);
    // The battles shown: all of them (the table's counts and whole percentages), or those of
    // one outcome, counted here from the results.
    ResultTable shown = table;
    double base = static_cast<double>(numBattles_);
    std::array<double, 33> exact = exact_[sideIndex];
    if (outcome_ >= 0) {
        for (auto& row : shown) row.fill(0);
        base = 0;
        const auto& bins = statistics_.LostGiven(outcome_, side);
        for (std::size_t k = 0; k < b3::engine::kLossBins; ++k) {
            shown[k][0] = static_cast<std::int32_t>(bins[k].battles);
            shown[k][2] = bins[k].lastTurns;
            base += static_cast<double>(bins[k].battles);
        }
        exact = exactGiven_[sideIndex][static_cast<std::size_t>(outcome_)];
    }
    // With "N or more" the battle counts and exact chances are summed from the top; the
    // production turns of C2 stay as they are.
    std::array<double, 33> share{};
    double battles = 0;
    for (int i = 32; i >= 0; --i) {
        const auto k = static_cast<std::size_t>(i);
        battles += shown[k][0];
        const double count = atLeast_ ? battles : shown[k][0];
        share[k] =
            outcome_ < 0 && !atLeast_ ? shown[k][1] : (base > 0 ? count / base * 100.0 : 0.0);
    }
    if (atLeast_) b3::engine::AtLeast(std::array<double, 33>(exact), exact);
    for (int col = 1; col <= 2; ++col) {
        QBarSet* set = sets_[side][col - 1];
        for (int i = 0; i < 33; ++i) {
            const auto k = static_cast<std::size_t>(i);
            const double value = col == 1 ? share[k] : shown[k][2];
            set->replace(i, value);
            (col == 1 ? top : topTurns) = std::max(col == 1 ? top : topTurns, value);
        }
    }
    if (QBarSet* exactSet = sets_[side][2]) {
        for (int i = 0; i < 33; ++i) {
            const double pct = exact[static_cast<std::size_t>(i)] * 100.0;
            exactSet->replace(i, pct);
            top = std::max(top, pct);
        }
    }
    // The chart's figures in words, for a screen reader.
    QStringList bars;
    for (int i = 0; i < 33; ++i) {
        const auto k = static_cast<std::size_t>(i);
        QString bar = QString("%1%2: %3% of battles, C2 %4 turns")
                          .arg(i)
                          .arg(atLeast_ ? " or more" : "")
                          .arg(QString::number(share[k], 'f', 2))
                          .arg(shown[k][2]);
        if (sets_[side][2])
            bar += QString(", exact %1%").arg(QString::number(exact[k] * 100.0, 'f', 2));
        bars << bar;
    }
    view->setAccessibleName(view->chart()->title());
    view->setAccessibleDescription("Armies destroyed, " + cboOutcome->currentText().toLower() +
                                   ". " + bars.join("; ") + ".");
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
