#include "calculator/ui/frm_oddslab.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <optional>

#include "calculator/ui/errors.h"
#include "calculator/ui/frm_hero.h"
#include "calculator/ui/frm_more_results.h"
#include "calculator/ui/frm_stats.h"
#include "calculator/ui/services.h"
#include "calculator/ui/unit_chooser.h"
#include "calculator/ui/updown_box.h"
#include "common_ui/screen_fit.h"
#include "engine/intervals.h"
#include "engine/number_format.h"
#include "engine/survival.h"
#include "engine/unit_list.h"

namespace b3::oddslab {

using b3::engine::Long;

namespace {

const auto& kTerrains = b3::engine::kScenarioTerrains;
// The property of a figure label that holds what the figure is, for its accessible name.
constexpr const char* kFigureNameProperty = "figureName";
constexpr int kFieldEntry = 4;
constexpr int kCityEntry = 0;

// Adds an entry to a combo box kept in alphabetical order (letter case aside; equal texts keep
// the order in which they came) and gives it `data` at the position it took.
void InsertSorted(QComboBox* combo, const QString& text, int data) {
    int at = combo->count();
    for (int i = 0; i < combo->count(); ++i) {
        if (QString::compare(text, combo->itemText(i), Qt::CaseInsensitive) < 0) {
            at = i;
            break;
        }
    }
    combo->insertItem(at, text);
    combo->setItemData(at, data);
}

// The leading number of a text (digits after optional spaces), 0 when there is none.
double LeadingValue(const QString& text) {
    const QString t = text.trimmed();
    int n = 0;
    while (n < t.size() && t[n].isDigit()) ++n;
    return n == 0 ? 0.0 : t.left(n).toDouble();
}

// Draws a line above the first unit of every attacking stack but the first.
class StackRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (index.row() > 0 && index.row() % 8 == 0) {
            painter->save();
            painter->setPen(QPen(option.palette.color(QPalette::Mid), 1, Qt::DashLine));
            painter->drawLine(option.rect.topLeft(), option.rect.topRight());
            painter->restore();
        }
    }
};

}  // namespace

// Room between and around the status bar's texts.
constexpr int kStatusSpacing = 16;

frmOddsLab::frmOddsLab(CalculatorServices& services, b3::_CEditObject& editObject, QWidget* parent)
    : QMainWindow(parent),
      services_(services),
      editObject_(editObject),
      battle_(std::make_unique<b3::engine::MBattleCalc>(*this)) {
    setWindowTitle(kMainCaption);
    rowHeight_ = fontMetrics().height() + 2;

    auto* central = new QWidget(this);
    auto* sides = new QHBoxLayout;
    fraAttack = MakeSideFrame(0);
    fraDefend = MakeSideFrame(1);
    sides->addWidget(fraAttack, 1);
    sides->addWidget(fraDefend, 1);
    sides->addWidget(MakeSetupColumn());
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(sides, 1);
    layout->addWidget(resultsRow_);
    // On a screen smaller than the window's content (a laptop's at 150 %) the content scrolls.
    content_ = central;
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setWidget(central);
    setCentralWidget(scroll_);
    MakeStatusBar();
    MakePopupMenu();
    MakeScenarioMenu();
    MakeOptionsMenu();
    MakeResultsPanel();

    model_.NewSides(*this);
    Form_Load();
    // As large as the content asks for, as far as the screen has room.
    FitToFigures();
    resize(size().expandedTo(Around(content_->sizeHint()).boundedTo(ScreenRoom())));
}

QSize frmOddsLab::Around(const QSize& content) const {
    int height = content.height();
    for (const QWidget* bar :
         {static_cast<const QWidget*>(menuWidget()), static_cast<const QWidget*>(statusBar())})
        if (bar && !bar->isHidden()) height += bar->sizeHint().height();
    return {content.width(), height};
}

QSize frmOddsLab::ScreenRoom() const {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
    return b3::ui::RoomOnScreen(screen->availableGeometry().size());
}

frmOddsLab::~frmOddsLab() {
    delete moreResults_.data();
}

frmMoreResults* frmOddsLab::MoreResults() const {
    return moreResults_.data();
}

QGroupBox* frmOddsLab::MakeSideFrame(int side) {
    const bool att = side == 0;
    auto* frame = new QGroupBox(att ? "Attacking Armies" : "Defending Armies", this);
    QLabel* select = new QLabel(att ? "Select Attacking Armies" : "Select Defending Armies", frame);
    (att ? Label10 : Label11) = select;

    UnitChooser* combo = cboArmies[side] = new UnitChooser(frame);
    combo->setToolTip(att ? "Select attacking armies" : "Select defending armies");
    combo->setAccessibleName(select->text());
    combo->setMaxVisibleItems(30);
    connect(combo, &UnitChooser::chosen, this, [this, side](int) { cboArmies_Click(side); });

    QListWidget* list = lstArmies[side] = new QListWidget(frame);
    list->setToolTip("Double click armies to delete, right click for options");
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setUniformItemSizes(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setAccessibleName(att ? "Attacking armies" : "Defending armies");
    // The list grows with the window and scrolls when it is shorter than its units; at least one
    // stack of eight is always in view.
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list->setMinimumHeight(8 * rowHeight_ + 2 * list->frameWidth());
    list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    list->setMinimumWidth(fontMetrics().horizontalAdvance("Mountain Giants *") + 12);
    list->viewport()->installEventFilter(this);
    connect(list->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this, side](int) { PlaceStackLabels(side); });
    list->installEventFilter(this);
    if (att) list->setItemDelegate(new StackRowDelegate(list));

    // The stack labels stand beside the first unit of each stack.
    QWidget* column = stackColumn_[side] = new QWidget(frame);
    const int first = att ? 0 : 4;
    const int last = att ? 3 : 4;
    int widest = 0;
    for (int k = first; k <= last; ++k) {
        lblStack[k] = new QLabel(QString("Stack %1").arg(k - first + 1), column);
        lblStack[k]->adjustSize();
        widest = std::max(widest, lblStack[k]->width());
    }
    column->setFixedWidth(widest + 4);
    column->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);

    const int up = att ? 0 : 2;
    sscListArrow[up] = new QPushButton("Army Up", frame);
    sscListArrow[up]->setToolTip("Move the selected army up in the list");
    sscListArrow[up + 1] = new QPushButton("Army Dn", frame);
    sscListArrow[up + 1]->setToolTip("Move the selected army down in the list");
    for (int i : {up, up + 1})
        connect(sscListArrow[i], &QPushButton::clicked, this, [this, i] { sscListArrow_Click(i); });
    sscDup[side] = new QPushButton("Duplicate", frame);
    sscDup[side]->setToolTip("Add to the list the specified number of copies of the selected army");
    connect(sscDup[side], &QPushButton::clicked, this, [this, side] { sscDup_Click(side); });
    updDup[side] = new UpDownBox(1, 31, 1, false, frame);
    txtDup[side] = updDup[side]->text();
    updDup[side]->setToolTip("Select # of times to duplicate army");
    updDup[side]->setAccessibleName(att ? "Number of Duplicates, attacking list"
                                        : "Number of Duplicates, defending list");
    QLabel* dupLabel = new QLabel("Number of Duplicates", frame);
    dupLabel->setWordWrap(true);
    dupLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    dupLabel->setMinimumHeight(2 * dupLabel->fontMetrics().lineSpacing());
    (att ? Label12 : Label13) = dupLabel;
    sscClearList[side] = new QPushButton("Clear List", frame);
    sscClearList[side]->setToolTip("Remove all armies from the list");
    connect(sscClearList[side], &QPushButton::clicked, this,
            [this, side] { sscClearList_Click(side); });

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(sscListArrow[up]);
    buttons->addWidget(sscListArrow[up + 1]);
    buttons->addSpacing(12);
    buttons->addWidget(sscDup[side]);
    buttons->addWidget(updDup[side]);
    buttons->addWidget(dupLabel);
    buttons->addSpacing(12);
    buttons->addWidget(sscClearList[side]);
    buttons->addStretch(1);

    auto* body = new QHBoxLayout;
    body->setSpacing(4);
    body->addWidget(column);
    body->addWidget(list, 1);
    body->addSpacing(4);
    body->addLayout(buttons);

    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(select);
    layout->addWidget(combo);
    layout->addLayout(body, 1);
    PlaceStackLabels(side);
    return frame;
}

void frmOddsLab::PlaceStackLabels(int side) {
    const QListWidget* list = lstArmies[side];
    const QWidget* column = stackColumn_[side];
    const int first = side == 0 ? 0 : 4;
    const int last = side == 0 ? 3 : 4;
    for (int k = first; k <= last; ++k) {
        // Beside the first unit of the stack as the list is scrolled; the column clips a label
        // whose stack is out of view.
        const int row = (k - first) * 8;
        int top = 0;
        int height = rowHeight_;
        if (row < list->count()) {
            const QRect rect = list->visualItemRect(list->item(row));
            top = column->mapFromGlobal(list->viewport()->mapToGlobal(rect.topLeft())).y();
            height = rect.height();
        } else {
            top = column->mapFromGlobal(list->viewport()->mapToGlobal(QPoint(0, 0))).y() +
                  row * rowHeight_ - list->verticalScrollBar()->value();
        }
        lblStack[k]->move(0, top + (height - lblStack[k]->height()) / 2);
    }
}

QWidget* frmOddsLab::MakeSetupColumn() {
    auto* column = new QWidget(this);

    fraSetup = new QGroupBox("Setup Options", column);
    auto* setup = new QGridLayout(fraSetup);
    Label1 = new QLabel("Combat Dice:", fraSetup);
    updCombatDice = new UpDownBox(18, 26, 20, false, fraSetup);
    txtCombatDice = updCombatDice->text();
    updCombatDice->setToolTip("Select # of combat dice");
    updCombatDice->setAccessibleName("Combat Dice");
    connect(updCombatDice, &QSpinBox::valueChanged, this, [this](int) { txtCombatDice_Change(); });
    Label2 = new QLabel("Defender's Terrain:", fraSetup);
    cboTerrain = new QComboBox(fraSetup);
    cboTerrain->setToolTip("Select defender's terrain");
    cboTerrain->setAccessibleName("Defender's Terrain");
    connect(cboTerrain, &QComboBox::currentIndexChanged, this, [this](int) { cboTerrain_Click(); });
    Label3 = new QLabel("Number of Battles:", fraSetup);
    txtNumSimulations = new QLineEdit("1000", fraSetup);
    // The limit is told before Attack, not only when a run is refused.
    txtNumSimulations->setToolTip(QString("Indicate # of battles to simulate\n(10 to %1 battles)")
                                      .arg(QLocale().toString(kMaxBattles)));
    txtNumSimulations->setAccessibleName("Number of Battles");
    txtNumSimulations->installEventFilter(this);
    // Pasted text is held to digits too.
    txtNumSimulations->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]*"), txtNumSimulations));
    connect(txtNumSimulations, &QLineEdit::textChanged, this,
            [this](const QString&) { txtNumSimulations_Change(); });
    Label9 = new QLabel("City Level:", fraSetup);
    cboCityLevel = new QComboBox(fraSetup);
    cboCityLevel->setToolTip("Select level of city");
    cboCityLevel->setAccessibleName("City Level");
    connect(cboCityLevel, &QComboBox::currentIndexChanged, this, [this](int index) {
        model_.SetCityLevel(index + 1);
        UpdateResultState();
    });
    sschkViewStats = new QCheckBox("View Stack Statistics", fraSetup);
    sschkViewStats->setToolTip("See detailed info on stacks");
    const int fieldWidth = fontMetrics().horizontalAdvance("Citadel (+3)") + 40;
    for (QWidget* w : std::initializer_list<QWidget*>{updCombatDice, cboTerrain, txtNumSimulations,
                                                      cboCityLevel})
        w->setFixedWidth(fieldWidth);
    setup->addWidget(Label1, 0, 0);
    setup->addWidget(updCombatDice, 0, 1);
    setup->addWidget(Label2, 1, 0);
    setup->addWidget(cboTerrain, 1, 1);
    setup->addWidget(Label3, 2, 0);
    setup->addWidget(txtNumSimulations, 2, 1);
    setup->addWidget(Label9, 3, 0);
    setup->addWidget(cboCityLevel, 3, 1);
    setup->addWidget(sschkViewStats, 4, 0, 1, 2);

    fraQuickResults = new QGroupBox("Quick Results", column);
    auto* quick = new QGridLayout(fraQuickResults);
    quick->setHorizontalSpacing(6);
    // A figure's label starts as wide as a usual figure and widens for a longer one; it is named
    // for a screen reader after its caption, and the name carries the figure.
    auto value = [this](const QString& tip, const QString& widest, const QString& name) {
        auto* label = new QLabel(fraQuickResults);
        label->setTextFormat(Qt::PlainText);
        label->setToolTip(tip);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setMinimumWidth(fontMetrics().horizontalAdvance(widest) + 12);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setProperty(kFigureNameProperty, name);
        SetFigureText(label, QString());
        return label;
    };
    struct Row {
        QLabel** caption;
        const char* text;
        QLabel** value;
        QLabel** interval;
        const char* tip;
    };
    const Row rows[] = {
        {&Label5, "Attacker Wins:", &lblAttWinPercent, &lblAttWinPm,
         "The attacker should win approximately this percentage of battles"},
        {&Label4, "Avg. Att. Units Lost:", &lblAvg[2], &lblAvgPm[2],
         "The attacker should lose, on average, approximately this number of units"},
        {&Label6, "Avg. Att. Prod. Turns Lost:", &lblAvg[3], &lblAvgPm[3],
         "The units lost, on average, by the attacker add up to this many turns of production"},
        {&Label7, "Avg. Def Units Lost:", &lblAvg[4], &lblAvgPm[4],
         "The defender should lose, on average, approximately this number of units"},
        {&Label8, "Avg. Def. Prod. Turns Lost:", &lblAvg[5], &lblAvgPm[5],
         "The units lost, on average, by the defender add up to this many turns of production"},
    };
    // The simulated figures with their intervals, then the exact figures, each column under its
    // own heading.
    lblSimHeader = new QLabel(QString::fromStdString(model_.Record().Heading()), fraQuickResults);
    lblSimHeader->setToolTip(
        "Sampled from the simulated battles; beside each figure half the width of its 95% "
        "interval");
    lblSimHeader->setAlignment(Qt::AlignCenter);
    // Two lines, the number of battles over the way they were simulated, kept from the start so
    // that the first run does not move the figures down.
    lblSimHeader->setMinimumHeight(2 * lblSimHeader->fontMetrics().lineSpacing());
    quick->addWidget(lblSimHeader, 0, 1, 1, 2);
    const QString exactTip =
        "Computed from the probabilities of the combat rules, without sampling: the figure the "
        "simulated one approaches as the number of battles grows";
    lblExactHeader = new QLabel("Exact", fraQuickResults);
    lblExactHeader->setToolTip(exactTip);
    lblExactHeader->setAlignment(Qt::AlignCenter);
    quick->addWidget(lblExactHeader, 0, 3);
    int r = 1;
    for (const Row& row : rows) {
        const QString name = QString(row.text).chopped(1);
        *row.caption = new QLabel(row.text, fraQuickResults);
        (*row.caption)->setToolTip(row.tip);
        *row.value = value(row.tip, "100.00%", name + ", simulated");
        *row.interval = value(QString(), "\u00b1 0.00", name + ", 95% interval");
        QLabel* exact = value(exactTip, "100.00%", name + ", exact");
        quick->addWidget(*row.caption, r, 0);
        quick->addWidget(*row.value, r, 1);
        quick->addWidget(*row.interval, r, 2);
        quick->addWidget(exact, r, 3);
        if (r == 1)
            lblExactWinPercent = exact;
        else
            lblExactAvg[r] = exact;
        ++r;
    }
    lblResultsNote = new QLabel(fraQuickResults);
    lblResultsNote->setWordWrap(true);
    lblResultsNote->setAccessibleName("Results note");
    // Its two lines are kept while it is hidden, so that the window does not change its layout
    // when the figures go out of date; a fixed height, since a wrapped text's height depends on
    // the width the window gives it.
    lblResultsNote->setFixedHeight(2 * lblResultsNote->fontMetrics().lineSpacing() + 2);
    lblResultsNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QSizePolicy keep = lblResultsNote->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    lblResultsNote->setSizePolicy(keep);
    lblResultsNote->setVisible(false);
    quick->addWidget(lblResultsNote, r, 0, 1, 4);

    cmdAttack = new QPushButton("&Attack", column);
    cmdAttack->setToolTip("Start simulating this battle");
    cmdAttack->setDefault(true);
    sscAbort = new QPushButton("A&bort", column);
    sscAbort->setToolTip("Stop simulating this battle");
    sscExit = new QPushButton("E&xit", column);
    sscExit->setToolTip("Exit the Combat Calculator");
    sscMoreResults = new QPushButton("&More Results", column);
    sscMoreResults->setToolTip(
        "See a chart detailing the frequency distribution of the loss of armies");
    connect(cmdAttack, &QPushButton::clicked, this, [this] { cmdAttack_Click(); });
    connect(sscAbort, &QPushButton::clicked, this, [this] { sscAbort_Click(); });
    connect(sscExit, &QPushButton::clicked, this, [this] { sscExit_Click(); });
    connect(sscMoreResults, &QPushButton::clicked, this, [this] { sscMoreResults_Click(); });
    auto* buttons = new QGridLayout;
    buttons->addWidget(cmdAttack, 0, 0);
    buttons->addWidget(sscAbort, 0, 1);
    buttons->addWidget(sscMoreResults, 1, 0);
    buttons->addWidget(sscExit, 1, 1);
    for (QPushButton* b : {cmdAttack, sscAbort, sscMoreResults, sscExit}) b->setMinimumHeight(30);

    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(fraSetup);
    layout->addStretch(1);

    // The results and the commands run along the bottom, under the lists.
    resultsRow_ = new QWidget(this);
    auto* commands = new QVBoxLayout;
    commands->addStretch(1);
    commands->addLayout(buttons);
    auto* row = new QHBoxLayout(resultsRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(fraQuickResults, 1);
    row->addLayout(commands);
    return column;
}

void frmOddsLab::MakeStatusBar() {
    sbrOddsLab = statusBar();
    sbrOddsLab->setSizeGripEnabled(false);
    // The first panel holds the progress bar; while the bar is hidden it shows its caption.
    picProgBar = new QWidget(sbrOddsLab);
    auto* box = new QHBoxLayout(picProgBar);
    box->setContentsMargins(2, 0, 2, 0);
    sbrPanel[0] = new QLabel("Progress Indicator", picProgBar);
    pbBattleProgress = new QProgressBar(picProgBar);
    pbBattleProgress->setRange(0, 100);
    pbBattleProgress->setValue(0);
    pbBattleProgress->setTextVisible(false);
    pbBattleProgress->setMaximumHeight(fontMetrics().height() + 2);
    box->addWidget(sbrPanel[0]);
    box->addWidget(pbBattleProgress, 1);
    sbrPanel[1] = new QLabel("Percent Completed", sbrOddsLab);
    sbrPanel[2] = new QLabel(sbrOddsLab);
    sbrPanel[3] = new QLabel(sbrOddsLab);
    sbrPanel[1]->setMinimumWidth(fontMetrics().horizontalAdvance("100% Completed") + 16);
    // The second panel says which run is shown and its seed (up to 20 digits) once it is done.
    sbrOddsLab->addWidget(picProgBar, 1);
    sbrOddsLab->addWidget(sbrPanel[1], 2);
    sbrOddsLab->addPermanentWidget(sbrPanel[2]);
    sbrOddsLab->addPermanentWidget(sbrPanel[3]);
    SetProgressVisible(false);
    clock_ = new QTimer(this);
    connect(clock_, &QTimer::timeout, this, [this] { UpdateClock(); });
    clock_->start(1000);
    UpdateClock();
}

void frmOddsLab::UpdateClock() {
    const QDateTime now = QDateTime::currentDateTime();
    sbrPanel[2]->setText(QLocale().toString(now.date(), QLocale::ShortFormat));
    sbrPanel[3]->setText(QLocale().toString(now.time(), QLocale::ShortFormat));
}

void frmOddsLab::SetProgressVisible(bool visible) {
    pbBattleProgress->setVisible(visible);
    sbrPanel[0]->setVisible(!visible);
}

void frmOddsLab::MakePopupMenu() {
    mnuPopup = new QMenu("Popup", this);
    const char* const captions[8] = {nullptr, "Blessed",    "Diseased",      "Poisoned",
                                     "Medal", "Blacksmith", "Weaponsmaster", "Flying"};
    for (int k = 1; k <= 7; ++k) {
        if (k == kMedals) {
            mnuPopupMedal = mnuPopup->addMenu(captions[k]);
            mnuPopupItem[k] = mnuPopupMedal->menuAction();
            auto* group = new QActionGroup(mnuPopupMedal);
            group->setExclusive(true);
            const char* const medals[5] = {"0 Medals", "1 Medal", "2 Medals", "3 Medals",
                                           "4 Medals"};
            for (int n = 0; n < 5; ++n) {
                mnuPopupItemMedals[n] = mnuPopupMedal->addAction(medals[n]);
                mnuPopupItemMedals[n]->setCheckable(true);
                group->addAction(mnuPopupItemMedals[n]);
                connect(mnuPopupItemMedals[n], &QAction::triggered, this,
                        [this, n] { mnuPopupItemMedals_Click(n); });
            }
            continue;
        }
        mnuPopupItem[k] = mnuPopup->addAction(captions[k]);
        mnuPopupItem[k]->setCheckable(true);
        connect(mnuPopupItem[k], &QAction::triggered, this, [this, k] { mnuPopupItem_Click(k); });
    }
    mnuSep1 = mnuPopup->addSeparator();
    mnuPopupDelete = mnuPopup->addAction("Delete");
    connect(mnuPopupDelete, &QAction::triggered, this, [this] { mnuPopupDelete_Click(); });
}

// ---------------------------------------------------------------------------------------------
// Start-up

void frmOddsLab::Form_Load() {
    Trap(services_, "frmOddsLab::Form_Load", [&] {
        adjustSize();
        CentreOnScreen(*this);
        model_.NewSides(*this);
        SetTerrain("field");
        SetCombatDice("20");
        SetNumBattles("1000");
    });
    // Without game data the window still comes up, with nothing but "None" to choose.
    Trap(services_, "frmOddsLab::Form_Load", [&] {
        model_.SetUnits(DataArray(), DataArray());
        DataArray armies = editObject_.GetEditObjectData(b3::kArmy);
        DataArray heroes = editObject_.GetEditObjectData(b3::kHero);
        model_.SetUnits(std::move(armies), std::move(heroes));
    });
    Trap(services_, "frmOddsLab::Form_Load", [&] {
        LoadArmyCombos();
        LoadTerrainCombo();
        LoadCityLevelCombo();
        sscMoreResults->setEnabled(false);
        sscAbort->setEnabled(false);
        sschkViewStats->setChecked(false);
        txtNumSimulations->setText("1000");
        cboCityLevel->setEnabled(false);
        cboTerrain->setCurrentIndex(kFieldEntry);
    });
}

void frmOddsLab::LoadArmyCombos() {
    Trap(services_, "frmOddsLab::LoadArmyCombos", [&] {
        const DataArray& armies = model_.Armies();
        const DataArray& heroes = model_.Heroes();
        const Long numArmies = model_.NumArmies();
        const Long numHeroes = model_.NumHeroes();
        for (int side = 0; side < 2; ++side) {
            const QSignalBlocker block(cboArmies[side]);
            cboArmies[side]->clear();
        }
        for (int side = 0; side < 2; ++side)
            for (Long j = 0; j < numArmies; ++j)
                InsertSorted(
                    cboArmies[side],
                    QString::fromStdString(armies.at(static_cast<std::size_t>(j), 1).toString()),
                    static_cast<int>(armies.at(static_cast<std::size_t>(j), 0).number()));
        for (int side = 0; side < 2; ++side) {
            for (Long j = 0; j < numHeroes; ++j)
                InsertSorted(
                    cboArmies[side],
                    QString::fromStdString(heroes.at(static_cast<std::size_t>(j), 1).toString()),
                    static_cast<int>(heroes.at(static_cast<std::size_t>(j), 0).number() +
                                     numArmies));
            InsertSorted(cboArmies[side], "None", static_cast<int>(numArmies + numHeroes));
        }
        for (int side = 0; side < 2; ++side) {
            const QSignalBlocker block(cboArmies[side]);
            cboArmies[side]->setCurrentIndex(-1);
        }
    });
}

void frmOddsLab::LoadTerrainCombo() {
    Trap(services_, "frmOddsLab::LoadTerrainCombo", [&] {
        const QSignalBlocker block(cboTerrain);
        cboTerrain->clear();
        for (const char* t : kTerrains) cboTerrain->addItem(t);
        cboTerrain->setCurrentIndex(-1);
    });
}

void frmOddsLab::LoadCityLevelCombo() {
    Trap(services_, "frmOddsLab::LoadCityLevelCombo", [&] {
        cboCityLevel->clear();
        cboCityLevel->addItem("Village (+1)", 1);
        cboCityLevel->addItem("Castle (+2)", 2);
        cboCityLevel->addItem("Citadel (+3)", 3);
        cboCityLevel->setCurrentIndex(-1);
    });
}

void frmOddsLab::cboTerrain_Click() {
    Trap(services_, "frmOddsLab::cboTerrain_Click", [&] {
        SetTerrain(cboTerrain->currentText());
        if (cboTerrain->currentText() != "city") {
            cboCityLevel->setCurrentIndex(-1);
            cboCityLevel->setEnabled(false);
        } else {
            cboCityLevel->setEnabled(true);
            cboCityLevel->setCurrentIndex(0);
        }
        UpdateResultState();
    });
}

void frmOddsLab::cboArmies_Click(int Index) {
    AddArmyToList(Index);
}

void frmOddsLab::AddArmyToList(int Index) {
    Trap(services_, "frmOddsLab::AddArmyToList", [&] {
        QComboBox* combo = cboArmies[Index];
        if (combo->currentIndex() < 0) return;
        const Long id = combo->itemData(combo->currentIndex()).toInt();
        if (!model_.AddEntry(Index, id)) return;
        SyncList(Index);
        AdjustDefTerrain(Index, model_.Count(Index));
        ListChanged(Index);
    });
}

void frmOddsLab::AdjustDefTerrain(int Index, int Count) {
    Trap(services_, "frmOddsLab::AdjustDefTerrain", [&] {
        if (Index != 1) return;
        if (Count < 9) {
            cboTerrain->setEnabled(true);
        } else {
            cboTerrain->setCurrentIndex(kCityEntry);
            cboTerrain->setEnabled(false);
        }
    });
}

void frmOddsLab::txtCombatDice_Change() {
    Trap(services_, "frmOddsLab::txtCombatDice_Change",
         [&] { SetCombatDice(txtCombatDice->text()); });
    UpdateResultState();
}

bool frmOddsLab::txtNumSimulations_KeyPress(int KeyAscii) {
    return KeyAscii == 8 || KeyAscii == 27 || (KeyAscii >= 48 && KeyAscii <= 57);
}

namespace {

QString BattlesRangeText() {
    return QString("The number of battles must be a whole number from 10 to %1.").arg(kMaxBattles);
}

}  // namespace

void frmOddsLab::txtNumSimulations_Change() {
    Trap(services_, "frmOddsLab::txtNumSimulations_Change", [&] {
        // A count beyond the range keeps the last one that fits; leaving the box or Attack says
        // what the range is.
        model_.TypeNumBattles(txtNumSimulations->text());
        txtNumSimulations->setToolTip(
            model_.BattlesOutOfRange()
                ? BattlesRangeText()
                : QString("Indicate # of battles to simulate\n(10 to %1 battles)")
                      .arg(QLocale().toString(kMaxBattles)));
    });
}

void frmOddsLab::txtNumSimulations_LostFocus() {
    Trap(services_, "frmOddsLab::txtNumSimulations_LostFocus", [&] {
        const QString text = txtNumSimulations->text();
        if (model_.BattlesOutOfRange()) {
            Message(BattlesRangeText() + " " + text + " is too many; the count is back to " +
                    QString::number(model_.NumBattles()) + ".");
            txtNumSimulations->setText(QString::number(model_.NumBattles()));
            return;
        }
        if (text.isEmpty() || LeadingValue(text) < 10)
            txtNumSimulations->setText("10");
        else
            txtNumSimulations->setText(text.left(text.size() - 1) + "0");
    });
}

// ---------------------------------------------------------------------------------------------
// The run

void frmOddsLab::Message(const QString& text) {
    services_.messageBox(this, text, kMessageTitle);
}

bool frmOddsLab::VerifyForm() {
    bool ok = false;
    Trap(services_, "frmOddsLab::VerifyForm", [&] {
        if (model_.Count(0) == 0 || model_.Count(1) == 0) {
            Message("You need to specify attacking and defending armies.");
            return;
        }
        ok = true;
    });
    return ok;
}

bool frmOddsLab::VerifyStacks() {
    bool ok = false;
    Trap(services_, "frmOddsLab::VerifyStacks", [&] {
        if (!model_.HoldsUnit(0, 0, 7)) {
            Message(
                "The first attacking stack (Stack 1, the first eight entries of the attacking "
                "list) holds only \"None\" entries. Add an army or a hero to it.");
            return;
        }
        if (!model_.HoldsUnit(1, 0, kMaxListUnits - 1)) {
            Message(
                "The defending stack holds only \"None\" entries. Add an army or a hero to it.");
            return;
        }
        ok = true;
    });
    return ok;
}

void frmOddsLab::FillArmyCollections() {
    Trap(services_, "frmOddsLab::FillArmyCollections", [&] {
        for (int j = 0; j < model_.Count(0); ++j) AddAttacker(model_.ItemId(0, j), j);
        for (int j = 0; j < model_.Count(1); ++j) AddDefender(model_.ItemId(1, j), j);
    });
}

void frmOddsLab::AddAttacker(Long ArmyID, Long Slot) {
    Trap(services_, "frmOddsLab::AddAttacker", [&] {
        heroPlace_ =
            QString("Attacking side, list position %1 (Stack %2)").arg(Slot + 1).arg(Slot / 8 + 1);
        askingSide_ = 0;
        askingPosition_ = static_cast<int>(Slot);
        b3::engine::AddListedUnit(model_.AttArmies(), model_.Units(), ArmyID, Slot,
                                  model_.MarksOf(0, Slot));
        askingSide_ = askingPosition_ = -1;
    });
}

void frmOddsLab::AddDefender(Long ArmyID, Long Slot) {
    Trap(services_, "frmOddsLab::AddDefender", [&] {
        heroPlace_ = QString("Defending side, list position %1").arg(Slot + 1);
        askingSide_ = 1;
        askingPosition_ = static_cast<int>(Slot);
        b3::engine::AddListedUnit(model_.DefArmies(), model_.Units(), ArmyID, Slot,
                                  model_.MarksOf(1, Slot));
        askingSide_ = askingPosition_ = -1;
    });
}

void frmOddsLab::cmdAttack_Click() {
    Trap(services_, "frmOddsLab::cmdAttack_Click", [&] {
        // Whatever happens below, the window returns to its idle state.
        struct Idle {
            frmOddsLab& w;
            ~Idle() {
                w.running_ = false;
                w.sscAbort->setEnabled(false);
                w.cmdAttack->setEnabled(true);
                w.sscExit->setEnabled(true);
                w.mnuThreads->setEnabled(true);
            }
        } idle{*this};

        sscExit->setEnabled(false);
        sscMoreResults->setEnabled(false);
        if (model_.BattlesOutOfRange()) {
            Message(BattlesRangeText());
            return;
        }
        if (!VerifyForm() || !VerifyStacks()) return;
        model_.NewSides(*this);
        cmdAttack->setEnabled(false);
        running_ = true;
        attackCancelled_ = false;
        FillArmyCollections();
        if (attackCancelled_) {
            sbrPanel[1]->setText("Attack cancelled: no battle was fought");
            sscMoreResults->setEnabled(model_.HasResults());
            return;
        }
        // Every figure of the run, simulated and exact, comes from the setup as it is now, the
        // heroes' bonuses just entered included: the lists, dice and city level stay usable
        // during the run.
        const RunSetup run = model_.NextRun();
        battle_->SetSeed(run.seed);
        battle_->SetSimulation(run.simulation);
        battle_->SetThreads(run.threads);
        // The thread count is asked for between runs only.
        mnuThreads->setEnabled(false);
        sscAbort->setEnabled(true);
        bool completed = false;
        try {
            completed = battle_->RunBattles(run.numBattles, run.combatDice,
                                            sschkViewStats->isChecked(), run.cityLevel);
        } catch (const b3::engine::RunRefused& refused) {
            SetBusy(false);
            SetProgressVisible(false);
            Message(QString::fromStdString(refused.what()));
            return;
        } catch (...) {
            SetBusy(false);
            SetProgressVisible(false);
            model_.RunAborted(nullptr);
            UpdateResultState();
            ReportCurrentException(services_, "MBattleCalc::RunBattles");
            return;
        }
        running_ = false;
        sscAbort->setEnabled(false);
        cmdAttack->setEnabled(true);
        SetProgressVisible(false);
        // Only a completed run has results to chart.
        if (completed) {
            model_.RunCompleted(run, battle_->Totals(run.numBattles));
            lblSimHeader->setText(QString::fromStdString(model_.Record().Heading("\n")));
            ShowExactOdds(run);
            ShowFigures();
            sbrPanel[1]->setText(QString("Run %1: %2 battles, seed %3")
                                     .arg(model_.Record().Number())
                                     .arg(run.numBattles)
                                     .arg(run.seed));
            sscMoreResults->setEnabled(true);
            ResultsShown();
        } else {
            model_.RunAborted(&run);
            sbrPanel[1]->setText(QString("Aborted after %1 of %2 battles")
                                     .arg(battle_->Statistics().Battles())
                                     .arg(run.numBattles));
        }
        UpdateResultState();
    });
    if (closePending_) {
        closePending_ = false;
        close();
    }
}

void frmOddsLab::SetFigureText(QLabel* label, const QString& text) {
    label->setText(text);
    // A longer figure widens its label rather than being cut.
    const int needed = label->fontMetrics().horizontalAdvance(text) + 12;
    if (needed > label->minimumWidth()) label->setMinimumWidth(needed);
    const QString name = label->property(kFigureNameProperty).toString();
    label->setAccessibleName(name + ": " + (text.isEmpty() ? QString("no figure") : text));
}

// The window shows the run's figures from its totals once the run has completed, to the precision
// their intervals support, rather than the engine's texts (the host's ShowAttWinPercent and
// ShowAverage are left as they are: doing nothing).
void frmOddsLab::ShowFigures() {
    Trap(services_, "frmOddsLab::ShowFigures", [&] {
        QLabel* const values[kFigureCount] = {lblAttWinPercent, lblAvg[2], lblAvg[3], lblAvg[4],
                                              lblAvg[5]};
        QLabel* const intervals[kFigureCount] = {lblAttWinPm, lblAvgPm[2], lblAvgPm[3], lblAvgPm[4],
                                                 lblAvgPm[5]};
        const QuickFigures& figures = model_.Figures();
        for (int i = 0; i < kFigureCount; ++i) {
            SetFigureText(values[i], SimulatedText(figures, i));
            SetFigureText(intervals[i], PlusMinusText(figures, i));
            const b3::engine::Interval& interval = figures.interval[i];
            const int d = FigureDecimals(interval) + 1;
            intervals[i]->setToolTip(
                i == 0 ? QString("95% interval (Wilson score): %1% to %2%")
                             .arg(QString::number(interval.low, 'f', d),
                                  QString::number(interval.high, 'f', d))
                       : QString("95% interval (mean \u00b1 1.96 standard errors): %1 to %2")
                             .arg(QString::number(interval.low, 'f', d),
                                  QString::number(interval.high, 'f', d)));
        }
    });
    FitToFigures();
}

void frmOddsLab::FitToFigures() {
    // The labels may have widened: the window grows at once to what its figures need, from the
    // figures' frames outwards, as far as the screen has room (beyond, the content scrolls), and
    // stays on the screen.
    for (QWidget* w : {static_cast<QWidget*>(fraQuickResults), static_cast<QWidget*>(grpPinned),
                       resultsRow_, content_})
        if (w && w->layout()) {
            w->layout()->invalidate();
            w->layout()->activate();
        }
    // The status bar's texts (the run and its seed) are never cut: it does not scroll.
    int statusTexts = 0;
    for (QWidget* w : statusBar()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!w->isHidden()) statusTexts += w->minimumSizeHint().width() + kStatusSpacing;
    setMinimumWidth(std::min(statusTexts, ScreenRoom().width()));
    const QSize least = Around(content_->minimumSizeHint().expandedTo(content_->minimumSize()))
                            .boundedTo(ScreenRoom());
    if (width() < least.width() || height() < least.height()) {
        resize(size().expandedTo(least));
        if (isVisible()) b3::ui::FitToScreen(this);
    }
}

void frmOddsLab::ShowExactOdds(const RunSetup& run) {
    model_.SetExactOdds(std::nullopt);
    QLabel* const labels[5] = {lblExactWinPercent, lblExactAvg[2], lblExactAvg[3], lblExactAvg[4],
                               lblExactAvg[5]};
    for (QLabel* label : labels) SetFigureText(label, QString());
    Trap(services_, "frmOddsLab::ShowExactOdds", [&] {
        const std::string refusal = b3::engine::CheckExactOdds(*this, run.combatDice);
        if (!refusal.empty()) {
            // The battle is beyond the exact calculation: say why where the figures would be.
            for (QLabel* label : labels) {
                SetFigureText(label, "n/a");
                label->setToolTip(QString::fromStdString(refusal));
            }
            return;
        }
        model_.SetExactOdds(b3::engine::CalculateExactOdds(*this, run.combatDice, run.cityLevel));
        // Two decimals in the window; the full value in the tool tip.
        const QuickFigures& figures = model_.Figures();
        for (int i = 0; i < kFigureCount; ++i) {
            if (!figures.exact[i]) continue;
            const double value = *figures.exact[i];
            const QString unit = i == 0 ? "%" : "";
            SetFigureText(labels[i], ExactText(value, i));
            labels[i]->setToolTip(QString::fromStdString(b3::engine::FormatGeneral(value)) + unit +
                                  "\n" + lblExactHeader->toolTip());
        }
    });
}

// ---------------------------------------------------------------------------------------------
// Which run the figures come from

std::vector<QLabel*> frmOddsLab::FigureLabels() const {
    std::vector<QLabel*> labels{lblAttWinPercent, lblAttWinPm, lblExactWinPercent};
    for (int i = 2; i <= 5; ++i) {
        labels.push_back(lblAvg[i]);
        labels.push_back(lblAvgPm[i]);
        labels.push_back(lblExactAvg[i]);
    }
    return labels;
}

void frmOddsLab::UpdateResultState() {
    // Called from the controls' change signals, also while the window is being built.
    if (!lblResultsNote || !lstArmies[0] || !lstArmies[1] || !cboCityLevel) return;
    const bool stale = model_.ResultsStale();
    for (QLabel* label : FigureLabels()) label->setEnabled(!stale);
    lblSimHeader->setEnabled(!stale);
    lblExactHeader->setEnabled(!stale);
    lblResultsNote->setText(QString::fromStdString(model_.StaleNote()));
    lblResultsNote->setToolTip(lblResultsNote->text());
    lblResultsNote->setVisible(stale);
}

void frmOddsLab::sscAbort_Click() {
    battle_->RequestAbort();
}

void frmOddsLab::sscExit_Click() {
    close();
}

void frmOddsLab::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The first time: inside the free area of its screen, title bar included.
    if (!placed_) {
        placed_ = true;
        b3::ui::FitToScreen(this);
    }
}

void frmOddsLab::closeEvent(QCloseEvent* event) {
    if (running_) {
        // The run stops before its next battle; the window closes once it has.
        closePending_ = true;
        battle_->RequestAbort();
        event->ignore();
        return;
    }
    // The program ends with its main window, whatever other windows of it are open.
    if (moreResults_) moreResults_->close();
    QMainWindow::closeEvent(event);
}

void frmOddsLab::sscMoreResults_Click() {
    Trap(services_, "frmOddsLab::sscMoreResults_Click", [&] {
        services_.setBusy(true);
        struct Restore {
            CalculatorServices& s;
            ~Restore() { s.setBusy(false); }
        } restore{services_};
        if (moreResults_) {
            moreResults_->show();
            moreResults_->raise();
            moreResults_->activateWindow();
            return;
        }
        auto* window = new frmMoreResults(services_, battle_->Statistics(), nullptr);
        if (const auto& exact = model_.LastExactOdds()) {
            window->SetExact(exact->attackerUnitsLost, exact->defenderUnitsLost);
            window->SetExactGiven(exact->attackerUnitsLostGiven, exact->defenderUnitsLostGiven);
        }
        FillSurvival(*window);
        window->SetRunDescription(QString::fromStdString(model_.Record().Describe()));
        window->setAttribute(Qt::WA_DeleteOnClose);
        moreResults_ = window;
        window->Form_Load();
        window->show();
    });
}

void frmOddsLab::FillSurvival(frmMoreResults& window) {
    // A side's armies die in the order they fight, so the battles by armies lost give every
    // entry's survival.
    std::array<double, 33> lost[2] = {};
    for (int side = 0; side < 2; ++side)
        for (std::size_t k = 0; k < b3::engine::kLossBins; ++k)
            lost[side][k] = static_cast<double>(battle_->Statistics().Lost(side)[k].battles);
    frmMoreResults::SideSurvival sides[2];
    const auto& exact = model_.LastExactOdds();
    for (int side = 0; side < 2; ++side) {
        // The units of the run shown, which the lists may no longer hold.
        const auto& entries = model_.Record().Shown().lists[static_cast<std::size_t>(side)];
        const auto count = static_cast<Long>(entries.size());
        const auto order = b3::engine::FightingOrder(*this, side == 0, count);
        for (const ListedEntry& e : entries) {
            const bool marked =
                std::any_of(e.marks.begin(), e.marks.end(), [](std::int16_t m) { return m != 0; });
            sides[side].units << model_.UnitText(e.id) + (marked ? kMarkSuffix : "");
        }
        sides[side].simulated = b3::engine::SurvivalChances(order, lost[side]);
        if (exact)
            sides[side].exact = b3::engine::SurvivalChances(
                order, side == 0 ? exact->attackerUnitsLost : exact->defenderUnitsLost);
    }
    window.SetSurvival(sides[0], sides[1]);
}

// ---------------------------------------------------------------------------------------------
// What the run shows

void frmOddsLab::ShowHeroDialog(b3::engine::CArmy& hero) {
    // After a cancelled dialog the Attack fights nothing: no other hero is asked for.
    if (attackCancelled_) return;
    frmHero dialog(services_, this);
    dialog.SetHero(&hero);
    dialog.SetPlace(heroPlace_);
    dialog.Form_Load();
    // The bonuses last entered for this entry (or opened with a scenario) are offered again.
    b3::engine::SimpleHost::Bonuses kept = {};
    if (askingSide_ >= 0 && model_.EntryBonuses(askingSide_, askingPosition_, kept)) {
        for (int i = 0; i < b3::engine::kHeroBonusCount; ++i)
            if (kept[i]) dialog.SetValue(static_cast<b3::engine::HeroBonus>(i), *kept[i]);
        dialog.SendHeroInfoToScreen();
    }
    services_.execDialog(dialog);
    if (dialog.Cancelled()) {
        attackCancelled_ = true;
        return;
    }
    // What "Done" entered is the entry's set-up from now on, whatever becomes of this Attack.
    if (askingSide_ >= 0 && askingPosition_ < model_.Count(askingSide_) &&
        dialog.result() == QDialog::Accepted) {
        EntryBonusValues values;
        for (int i = 0; i < b3::engine::kHeroBonusCount; ++i)
            values[static_cast<std::size_t>(i)] =
                dialog.Value(static_cast<b3::engine::HeroBonus>(i));
        model_.SetBonuses(askingSide_, askingPosition_, values);
        UpdateResultState();
    }
}

std::string frmOddsLab::PowerTypeName(Long code) const {
    return editObject_.ConvertPowerTypeToName(static_cast<std::int16_t>(code));
}

void frmOddsLab::SetBusy(bool busy) {
    services_.setBusy(busy);
}

void frmOddsLab::ShowProgressBar() {
    pbBattleProgress->setValue(0);
    SetProgressVisible(true);
}

void frmOddsLab::SetProgress(Long percent) {
    pbBattleProgress->setValue(static_cast<int>(percent));
}

void frmOddsLab::SetStatusText(const std::string& text) {
    sbrPanel[1]->setText(QString::fromStdString(text));
}

void frmOddsLab::PumpEvents() {
    services_.pumpEvents();
}

void frmOddsLab::ShowStats(const b3::engine::StackStatistics& stats) {
    Trap(services_, "MBattleCalc::ShowStats", [&] {
        frmStats window(services_, this);
        window.Fill(stats);
        window.Form_Load();
        services_.execDialog(window);
    });
}

void frmOddsLab::ReportError(const std::string& label, std::int32_t number,
                             const std::string& description) {
    b3::oddslab::ReportError(services_, number, QString::fromStdString(label),
                             QString::fromStdString(description));
}

// ---------------------------------------------------------------------------------------------
// Events of the lists and of the number of battles

bool frmOddsLab::eventFilter(QObject* watched, QEvent* event) {
    if (txtNumSimulations && watched == txtNumSimulations) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const QString text = key->text();
            // Keys that type no character (arrows, Delete, Tab, shortcuts) are not filtered.
            const bool typing = !text.isEmpty() && key->key() != Qt::Key_Delete &&
                                key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab &&
                                !(key->modifiers() & (Qt::AltModifier | Qt::ControlModifier));
            if (typing && !txtNumSimulations_KeyPress(text.at(0).unicode())) return true;
        } else if (event->type() == QEvent::FocusOut) {
            txtNumSimulations_LostFocus();
        }
        return QMainWindow::eventFilter(watched, event);
    }
    for (int side = 0; side < 2; ++side) {
        QListWidget* list = lstArmies[side];
        if (!list) continue;
        if (watched == list->viewport()) {
            if (event->type() == QEvent::MouseButtonDblClick &&
                static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                lstArmies_DblClick(side);
                return true;
            }
            if (event->type() == QEvent::MouseButtonRelease) {
                auto* mouse = static_cast<QMouseEvent*>(event);
                lstArmies_MouseUp(side, mouse->button(), mouse->position().toPoint());
            }
        } else if (watched == list && event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
                // Delete removes the selected entries, as the menu's "Delete" does.
                menuSide_ = side;
                mnuPopupDelete_Click();
                return true;
            }
            if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier &&
                list->currentItem()) {
                const QRect rect = list->visualItemRect(list->currentItem());
                lstArmies_MouseUp(side, Qt::RightButton, rect.center());
                return true;
            }
        } else if (watched == list && event->type() == QEvent::Resize) {
            PlaceStackLabels(side);
        } else if (watched == list && event->type() == QEvent::ContextMenu &&
                   static_cast<QContextMenuEvent*>(event)->reason() ==
                       QContextMenuEvent::Keyboard) {
            // The menu key opens the menu for the focused entry, as a right click does.
            const QRect rect = list->visualItemRect(list->currentItem());
            lstArmies_MouseUp(side, Qt::RightButton, rect.center());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace b3::oddslab
