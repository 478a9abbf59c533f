// MArmy: the army tab.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "editor/errors.h"
#include "editor/field_bindings.h"
#include "editor/kind_form.h"
#include "editor/modules.h"
#include "editor/powers.h"
#include "editor/updown.h"

namespace b3::editor::MArmy {

namespace {
const char* const kCombatTerrains[] = {"none", "city", "field", "hills", "ice", "marsh", "woods"};
constexpr int kArmySpinColumns[] = {20, 18, 7, 6, 23, 21, 5, 4, 8, 9, 10};

// The army's properties by column; the module sets those of the combo boxes and lists itself.
const FieldTable<CArmy>& ArmyFields() {
    using S = FormSource;
    static const FieldTable<CArmy> table = {
        Bind(kArmy, "DisplayName", &CArmy::DisplayName, &CArmy::setDisplayName, S::TextBox),
        Bind(kArmy, "Description", &CArmy::Description, &CArmy::setDescription, S::TextBox),
        Bind(kArmy, "ShortName", &CArmy::ShortName, &CArmy::setShortName, S::Stored),
        Bind(kArmy, "MedalChance", &CArmy::MedalChance, &CArmy::setMedalChance, S::Spin),
        Bind(kArmy, "Strength", &CArmy::Strength, &CArmy::setStrength, S::Spin),
        Bind(kArmy, "Move", &CArmy::MaxMove, &CArmy::setMaxMove, S::Spin),
        Bind(kArmy, "Hits", &CArmy::Hits, &CArmy::setHits, S::Spin),
        Bind(kArmy, "Turns", &CArmy::Time, &CArmy::setTime, S::Spin),
        Bind(kArmy, "Upkeep", &CArmy::Upkeep, &CArmy::setUpkeep, S::Spin),
        Bind(kArmy, "View", &CArmy::View, &CArmy::setView, S::Spin),
        Bind(kArmy, "MoveBonus1", &CArmy::MoveBonus1, &CArmy::setMoveBonus1, S::Module),
        Bind(kArmy, "MoveBonus2", &CArmy::MoveBonus2, &CArmy::setMoveBonus2, S::Module),
        Bind(kArmy, "MoveBonus3", &CArmy::MoveBonus3, &CArmy::setMoveBonus3, S::Module),
        Bind(kArmy, "MoveBonus4", &CArmy::MoveBonus4, &CArmy::setMoveBonus4, S::Module),
        Bind(kArmy, "CombatBonusTerrain", &CArmy::CombatTerrainCode, &CArmy::setCombatTerrainCode,
             S::Module),
        Bind(kArmy, "CombatBonusValue", &CArmy::CombatBonusValue, &CArmy::setCombatBonusValue,
             S::Spin),
        Bind(kArmy, "BuildCost", &CArmy::BuildCost, &CArmy::setBuildCost, S::Module),
        Bind(kArmy, "SetupCost", &CArmy::SetupPoints, &CArmy::setSetupPoints, S::Spin),
        Bind(kArmy, "PowerType", &CArmy::PowerType, &CArmy::setPowerType, S::Module),
        Bind(kArmy, "PowerValue", &CArmy::PowerValue, &CArmy::setPowerValue, S::Spin),
        Bind(kArmy, "Sound", &CArmy::Sound, &CArmy::setSound, S::Module),
        Bind(kArmy, "DefaultFacing", &CArmy::DefaultFacing, &CArmy::setDefaultFacing, S::Module),
    };
    return table;
}
}  // namespace

void FillArmyPowerComboBox(QComboBox* combo) {
    FillPowerList(combo, kArmyPowers);
}

void Initialize(KindForm& w) {
    // Controls that do not exist are skipped: failures here are not reported.
    try {
        SetKindTooltips(w, 310, "Select an Army");
        ResetFormColumns(w.lblArmyProps, w.txtArmyProps, w.updArmyProps, 26);
    } catch (...) {
    }
    Trap(w.services(), "MArmy::Initialize", [&] {
        w.lstArmyMoveBonuses->clear();
        SelectText(w.cboArmyPowers, "None");
        w.cboMoveBonus->setCurrentIndex(-1);
        w.cboBonusTerrain->setCurrentIndex(0);
        w.cboSound->setCurrentIndex(0);
        w.cboFacing->setCurrentIndex(4);
        w.lstMoveBonuses->clear();
        w.ShowPicturePreview(0, QString());
    });
}

void DisplayProps(KindForm& w, const b3::DataArray& data, int row) {
    Trap(w.services(), "MArmy::DisplayProps", [&] {
        w.lstArmyMoveBonuses->clear();
        w.lstMoveBonuses->clear();
        for (int c : {1, 2, 20, 18, 17, 7, 6, 23, 21, 4, 5, 8, 9, 10}) {
            w.lblArmyProps[static_cast<std::size_t>(c)]->setText(CellText(data, row, c));
        }
        w.lblArmyProps[25]->setText(FacingName(w.editObject(), CellInt(data, row, 25)));
        w.lblArmyProps[22]->setText(PowerName(w.editObject(), CellInt(data, row, 22)));
        w.lblArmyProps[24]->setText(SoundName(w.editObject(), CellInt(data, row, 24)));
        for (int c = 13; c <= 16; ++c) {
            w.lstArmyMoveBonuses->addItem(CellText(data, row, c).toLower());
        }

        ShowText(w.txtArmyProps[1], CellText(data, row, 1));
        ShowText(w.txtArmyProps[2], CellText(data, row, 2));
        for (int c : kArmySpinColumns) {
            w.updArmyProps[static_cast<std::size_t>(c)]->setStoredValue(CellInt(data, row, c));
        }
        // The cost box shows the stored cost even above the spinner's own maximum.
        w.txtArmyProps[20]->setText(QString::number(CellInt(data, row, 20)));
        const QString terrain = CellText(data, row, 17).trimmed();
        int terrainPos = 0;
        for (int i = 0; i < 7; ++i) {
            if (terrain == kCombatTerrains[i]) terrainPos = i;
        }
        w.cboBonusTerrain->setCurrentIndex(terrainPos);
        w.cboFacing->setCurrentIndex(CellInt(data, row, 25));
        SelectText(w.cboArmyPowers, PowerName(w.editObject(), CellInt(data, row, 22)));
        w.cboSound->setCurrentIndex(CellInt(data, row, 24));
        for (int c = 13; c <= 16; ++c) w.ProcessMoveBonus(CellText(data, row, c), 1);
        w.ShowPluses(row);
        w.ShowEditPluses();
        w.ShowPicturePreview(0, CellText(data, row, 3));
    });
}

bool FillArmyObjects(CArmy& stored, CArmy& working, const b3::DataArray& data, KindForm& w) {
    return Trap(w.services(), "MArmy::FillArmyObjects", [&] {
        const int row = w.SelectedRowKey();
        if (row >= 0) LoadFromRow(ArmyFields(), stored, data, row);
        CollectFromForm(ArmyFields(), working, stored, w.updArmyProps, w.txtArmyProps);
        // The cost is what its box shows (0 to 9999); the spinner alone stops at 9990.
        working.setBuildCost(static_cast<std::int16_t>(w.txtArmyProps[20]->text().toInt()));
        const QString terrain = w.cboBonusTerrain->currentText();
        working.setCombatTerrainCode(terrain == "none" ? QString() : terrain);
        working.setDefaultFacing(static_cast<std::uint8_t>(w.cboFacing->currentIndex()));
        auto bonus = [&](int i) {
            return i < w.lstMoveBonuses->count() ? w.lstMoveBonuses->item(i)->text() : QString();
        };
        working.setMoveBonus1(bonus(0));
        working.setMoveBonus2(bonus(1));
        working.setMoveBonus3(bonus(2));
        working.setMoveBonus4(bonus(3));
        working.setPowerType(
            static_cast<std::int16_t>(SelectedDataOr(w.cboArmyPowers, stored.PowerType())));
        working.setSound(static_cast<std::uint8_t>(w.cboSound->currentIndex()));
    });
}

bool HasArmyChanged(KindForm& w, const CArmy& s, const CArmy& k) {
    bool changed = false;
    Trap(w.services(), "MArmy::HasArmyChanged",
         [&] { changed = CountChanged(ArmyFields(), s, k) >= 1; });
    return changed;
}

bool ConvertObjectToArray(KindForm& w, b3::ObjectArray& a, const CArmy& k) {
    return Trap(w.services(), "MArmy::ConvertObjectToArray",
                [&] { WriteToArray(ArmyFields(), k, a); });
}

}  // namespace b3::editor::MArmy
