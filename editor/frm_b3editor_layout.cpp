// frmB3Editor's controls: the toolbar, the browse bar and the five tabs, each with its view
// frame, edit frame and picture boxes. What the controls do is in frm_b3editor.cpp and the
// per-kind modules.
#include "editor/frm_b3editor.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QVBoxLayout>

#include "b3/record_layout.h"
#include "common_ui/screen_fit.h"
#include "editor/compare_view.h"
#include "editor/errors.h"
#include "editor/frm_heroprops.h"
#include "editor/mmain.h"
#include "editor/modules.h"
#include "editor/pictures.h"
#include "editor/powers.h"
#include "editor/save_names.h"
#include "editor/services.h"
#include "editor/strings.h"
#include "editor/updown.h"
#include "editor/working_copy_history.h"
#include "platform/files.h"

namespace b3::editor {

namespace {

QLabel* ValueLabel(QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(60);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

QLabel* Caption(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

QLabel* PlusLabel(QWidget* parent) {
    auto* l = new QLabel("+", parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->setFixedWidth(12);
    l->setVisible(false);
    return l;
}

// A text box and the spinner that steps it, side by side.
QWidget* SpinField(QWidget* parent, QLineEdit*& txt, UpDown*& upd, int lo, int hi, int step,
                   const QString& tooltip, QLabel* plus = nullptr) {
    auto* host = new QWidget(parent);
    auto* row = new QHBoxLayout(host);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    txt = new QLineEdit(host);
    txt->setMaximumWidth(64);
    txt->setToolTip(tooltip);
    upd = new UpDown(host);
    upd->setRange(lo, hi, step);
    upd->setValue(lo);
    upd->setBuddy(txt);
    upd->setToolTip(tooltip);
    row->addWidget(txt);
    row->addWidget(upd);
    if (plus) {
        plus->setParent(host);
        row->addWidget(plus);
    }
    row->addStretch(1);
    return host;
}

QWidget* WithPlus(QWidget* parent, QWidget* w, QLabel* plus) {
    auto* host = new QWidget(parent);
    auto* row = new QHBoxLayout(host);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    w->setParent(host);
    plus->setParent(host);
    row->addWidget(w, 1);
    row->addWidget(plus);
    return host;
}

// The longest description a record holds.
constexpr int kDescriptionLength = 128;

// A description, which the game shows as a paragraph: a word-wrapped box of several lines. Its
// text lives in `field`, the column's one-line box, which stays hidden: that box keeps the
// length limit, and it is what the kind modules fill and read and the working copy's history
// records. The text is one paragraph: a line break typed becomes a space.
QPlainTextEdit* ParagraphBox(QLineEdit* field, QWidget* parent) {
    auto* box = new QPlainTextEdit(parent);
    box->setTabChangesFocus(true);
    box->setToolTip(field->toolTip());
    box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const QMargins m = box->contentsMargins();
    box->setFixedHeight(box->fontMetrics().lineSpacing() * 3 +
                        2 * static_cast<int>(box->document()->documentMargin()) + m.top() +
                        m.bottom() + 2 * box->frameWidth());
    field->setMaxLength(kDescriptionLength);
    field->hide();
    QObject::connect(box, &QPlainTextEdit::textChanged, field, [box, field] {
        const QString typed = box->toPlainText();
        QString text = typed;
        text.replace(QChar('\n'), QChar(' '));
        text.replace(QChar::ParagraphSeparator, QChar(' '));
        text.truncate(field->maxLength());
        if (text != typed) {
            // Keeps the box to what the field can hold, with the cursor where it was. The
            // correction is one undo step with the typing that called for it.
            const int at = std::min(box->textCursor().position(), static_cast<int>(text.size()));
            const QSignalBlocker block(box);
            QTextCursor all(box->document());
            all.joinPreviousEditBlock();
            all.select(QTextCursor::Document);
            all.insertText(text);
            all.endEditBlock();
            QTextCursor cursor = box->textCursor();
            cursor.setPosition(at);
            box->setTextCursor(cursor);
        }
        if (field->text() != text) field->setText(text);
    });
    QObject::connect(field, &QLineEdit::textChanged, box, [box](const QString& text) {
        if (box->toPlainText() == text) return;
        const QSignalBlocker block(box);
        box->setPlainText(text);
    });
    return box;
}

QComboBox* ListBox(QWidget* parent, const QString& tooltip) {
    auto* c = new QComboBox(parent);
    c->setToolTip(tooltip);
    c->setMinimumWidth(130);
    c->setMaxVisibleItems(16);
    return c;
}

// The box beside the view frame that shows an object's pictures: one label for each of
// `names` (the labels' object names), put in `labels` from `first` on.
QGroupBox* PicturePreviews(const QString& title, std::initializer_list<const char*> names,
                           std::array<QLabel*, 4>& labels, std::size_t first, QWidget* parent) {
    auto* preview = new QGroupBox(title, parent);
    auto* layout = new QHBoxLayout(preview);
    std::size_t i = first;
    for (const char* name : names) {
        labels[i] = new QLabel(preview);
        labels[i]->setObjectName(name);
        labels[i]->setMinimumSize(96, 96);
        labels[i]->setAlignment(Qt::AlignCenter);
        layout->addWidget(labels[i++]);
    }
    layout->addStretch(1);
    return preview;
}

QScrollArea* Scrolled(QWidget* tab) {
    auto* area = new QScrollArea;
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(tab);
    return area;
}

QIcon CalculatorIcon() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(QColor(215, 215, 200));
    p.drawRoundedRect(QRectF(5, 2, 22, 28), 3, 3);
    p.setBrush(QColor(90, 150, 90));
    p.drawRect(QRectF(8, 5, 16, 6));
    p.setBrush(QColor(250, 250, 250));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) p.drawRect(QRectF(8 + c * 6, 14 + r * 5, 4, 3));
    return QIcon(pm);
}

}  // namespace

void frmB3Editor::buildTabs(QWidget* host) {
    sstEditor = new QTabWidget(host);
    // Each tab scrolls, so that the window fits small screens (1024 by 600).
    sstEditor->addTab(Scrolled(buildItemTab()), "Items");
    sstEditor->addTab(Scrolled(buildArmyTab()), "Armies");
    sstEditor->addTab(Scrolled(buildHeroTab()), "Heroes");
    sstEditor->addTab(Scrolled(buildSiteTab()), "Sites");
    sstEditor->addTab(Scrolled(buildSpellTab()), "Spells");
}

void frmB3Editor::buildToolbar() {
    tbrMain = addToolBar("Commands");
    tbrMain->setObjectName("tbrMain");
    tbrMain->setMovable(false);
    tbrMain->setIconSize(QSize(24, 24));
    tbrMain->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    QStyle* st = style();
    struct Button {
        int position;
        const char* key;
        QIcon icon;
    };
    const Button buttons[] = {
        {1, "New", st->standardIcon(QStyle::SP_FileIcon)},
        {2, "Save", st->standardIcon(QStyle::SP_DialogSaveButton)},
        {4, "Delete", st->standardIcon(QStyle::SP_TrashIcon)},
        {5, "Undo", st->standardIcon(QStyle::SP_BrowserReload)},
        {7, "Print", st->standardIcon(QStyle::SP_FileDialogDetailedView)},
        {9, "Calculator", CalculatorIcon()},
        {11, "Exit", st->standardIcon(QStyle::SP_DialogCloseButton)},
    };
    int next = 1;
    for (const Button& b : buttons) {
        for (; next < b.position; ++next) tbrMain->addSeparator();
        QAction* a = tbrMain->addAction(b.icon, b.key);
        a->setObjectName(QString("tbr") + b.key);
        a->setData(QString(b.key));
        const QString key = b.key;
        connect(a, &QAction::triggered, this, [this, key] { tbrMain_ButtonClick(key); });
        tbrButtons[static_cast<std::size_t>(b.position)] = a;
        ++next;
    }
    tbrButtons[9]->setToolTip("Start the Combat Calculator");
    tbrButtons[11]->setToolTip("Exit the Program");
}

void frmB3Editor::buildBrowseBar(QWidget* host) {
    auto* bar = new QWidget(host);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    updBrowse = new UpDown(bar, Qt::Horizontal);
    updBrowse->setObjectName("updBrowse");
    updBrowse->setToolTip("Browse Items");
    updBrowse->setRange(0, -1, 1);
    cboEditObject = new QComboBox(bar);
    cboEditObject->setObjectName("cboEditObject");
    cboEditObject->setMinimumWidth(260);
    cboEditObject->setMaxVisibleItems(20);
    cmdHistory = new QPushButton("History...", bar);
    cmdHistory->setObjectName("cmdHistory");
    cmdHistory->setToolTip("Earlier versions of this object's files, and restoring them");
    connect(cmdHistory, &QPushButton::clicked, this, [this] { ShowHistory(); });
    row->addWidget(updBrowse);
    row->addWidget(cboEditObject);
    row->addStretch(1);
    row->addWidget(cmdHistory);
}

QWidget* frmB3Editor::buildItemTab() {
    auto* tab = new QWidget;
    auto* row = new QHBoxLayout(tab);
    for (std::size_t i = kPlusItemView8; i <= kPlusItemEdit10; ++i) lblPlus[i] = PlusLabel(tab);

    fraItemProps = new QGroupBox("View Item Properties", tab);
    auto* v = new QGridLayout(fraItemProps);
    for (std::size_t c : {2u, 3u, 4u, 6u, 7u, 8u, 9u, 10u})
        lblItemProps[c] = ValueLabel(fraItemProps);
    lblItemProps[3]->setWordWrap(true);
    lblItemProps[3]->setMinimumHeight(3 * fontMetrics().height() + 6);
    lblItemProps[3]->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    picItem[0] = new QLabel(fraItemProps);
    picItem[0]->setFixedSize(36, 36);
    picItem[0]->setFrameShape(QFrame::StyledPanel);
    int r = 0;
    v->addWidget(Caption("Item Name:", fraItemProps), r, 0);
    v->addWidget(lblItemProps[2], r++, 1);
    v->addWidget(Caption("Description:", fraItemProps), r, 0, Qt::AlignTop | Qt::AlignRight);
    v->addWidget(lblItemProps[3], r++, 1);
    v->addWidget(Caption("Item Relative Power:", fraItemProps), r, 0);
    v->addWidget(lblItemProps[4], r++, 1);
    v->addWidget(Caption("Item Picture:", fraItemProps), r, 0);
    v->addWidget(picItem[0], r++, 1);
    v->addWidget(Caption("Item Cost:", fraItemProps), r, 0);
    v->addWidget(lblItemProps[6], r++, 1);
    v->addWidget(Caption("Power Name:", fraItemProps), r, 0);
    v->addWidget(lblItemProps[7], r++, 1);
    v->addWidget(Caption("Value:", fraItemProps), r, 0);
    v->addWidget(WithPlus(fraItemProps, lblItemProps[8], lblPlus[kPlusItemView8]), r++, 1);
    v->addWidget(Caption("Power Name:", fraItemProps), r, 0);
    v->addWidget(lblItemProps[9], r++, 1);
    v->addWidget(Caption("Value:", fraItemProps), r, 0);
    v->addWidget(WithPlus(fraItemProps, lblItemProps[10], lblPlus[kPlusItemView10]), r++, 1);
    v->setRowStretch(r, 1);
    v->setColumnStretch(1, 1);

    fraItemEdit = new QGroupBox("Edit Item Properties", tab);
    auto* e = new QGridLayout(fraItemEdit);
    txtItemProps[2] = new QLineEdit(fraItemEdit);
    txtItemProps[2]->setToolTip("Enter the name for the item");
    txtItemProps[3] = new QLineEdit(fraItemEdit);
    txtItemProps[3]->setToolTip("Enter a description for the item");
    for (std::size_t i = 0; i < 2; ++i) {
        cboItemPowers[i] = ListBox(fraItemEdit, "Select a power to give the item");
        cboItemPowers[i]->setObjectName(QString("cboItemPowers%1").arg(i));
    }
    updPicSelect = new UpDown(fraItemEdit);
    updPicSelect->setObjectName("updPicSelect");
    updPicSelect->setRange(0, 31, 1);
    updPicSelect->setToolTip("Set the item's picture");
    picItem[1] = new QLabel(fraItemEdit);
    picItem[1]->setFixedSize(36, 36);
    picItem[1]->setFrameShape(QFrame::StyledPanel);
    picItem[1]->setToolTip("Set the item's picture");
    auto* picRow = new QWidget(fraItemEdit);
    auto* pr = new QHBoxLayout(picRow);
    pr->setContentsMargins(0, 0, 0, 0);
    pr->addWidget(picItem[1]);
    pr->addWidget(updPicSelect);
    pr->addStretch(1);
    r = 0;
    e->addWidget(Caption("Item Name:", fraItemEdit), r, 0);
    e->addWidget(txtItemProps[2], r++, 1);
    e->addWidget(Caption("Description:", fraItemEdit), r, 0);
    txtDescription[kItem] = ParagraphBox(txtItemProps[3], fraItemEdit);
    e->addWidget(txtDescription[kItem], r++, 1);
    e->addWidget(Caption("Item Relative Power:", fraItemEdit), r, 0);
    e->addWidget(SpinField(fraItemEdit, txtItemProps[4], updItemProps[4], 0, 4, 1,
                           "Set the relative power of the item"),
                 r++, 1);
    e->addWidget(Caption("Item Picture:", fraItemEdit), r, 0);
    e->addWidget(picRow, r++, 1);
    e->addWidget(Caption("Item Cost:", fraItemEdit), r, 0);
    e->addWidget(SpinField(fraItemEdit, txtItemProps[6], updItemProps[6], 100, 9900, 100,
                           "Set the item cost"),
                 r++, 1);
    e->addWidget(Caption("Power Name:", fraItemEdit), r, 0);
    e->addWidget(cboItemPowers[0], r++, 1);
    e->addWidget(Caption("Value:", fraItemEdit), r, 0);
    e->addWidget(SpinField(fraItemEdit, txtItemProps[8], updItemProps[8], 0, 255, 1,
                           "Set the value of this power", lblPlus[kPlusItemEdit8]),
                 r++, 1);
    e->addWidget(Caption("Power Name:", fraItemEdit), r, 0);
    e->addWidget(cboItemPowers[1], r++, 1);
    e->addWidget(Caption("Value:", fraItemEdit), r, 0);
    e->addWidget(SpinField(fraItemEdit, txtItemProps[10], updItemProps[10], 0, 255, 1,
                           "Set the value of this power", lblPlus[kPlusItemEdit10]),
                 r++, 1);
    e->setRowStretch(r, 1);
    e->setColumnStretch(1, 1);

    for (int i : {4, 6, 8, 10}) {
        connect(updItemProps[static_cast<std::size_t>(i)], &UpDown::changed, this,
                [this, i] { updItemProps_Change(i); });
    }
    connect(updPicSelect, &UpDown::changed, this, [this] { updPicSelect_Change(); });

    row->addWidget(fraItemProps, 1);
    row->addWidget(fraItemEdit, 1);
    return tab;
}

QWidget* frmB3Editor::buildArmyTab() {
    auto* tab = new QWidget;
    auto* row = new QHBoxLayout(tab);
    for (std::size_t i = kPlusArmyView18; i <= kPlusArmyEdit23; ++i) lblPlus[i] = PlusLabel(tab);

    auto* left = new QWidget(tab);
    auto* leftColumn = new QVBoxLayout(left);
    leftColumn->setContentsMargins(0, 0, 0, 0);
    fraArmyProps = new QGroupBox("View Army Properties:", left);
    auto* v = new QGridLayout(fraArmyProps);
    for (std::size_t c :
         {1u, 2u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 17u, 18u, 20u, 21u, 22u, 23u, 24u, 25u}) {
        lblArmyProps[c] = ValueLabel(fraArmyProps);
    }
    lblArmyProps[2]->setWordWrap(true);
    lblArmyProps[2]->setMinimumHeight(3 * fontMetrics().height() + 6);
    lblArmyProps[2]->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    lstArmyMoveBonuses = new QListWidget(fraArmyProps);
    lstArmyMoveBonuses->setMaximumHeight(72);
    lstArmyMoveBonuses->setSelectionMode(QAbstractItemView::NoSelection);
    int r = 0;
    v->addWidget(Caption("Name:", fraArmyProps), r, 0);
    v->addWidget(lblArmyProps[1], r++, 1, 1, 3);
    v->addWidget(Caption("Description:", fraArmyProps), r, 0, Qt::AlignTop | Qt::AlignRight);
    v->addWidget(lblArmyProps[2], r++, 1, 1, 3);
    // Two columns of numbers.
    const std::pair<std::size_t, const char*> leftFields[] = {
        {4, "Medal Chance:"}, {5, "Strength:"}, {6, "Move:"}, {7, "Hits:"},
        {8, "Turns:"},        {9, "Upkeep:"},   {10, "View:"}};
    const std::pair<std::size_t, const char*> rightFields[] = {
        {20, "Cost:"},  {21, "Setup:"},  {22, "Power Type:"},        {23, "Power Value:"},
        {24, "Sound:"}, {25, "Facing:"}, {17, "Com. Bonus Terrain:"}};
    const int top = r;
    for (const auto& [c, caption] : leftFields) {
        v->addWidget(Caption(caption, fraArmyProps), r, 0);
        v->addWidget(lblArmyProps[c], r++, 1);
    }
    r = top;
    for (const auto& [c, caption] : rightFields) {
        v->addWidget(Caption(caption, fraArmyProps), r, 2);
        if (c == 23) {
            v->addWidget(WithPlus(fraArmyProps, lblArmyProps[23], lblPlus[kPlusArmyView23]), r++,
                         3);
        } else {
            v->addWidget(lblArmyProps[c], r++, 3);
        }
    }
    v->addWidget(Caption("CB Value:", fraArmyProps), r, 2);
    v->addWidget(WithPlus(fraArmyProps, lblArmyProps[18], lblPlus[kPlusArmyView18]), r++, 3);
    v->addWidget(Caption("Move Bonus:", fraArmyProps), r, 0, Qt::AlignTop | Qt::AlignRight);
    v->addWidget(lstArmyMoveBonuses, r++, 1);
    v->setRowStretch(r, 1);
    v->setColumnStretch(1, 1);
    v->setColumnStretch(3, 1);
    leftColumn->addWidget(fraArmyProps, 1);

    leftColumn->addWidget(PicturePreviews("Army Picture", {"picArmyPreview"}, picPreview, 0, left));

    fraArmyEdit = new QGroupBox("Edit Army Properties:", tab);
    auto* e = new QGridLayout(fraArmyEdit);
    txtArmyProps[1] = new QLineEdit(fraArmyEdit);
    txtArmyProps[1]->setToolTip("Enter the name for this army");
    txtArmyProps[2] = new QLineEdit(fraArmyEdit);
    txtArmyProps[2]->setToolTip("Snter a description for this army");
    r = 0;
    e->addWidget(Caption("Army Name:", fraArmyEdit), r, 0);
    e->addWidget(txtArmyProps[1], r++, 1, 1, 3);
    e->addWidget(Caption("Description:", fraArmyEdit), r, 0);
    txtDescription[kArmy] = ParagraphBox(txtArmyProps[2], fraArmyEdit);
    e->addWidget(txtDescription[kArmy], r++, 1, 1, 3);
    struct Spin {
        std::size_t column;
        const char* caption;
        int lo, hi, step;
        const char* tooltip;
    };
    const Spin leftSpins[] = {
        {4, "Medal Chance:", 0, 100, 1,
         "Set the percent chance of the army receiving a medal after a battle"},
        {5, "Strength:", 1, 9, 1, "Set the army's strength"},
        {6, "Move:", 6, 99, 1, "Set the army's movement per turn"},
        {7, "Hits:", 1, 4, 1, "Set the army's hits"},
        {8, "Turns:", 1, 255, 1, "Set the army's turns to produce"},
        {9, "Upkeep:", 1, 255, 1, "Set the army's upkeep per turn"},
        {10, "View:", 1, 7, 1, "Set the army's view distance"},
    };
    const Spin rightSpins[] = {
        {20, "Cost:", 1, 9990, 1, "Set the army's initial construction cost"},
        {21, "Setup:", 10, 9990, 10, "Set the army's cost to buy at startup"},
        {23, "Power Value:", 0, 255, 1, "Set the value of this power"},
        {18, "CB Value:", 0, 255, 1, "Set the value of the combat bonus"},
    };
    const int editTop = r;
    for (const Spin& s : leftSpins) {
        e->addWidget(Caption(s.caption, fraArmyEdit), r, 0);
        e->addWidget(SpinField(fraArmyEdit, txtArmyProps[s.column], updArmyProps[s.column], s.lo,
                               s.hi, s.step, s.tooltip),
                     r++, 1);
    }
    const int afterLeft = r;
    r = editTop;
    cboArmyPowers = ListBox(fraArmyEdit, "Select a power to give this army");
    cboArmyPowers->setObjectName("cboArmyPowers");
    cboSound = ListBox(fraArmyEdit, "Select a sound for the army");
    cboFacing = ListBox(fraArmyEdit, "Select a default facing for the army");
    cboBonusTerrain =
        ListBox(fraArmyEdit, "Select a terrain on which this army will receive a combat bonus");
    for (const Spin& s : rightSpins) {
        if (s.column == 23) {
            e->addWidget(Caption("Power Type:", fraArmyEdit), r, 2);
            e->addWidget(cboArmyPowers, r++, 3);
        }
        if (s.column == 18) {
            e->addWidget(Caption("Com. Bonus Terrain:", fraArmyEdit), r, 2);
            e->addWidget(cboBonusTerrain, r++, 3);
        }
        QLabel* plus = s.column == 23   ? lblPlus[kPlusArmyEdit23]
                       : s.column == 18 ? lblPlus[kPlusArmyEdit18]
                                        : nullptr;
        e->addWidget(Caption(s.caption, fraArmyEdit), r, 2);
        e->addWidget(SpinField(fraArmyEdit, txtArmyProps[s.column], updArmyProps[s.column], s.lo,
                               s.hi, s.step, s.tooltip, plus),
                     r++, 3);
    }
    e->addWidget(Caption("Sound:", fraArmyEdit), r, 2);
    e->addWidget(cboSound, r++, 3);
    e->addWidget(Caption("Facing:", fraArmyEdit), r, 2);
    e->addWidget(cboFacing, r++, 3);
    r = std::max(r, afterLeft);
    cboMoveBonus = ListBox(fraArmyEdit, "Select move bonuses for the army");
    lstMoveBonuses = new QListWidget(fraArmyEdit);
    lstMoveBonuses->setToolTip("Double click to remove move bonuses");
    lstMoveBonuses->setMaximumHeight(72);
    e->addWidget(Caption("Move Bonus:", fraArmyEdit), r, 0);
    e->addWidget(cboMoveBonus, r++, 1);
    e->addWidget(lstMoveBonuses, r++, 1);
    cmdPicCopy[0] = new QPushButton("Copy Picture", fraArmyEdit);
    cmdPicCopy[0]->setToolTip("Choose a picture file for this army");
    e->addWidget(cmdPicCopy[0], r - 1, 3, Qt::AlignBottom | Qt::AlignLeft);
    e->setRowStretch(r, 1);
    e->setColumnStretch(1, 1);
    e->setColumnStretch(3, 1);

    // The cost box takes digits only and keeps its value between 0 and 9999.
    txtArmyProps[20]->setProperty("b3KeepsTypedValue", true);
    txtArmyProps[20]->installEventFilter(this);
    connect(txtArmyProps[20], &QLineEdit::textChanged, this, [this] { txtArmyProps_Change(20); });
    for (int c : {4, 5, 6, 7, 8, 9, 10, 18, 20, 21, 23}) {
        connect(updArmyProps[static_cast<std::size_t>(c)], &UpDown::changed, this,
                [this, c] { updArmyProps_Change(c); });
    }
    connect(cboMoveBonus, &QComboBox::activated, this, [this] { cboMoveBonus_Click(); });
    connect(lstMoveBonuses, &QListWidget::itemDoubleClicked, this,
            [this] { lstMoveBonuses_DblClick(); });
    connect(cmdPicCopy[0], &QPushButton::clicked, this, [this] { cmdPicCopy_Click(0); });

    row->addWidget(left, 1);
    row->addWidget(fraArmyEdit, 1);
    return tab;
}

QWidget* frmB3Editor::buildHeroTab() {
    auto* tab = new QWidget;
    auto* row = new QHBoxLayout(tab);
    auto* left = new QWidget(tab);
    auto* leftColumn = new QVBoxLayout(left);
    leftColumn->setContentsMargins(0, 0, 0, 0);

    fraHeroProps = new QGroupBox("View Hero Properties:", left);
    auto* v = new QGridLayout(fraHeroProps);
    const std::pair<std::size_t, const char*> viewFields[] = {
        {1, "Male Name:"}, {2, "Female Name:"}, {3, "Description:"}, {7, "Medal Addition Chance:"},
        {8, "Strength:"},  {9, "Move:"},        {10, "Hits:"},       {11, "View:"},
        {123, "Sound:"},   {124, "Facing:"}};
    int r = 0;
    for (const auto& [c, caption] : viewFields) {
        lblHeroProps[c] = ValueLabel(fraHeroProps);
        v->addWidget(Caption(caption, fraHeroProps), r, 0,
                     c == 3 ? Qt::AlignTop | Qt::AlignRight : Qt::AlignRight | Qt::AlignVCenter);
        v->addWidget(lblHeroProps[c], r++, 1);
    }
    lblHeroProps[3]->setWordWrap(true);
    lblHeroProps[3]->setMinimumHeight(3 * fontMetrics().height() + 6);
    lblHeroProps[3]->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    v->setRowStretch(r, 1);
    v->setColumnStretch(1, 1);
    leftColumn->addWidget(fraHeroProps, 1);

    leftColumn->addWidget(PicturePreviews("Hero Pictures (male, female)",
                                          {"picHeroMalePreview", "picHeroFemalePreview"},
                                          picPreview, 1, left));

    fraHeroEdit = new QGroupBox("Edit Hero Properties:", tab);
    auto* e = new QGridLayout(fraHeroEdit);
    const std::tuple<std::size_t, const char*, const char*, int> texts[] = {
        {1, "Male Name:", "Enter the male name for this hero", 32},
        {2, "Female Name:", "Enter the female name for this hero", 32},
        {3, "Description:", "Enter a description for this hero", 128}};
    r = 0;
    for (const auto& [c, caption, tooltip, width] : texts) {
        txtHeroProps[c] = new QLineEdit(fraHeroEdit);
        txtHeroProps[c]->setToolTip(tooltip);
        // The record's field holds this many characters.
        txtHeroProps[c]->setMaxLength(width);
        e->addWidget(Caption(caption, fraHeroEdit), r, 0);
        if (c == 3) {
            txtDescription[kHero] = ParagraphBox(txtHeroProps[c], fraHeroEdit);
            e->addWidget(txtDescription[kHero], r++, 1);
        } else {
            e->addWidget(txtHeroProps[c], r++, 1);
        }
    }
    const std::tuple<std::size_t, const char*, int, int, const char*> spins[] = {
        {7, "Medal Addition Chance:", -50, 50,
         "Set the amount by which the hero increases the chance of each army in his stack "
         "receiving a medal after a battle"},
        {8, "Strength:", 1, 9, "Set the hero's strength"},
        {9, "Move:", 6, 99, "Set the hero's movement per turn"},
        {10, "Hits:", 1, 4, "Set the hero's hits"},
        {11, "View:", 1, 7, "Set the hero's view distance"}};
    for (const auto& [c, caption, lo, hi, tooltip] : spins) {
        e->addWidget(Caption(caption, fraHeroEdit), r, 0);
        e->addWidget(SpinField(fraHeroEdit, txtHeroProps[c], updHeroProps[c], lo, hi, 1, tooltip),
                     r++, 1);
    }
    cboHeroSound = ListBox(fraHeroEdit, "Select a sound for the hero");
    cboHeroFacing = ListBox(fraHeroEdit, "Select a default facing for the hero");
    e->addWidget(Caption("Sound:", fraHeroEdit), r, 0);
    e->addWidget(cboHeroSound, r++, 1, Qt::AlignLeft);
    e->addWidget(Caption("Facing:", fraHeroEdit), r, 0);
    e->addWidget(cboHeroFacing, r++, 1, Qt::AlignLeft);
    cmdHeroProps = new QPushButton("More Properties...", fraHeroEdit);
    cmdHeroProps->setToolTip("View and edit additional properties of this hero");
    cmdPicCopy[1] = new QPushButton("Copy Picture", fraHeroEdit);
    cmdPicCopy[1]->setToolTip("Choose a picture file for both forms of this hero");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdHeroProps);
    buttons->addWidget(cmdPicCopy[1]);
    buttons->addStretch(1);
    e->addLayout(buttons, r++, 0, 1, 2);
    e->setRowStretch(r, 1);
    e->setColumnStretch(1, 1);

    connect(cmdHeroProps, &QPushButton::clicked, this, [this] { cmdHeroProps_Click(); });
    connect(cmdPicCopy[1], &QPushButton::clicked, this, [this] { cmdPicCopy_Click(1); });

    row->addWidget(left, 1);
    row->addWidget(fraHeroEdit, 1);
    return tab;
}

QWidget* frmB3Editor::buildSiteTab() {
    auto* tab = new QWidget;
    auto* row = new QHBoxLayout(tab);
    lblPlus[kPlusSiteView4] = PlusLabel(tab);
    lblPlus[kPlusSiteEdit4] = PlusLabel(tab);
    auto* left = new QWidget(tab);
    auto* leftColumn = new QVBoxLayout(left);
    leftColumn->setContentsMargins(0, 0, 0, 0);

    const char* flagCaptions[] = {"This Site Can be Razed", "Regular Animation when Operational",
                                  "Regular Animation when Razed"};
    const char* flagTooltips[] = {"Determines whether the site can be razed",
                                  "Determines whether animation is at the regular frame rate",
                                  "Determines whether animation continues after the site is razed"};

    fraSiteProps = new QGroupBox("View Site Properties", left);
    auto* v = new QGridLayout(fraSiteProps);
    for (std::size_t c : {1u, 3u, 4u}) lblSiteProps[c] = ValueLabel(fraSiteProps);
    int r = 0;
    v->addWidget(Caption("Site Name:", fraSiteProps), r, 0);
    v->addWidget(lblSiteProps[1], r++, 1);
    v->addWidget(Caption("Power Name:", fraSiteProps), r, 0);
    v->addWidget(lblSiteProps[3], r++, 1);
    v->addWidget(Caption("Value:", fraSiteProps), r, 0);
    v->addWidget(WithPlus(fraSiteProps, lblSiteProps[4], lblPlus[kPlusSiteView4]), r++, 1);
    for (std::size_t c = 5; c <= 7; ++c) {
        chkSiteReadOnly[c] = new QCheckBox(flagCaptions[c - 5], fraSiteProps);
        // Shown at full contrast, but the view frame's boxes only mirror the stored flags.
        chkSiteReadOnly[c]->setAttribute(Qt::WA_TransparentForMouseEvents);
        chkSiteReadOnly[c]->setFocusPolicy(Qt::NoFocus);
        v->addWidget(chkSiteReadOnly[c], r++, 1);
    }
    v->setRowStretch(r, 1);
    v->setColumnStretch(1, 1);
    leftColumn->addWidget(fraSiteProps, 1);

    leftColumn->addWidget(PicturePreviews("Site Picture", {"picSitePreview"}, picPreview, 3, left));

    fraSiteEdit = new QGroupBox("Edit Site Properties", tab);
    auto* e = new QGridLayout(fraSiteEdit);
    txtSiteProps[1] = new QLineEdit(fraSiteEdit);
    txtSiteProps[1]->setToolTip("Enter the name for the site");
    txtSiteProps[1]->setMaxLength(16);
    cboSitePowers = ListBox(fraSiteEdit, "Select a power to give the site");
    r = 0;
    e->addWidget(Caption("Site Name:", fraSiteEdit), r, 0);
    e->addWidget(txtSiteProps[1], r++, 1);
    e->addWidget(Caption("Power Name:", fraSiteEdit), r, 0);
    e->addWidget(cboSitePowers, r++, 1, Qt::AlignLeft);
    e->addWidget(Caption("Value:", fraSiteEdit), r, 0);
    e->addWidget(SpinField(fraSiteEdit, txtSiteProps[4], updSiteProps[4], 0, 255, 1,
                           "Set the value of this power", lblPlus[kPlusSiteEdit4]),
                 r++, 1);
    for (std::size_t c = 5; c <= 7; ++c) {
        chkSite[c] = new QCheckBox(flagCaptions[c - 5], fraSiteEdit);
        chkSite[c]->setToolTip(flagTooltips[c - 5]);
        e->addWidget(chkSite[c], r++, 1);
    }
    cmdPicCopy[2] = new QPushButton("Copy Picture", fraSiteEdit);
    cmdPicCopy[2]->setToolTip("Choose a picture file for this site");
    e->addWidget(cmdPicCopy[2], r++, 1, Qt::AlignLeft);
    e->setRowStretch(r, 1);
    e->setColumnStretch(1, 1);

    connect(updSiteProps[4], &UpDown::changed, this, [this] { updSiteProps_Change(4); });
    connect(cmdPicCopy[2], &QPushButton::clicked, this, [this] { cmdPicCopy_Click(2); });

    row->addWidget(left, 1);
    row->addWidget(fraSiteEdit, 1);
    return tab;
}

QWidget* frmB3Editor::buildSpellTab() {
    auto* tab = new QWidget;
    auto* row = new QVBoxLayout(tab);
    for (std::size_t n = 0; n < 4; ++n) {
        lblPlus[kPlusSpellView5 + n] = PlusLabel(tab);
        lblPlus[kPlusSpellEdit5 + n] = PlusLabel(tab);
    }

    fraSpellProps = new QGroupBox("View Spell Properties", tab);
    auto* v = new QGridLayout(fraSpellProps);
    for (std::size_t c : {1u, 2u, 3u}) lblSpellProps[c] = ValueLabel(fraSpellProps);
    lblSpellProps[2]->setWordWrap(true);
    lblSpellProps[2]->setMinimumHeight(2 * fontMetrics().height() + 6);
    lblSpellProps[2]->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    int r = 0;
    v->addWidget(Caption("Spell Name:", fraSpellProps), r, 0);
    v->addWidget(lblSpellProps[1], r++, 1, 1, 4);
    v->addWidget(Caption("Description:", fraSpellProps), r, 0, Qt::AlignTop | Qt::AlignRight);
    v->addWidget(lblSpellProps[2], r++, 1, 1, 4);
    v->addWidget(Caption("Mana Consumption:", fraSpellProps), r, 0);
    v->addWidget(lblSpellProps[3], r++, 1);
    const int slotTop = r;
    v->addWidget(Caption("Power Name:", fraSpellProps), slotTop, 0);
    v->addWidget(Caption("Value:", fraSpellProps), slotTop + 1, 0);
    for (int n = 0; n < 4; ++n) {
        const auto slot = static_cast<std::size_t>(n);
        lblVal2ReadOnly[slot] = Caption("Value 2:", fraSpellProps);
        for (std::size_t k = 4; k <= 6; ++k)
            lblSpellProps[k + 4 * slot] = ValueLabel(fraSpellProps);
        lblSpellArmy[slot] = ValueLabel(fraSpellProps);
        lblSpellArmy[slot]->setToolTip("The army this power summons");
        v->addWidget(lblSpellProps[4 + 4 * slot], slotTop, 1 + n);
        v->addWidget(
            WithPlus(fraSpellProps, lblSpellProps[5 + 4 * slot], lblPlus[kPlusSpellView5 + slot]),
            slotTop + 1, 1 + n);
        v->addWidget(lblSpellProps[6 + 4 * slot], slotTop + 2, 1 + n);
        v->addWidget(lblSpellArmy[slot], slotTop + 3, 1 + n);
        v->setColumnStretch(1 + n, 1);
    }
    v->addWidget(lblVal2ReadOnly[0], slotTop + 2, 0);
    v->addWidget(Caption("Army:", fraSpellProps), slotTop + 3, 0);
    for (std::size_t n = 1; n < 4; ++n) lblVal2ReadOnly[n]->setVisible(false);

    fraSpellEdit = new QGroupBox("Edit Spell Properties", tab);
    auto* e = new QGridLayout(fraSpellEdit);
    txtSpellProps[1] = new QLineEdit(fraSpellEdit);
    txtSpellProps[1]->setToolTip("Enter the name for the spell");
    txtSpellProps[1]->setMaxLength(16);
    txtSpellProps[2] = new QLineEdit(fraSpellEdit);
    txtSpellProps[2]->setToolTip("Enter a description for the spell");
    txtSpellProps[2]->setMaxLength(128);
    r = 0;
    e->addWidget(Caption("Spell Name:", fraSpellEdit), r, 0);
    e->addWidget(txtSpellProps[1], r++, 1, 1, 4);
    e->addWidget(Caption("Description:", fraSpellEdit), r, 0);
    txtDescription[kSpell] = ParagraphBox(txtSpellProps[2], fraSpellEdit);
    e->addWidget(txtDescription[kSpell], r++, 1, 1, 4);
    e->addWidget(Caption("Mana Consumption:", fraSpellEdit), r, 0);
    e->addWidget(SpinField(fraSpellEdit, txtSpellProps[3], updSpellProps[3], 1, 255, 1,
                           "Set the mana consumption per turn for this spell"),
                 r++, 1);
    const int editTop = r;
    e->addWidget(Caption("Power Name:", fraSpellEdit), editTop, 0);
    e->addWidget(Caption("Value:", fraSpellEdit), editTop + 1, 0);
    e->addWidget(Caption("Army:", fraSpellEdit), editTop + 3, 0);
    for (int n = 0; n < 4; ++n) {
        const auto slot = static_cast<std::size_t>(n);
        cboSpellPowers[slot] = ListBox(fraSpellEdit, "Select a power to give the spell");
        cboSpellPowers[slot]->setObjectName(QString("cboSpellPowers%1").arg(n));
        cboSpellArmy[slot] = ListBox(fraSpellEdit, "Select the army this power summons");
        cboSpellArmy[slot]->setObjectName(QString("cboSpellArmy%1").arg(n));
        e->addWidget(cboSpellPowers[slot], editTop, 1 + n);
        e->addWidget(
            SpinField(fraSpellEdit, txtSpellProps[5 + 4 * slot], updSpellProps[5 + 4 * slot], 0,
                      255, 1, "Set the value of this power", lblPlus[kPlusSpellEdit5 + slot]),
            editTop + 1, 1 + n);
        lblVal2[slot] = new QLabel("Value 2:", fraSpellEdit);
        auto* val2 = new QWidget(fraSpellEdit);
        auto* val2Row = new QHBoxLayout(val2);
        val2Row->setContentsMargins(0, 0, 0, 0);
        val2Row->addWidget(lblVal2[slot]);
        val2Row->addWidget(SpinField(val2, txtSpellProps[6 + 4 * slot], updSpellProps[6 + 4 * slot],
                                     0, 255, 1, "Set the value of this power"));
        e->addWidget(val2, editTop + 2, 1 + n);
        e->addWidget(cboSpellArmy[slot], editTop + 3, 1 + n);
        e->setColumnStretch(1 + n, 1);
        connect(cboSpellPowers[slot], &QComboBox::currentIndexChanged, this,
                [this, n] { cboSpellPowers_Click(n); });
    }
    e->setRowMinimumHeight(editTop + 2, 26);
    e->setRowMinimumHeight(editTop + 3, 26);
    for (int c : {3, 5, 6, 9, 10, 13, 14, 17, 18}) {
        connect(updSpellProps[static_cast<std::size_t>(c)], &UpDown::changed, this,
                [this, c] { updSpellProps_Change(c); });
    }

    row->addWidget(fraSpellProps, 1);
    row->addWidget(fraSpellEdit, 1);
    return tab;
}

// ---------------------------------------------------------------------------------------------
// Start-up, kinds and browsing

}  // namespace b3::editor
