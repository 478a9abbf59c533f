// MSpell: the spell tab.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "editor/errors.h"
#include "editor/frm_b3editor.h"
#include "editor/mmain.h"
#include "editor/modules.h"
#include "editor/powers.h"
#include "editor/updown.h"

namespace b3::editor::MSpell {

void FillSpellPowerComboBox(QComboBox* combo) {
    FillPowerList(combo, kSpellPowers);
}

void Initialize(frmB3Editor& w) {
    // Failures here are not reported.
    try {
        SetKindTooltips(w, 340, "Select a Spell");
        for (int i = 1; i <= 19; ++i) {
            const std::size_t k = static_cast<std::size_t>(i);
            if (w.lblSpellProps[k]) w.lblSpellProps[k]->clear();
            if (w.txtSpellProps[k]) w.txtSpellProps[k]->clear();
            if (w.updSpellProps[k]) {
                w.updSpellProps[k]->setValue(w.updSpellProps[k]->min());
                w.txtSpellProps[k]->setText(QString::number(w.updSpellProps[k]->value()));
            }
        }
        // The army lists hold the armies as they are now.
        const b3::DataArray armies = MMain::EditObject().GetEditObjectData(kArmy);
        for (int n = 0; n < 4; ++n) {
            const std::size_t s = static_cast<std::size_t>(n);
            w.lblSpellArmy[s]->clear();
            QComboBox* list = w.cboSpellArmy[s];
            const QSignalBlocker block(list);
            list->clear();
            for (std::size_t r = 0; r < armies.rows(); ++r) {
                list->addItem(CellText(armies.at(r, 1)), CellInt(armies.at(r, 0)));
                list->setItemData(list->count() - 1, CellText(armies.at(r, 3)), Qt::UserRole + 1);
            }
            list->setCurrentIndex(-1);
            SelectText(w.cboSpellPowers[s], "None");
            w.cboSpellPowers_Click(n);
        }
    } catch (...) {
    }
}

void DisplayProps(frmB3Editor& w, const b3::DataArray& data, int row) {
    Trap(w.services(), "MSpell::DisplayProps", [&] {
        for (int c : {1, 2, 3, 5, 6, 9, 10, 13, 14, 17, 18}) {
            w.lblSpellProps[static_cast<std::size_t>(c)]->setText(CellText(data, row, c));
        }
        for (int n = 0; n < 4; ++n) {
            const std::size_t s = static_cast<std::size_t>(n);
            const int power = CellInt(data, row, 4 + 4 * n);
            w.lblSpellProps[4 + 4 * s]->setText(PowerName(power));
            QString army;
            if (power == kSummonArmy) {
                const auto found = MMain::EditObject().ConvertArmyShortName(
                    CellText(data, row, 7 + 4 * n).toStdString());
                army = found.size() > 1 ? CellText(found[1]) : QString();
            }
            w.lblSpellArmy[s]->setText(army);
        }
        ShowText(w.txtSpellProps[1], CellText(data, row, 1));
        ShowText(w.txtSpellProps[2], CellText(data, row, 2));
        for (int c : {3, 5, 6, 9, 10, 13, 14, 17, 18}) {
            w.updSpellProps[static_cast<std::size_t>(c)]->setStoredValue(CellInt(data, row, c));
        }
        for (int n = 0; n < 4; ++n) {
            const std::size_t s = static_cast<std::size_t>(n);
            const int power = CellInt(data, row, 4 + 4 * n);
            SelectText(w.cboSpellPowers[s], PowerName(power));
            w.cboSpellPowers_Click(n);
            if (power == kSummonArmy) {
                // The army to summon is chosen in the edit frame as stored.
                QComboBox* list = w.cboSpellArmy[s];
                const QString shortName = CellText(data, row, 7 + 4 * n).trimmed();
                int at = -1;
                for (int i = 0; i < list->count() && at < 0; ++i) {
                    if (list->itemData(i, Qt::UserRole + 1)
                            .toString()
                            .compare(shortName, Qt::CaseInsensitive) == 0) {
                        at = i;
                    }
                }
                list->setCurrentIndex(at);
            }
        }
        w.ShowPluses(row);
        w.ShowEditPluses();
    });
}

bool FillSpellObjects(CSpell& stored, CSpell& working, const b3::DataArray& data, frmB3Editor& w) {
    return Trap(w.services(), "MSpell::FillSpellObjects", [&] {
        const int row = w.SelectedRowKey();
        if (row >= 0) {
            stored.setDisplayName(CellText(data, row, 1));
            stored.setDescription(CellText(data, row, 2));
            stored.setMana(static_cast<std::int16_t>(CellInt(data, row, 3)));
            for (int n = 0; n < 4; ++n) {
                stored.setPowerIndex(n, static_cast<std::int16_t>(CellInt(data, row, 4 + 4 * n)));
                stored.setPowerValue(n, static_cast<std::int16_t>(CellInt(data, row, 5 + 4 * n)));
                stored.setPowerValue2(n, static_cast<std::int16_t>(CellInt(data, row, 6 + 4 * n)));
                stored.setPowerDescrip(n, CellText(data, row, 7 + 4 * n));
            }
            stored.setPath(CellText(data, row, 20));
        }
        working.setPath(stored.Path());
        working.setDisplayName(w.txtSpellProps[1]->text());
        working.setDescription(w.txtSpellProps[2]->text());
        working.setMana(static_cast<std::int16_t>(w.updSpellProps[3]->value()));
        for (int n = 0; n < 4; ++n) {
            const std::size_t s = static_cast<std::size_t>(n);
            const int power = SelectedDataOr(w.cboSpellPowers[s], stored.PowerIndex(n));
            working.setPowerIndex(n, static_cast<std::int16_t>(power));
            working.setPowerValue(n,
                                  static_cast<std::int16_t>(w.updSpellProps[5 + 4 * s]->value()));
            working.setPowerValue2(n,
                                   static_cast<std::int16_t>(w.updSpellProps[6 + 4 * s]->value()));
            // A summoning slot names its army; a slot whose power is unchanged keeps its text;
            // a slot given another power starts without one.
            QComboBox* army = w.cboSpellArmy[s];
            QString descrip;
            if (power == kSummonArmy) {
                if (army->currentIndex() >= 0) {
                    descrip = army->currentData(Qt::UserRole + 1).toString();
                }
            } else if (row >= 0 && power == stored.PowerIndex(n)) {
                descrip = stored.PowerDescrip(n);
            }
            working.setPowerDescrip(n, descrip);
        }
    });
}

bool HasSpellChanged(frmB3Editor& w, const CSpell& s, const CSpell& k) {
    bool changed = false;
    Trap(w.services(), "MSpell::HasSpellChanged", [&] {
        int count = 0;
        count += s.DisplayName() != k.DisplayName();
        count += s.Description() != k.Description();
        count += s.Mana() != k.Mana();
        for (int n = 0; n < 4; ++n) {
            count += s.PowerIndex(n) != k.PowerIndex(n);
            count += s.PowerValue(n) != k.PowerValue(n);
            count += s.PowerValue2(n) != k.PowerValue2(n);
            count += s.PowerDescrip(n) != k.PowerDescrip(n);
        }
        changed = count >= 1;
    });
    return changed;
}

bool ConvertObjectToArray(frmB3Editor& w, b3::ObjectArray& a, const CSpell& k) {
    return Trap(w.services(), "MSpell::ConvertObjectToArray", [&] {
        a.at(1) = TextCell(k.DisplayName());
        a.at(2) = TextCell(k.Description());
        a.at(3) = IntCell(k.Mana());
        for (int n = 0; n < 4; ++n) {
            const std::size_t s = static_cast<std::size_t>(n);
            a.at(4 + 4 * s) = IntCell(k.PowerIndex(n));
            a.at(5 + 4 * s) = IntCell(k.PowerValue(n));
            a.at(6 + 4 * s) = IntCell(k.PowerValue2(n));
            a.at(7 + 4 * s) = TextCell(k.PowerDescrip(n));
        }
        a.at(20) = TextCell(k.Path());
    });
}

}  // namespace b3::editor::MSpell
