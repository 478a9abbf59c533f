// MArmy: the army tab.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "editor/errors.h"
#include "editor/frm_b3editor.h"
#include "editor/modules.h"
#include "editor/powers.h"
#include "editor/updown.h"

namespace b3::editor::MArmy {

namespace {
const char* const kCombatTerrains[] = {"none", "city", "field", "hills", "ice", "marsh", "woods"};
constexpr int kArmySpinColumns[] = {20, 18, 7, 6, 23, 21, 5, 4, 8, 9, 10};
}  // namespace

void FillArmyPowerComboBox(QComboBox* combo) {
    FillPowerList(combo, kArmyPowers);
}

void Initialize(frmB3Editor& w) {
    // Controls that do not exist are skipped: failures here are not reported.
    try {
        SetKindTooltips(w, 310, "Select an Army");
        for (int i = 1; i <= 26; ++i) {
            const std::size_t k = static_cast<std::size_t>(i);
            if (w.lblArmyProps[k]) w.lblArmyProps[k]->clear();
            if (w.txtArmyProps[k]) w.txtArmyProps[k]->clear();
            if (w.updArmyProps[k]) {
                w.updArmyProps[k]->setValue(w.updArmyProps[k]->min());
                w.txtArmyProps[k]->setText(QString::number(w.updArmyProps[k]->value()));
            }
        }
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

void DisplayProps(frmB3Editor& w, const b3::DataArray& data, int row) {
    Trap(w.services(), "MArmy::DisplayProps", [&] {
        w.lstArmyMoveBonuses->clear();
        w.lstMoveBonuses->clear();
        for (int c : {1, 2, 20, 18, 17, 7, 6, 23, 21, 4, 5, 8, 9, 10}) {
            w.lblArmyProps[static_cast<std::size_t>(c)]->setText(CellText(data, row, c));
        }
        w.lblArmyProps[25]->setText(FacingName(CellInt(data, row, 25)));
        w.lblArmyProps[22]->setText(PowerName(CellInt(data, row, 22)));
        w.lblArmyProps[24]->setText(SoundName(CellInt(data, row, 24)));
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
        SelectText(w.cboArmyPowers, PowerName(CellInt(data, row, 22)));
        w.cboSound->setCurrentIndex(CellInt(data, row, 24));
        for (int c = 13; c <= 16; ++c) w.ProcessMoveBonus(CellText(data, row, c), 1);
        w.ShowPluses(row);
        w.ShowEditPluses();
        w.ShowPicturePreview(0, CellText(data, row, 3));
    });
}

bool FillArmyObjects(CArmy& stored, CArmy& working, const b3::DataArray& data, frmB3Editor& w) {
    return Trap(w.services(), "MArmy::FillArmyObjects", [&] {
        const int row = w.SelectedRowKey();
        if (row >= 0) {
            stored.setBuildCost(static_cast<std::int16_t>(CellInt(data, row, 20)));
            stored.setCombatBonusValue(static_cast<std::uint8_t>(CellInt(data, row, 18)));
            stored.setCombatTerrainCode(CellText(data, row, 17));
            stored.setDefaultFacing(static_cast<std::uint8_t>(CellInt(data, row, 25)));
            stored.setDescription(CellText(data, row, 2));
            stored.setDisplayName(CellText(data, row, 1));
            stored.setHits(static_cast<std::uint8_t>(CellInt(data, row, 7)));
            stored.setMaxMove(static_cast<std::uint8_t>(CellInt(data, row, 6)));
            stored.setMedalChance(static_cast<std::uint8_t>(CellInt(data, row, 4)));
            stored.setMoveBonus1(CellText(data, row, 13));
            stored.setMoveBonus2(CellText(data, row, 14));
            stored.setMoveBonus3(CellText(data, row, 15));
            stored.setMoveBonus4(CellText(data, row, 16));
            stored.setPowerType(static_cast<std::int16_t>(CellInt(data, row, 22)));
            stored.setPowerValue(static_cast<std::int16_t>(CellInt(data, row, 23)));
            stored.setSetupPoints(static_cast<std::int16_t>(CellInt(data, row, 21)));
            stored.setShortName(CellText(data, row, 3));
            stored.setSound(static_cast<std::uint8_t>(CellInt(data, row, 24)));
            stored.setStrength(static_cast<std::uint8_t>(CellInt(data, row, 5)));
            stored.setTime(static_cast<std::uint8_t>(CellInt(data, row, 8)));
            stored.setUpkeep(static_cast<std::uint8_t>(CellInt(data, row, 9)));
            stored.setView(static_cast<std::uint8_t>(CellInt(data, row, 10)));
        }
        auto spin = [&](int c) { return w.updArmyProps[static_cast<std::size_t>(c)]->value(); };
        // The cost is what its box shows (0 to 9999); the spinner alone stops at 9990.
        working.setBuildCost(static_cast<std::int16_t>(w.txtArmyProps[20]->text().toInt()));
        working.setCombatBonusValue(static_cast<std::uint8_t>(spin(18)));
        const QString terrain = w.cboBonusTerrain->currentText();
        working.setCombatTerrainCode(terrain == "none" ? QString() : terrain);
        working.setDefaultFacing(static_cast<std::uint8_t>(w.cboFacing->currentIndex()));
        working.setDescription(w.txtArmyProps[2]->text());
        working.setDisplayName(w.txtArmyProps[1]->text());
        working.setHits(static_cast<std::uint8_t>(spin(7)));
        working.setMaxMove(static_cast<std::uint8_t>(spin(6)));
        working.setMedalChance(static_cast<std::uint8_t>(spin(4)));
        auto bonus = [&](int i) {
            return i < w.lstMoveBonuses->count() ? w.lstMoveBonuses->item(i)->text() : QString();
        };
        working.setMoveBonus1(bonus(0));
        working.setMoveBonus2(bonus(1));
        working.setMoveBonus3(bonus(2));
        working.setMoveBonus4(bonus(3));
        working.setPowerType(
            static_cast<std::int16_t>(SelectedDataOr(w.cboArmyPowers, stored.PowerType())));
        working.setPowerValue(static_cast<std::int16_t>(spin(23)));
        working.setSetupPoints(static_cast<std::int16_t>(spin(21)));
        working.setShortName(stored.ShortName());
        working.setSound(static_cast<std::uint8_t>(w.cboSound->currentIndex()));
        working.setStrength(static_cast<std::uint8_t>(spin(5)));
        working.setTime(static_cast<std::uint8_t>(spin(8)));
        working.setUpkeep(static_cast<std::uint8_t>(spin(9)));
        working.setView(static_cast<std::uint8_t>(spin(10)));
    });
}

bool HasArmyChanged(frmB3Editor& w, const CArmy& s, const CArmy& k) {
    bool changed = false;
    Trap(w.services(), "MArmy::HasArmyChanged", [&] {
        int count = 0;
        count += s.BuildCost() != k.BuildCost();
        count += s.CombatBonusValue() != k.CombatBonusValue();
        count += s.CombatTerrainCode() != k.CombatTerrainCode();
        count += s.DefaultFacing() != k.DefaultFacing();
        count += s.Description() != k.Description();
        count += s.DisplayName() != k.DisplayName();
        count += s.Hits() != k.Hits();
        count += s.MaxMove() != k.MaxMove();
        count += s.MedalChance() != k.MedalChance();
        count += s.MoveBonus1() != k.MoveBonus1();
        count += s.MoveBonus2() != k.MoveBonus2();
        count += s.MoveBonus3() != k.MoveBonus3();
        count += s.MoveBonus4() != k.MoveBonus4();
        count += s.PowerType() != k.PowerType();
        count += s.PowerValue() != k.PowerValue();
        count += s.SetupPoints() != k.SetupPoints();
        count += s.ShortName() != k.ShortName();
        count += s.Sound() != k.Sound();
        count += s.Strength() != k.Strength();
        count += s.Time() != k.Time();
        count += s.Upkeep() != k.Upkeep();
        count += s.View() != k.View();
        changed = count >= 1;
    });
    return changed;
}

bool ConvertObjectToArray(frmB3Editor& w, b3::ObjectArray& a, const CArmy& k) {
    return Trap(w.services(), "MArmy::ConvertObjectToArray", [&] {
        a.at(1) = TextCell(k.DisplayName());
        a.at(2) = TextCell(k.Description());
        a.at(3) = TextCell(k.ShortName());
        a.at(4) = ByteCell(k.MedalChance());
        a.at(5) = ByteCell(k.Strength());
        a.at(6) = ByteCell(k.MaxMove());
        a.at(7) = ByteCell(k.Hits());
        a.at(8) = ByteCell(k.Time());
        a.at(9) = ByteCell(k.Upkeep());
        a.at(10) = ByteCell(k.View());
        a.at(13) = TextCell(k.MoveBonus1());
        a.at(14) = TextCell(k.MoveBonus2());
        a.at(15) = TextCell(k.MoveBonus3());
        a.at(16) = TextCell(k.MoveBonus4());
        a.at(17) = TextCell(k.CombatTerrainCode());
        a.at(18) = ByteCell(k.CombatBonusValue());
        a.at(20) = IntCell(k.BuildCost());
        a.at(21) = IntCell(k.SetupPoints());
        a.at(22) = IntCell(k.PowerType());
        a.at(23) = IntCell(k.PowerValue());
        a.at(24) = ByteCell(k.Sound());
        a.at(25) = ByteCell(k.DefaultFacing());
    });
}

}  // namespace b3::editor::MArmy
