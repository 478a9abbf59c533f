// MSpell: the spell tab.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "editor/errors.h"
#include "editor/field_bindings.h"
#include "editor/kind_form.h"
#include "editor/mmain.h"
#include "editor/modules.h"
#include "editor/powers.h"
#include "editor/updown.h"

namespace b3::editor::MSpell {

namespace {
// The spell's properties by column; the module sets the powers' types and descriptions itself.
const FieldTable<CSpell>& SpellFields() {
    using S = FormSource;
    static const FieldTable<CSpell> table = [] {
        FieldTable<CSpell> t = {
            Bind(kSpell, "DisplayName", &CSpell::DisplayName, &CSpell::setDisplayName, S::TextBox),
            Bind(kSpell, "Description", &CSpell::Description, &CSpell::setDescription, S::TextBox),
            Bind(kSpell, "Mana", &CSpell::Mana, &CSpell::setMana, S::Spin),
        };
        struct Slot {
            std::int16_t (CSpell::*index)() const;
            void (CSpell::*setIndex)(std::int16_t);
            std::int16_t (CSpell::*value)() const;
            void (CSpell::*setValue)(std::int16_t);
            std::int16_t (CSpell::*value2)() const;
            void (CSpell::*setValue2)(std::int16_t);
            const QString& (CSpell::*descrip)() const;
            void (CSpell::*setDescrip)(const QString&);
        };
        const Slot powerSlots[] = {
            {&CSpell::Power1Index, &CSpell::setPower1Index, &CSpell::Power1Value,
             &CSpell::setPower1Value, &CSpell::Power1Value2, &CSpell::setPower1Value2,
             &CSpell::Power1Descrip, &CSpell::setPower1Descrip},
            {&CSpell::Power2Index, &CSpell::setPower2Index, &CSpell::Power2Value,
             &CSpell::setPower2Value, &CSpell::Power2Value2, &CSpell::setPower2Value2,
             &CSpell::Power2Descrip, &CSpell::setPower2Descrip},
            {&CSpell::Power3Index, &CSpell::setPower3Index, &CSpell::Power3Value,
             &CSpell::setPower3Value, &CSpell::Power3Value2, &CSpell::setPower3Value2,
             &CSpell::Power3Descrip, &CSpell::setPower3Descrip},
            {&CSpell::Power4Index, &CSpell::setPower4Index, &CSpell::Power4Value,
             &CSpell::setPower4Value, &CSpell::Power4Value2, &CSpell::setPower4Value2,
             &CSpell::Power4Descrip, &CSpell::setPower4Descrip},
        };
        int n = 1;
        for (const Slot& slot : powerSlots) {
            const std::string power = "Power" + std::to_string(n++);
            t.push_back(Bind(kSpell, power + "Type", slot.index, slot.setIndex, S::Module));
            t.push_back(Bind(kSpell, power + "Value1", slot.value, slot.setValue, S::Spin));
            t.push_back(Bind(kSpell, power + "Value2", slot.value2, slot.setValue2, S::Spin));
            t.push_back(
                Bind(kSpell, power + "Description", slot.descrip, slot.setDescrip, S::Module));
        }
        t.push_back(Bind(kSpell, "File", &CSpell::Path, &CSpell::setPath, S::Stored, kWritten));
        return t;
    }();
    return table;
}
}  // namespace

void FillSpellPowerComboBox(QComboBox* combo) {
    FillPowerList(combo, kSpellPowers);
}

void Initialize(KindForm& w) {
    // Failures here are not reported.
    try {
        SetKindTooltips(w, 340, "Select a Spell");
        ResetFormColumns(w.lblSpellProps, w.txtSpellProps, w.updSpellProps, 19);
        // The army lists hold the armies as they are now.
        const b3::DataArray armies = w.editObject().GetEditObjectData(kArmy);
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

void DisplayProps(KindForm& w, const b3::DataArray& data, int row) {
    Trap(w.services(), "MSpell::DisplayProps", [&] {
        for (int c : {1, 2, 3, 5, 6, 9, 10, 13, 14, 17, 18}) {
            w.lblSpellProps[static_cast<std::size_t>(c)]->setText(CellText(data, row, c));
        }
        for (int n = 0; n < 4; ++n) {
            const std::size_t s = static_cast<std::size_t>(n);
            const int power = CellInt(data, row, 4 + 4 * n);
            w.lblSpellProps[4 + 4 * s]->setText(PowerName(w.editObject(), power));
            QString army;
            if (power == kSummonArmy) {
                const auto found = w.editObject().ConvertArmyShortName(
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
            SelectText(w.cboSpellPowers[s], PowerName(w.editObject(), power));
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

bool FillSpellObjects(CSpell& stored, CSpell& working, const b3::DataArray& data, KindForm& w) {
    return Trap(w.services(), "MSpell::FillSpellObjects", [&] {
        const int row = w.SelectedRowKey();
        if (row >= 0) LoadFromRow(SpellFields(), stored, data, row);
        CollectFromForm(SpellFields(), working, stored, w.updSpellProps, w.txtSpellProps);
        for (int n = 0; n < 4; ++n) {
            const std::size_t s = static_cast<std::size_t>(n);
            const int power = SelectedDataOr(w.cboSpellPowers[s], stored.PowerIndex(n));
            working.setPowerIndex(n, static_cast<std::int16_t>(power));
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

bool HasSpellChanged(KindForm& w, const CSpell& s, const CSpell& k) {
    bool changed = false;
    Trap(w.services(), "MSpell::HasSpellChanged",
         [&] { changed = CountChanged(SpellFields(), s, k) >= 1; });
    return changed;
}

bool ConvertObjectToArray(KindForm& w, b3::ObjectArray& a, const CSpell& k) {
    return Trap(w.services(), "MSpell::ConvertObjectToArray",
                [&] { WriteToArray(SpellFields(), k, a); });
}

}  // namespace b3::editor::MSpell
