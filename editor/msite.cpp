// MSite: the site tab.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "editor/errors.h"
#include "editor/field_bindings.h"
#include "editor/kind_form.h"
#include "editor/modules.h"
#include "editor/powers.h"
#include "editor/updown.h"

namespace b3::editor::MSite {

namespace {
// The site's properties by column; the module sets the power type and the flags of the boxes.
const FieldTable<CSite>& SiteFields() {
    using S = FormSource;
    static const FieldTable<CSite> table = {
        Bind(kSite, "DisplayName", &CSite::DisplayName, &CSite::setDisplayName, S::TextBox),
        Bind(kSite, "ShortName", &CSite::ShortName, &CSite::setShortName, S::Stored, kWritten),
        Bind(kSite, "Power1Type", &CSite::PowerIndex, &CSite::setPowerIndex, S::Module),
        Bind(kSite, "Power1Value", &CSite::PowerValue, &CSite::setPowerValue, S::Spin),
        Bind(kSite, "CanRaze", &CSite::CanRaze, &CSite::setCanRaze, S::Module),
        Bind(kSite, "RegAnimOperational", &CSite::IsRegAnimOperational,
             &CSite::setIsRegAnimOperational, S::Module),
        Bind(kSite, "RegAnimRazed", &CSite::IsRegAnimRazed, &CSite::setIsRegAnimRazed, S::Module),
        Bind(kSite, "RegAnimUnused", &CSite::IsRegAnimUnused, &CSite::setIsRegAnimUnused, S::Stored,
             kWritten),
    };
    return table;
}
}  // namespace

void FillSitePowerComboBox(QComboBox* combo) {
    FillPowerList(combo, kSitePowers);
}

void Initialize(KindForm& w) {
    // Failures here are not reported.
    try {
        SetKindTooltips(w, 330, "Select a Site");
        ResetFormColumns(w.lblSiteProps, w.txtSiteProps, w.updSiteProps, 8);
        for (std::size_t k = 1; k <= 8; ++k) {
            if (w.chkSite[k]) w.chkSite[k]->setChecked(false);
            if (w.chkSiteReadOnly[k]) w.chkSiteReadOnly[k]->setChecked(false);
        }
        // A new site starts without a power.
        SelectText(w.cboSitePowers, "None");
        w.ShowPicturePreview(2, QString());
    } catch (...) {
    }
}

void DisplayProps(KindForm& w, const b3::DataArray& data, int row) {
    Trap(w.services(), "MSite::DisplayProps", [&] {
        w.lblSiteProps[1]->setText(CellText(data, row, 1));
        w.lblSiteProps[3]->setText(PowerName(w.editObject(), CellInt(data, row, 3)));
        w.lblSiteProps[4]->setText(CellText(data, row, 4));
        for (int c = 5; c <= 7; ++c) {
            w.chkSiteReadOnly[static_cast<std::size_t>(c)]->setChecked(CellInt(data, row, c) != 0);
        }
        ShowText(w.txtSiteProps[1], CellText(data, row, 1));
        w.updSiteProps[4]->setStoredValue(CellInt(data, row, 4));
        SelectText(w.cboSitePowers, PowerName(w.editObject(), CellInt(data, row, 3)));
        for (int c = 5; c <= 7; ++c) {
            w.chkSite[static_cast<std::size_t>(c)]->setChecked(CellInt(data, row, c) != 0);
        }
        w.ShowPluses(row);
        w.ShowEditPluses();
        w.ShowPicturePreview(2, CellText(data, row, 2));
    });
}

bool FillSiteObjects(CSite& stored, CSite& working, const b3::DataArray& data, KindForm& w) {
    return Trap(w.services(), "MSite::FillSiteObjects", [&] {
        const int row = w.SelectedRowKey();
        if (row >= 0) LoadFromRow(SiteFields(), stored, data, row);
        CollectFromForm(SiteFields(), working, stored, w.updSiteProps, w.txtSiteProps);
        // A ticked box keeps the flag byte the file held when it was already set.
        auto flag = [&](int c, std::uint8_t before) -> std::uint8_t {
            if (!w.chkSite[static_cast<std::size_t>(c)]->isChecked()) return 0;
            return before != 0 ? before : 1;
        };
        working.setPowerIndex(
            static_cast<std::int16_t>(SelectedDataOr(w.cboSitePowers, stored.PowerIndex())));
        working.setCanRaze(flag(5, stored.CanRaze()));
        working.setIsRegAnimOperational(flag(6, stored.IsRegAnimOperational()));
        working.setIsRegAnimRazed(flag(7, stored.IsRegAnimRazed()));
    });
}

bool HasSiteChanged(KindForm& w, const CSite& s, const CSite& k) {
    bool changed = false;
    Trap(w.services(), "MSite::HasSiteChanged",
         [&] { changed = CountChanged(SiteFields(), s, k) >= 1; });
    return changed;
}

bool ConvertObjectToArray(KindForm& w, b3::ObjectArray& a, const CSite& k) {
    return Trap(w.services(), "MSite::ConvertObjectToArray",
                [&] { WriteToArray(SiteFields(), k, a); });
}

}  // namespace b3::editor::MSite
