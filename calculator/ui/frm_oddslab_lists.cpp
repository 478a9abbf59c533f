// Editing the two unit lists in place: deleting, duplicating, moving, clearing and marking units.
// Every edit keeps three things aligned by list position: the entry's text, its unit identifier
// and its row of marks.
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
        QListWidget* list = lstArmies[Index];
        if (Position < 0 || Position >= list->count()) return;
        delete list->takeItem(Position);
        ShuffleArray(health_[Index], Position, 1);
        if (Index == 1) AdjustDefTerrain(1, list->count());
        ListChanged(Index);
    });
}

void frmOddsLab::ShuffleArray(HealthArray& health, int Start, int Shift) {
    for (int i = Start + 1; i <= kMaxListUnits; ++i)
        for (int c = 1; c <= 7; ++c) {
            const int from = i + Shift;
            health.at(i, c) = from >= 1 && from <= kMaxListUnits + 1 ? health.at(from, c) : 0;
        }
}

void frmOddsLab::lstArmies_MouseUp(int Index, Qt::MouseButton Button, const QPoint& pos) {
    Trap(services_, "frmOddsLab::lstArmies_MouseUp", [&] {
        if (Button != Qt::RightButton) return;
        QListWidget* list = lstArmies[Index];
        if (focusWidget() != lstArmies[0] && focusWidget() != lstArmies[1]) return;
        const int p = list->currentRow();
        if (p < 0) return;
        const HealthArray& h = health_[Index];
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
        QListWidget* list = lstArmies[Side];
        if (list->selectedItems().size() < 2) {
            DisableMenuItems();
            EnableMenuItems();
            return;
        }
        bool blessed = false, sick = false;
        for (int i = 0; i < list->count(); ++i) {
            if (!list->item(i)->isSelected()) continue;
            const HealthArray& h = health_[Side];
            blessed = blessed || h.at(i + 1, kBlessed) != 0;
            sick = sick || h.at(i + 1, kDiseased) != 0 || h.at(i + 1, kPoisoned) != 0;
        }
        mnuPopupItem[kBlessed]->setEnabled(!sick);
        mnuPopupItem[kDiseased]->setEnabled(!blessed);
        mnuPopupItem[kPoisoned]->setEnabled(!blessed);
    });
}

void frmOddsLab::DisableMenuItems() {
    if (mnuPopupItem[kBlessed]->isChecked()) {
        mnuPopupItem[kDiseased]->setEnabled(false);
        mnuPopupItem[kPoisoned]->setEnabled(false);
    }
    if (mnuPopupItem[kDiseased]->isChecked() || mnuPopupItem[kPoisoned]->isChecked())
        mnuPopupItem[kBlessed]->setEnabled(false);
}

void frmOddsLab::EnableMenuItems() {
    if (!mnuPopupItem[kBlessed]->isChecked()) {
        mnuPopupItem[kDiseased]->setEnabled(true);
        mnuPopupItem[kPoisoned]->setEnabled(true);
    }
    if (!mnuPopupItem[kDiseased]->isChecked() && !mnuPopupItem[kPoisoned]->isChecked())
        mnuPopupItem[kBlessed]->setEnabled(true);
}

bool frmOddsLab::UsesMarks(int Side, int Position) const {
    const b3::engine::Long id = ItemId(Side, Position);
    if (id < 0 || id >= numArmies_ + numHeroes_) return false;
    for (int c = 1; c <= 7; ++c)
        if (health_[Side].at(Position + 1, c) != 0) return true;
    return false;
}

void frmOddsLab::ListChanged(int Side) {
    QListWidget* list = lstArmies[Side];
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* item = list->item(i);
        const QString text = UnitText(ItemId(Side, i)) + (UsesMarks(Side, i) ? kMarkSuffix : "");
        if (item->text() != text) item->setText(text);
    }
    PlaceStackLabels(Side);
    UpdateResultState();
}

bool frmOddsLab::AsteriskEligible(const QString& Text) {
    return !Text.isEmpty() && !Text.endsWith('*');
}

bool frmOddsLab::RemoveAsteriskEligible(const QString& Text, int Position, int Side) const {
    const HealthArray& h = health_[Side];
    for (int c = 1; c <= 7; ++c)
        if (h.at(Position + 1, c) != 0) return false;
    return !Text.isEmpty() && Text.endsWith('*');
}

// The toolkit has already flipped the entry's check mark when this runs: its new state is the
// mark's new value for every selected unit.
void frmOddsLab::mnuPopupItem_Click(int Index) {
    Trap(services_, "frmOddsLab::mnuPopupItem_Click", [&] {
        if (Index == kMedals || Index < 1 || Index > 7) return;
        const int side = FocusedSide();
        if (side < 0) return;
        const bool set = mnuPopupItem[Index]->isChecked();
        QListWidget* list = lstArmies[side];
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->isSelected()) health_[side].at(i + 1, Index) = set ? 1 : 0;
        ListChanged(side);
    });
}

void frmOddsLab::mnuPopupItemMedals_Click(int Index) {
    Trap(services_, "frmOddsLab::mnuPopupItemMedals_Click", [&] {
        const int side = FocusedSide();
        if (side < 0 || Index < 0 || Index > 4) return;
        QListWidget* list = lstArmies[side];
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->isSelected())
                health_[side].at(i + 1, kMedals) = static_cast<std::int16_t>(Index);
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
        if (Position < 0 || other < 0 || Position >= list->count() || other >= list->count())
            return;
        QListWidgetItem* a = list->item(Position);
        QListWidgetItem* b = list->item(other);
        const QString text = a->text();
        const QVariant data = a->data(Qt::UserRole);
        const QVariant bonuses = a->data(kBonusRole);
        a->setText(b->text());
        a->setData(Qt::UserRole, b->data(Qt::UserRole));
        a->setData(kBonusRole, b->data(kBonusRole));
        b->setText(text);
        b->setData(Qt::UserRole, data);
        b->setData(kBonusRole, bonuses);
        list->selectionModel()->setCurrentIndex(list->model()->index(other, 0),
                                                QItemSelectionModel::NoUpdate);
        b->setSelected(true);
        a->setSelected(false);
        MoveArmyInHealthArray(health_[Side], Position + 1, Direction);
        ListChanged(Side);
    });
}

void frmOddsLab::MoveArmyInHealthArray(HealthArray& health, int Row, int Direction) {
    for (int c = 1; c <= 7; ++c) std::swap(health.at(Row, c), health.at(Row + Direction, c));
}

void frmOddsLab::sscDup_Click(int Index) {
    Trap(services_, "frmOddsLab::sscDup_Click", [&] {
        QListWidget* list = lstArmies[Index];
        const int p = list->currentRow();
        // Without a focused entry there is nothing to copy.
        if (p < 0) return;
        const int n = txtDup[Index]->text().toInt();
        const QString text = list->item(p)->text();
        const QVariant data = list->item(p)->data(Qt::UserRole);
        for (int k = 0; k < n; ++k) {
            if (list->count() < 1 || list->count() >= kMaxListUnits) continue;
            auto* copy = new QListWidgetItem(text);
            copy->setData(Qt::UserRole, data);
            copy->setData(kBonusRole, list->item(p)->data(kBonusRole));
            copy->setSizeHint(list->item(p)->sizeHint());
            list->addItem(copy);
            // A duplicate carries the marks of its original.
            for (int c = 1; c <= 7; ++c)
                health_[Index].at(list->count(), c) = health_[Index].at(p + 1, c);
            AdjustDefTerrain(Index, list->count());
        }
        ListChanged(Index);
    });
}

void frmOddsLab::sscClearList_Click(int Index) {
    Trap(services_, "frmOddsLab::sscClearList_Click", [&] {
        lstArmies[Index]->clear();
        // The other list keeps its units and their marks.
        RefreshHealthArray(Index);
        ListChanged(Index);
    });
}

void frmOddsLab::RefreshHealthArray(int Side) {
    health_[Side] = HealthArray{};
}

}  // namespace b3::oddslab
