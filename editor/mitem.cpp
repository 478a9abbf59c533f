// MItem: the item tab.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "editor/errors.h"
#include "editor/field_bindings.h"
#include "editor/kind_form.h"
#include "editor/modules.h"
#include "editor/pictures.h"
#include "editor/powers.h"
#include "editor/strings.h"
#include "editor/updown.h"

namespace b3::editor::MItem {

namespace {
// The item's properties by column; the module sets the picture and the powers' types itself.
const FieldTable<CItem>& ItemFields() {
    using S = FormSource;
    static const FieldTable<CItem> table = {
        Bind(kItem, "ShortName", &CItem::ShortName, &CItem::setShortName, S::Stored, kWritten),
        Bind(kItem, "DisplayName", &CItem::DisplayName, &CItem::setDisplayName, S::TextBox),
        Bind(kItem, "Description", &CItem::Description, &CItem::setDescription, S::TextBox),
        Bind(kItem, "RelativePower", &CItem::RelativePower, &CItem::setRelativePower, S::Spin),
        Bind(kItem, "IconNumber", &CItem::Icon, &CItem::setIcon, S::Module),
        Bind(kItem, "Cost", &CItem::Cost, &CItem::setCost, S::Spin),
        Bind(kItem, "Power1Type", &CItem::Power1Index, &CItem::setPower1Index, S::Module),
        Bind(kItem, "Power1Value", &CItem::Power1Value, &CItem::setPower1Value, S::Spin),
        Bind(kItem, "Power2Type", &CItem::Power2Index, &CItem::setPower2Index, S::Module),
        Bind(kItem, "Power2Value", &CItem::Power2Value, &CItem::setPower2Value, S::Spin),
    };
    return table;
}
}  // namespace

void FillItemPowerComboBox(QComboBox* combo) {
    FillPowerList(combo, kItemPowers);
}

void Initialize(KindForm& w) {
    // Failures here are not reported.
    try {
        SetKindTooltips(w, 300, "Select an Item");
        ResetFormColumns(w.lblItemProps, w.txtItemProps, w.updItemProps, 10);
        w.picItem[0]->clear();
        w.picItem[1]->setPixmap(ItemBitmap(kFirstItemBitmap + w.updPicSelect->value()));
        SelectText(w.cboItemPowers[0], "None");
        SelectText(w.cboItemPowers[1], "None");
    } catch (...) {
    }
}

void DisplayProps(KindForm& w, const b3::DataArray& data, int row) {
    Trap(w.services(), "MItem::DisplayProps", [&] {
        for (int c : {2, 3, 4, 6, 8, 10}) {
            w.lblItemProps[static_cast<std::size_t>(c)]->setText(CellText(data, row, c));
        }
        w.lblItemProps[7]->setText(PowerName(w.editObject(), CellInt(data, row, 7)));
        w.lblItemProps[9]->setText(PowerName(w.editObject(), CellInt(data, row, 9)));
        ShowText(w.txtItemProps[2], CellText(data, row, 2));
        ShowText(w.txtItemProps[3], CellText(data, row, 3));
        for (int c : {4, 6, 8, 10}) {
            w.updItemProps[static_cast<std::size_t>(c)]->setStoredValue(CellInt(data, row, c));
        }
        SelectText(w.cboItemPowers[0], PowerName(w.editObject(), CellInt(data, row, 7)));
        SelectText(w.cboItemPowers[1], PowerName(w.editObject(), CellInt(data, row, 9)));
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

bool FillItemObjects(CItem& stored, CItem& working, const b3::DataArray& data, KindForm& w) {
    bool ok = false;
    try {
        const int row = w.SelectedRowKey();
        if (row >= 0) LoadFromRow(ItemFields(), stored, data, row);
        if (w.cboItemPowers[0]->currentIndex() < 0 && w.cboItemPowers[1]->currentIndex() < 0) {
            throw b3::Error(kErrNoItemPower, "MItem::FillItemObjects",
                            LoadResString(kMsgItemNeedsPower).toStdString());
        }
        CollectFromForm(ItemFields(), working, stored, w.updItemProps, w.txtItemProps);
        working.setIcon(w.updPicSelect->value());
        working.setPower1Index(
            static_cast<std::int16_t>(SelectedDataOr(w.cboItemPowers[0], stored.Power1Index())));
        working.setPower2Index(
            static_cast<std::int16_t>(SelectedDataOr(w.cboItemPowers[1], stored.Power2Index())));
        ok = true;
    } catch (...) {
        ReportCurrentException(w.services(), "MItem::FillItemObjects");
    }
    return ok;
}

bool HasItemChanged(KindForm& w, const CItem& s, const CItem& k) {
    bool changed = false;
    Trap(w.services(), "MItem::HasItemChanged",
         [&] { changed = CountChanged(ItemFields(), s, k) >= 1; });
    return changed;
}

bool ConvertObjectToArray(KindForm& w, b3::ObjectArray& a, const CItem& k) {
    return Trap(w.services(), "MItem::ConvertObjectToArray",
                [&] { WriteToArray(ItemFields(), k, a); });
}

}  // namespace b3::editor::MItem
