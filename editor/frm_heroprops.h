// frmHeroProps: the hero's extended properties (level titles, experience and ability figures,
// powers, default names) in a grid of 10 rows by 11 shown columns, bound to a 10 by 12 array.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QStyledItemDelegate>
#include <array>
#include <utility>
#include <vector>

#include "b3/edit_object.h"

class QPushButton;
class QTableView;

namespace b3::editor {

class KindForm;
class frmHeroProps;

inline constexpr int kHeroPropRows = 10;
inline constexpr int kHeroPropColumns = 12;  // columns 0 to 10 are shown
using HeroPropsArray = std::array<std::array<QVariant, kHeroPropColumns>, kHeroPropRows>;

// One entry of a value list: the stored value and the text the grid shows for it.
struct ValueItem {
    QVariant value;
    QString display;
};

// The grid's model over the array of frmHeroProps.
class HeroPropsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    HeroPropsModel(frmHeroProps& form, QObject* parent)
        : QAbstractTableModel(parent), form_(form) {}
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void reload() {
        beginResetModel();
        endResetModel();
    }
    void cellChanged(int row, int column) {
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        (void)column;
    }

private:
    frmHeroProps& form_;
};

// Drop-down editors for the three value-list columns.
class HeroPropsDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit HeroPropsDelegate(frmHeroProps& form, QObject* parent = nullptr)
        : QStyledItemDelegate(parent), form_(form) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

private:
    frmHeroProps& form_;
};

class frmHeroProps : public QDialog {
    Q_OBJECT
public:
    // A dialog of `parent` that reports through the dialogs of `owner`, the form it edits for.
    frmHeroProps(KindForm& owner, QWidget* parent);
    ~frmHeroProps() override;

    bool HasFilledProps() const { return hasFilledProps_; }
    void setHasFilledProps(bool v) { hasFilledProps_ = v; }
    bool IsDirty = false;

    void CreateEmptyArray();
    void StartFromPreexistArray(const b3::DataArray& array, int row);
    // Between the grid's array and a plain two-dimensional array.
    void ConvertVarArrayToXArray(const HeroPropsArray& values);
    HeroPropsArray ConvertXArrayToVarArray() const;
    void Convert2DVarArrayToXArray(const std::vector<std::vector<QVariant>>& values);
    // Whether rows 0 to 8 hold a value in columns 1 to 6 and 8 to 10.
    bool RequiredCellsFilled() const;

    // Normalises a changed cell by its column.
    void tdbgHeroProps_AfterColUpdate(int row, int column);
    void cmdExit_Click();
    // Escape and the close box: edits made since the window opened are kept or dropped as the
    // user answers; Cancel stays in the grid.
    void reject() override;
    // Whether the user kept edits that did not fill every required cell; the grid then holds
    // them for the next "More Properties...".
    bool HoldsKeptEdits() const { return keptEdits_; }
    // Drops what the grid holds for the hero shown before.
    void Forget() {
        keptEdits_ = false;
        IsDirty = false;
    }

    // What the grid holds for the hero's working copy, as an undo step takes and restores it.
    struct State {
        HeroPropsArray values;
        bool dirty = false;
        bool kept = false;
        bool filled = false;
        bool operator==(const State&) const = default;
    };
    State state() const { return {XHeroProps, IsDirty, keptEdits_, hasFilledProps_}; }
    void setState(const State& state);

    // Cell access for the model (and for the tests).
    const QVariant& cell(int row, int column) const {
        return XHeroProps[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    }
    // Sets a cell as the user's edit does: marks the grid dirty and normalises it.
    void editCell(int row, int column, const QVariant& value);

    const std::vector<ValueItem>& valueList(int column) const;
    QString displayOf(int column, const QVariant& value) const;

    QTableView* tdbgHeroProps = nullptr;
    QPushButton* cmdExit = nullptr;
    HeroPropsArray XHeroProps;

private:
    KindForm& owner_;
    HeroPropsModel* model_ = nullptr;
    bool hasFilledProps_ = false;
    bool keptEdits_ = false;
    // The grid as it was when the window was shown, for edits the user drops.
    HeroPropsArray openedWith_;
    bool openedDirty_ = false;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::vector<ValueItem> powerList_, spellList_, genderList_, none_;
};

}  // namespace b3::editor
