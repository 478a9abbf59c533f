// MSite: the site tab.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "editor/errors.h"
#include "editor/frm_b3editor.h"
#include "editor/modules.h"
#include "editor/powers.h"
#include "editor/updown.h"

namespace b3::editor::MSite {

void FillSitePowerComboBox(QComboBox* combo) {
    FillPowerList(combo, kSitePowers);
}

void Initialize(frmB3Editor& w) {
    // Failures here are not reported.
    try {
        SetKindTooltips(w, 330, "Select a Site");
        for (int i = 1; i <= 8; ++i) {
            const std::size_t k = static_cast<std::size_t>(i);
            if (w.lblSiteProps[k]) w.lblSiteProps[k]->clear();
            if (w.txtSiteProps[k]) w.txtSiteProps[k]->clear();
            if (w.updSiteProps[k]) {
                w.updSiteProps[k]->setValue(w.updSiteProps[k]->min());
                w.txtSiteProps[k]->setText(QString::number(w.updSiteProps[k]->value()));
            }
            if (w.chkSite[k]) w.chkSite[k]->setChecked(false);
            if (w.chkSiteReadOnly[k]) w.chkSiteReadOnly[k]->setChecked(false);
        }
        // A new site starts without a power.
        SelectText(w.cboSitePowers, "None");
        w.ShowPicturePreview(2, QString());
    } catch (...) {
    }
}

void DisplayProps(frmB3Editor& w, const b3::DataArray& data, int row) {
    Trap(w.services(), "MSite::DisplayProps", [&] {
        w.lblSiteProps[1]->setText(CellText(data, row, 1));
        w.lblSiteProps[3]->setText(PowerName(CellInt(data, row, 3)));
        w.lblSiteProps[4]->setText(CellText(data, row, 4));
        for (int c = 5; c <= 7; ++c) {
            w.chkSiteReadOnly[static_cast<std::size_t>(c)]->setChecked(CellInt(data, row, c) != 0);
        }
        ShowText(w.txtSiteProps[1], CellText(data, row, 1));
        w.updSiteProps[4]->setStoredValue(CellInt(data, row, 4));
        SelectText(w.cboSitePowers, PowerName(CellInt(data, row, 3)));
        for (int c = 5; c <= 7; ++c) {
            w.chkSite[static_cast<std::size_t>(c)]->setChecked(CellInt(data, row, c) != 0);
        }
        w.ShowPluses(row);
        w.ShowEditPluses();
        w.ShowPicturePreview(2, CellText(data, row, 2));
    });
}

bool FillSiteObjects(CSite& stored, CSite& working, const b3::DataArray& data, frmB3Editor& w) {
    return Trap(w.services(), "MSite::FillSiteObjects", [&] {
        const int row = w.SelectedRowKey();
        if (row >= 0) {
            stored.setDisplayName(CellText(data, row, 1));
            stored.setShortName(CellText(data, row, 2));
            stored.setPowerIndex(static_cast<std::int16_t>(CellInt(data, row, 3)));
            stored.setPowerValue(static_cast<std::int16_t>(CellInt(data, row, 4)));
            stored.setCanRaze(static_cast<std::uint8_t>(CellInt(data, row, 5)));
            stored.setIsRegAnimOperational(static_cast<std::uint8_t>(CellInt(data, row, 6)));
            stored.setIsRegAnimRazed(static_cast<std::uint8_t>(CellInt(data, row, 7)));
            stored.setIsRegAnimUnused(static_cast<std::uint8_t>(CellInt(data, row, 8)));
        }
        // A ticked box keeps the flag byte the file held when it was already set.
        auto flag = [&](int c, std::uint8_t before) -> std::uint8_t {
            if (!w.chkSite[static_cast<std::size_t>(c)]->isChecked()) return 0;
            return before != 0 ? before : 1;
        };
        working.setShortName(stored.ShortName());
        working.setDisplayName(w.txtSiteProps[1]->text());
        working.setPowerIndex(
            static_cast<std::int16_t>(SelectedDataOr(w.cboSitePowers, stored.PowerIndex())));
        working.setPowerValue(static_cast<std::int16_t>(w.updSiteProps[4]->value()));
        working.setCanRaze(flag(5, stored.CanRaze()));
        working.setIsRegAnimOperational(flag(6, stored.IsRegAnimOperational()));
        working.setIsRegAnimRazed(flag(7, stored.IsRegAnimRazed()));
        working.setIsRegAnimUnused(stored.IsRegAnimUnused());
    });
}

bool HasSiteChanged(frmB3Editor& w, const CSite& s, const CSite& k) {
    bool changed = false;
    Trap(w.services(), "MSite::HasSiteChanged", [&] {
        int count = 0;
        count += s.CanRaze() != k.CanRaze();
        count += s.DisplayName() != k.DisplayName();
        count += s.IsRegAnimOperational() != k.IsRegAnimOperational();
        count += s.IsRegAnimRazed() != k.IsRegAnimRazed();
        count += s.PowerIndex() != k.PowerIndex();
        count += s.PowerValue() != k.PowerValue();
        changed = count >= 1;
    });
    return changed;
}

bool ConvertObjectToArray(frmB3Editor& w, b3::ObjectArray& a, const CSite& k) {
    return Trap(w.services(), "MSite::ConvertObjectToArray", [&] {
        a.at(1) = TextCell(k.DisplayName());
        a.at(2) = TextCell(k.ShortName());
        a.at(3) = IntCell(k.PowerIndex());
        a.at(4) = IntCell(k.PowerValue());
        a.at(5) = ByteCell(k.CanRaze());
        a.at(6) = ByteCell(k.IsRegAnimOperational());
        a.at(7) = ByteCell(k.IsRegAnimRazed());
        a.at(8) = ByteCell(k.IsRegAnimUnused());
    });
}

}  // namespace b3::editor::MSite
