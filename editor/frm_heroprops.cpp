#include "editor/frm_heroprops.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "editor/errors.h"
#include "editor/kind_form.h"
#include "editor/mmain.h"
#include "editor/powers.h"
#include "editor/services.h"
#include "editor/strings.h"

namespace b3::editor {

namespace {

const char* const kCaptions[] = {"Number",       "Level Names - Male", "Level Names - Female",
                                 "Level XP",     "Level AP",           "Power",
                                 "Power Value",  "Power Description",  "Power Cost",
                                 "Default Name", "Name Gender"};

bool IsEmptyCell(const QVariant& v) {
    return !v.isValid() || v.isNull() ||
           (v.typeId() == QMetaType::QString && v.toString().isEmpty());
}

// Powers whose value means nothing: choosing one clears the row's power value.
bool PowerWithoutValue(int code) {
    return code == 0 || code == 9 || code == 13 || code == 15 || code == 16 || code == 20 ||
           code == 57;
}

// A level title is taken when it starts with a letter or one of the codes 30 to 39.
bool AcceptedTitle(const QString& t) {
    if (t.isEmpty()) return false;
    const char16_t c = t.at(0).unicode();
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 30 && c <= 39);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Model

int HeroPropsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kHeroPropRows;
}

int HeroPropsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kHeroPropColumns - 1;
}

QVariant HeroPropsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int r = index.row(), c = index.column();
    const QVariant& v = form_.cell(r, c);
    if (role == Qt::DisplayRole) {
        if (c == 0) return r + 1;
        if (c == 5 || c == 7 || c == 10) return form_.displayOf(c, v);
        return v;
    }
    if (role == Qt::EditRole) return v;
    if (role == Qt::TextAlignmentRole && (c == 0 || c == 3 || c == 4 || c == 6 || c == 8)) {
        return int(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

bool HeroPropsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || index.column() == 0) return false;
    form_.editCell(index.row(), index.column(), value);
    return true;
}

QVariant HeroPropsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal && section >= 0 && section < 11) return kCaptions[section];
    return {};
}

Qt::ItemFlags HeroPropsModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    if (index.column() == 0) return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

// ---------------------------------------------------------------------------------------------
// Delegate

QWidget* HeroPropsDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
    const int c = index.column();
    if (c == 5 || c == 7 || c == 10) {
        auto* combo = new QComboBox(parent);
        for (const ValueItem& item : form_.valueList(c)) combo->addItem(item.display, item.value);
        combo->setMaxVisibleItems(16);
        return combo;
    }
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void HeroPropsDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        const QVariant v = index.data(Qt::EditRole);
        int at = -1;
        for (int i = 0; i < combo->count(); ++i) {
            if (combo->itemData(i).toString() == v.toString()) at = i;
        }
        combo->setCurrentIndex(at);
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void HeroPropsDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                     const QModelIndex& index) const {
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        if (combo->currentIndex() >= 0) model->setData(index, combo->currentData(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

// ---------------------------------------------------------------------------------------------
// The window

frmHeroProps::frmHeroProps(KindForm& owner, QWidget* parent) : QDialog(parent), owner_(owner) {
    setWindowTitle("Hero Properties");
    setModal(true);
    auto* column = new QVBoxLayout(this);
    tdbgHeroProps = new QTableView(this);
    tdbgHeroProps->setObjectName("tdbgHeroProps");
    model_ = new HeroPropsModel(*this, this);  // freed with the dialog
    tdbgHeroProps->setModel(model_);
    tdbgHeroProps->setItemDelegate(new HeroPropsDelegate(*this, tdbgHeroProps));
    tdbgHeroProps->verticalHeader()->setVisible(false);
    tdbgHeroProps->setEditTriggers(QAbstractItemView::AllEditTriggers);
    tdbgHeroProps->setSelectionMode(QAbstractItemView::SingleSelection);
    // Wide enough for the headers and the game's texts; the whole grid fits a 1024 pixel screen.
    const int widths[] = {56, 138, 138, 60, 60, 84, 80, 115, 76, 88, 86};
    for (int c = 0; c < 11; ++c) tdbgHeroProps->setColumnWidth(c, widths[c]);
    column->addWidget(tdbgHeroProps, 1);
    cmdExit = new QPushButton("Exit", this);
    cmdExit->setToolTip("Exit this screen and return to the main Hero screen");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdExit);
    column->addLayout(buttons);
    connect(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
    resize(1008, 380);

    try {
        // 385 and 1420 twips below and right of the main window's corner.
        if (parent) move(parent->x() + 1420 / 15, parent->y() + 385 / 15);
        for (int code : kHeroGridPowers)
            powerList_.push_back({code, LoadResString(kPowerBase + code)});
        const b3::DataArray spells = owner.editObject().GetEditObjectData(kSpell);
        for (std::size_t r = 0; r < spells.rows(); ++r) {
            const std::string path = spells.at(r, 20).toString();
            spellList_.push_back(
                {QString::fromStdString(owner.editObject().ShortNameFromPath(path, kSpell)),
                 CellText(spells.at(r, 1))});
        }
        genderList_ = {{0, "Male"}, {1, "Female"}};
    } catch (...) {
        ReportCurrentException(owner_.services(), "frmHeroProps::Form_Load", true);
    }
    CreateEmptyArray();
    hasFilledProps_ = false;
}

frmHeroProps::~frmHeroProps() = default;

const std::vector<ValueItem>& frmHeroProps::valueList(int column) const {
    switch (column) {
        case 5:
            return powerList_;
        case 7:
            return spellList_;
        case 10:
            return genderList_;
        default:
            return none_;
    }
}

QString frmHeroProps::displayOf(int column, const QVariant& value) const {
    if (IsEmptyCell(value)) return QString();
    for (const ValueItem& item : valueList(column)) {
        if (item.value.toString() == value.toString()) return item.display;
    }
    return value.toString();
}

void frmHeroProps::CreateEmptyArray() {
    for (auto& row : XHeroProps) {
        row.fill(QVariant());
        for (int c : {1, 2, 7, 9}) row[static_cast<std::size_t>(c)] = QString();
        for (int c : {3, 4, 5, 6, 10}) row[static_cast<std::size_t>(c)] = 0;
        row[8] = 1;
    }
    IsDirty = false;
    model_->reload();
}

void frmHeroProps::StartFromPreexistArray(const b3::DataArray& array, int row) {
    try {
        for (int r = 0; r < kHeroPropRows; ++r) {
            auto& g = XHeroProps[static_cast<std::size_t>(r)];
            g.fill(QVariant());
            const QString male = CellText(array, row, 19 + r);
            const QString female = CellText(array, row, 30 + r);
            g[1] = AcceptedTitle(male) ? male : QString();
            g[2] = AcceptedTitle(female) ? female : QString();
            g[3] = CellInt(array, row, 41 + r);
            g[4] = CellInt(array, row, 52 + r);
            g[5] = CellInt(array, row, 63 + 3 * r);
            g[6] = CellInt(array, row, 64 + 3 * r);
            g[7] = CellText(array, row, 65 + 3 * r);
            g[8] = CellInt(array, row, 93 + r);
            g[9] = CellText(array, row, 103 + r);
            g[10] = CellInt(array, row, 113 + r);
        }
        IsDirty = false;
    } catch (...) {
        ReportCurrentException(owner_.services(), "frmHeroProps::StartFromPreexistArray", true);
    }
    model_->reload();
}

void frmHeroProps::ConvertVarArrayToXArray(const HeroPropsArray& values) {
    XHeroProps = values;
    model_->reload();
}

HeroPropsArray frmHeroProps::ConvertXArrayToVarArray() const {
    return XHeroProps;
}

void frmHeroProps::Convert2DVarArrayToXArray(const std::vector<std::vector<QVariant>>& values) {
    for (std::size_t r = 0; r < XHeroProps.size(); ++r) {
        for (std::size_t c = 0; c < XHeroProps[r].size(); ++c) {
            XHeroProps[r][c] =
                r < values.size() && c < values[r].size() ? values[r][c] : QVariant();
        }
    }
    model_->reload();
}

bool frmHeroProps::RequiredCellsFilled() const {
    for (int r = 0; r <= 8; ++r) {
        for (int c : {1, 2, 3, 4, 5, 6, 8, 9, 10}) {
            if (IsEmptyCell(cell(r, c))) return false;
        }
    }
    return true;
}

void frmHeroProps::setState(const State& state) {
    XHeroProps = state.values;
    IsDirty = state.dirty;
    keptEdits_ = state.kept;
    hasFilledProps_ = state.filled;
    model_->reload();
}

void frmHeroProps::editCell(int row, int column, const QVariant& value) {
    if (row < 0 || row >= kHeroPropRows || column < 0 || column >= kHeroPropColumns) return;
    XHeroProps[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = value;
    IsDirty = true;
    tdbgHeroProps_AfterColUpdate(row, column);
    model_->cellChanged(row, column);
}

void frmHeroProps::tdbgHeroProps_AfterColUpdate(int row, int column) {
    try {
        auto& g = XHeroProps[static_cast<std::size_t>(row)];
        QVariant& v = g[static_cast<std::size_t>(column)];
        auto number = [](const QVariant& x) {
            bool ok = false;
            const int n = x.toString().trimmed().toInt(&ok);
            if (!ok)
                throw b3::Error(13, "frmHeroProps::tdbgHeroProps_AfterColUpdate", "Type mismatch");
            return n;
        };
        switch (column) {
            case 1:
            case 2:
                v = v.toString().left(31);
                break;
            case 3:
            case 4:
            case 6:
            case 10:
                v = IsEmptyCell(v) ? 0 : number(v);
                break;
            case 5:
                if (IsEmptyCell(v)) v = 0;
                v = number(v);
                if (PowerWithoutValue(v.toInt())) g[6] = 0;
                break;
            case 7:
                v = v.toString().left(9);
                break;
            case 8:
                v = IsEmptyCell(v) ? 0 : number(v);
                if (v.toInt() < 1) v = 1;
                break;
            case 9:
                v = v.toString().left(16);
                break;
            default:
                break;
        }
    } catch (...) {
        XHeroProps[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = 0;
        ReportCurrentException(owner_.services(), "frmHeroProps::tdbgHeroProps_AfterColUpdate",
                               true);
    }
}

void frmHeroProps::showEvent(QShowEvent* event) {
    openedWith_ = XHeroProps;
    openedDirty_ = IsDirty;
    QDialog::showEvent(event);
}

void frmHeroProps::reject() {
    try {
        if (XHeroProps == openedWith_) {
            QDialog::reject();
            return;
        }
        const MsgResult answer = owner_.services().messageBox(
            this, "Keep the changes you made in the Hero Properties grid?", kAppTitle,
            MsgButtons::SaveDiscardCancel);
        if (answer == MsgResult::Save) {
            hasFilledProps_ = hasFilledProps_ || RequiredCellsFilled();
            keptEdits_ = true;
            QDialog::accept();
        } else if (answer == MsgResult::Discard) {
            XHeroProps = openedWith_;
            IsDirty = openedDirty_;
            model_->reload();
            QDialog::reject();
        }
    } catch (...) {
        ReportCurrentException(owner_.services(), "frmHeroProps::reject", true);
    }
}

void frmHeroProps::cmdExit_Click() {
    try {
        if (RequiredCellsFilled()) {
            hasFilledProps_ = true;
            accept();
            return;
        }
        const MsgResult answer = owner_.services().messageBox(
            this, LoadResString(kMsgHeroGridIncomplete), kAppTitle, MsgButtons::OkCancel);
        // Cancel leaves the form; the edits stay in the grid for the next visit.
        if (answer == MsgResult::Cancel) {
            keptEdits_ = IsDirty;
            QDialog::reject();
        }
    } catch (...) {
        ReportCurrentException(owner_.services(), "frmHeroProps::cmdExit_Click", true);
    }
}

}  // namespace b3::editor
