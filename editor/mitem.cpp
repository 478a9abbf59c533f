// MItem: the item tab.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "editor/errors.h"
#include "editor/frm_b3editor.h"
#include "editor/modules.h"
#include "editor/pictures.h"
#include "editor/powers.h"
#include "editor/strings.h"
#include "editor/updown.h"

namespace b3::editor::MItem {

void FillItemPowerComboBox(QComboBox* combo) {
    FillPowerList(combo, kItemPowers);
}

void Initialize(frmB3Editor& w) {
    // Failures here are not reported.
    try {
        SetKindTooltips(w, 300, "Select an Item");
        for (int i = 1; i <= 10; ++i) {
            const std::size_t k = static_cast<std::size_t>(i);
            if (w.lblItemProps[k]) w.lblItemProps[k]->clear();
            if (w.txtItemProps[k]) w.txtItemProps[k]->clear();
            if (w.updItemProps[k]) {
                w.updItemProps[k]->setValue(w.updItemProps[k]->min());
                w.txtItemProps[k]->setText(QString::number(w.updItemProps[k]->value()));
            }
        }
        w.picItem[0]->clear();
        w.picItem[1]->setPixmap(ItemBitmap(kFirstItemBitmap + w.updPicSelect->value()));
        SelectText(w.cboItemPowers[0], "None");
        SelectText(w.cboItemPowers[1], "None");
    } catch (...) {
    }
}

void DisplayProps(frmB3Editor& w, const b3::DataArray& data, int row) {
    Trap(w.services(), "MItem::DisplayProps", [&] {
        for (int c : {2, 3, 4, 6, 8, 10}) {
            w.lblItemProps[static_cast<std::size_t>(c)]->setText(CellText(data, row, c));
        }
        w.lblItemProps[7]->setText(PowerName(CellInt(data, row, 7)));
        w.lblItemProps[9]->setText(PowerName(CellInt(data, row, 9)));
        ShowText(w.txtItemProps[2], CellText(data, row, 2));
        ShowText(w.txtItemProps[3], CellText(data, row, 3));
        for (int c : {4, 6, 8, 10}) {
            w.updItemProps[static_cast<std::size_t>(c)]->setStoredValue(CellInt(data, row, c));
        }
        SelectText(w.cboItemPowers[0], PowerName(CellInt(data, row, 7)));
        SelectText(w.cboItemPowers[1], PowerName(CellInt(data, row, 9)));
        const int picture = CellInt(data, row, 5);
        w.picItem[0]->setPixmap(ItemBitmap(kFirstItemBitmap + picture));
        w.picItem[0]->setProperty("b3Bitmap", kFirstItemBitmap + picture);
        w.updPicSelect->setStoredValue(picture);
        const int id = kFirstItemBitmap + w.updPicSelect->value();
        w.picItem[1]->setPixmap(ItemBitmap(id));
        w.picItem[1]->setProperty("b3Bitmap", id);
        w.ShowPluses(row);
        w.ShowEditPluses();
    });
}

bool FillItemObjects(CItem& stored, CItem& working, const b3::DataArray& data, frmB3Editor& w) {
    bool ok = false;
    try {
        const int row = w.SelectedRowKey();
        if (row >= 0) {
            stored.setShortName(CellText(data, row, 1));
            stored.setDisplayName(CellText(data, row, 2));
            stored.setDescription(CellText(data, row, 3));
            stored.setRelativePower(static_cast<std::uint8_t>(CellInt(data, row, 4)));
            stored.setIcon(CellInt(data, row, 5));
            stored.setCost(static_cast<std::int16_t>(CellInt(data, row, 6)));
            stored.setPower1Index(static_cast<std::int16_t>(CellInt(data, row, 7)));
            stored.setPower1Value(static_cast<std::int16_t>(CellInt(data, row, 8)));
            stored.setPower2Index(static_cast<std::int16_t>(CellInt(data, row, 9)));
            stored.setPower2Value(static_cast<std::int16_t>(CellInt(data, row, 10)));
        }
        if (w.cboItemPowers[0]->currentIndex() < 0 && w.cboItemPowers[1]->currentIndex() < 0) {
            throw b3::Error(kErrNoItemPower, "MItem::FillItemObjects",
                            LoadResString(kMsgItemNeedsPower).toStdString());
        }
        working.setShortName(stored.ShortName());
        working.setDisplayName(w.txtItemProps[2]->text());
        working.setDescription(w.txtItemProps[3]->text());
        working.setRelativePower(static_cast<std::uint8_t>(w.updItemProps[4]->value()));
        working.setIcon(w.updPicSelect->value());
        working.setCost(static_cast<std::int16_t>(w.updItemProps[6]->value()));
        working.setPower1Index(
            static_cast<std::int16_t>(SelectedDataOr(w.cboItemPowers[0], stored.Power1Index())));
        working.setPower1Value(static_cast<std::int16_t>(w.updItemProps[8]->value()));
        working.setPower2Index(
            static_cast<std::int16_t>(SelectedDataOr(w.cboItemPowers[1], stored.Power2Index())));
        working.setPower2Value(static_cast<std::int16_t>(w.updItemProps[10]->value()));
        ok = true;
    } catch (...) {
        ReportCurrentException(w.services(), "MItem::FillItemObjects");
    }
    return ok;
}

bool HasItemChanged(frmB3Editor& w, const CItem& s, const CItem& k) {
    bool changed = false;
    Trap(w.services(), "MItem::HasItemChanged", [&] {
        int count = 0;
        count += s.DisplayName() != k.DisplayName();
        count += s.Description() != k.Description();
        count += s.RelativePower() != k.RelativePower();
        count += s.Cost() != k.Cost();
        count += s.Icon() != k.Icon();
        count += s.Power1Index() != k.Power1Index();
        count += s.Power1Value() != k.Power1Value();
        count += s.Power2Index() != k.Power2Index();
        count += s.Power2Value() != k.Power2Value();
        changed = count >= 1;
    });
    return changed;
}

bool ConvertObjectToArray(frmB3Editor& w, b3::ObjectArray& a, const CItem& k) {
    return Trap(w.services(), "MItem::ConvertObjectToArray", [&] {
        a.at(1) = TextCell(k.ShortName());
        a.at(2) = TextCell(k.DisplayName());
        a.at(3) = TextCell(k.Description());
        a.at(4) = ByteCell(k.RelativePower());
        a.at(5) = IntCell(k.Icon());
        a.at(6) = IntCell(k.Cost());
        a.at(7) = IntCell(k.Power1Index());
        a.at(8) = IntCell(k.Power1Value());
        a.at(9) = IntCell(k.Power2Index());
        a.at(10) = IntCell(k.Power2Value());
    });
}

}  // namespace b3::editor::MItem
