// Editing the two unit lists in place: deleting, duplicating, moving, clearing and marking units.
// The model keeps each entry's unit, bonuses and row of marks aligned by list position; the list
// widgets show its entries and keep the user's selection.
#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include "calculator/ui/errors.h"
#include "calculator/ui/frm_oddslab.h"
#include "calculator/ui/services.h"
#include "calculator/ui/updown_box.h"

namespace b3::oddslab {

int frmOddsLab::FocusedSide() const {
    QWidget* focus = focusWidget();
    if (focus == lstArmies[0]) return 0;
    if (focus == lstArmies[1]) return 1;
    return menuSide_;
}

void frmOddsLab::lstArmies_DblClick(int Index) {
    Trap(services_, "frmOddsLab::lstArmies_DblClick", [&] {
        const int p = lstArmies[Index]->currentRow();
        // Without a focused entry there is nothing to delete.
        if (p < 0) return;
        DeleteArmyFromList(Index, p);
    });
}

void frmOddsLab::DeleteArmyFromList(int Index, int Position) {
    Trap(services_, "frmOddsLab::DeleteArmyFromList", [&] {
        if (!model_.DeleteEntry(Index, Position)) return;
        // The entries below keep their selection as they move up.
        delete lstArmies[Index]->takeItem(Position);
        if (Index == 1) AdjustDefTerrain(1, model_.Count(1));
        ListChanged(Index);
    });
}

void frmOddsLab::lstArmies_MouseUp(int Index, Qt::MouseButton Button, const QPoint& pos) {
    Trap(services_, "frmOddsLab::lstArmies_MouseUp", [&] {
        if (Button != Qt::RightButton) return;
        QListWidget* list = lstArmies[Index];
        if (focusWidget() != lstArmies[0] && focusWidget() != lstArmies[1]) return;
        const int p = list->currentRow();
        if (p < 0) return;
        const HealthArray& h = model_.Health(Index);
        for (int k : {kBlessed, kDiseased, kPoisoned, kBlacksmith, kWeaponsmaster, kFlying})
            mnuPopupItem[k]->setChecked(h.at(p + 1, k) != 0);
        for (QAction* medal : mnuPopupItemMedals) medal->setChecked(false);
        const int medals = h.at(p + 1, kMedals);
        if (medals >= 0 && medals <= 4) mnuPopupItemMedals[medals]->setChecked(true);
        menuSide_ = Index;
        EvaluateHealthConflicts(Index);
        services_.popupMenu(*mnuPopup, list->viewport()->mapToGlobal(pos));
    });
}

void frmOddsLab::EvaluateHealthConflicts(int Side) {
    Trap(services_, "frmOddsLab::EvaluateHealthConflicts", [&] {
        // With one unit selected or none, the menu acts on the focused one.
        std::vector<int> positions = SelectedPositions(Side);
        if (positions.size() < 2) positions = {lstArmies[Side]->currentRow()};
        const MarkChoices choices = model_.HealthConflicts(Side, positions);
        mnuPopupItem[kBlessed]->setEnabled(choices.blessed);
        mnuPopupItem[kDiseased]->setEnabled(choices.sick);
        mnuPopupItem[kPoisoned]->setEnabled(choices.sick);
    });
}

std::vector<int> frmOddsLab::SelectedPositions(int side) const {
    std::vector<int> positions;
    const QListWidget* list = lstArmies[side];
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) positions.push_back(i);
    return positions;
}

void frmOddsLab::SyncList(int side) {
    QListWidget* list = lstArmies[side];
    while (list->count() > model_.Count(side)) delete list->takeItem(list->count() - 1);
    while (list->count() < model_.Count(side)) {
        auto* item = new QListWidgetItem;
        item->setSizeHint(QSize(-1, rowHeight_));
        list->addItem(item);
    }
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* item = list->item(i);
        const QString text = model_.EntryText(side, i);
        if (item->text() != text) item->setText(text);
        const int id = static_cast<int>(model_.ItemId(side, i));
        if (item->data(Qt::UserRole) != QVariant(id)) item->setData(Qt::UserRole, id);
    }
}

void frmOddsLab::ListChanged(int Side) {
    SyncList(Side);
    PlaceStackLabels(Side);
    UpdateResultState();
}

bool frmOddsLab::AsteriskEligible(const QString& Text) {
    return !Text.isEmpty() && !Text.endsWith('*');
}

// The toolkit has already flipped the entry's check mark when this runs: its new state is the
// mark's new value for every selected unit.
void frmOddsLab::mnuPopupItem_Click(int Index) {
    Trap(services_, "frmOddsLab::mnuPopupItem_Click", [&] {
        if (Index == kMedals || Index < 1 || Index > 7) return;
        const int side = FocusedSide();
        if (side < 0) return;
        const bool set = mnuPopupItem[Index]->isChecked();
        model_.SetMark(side, SelectedPositions(side), Index, set ? 1 : 0);
        ListChanged(side);
    });
}

void frmOddsLab::mnuPopupItemMedals_Click(int Index) {
    Trap(services_, "frmOddsLab::mnuPopupItemMedals_Click", [&] {
        const int side = FocusedSide();
        if (side < 0 || Index < 0 || Index > 4) return;
        model_.SetMark(side, SelectedPositions(side), kMedals, static_cast<std::int16_t>(Index));
        ListChanged(side);
    });
}

void frmOddsLab::mnuPopupDelete_Click() {
    Trap(services_, "frmOddsLab::mnuPopupDelete_Click", [&] {
        const int side = FocusedSide();
        if (side < 0) return;
        QListWidget* list = lstArmies[side];
        // From the bottom up, so that the positions still to visit stay valid.
        for (int i = list->count() - 1; i >= 0; --i)
            if (list->item(i)->isSelected()) DeleteArmyFromList(side, i);
    });
}

void frmOddsLab::sscListArrow_Click(int Index) {
    Trap(services_, "frmOddsLab::sscListArrow", [&] {
        const int side = Index / 2;
        const bool up = Index % 2 == 0;
        QListWidget* list = lstArmies[side];
        const int p = list->currentRow();
        if (up) {
            if (p < 1) return;
            MoveOnlyOne(side);
            MoveArmyInList(side, p, -1);
        } else {
            if (p <= -1 || p >= list->count() - 1) return;
            MoveOnlyOne(side);
            MoveArmyInList(side, p, +1);
        }
    });
}

void frmOddsLab::MoveOnlyOne(int Index) {
    Trap(services_, "frmOddsLab::MoveOnlyOne", [&] {
        QListWidget* list = lstArmies[Index];
        if (list->selectedItems().size() < 2) return;
        const int focused = list->currentRow();
        for (int i = 0; i < list->count(); ++i)
            if (i != focused) list->item(i)->setSelected(false);
    });
}

void frmOddsLab::MoveArmyInList(int Side, int Position, int Direction) {
    Trap(services_, "frmOddsLab::MoveArmyInList", [&] {
        QListWidget* list = lstArmies[Side];
        const int other = Position + Direction;
        if (!model_.MoveEntry(Side, Position, Direction)) return;
        // The moved entry keeps the focus and the selection.
        QListWidgetItem* a = list->item(Position);
        QListWidgetItem* b = list->item(other);
        list->selectionModel()->setCurrentIndex(list->model()->index(other, 0),
                                                QItemSelectionModel::NoUpdate);
        b->setSelected(true);
        a->setSelected(false);
        ListChanged(Side);
    });
}

void frmOddsLab::sscDup_Click(int Index) {
    Trap(services_, "frmOddsLab::sscDup_Click", [&] {
        const int p = lstArmies[Index]->currentRow();
        // Without a focused entry there is nothing to copy.
        if (p < 0) return;
        const int n = txtDup[Index]->text().toInt();
        if (model_.DuplicateEntry(Index, p, n) > 0) {
            SyncList(Index);
            AdjustDefTerrain(Index, model_.Count(Index));
        }
        ListChanged(Index);
    });
}

void frmOddsLab::sscClearList_Click(int Index) {
    Trap(services_, "frmOddsLab::sscClearList_Click", [&] {
        // The other list keeps its units and their marks.
        model_.ClearList(Index);
        lstArmies[Index]->clear();
        ListChanged(Index);
    });
}

}  // namespace b3::oddslab
