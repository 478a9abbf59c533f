#include "calculator/ui/frm_stats.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "calculator/ui/errors.h"
#include "calculator/ui/services.h"

namespace b3::oddslab {

const int frmStats::kAttWidths[12] = {30, 11, 10, 10, 9, 9, 12, 11, 9, 10, 10, 9};
const int frmStats::kDefWidths[12] = {28, 10, 9, 9, 9, 9, 12, 11, 9, 10, 10, 9};

namespace {

const char* const kHeaders[12] = {"Name",    "Init Str", "Tot Str",    "Hits",
                                  "CB Name", "CB Val",   "Power Name", "Power Val",
                                  "Blessed", "Poisoned", "Diseased",   "Medals"};
const char* const kPowers[6] = {"Leadership", "Morale", "Fortification", "Chaos", "Fear", "Siege"};
// What the enemy's bonus that works against each adjusted value is called.
const char* const kAgainst[3] = {"Chaos", "Fear", "Siege"};

QTableWidget* MakeGrid(int units, const int (&widths)[12], const QString& tip, QWidget* parent) {
    auto* grid = new QTableWidget(units, 12, parent);
    grid->setToolTip(tip);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->verticalHeader()->setVisible(false);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->setWordWrap(false);
    const int charWidth = grid->fontMetrics().horizontalAdvance('n');
    int total = 0;
    for (int c = 0; c < 12; ++c) {
        auto* header = new QTableWidgetItem(kHeaders[c]);
        // Every caption but the last is left-aligned.
        header->setTextAlignment(c < 11 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        grid->setHorizontalHeaderItem(c, header);
        grid->setColumnWidth(c, widths[c] * charWidth);
        total += widths[c] * charWidth;
    }
    grid->horizontalHeader()->setStretchLastSection(true);
    // The grid grows with the window and scrolls sideways when it is narrower than its columns.
    grid->setMinimumWidth(std::min(total + 4, 560));
    grid->setProperty("fullWidth", total + 2 * grid->frameWidth() + 4);
    grid->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return grid;
}

QLabel* ValueLabel(const QString& tip, QWidget* parent) {
    auto* label = new QLabel("0", parent);
    label->setToolTip(tip);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance("-00") + 4);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

frmStats::frmStats(CalculatorServices& services, QWidget* parent)
    : QDialog(parent), services_(services) {
    setWindowTitle("Stack Statistics");
    setModal(true);

    QLabel** attRaw[6] = {&lblAttRawLea, &lblAttRawMor, &lblAttRawFor,
                          &lblAttRawCha, &lblAttRawFea, &lblAttRawSie};
    QLabel** attAdj[3] = {&lblAttAdjLea, &lblAttAdjMor, &lblAttAdjFor};
    QLabel** defRaw[6] = {&lblDefRawLea, &lblDefRawMor, &lblDefRawFor,
                          &lblDefRawCha, &lblDefRawFea, &lblDefRawSie};
    QLabel** defAdj[3] = {&lblDefAdjLea, &lblDefAdjMor, &lblDefAdjFor};
    fraAttStack = MakeSide(true, attRaw, attAdj, &lblAttStackBonus);
    fraDefStack = MakeSide(false, defRaw, defAdj, &lblDefStackBonus);

    sscDone = new QPushButton("&Done", this);
    sscDone->setDefault(true);
    connect(sscDone, &QPushButton::clicked, this, [this] { sscDone_Click(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(sscDone);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraAttStack, 1);
    layout->addWidget(fraDefStack, 1);
    layout->addLayout(buttons);
}

QGroupBox* frmStats::MakeSide(bool attacking, QLabel** raw[6], QLabel** adjusted[3],
                              QLabel** bonus) {
    const QString side = attacking ? "attacking" : "defending";
    auto* frame = new QGroupBox(attacking ? "Attacking Stack" : "Defending Stack", this);
    const int index = attacking ? 0 : 1;
    msfgStackStats[index] = MakeGrid(attacking ? 8 : 32, attacking ? kAttWidths : kDefWidths,
                                     "Dsiplays information about " + side + " armies", frame);
    QTableWidget* grid = msfgStackStats[index];
    grid->setAccessibleName(attacking ? "Attacking Stack" : "Defending Stack");
    // At least four rows are always in view; the grids share the height the window has, and a
    // grid shorter than its rows scrolls.
    const int header = grid->horizontalHeader()->sizeHint().height() + 2 * grid->frameWidth() + 2;
    grid->setMinimumHeight(header + 4 * grid->verticalHeader()->defaultSectionSize());
    grid->setProperty("fullHeight", header + 8 * grid->verticalHeader()->defaultSectionSize());

    // Three columns of values and the total: raw leadership, morale and fortification; raw
    // chaos, fear and siege; the adjusted values.
    auto* values = new QHBoxLayout;
    QFormLayout* columns[3];
    for (QFormLayout*& column : columns) {
        column = new QFormLayout;
        column->setLabelAlignment(Qt::AlignLeft);
        column->setFormAlignment(Qt::AlignLeft | Qt::AlignTop);
        values->addLayout(column);
        values->addSpacing(24);
    }
    for (int i = 0; i < 6; ++i) {
        const QString power = kPowers[i];
        *raw[i] = ValueLabel("The " + power + " value for the " + side +
                                 " stack, NOT including any effects from the opposing stack",
                             frame);
        (*raw[i])->setAccessibleName("Raw " + power + ", " + side + " stack");
        columns[i / 3]->addRow("Raw " + power + ":", *raw[i]);
    }
    for (int i = 0; i < 3; ++i) {
        const QString power = kPowers[i];
        // The defending side's adjusted leadership has no tip.
        const QString tip = (!attacking && i == 0)
                                ? QString()
                                : "The " + power + " value for the " + side +
                                      " stack, adjusted for the effects of the enemy stack's " +
                                      kAgainst[i] + " bonus";
        *adjusted[i] = ValueLabel(tip, frame);
        (*adjusted[i])->setAccessibleName("Adjusted " + power + ", " + side + " stack");
        columns[2]->addRow("Adjusted " + power + ":", *adjusted[i]);
    }
    *bonus = ValueLabel(
        "The final stack bonus, ajusted into the range of -3 to +5, and applied to the stregth of "
        "each army in the stack",
        frame);
    (*bonus)->setAccessibleName("Total Stack Bonus, " + side + " stack");
    QFont bold = (*bonus)->font();
    bold.setBold(true);
    (*bonus)->setFont(bold);
    auto* total = new QFormLayout;
    total->setFormAlignment(Qt::AlignLeft | Qt::AlignTop);
    total->addRow("Total Stack Bonus:", *bonus);
    values->addLayout(total);
    values->addStretch(1);

    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(grid, 1);
    layout->addLayout(values);
    return frame;
}

void frmStats::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    for (QTableWidget* grid : msfgStackStats) grid->scrollToTop();
}

void frmStats::Form_Load() {
    Trap(services_, "frmStats::Form_Load", [&] {
        // As large as eight rows of every column need, within the screen.
        adjustSize();
        int width = 0;
        int height = 0;
        for (QTableWidget* grid : msfgStackStats) {
            width = std::max(width, grid->property("fullWidth").toInt() - grid->width());
            height += std::max(0, grid->property("fullHeight").toInt() - grid->height());
        }
        QSize wanted = size() + QSize(std::max(0, width), height);
        if (const QScreen* screen = this->screen())
            wanted = wanted.boundedTo(screen->availableGeometry().size() * 0.95);
        resize(wanted.expandedTo(minimumSizeHint()));
        CentreOnScreen(*this);
    });
}

void frmStats::sscDone_Click() {
    Trap(services_, "frmStats::sscDone_Click", [&] {
        accept();
        services_.pumpEvents();
    });
}

void frmStats::Fill(const b3::engine::StackStatistics& stats) {
    QLabel* const raw[2][6] = {
        {lblAttRawLea, lblAttRawMor, lblAttRawFor, lblAttRawCha, lblAttRawFea, lblAttRawSie},
        {lblDefRawLea, lblDefRawMor, lblDefRawFor, lblDefRawCha, lblDefRawFea, lblDefRawSie}};
    QLabel* const adjusted[2][3] = {{lblAttAdjLea, lblAttAdjMor, lblAttAdjFor},
                                    {lblDefAdjLea, lblDefAdjMor, lblDefAdjFor}};
    QLabel* const bonus[2] = {lblAttStackBonus, lblDefStackBonus};
    for (int s = 0; s < 2; ++s) {
        QTableWidget* grid = msfgStackStats[s];
        const auto& rows = stats.rows[static_cast<std::size_t>(s)];
        // A grid has one row per unit of its side; a larger stack gets more rows.
        if (static_cast<int>(rows.size()) > grid->rowCount())
            grid->setRowCount(static_cast<int>(rows.size()));
        for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
            for (int c = 0; c < 12; ++c) {
                auto* cell = new QTableWidgetItem(QString::fromStdString(
                    rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]));
                grid->setItem(r, c, cell);
            }
            // The total strength is what the fight uses: it stands out.
            QTableWidgetItem* total = grid->item(r, 2);
            QFont font = total->font();
            font.setBold(true);
            total->setFont(font);
            grid->setCurrentCell(r, 2);
        }
        grid->scrollToTop();
        for (int i = 0; i < 6; ++i)
            raw[s][i]->setText(QString::number(
                stats.raw[static_cast<std::size_t>(s)][static_cast<std::size_t>(i)]));
        for (int i = 0; i < 3; ++i)
            adjusted[s][i]->setText(QString::number(
                stats.adjusted[static_cast<std::size_t>(s)][static_cast<std::size_t>(i)]));
        bonus[s]->setText(QString::number(stats.stackBonus[static_cast<std::size_t>(s)]));
    }
}

}  // namespace b3::oddslab
