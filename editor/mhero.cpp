// MHero: the hero tab and the extended properties it writes from the properties grid.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "editor/errors.h"
#include "editor/frm_b3editor.h"
#include "editor/frm_heroprops.h"
#include "editor/modules.h"
#include "editor/powers.h"
#include "editor/services.h"
#include "editor/strings.h"
#include "editor/updown.h"

namespace b3::editor::MHero {

namespace {
// The medal addition is a signed amount kept in a byte: 246 stands for -10.
int SignedByte(int stored) {
    return stored > 127 ? stored - 256 : stored;
}
}  // namespace

void Initialize(frmB3Editor& w) {
    try {
        SetKindTooltips(w, 320, "Select a Hero");
        for (int i = 1; i <= 126; ++i) {
            const std::size_t k = static_cast<std::size_t>(i);
            if (w.lblHeroProps[k]) w.lblHeroProps[k]->clear();
            if (w.txtHeroProps[k]) w.txtHeroProps[k]->clear();
            if (w.updHeroProps[k]) {
                // The medal addition starts at no change.
                w.updHeroProps[k]->setValue(i == 7 ? 0 : w.updHeroProps[k]->min());
                w.txtHeroProps[k]->setText(QString::number(w.updHeroProps[k]->value()));
            }
        }
    } catch (...) {
    }
    Trap(w.services(), "MHero::Initialize", [&] {
        w.cboHeroSound->setCurrentIndex(0);
        w.cboHeroFacing->setCurrentIndex(4);
        w.ShowPicturePreview(1, QString());
    });
}

void DisplayProps(frmB3Editor& w, const b3::DataArray& data, int row) {
    Trap(w.services(), "MHero::DisplayProps", [&] {
        for (int c : {1, 2, 3, 10, 9, 8, 11}) {
            w.lblHeroProps[static_cast<std::size_t>(c)]->setText(CellText(data, row, c));
        }
        w.lblHeroProps[7]->setText(QString::number(SignedByte(CellInt(data, row, 7))));
        w.lblHeroProps[124]->setText(FacingName(CellInt(data, row, 124)));
        w.lblHeroProps[123]->setText(SoundName(CellInt(data, row, 123)));
        for (int c : {1, 2, 3}) {
            ShowText(w.txtHeroProps[static_cast<std::size_t>(c)], CellText(data, row, c));
        }
        w.updHeroProps[7]->setStoredValue(SignedByte(CellInt(data, row, 7)));
        for (int c : {8, 9, 10, 11}) {
            w.updHeroProps[static_cast<std::size_t>(c)]->setStoredValue(CellInt(data, row, c));
        }
        w.cboHeroFacing->setCurrentIndex(CellInt(data, row, 124));
        w.cboHeroSound->setCurrentIndex(CellInt(data, row, 123));
        w.ShowPicturePreview(1, CellText(data, row, 4));
    });
}

bool FillHeroObjects(CHero& stored, CHero& working, const b3::DataArray& data, frmB3Editor& w) {
    return Trap(w.services(), "MHero::FillHeroObjects", [&] {
        const int row = w.SelectedRowKey();
        if (row >= 0) {
            stored.setDisplayNameMale(CellText(data, row, 1));
            stored.setDisplayNameFemale(CellText(data, row, 2));
            stored.setDescription(CellText(data, row, 3));
            stored.setShortName(CellText(data, row, 4));
            stored.setPictureNameMale(CellText(data, row, 5));
            stored.setPictureNameFemale(CellText(data, row, 6));
            stored.setMedalChanceAddition(static_cast<std::uint8_t>(CellInt(data, row, 7)));
            stored.setStrength(CellInt(data, row, 8));
            stored.setMaxMove(CellInt(data, row, 9));
            stored.setHits(static_cast<std::uint8_t>(CellInt(data, row, 10)));
            stored.setView(static_cast<std::uint8_t>(CellInt(data, row, 11)));
            stored.setMoveBonus1(CellText(data, row, 12));
            stored.setMoveBonus2(CellText(data, row, 13));
            stored.setMoveBonus3(CellText(data, row, 14));
            stored.setMoveBonus4(CellText(data, row, 15));
            stored.setCombatTerrainCode(CellText(data, row, 16));
            stored.setCombatBonusValue(static_cast<std::uint8_t>(CellInt(data, row, 17)));
            stored.setSound(static_cast<std::uint8_t>(CellInt(data, row, 123)));
            stored.setDefaultFacing(static_cast<std::uint8_t>(CellInt(data, row, 124)));
        }
        working.setDisplayNameMale(w.txtHeroProps[1]->text());
        working.setDisplayNameFemale(w.txtHeroProps[2]->text());
        working.setDescription(w.txtHeroProps[3]->text());
        working.setShortName(stored.ShortName());
        working.setMedalChanceAddition(
            static_cast<std::uint8_t>(w.updHeroProps[7]->value() & 0xFF));
        working.setStrength(w.updHeroProps[8]->value());
        working.setMaxMove(w.updHeroProps[9]->value());
        working.setHits(static_cast<std::uint8_t>(w.updHeroProps[10]->value()));
        working.setView(static_cast<std::uint8_t>(w.updHeroProps[11]->value()));
        working.setSound(static_cast<std::uint8_t>(w.cboHeroSound->currentIndex()));
        working.setDefaultFacing(static_cast<std::uint8_t>(w.cboHeroFacing->currentIndex()));
    });
}

bool HasHeroChanged(frmB3Editor& w, const CHero& s, const CHero& k) {
    bool changed = false;
    Trap(w.services(), "MHero::HasHeroChanged", [&] {
        int count = 0;
        count += s.DefaultFacing() != k.DefaultFacing();
        count += s.Description() != k.Description();
        count += s.DisplayNameFemale() != k.DisplayNameFemale();
        count += s.DisplayNameMale() != k.DisplayNameMale();
        count += s.Hits() != k.Hits();
        count += s.MaxMove() != k.MaxMove();
        count += s.MedalChanceAddition() != k.MedalChanceAddition();
        count += s.ShortName() != k.ShortName();
        count += s.Sound() != k.Sound();
        count += s.Strength() != k.Strength();
        count += s.View() != k.View();
        const frmHeroProps* props = w.heroProps();
        const bool filled = props && props->HasFilledProps();
        if (filled) ++count;
        if (w.SelectedRowKey() < 0 && !filled) {
            w.services().messageBox(&w, LoadResString(kMsgNewHeroNeedsProps), kAppTitle,
                                    MsgButtons::Ok);
            changed = false;
            return;
        }
        changed = count >= 1;
    });
    return changed;
}

QString HeroPictureName(const CHero& hero, int gender) {
    const QString& given = gender == 0 ? hero.PictureNameMale() : hero.PictureNameFemale();
    if (!given.isEmpty()) return given;
    return hero.ShortName().left(7).trimmed() + (gender == 0 ? "m" : "f");
}

bool ConvertObjectToArray(frmB3Editor& w, b3::ObjectArray& a, const CHero& k) {
    bool unwound = false;
    const bool converted = Trap(w.services(), "MHero::ConvertObjectToArray", [&] {
        a.at(1) = TextCell(k.DisplayNameMale());
        a.at(2) = TextCell(k.DisplayNameFemale());
        a.at(3) = TextCell(k.Description());
        a.at(4) = TextCell(k.ShortName());
        a.at(7) = ByteCell(k.MedalChanceAddition());
        a.at(8) = ByteCell(k.Strength().toInt());
        a.at(9) = ByteCell(k.MaxMove().toInt());
        a.at(10) = ByteCell(k.Hits());
        a.at(11) = ByteCell(k.View());
        a.at(123) = ByteCell(k.Sound());
        a.at(124) = ByteCell(k.DefaultFacing());
        a.at(5) = TextCell(HeroPictureName(k, 0));
        a.at(6) = TextCell(HeroPictureName(k, 1));
        unwound = UnwindHeroProps(w, a);
    });
    return converted && unwound;
}

bool UnwindHeroProps(frmB3Editor& w, b3::ObjectArray& a) {
    return Trap(w.services(), "MHero::UnwindHeroProps", [&] {
        frmHeroProps* props = w.heroProps();
        if (!props) throw b3::Error(91, "", "Object variable or With block variable not set");
        // A hero whose grid was not opened keeps the extended properties its file holds.
        const int row = w.SelectedRowKey();
        if (!props->HasFilledProps() && row >= 0) props->StartFromPreexistArray(w.DataArray(), row);
        const HeroPropsArray g = props->ConvertXArrayToVarArray();
        auto text = [&](int r, int c) {
            return TextCell(g[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)].toString());
        };
        auto integer = [&](int r, int c) {
            return IntCell(g[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)].toInt());
        };
        auto byte = [&](int r, int c) {
            return ByteCell(g[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)].toInt());
        };
        for (int r = 0; r < kHeroPropRows; ++r) {
            const std::size_t u = static_cast<std::size_t>(r);
            a.at(19 + u) = text(r, 1);
            a.at(30 + u) = text(r, 2);
            a.at(41 + u) = integer(r, 3);
            a.at(52 + u) = integer(r, 4);
            a.at(63 + 3 * u) = integer(r, 5);
            a.at(64 + 3 * u) = integer(r, 6);
            a.at(65 + 3 * u) = text(r, 7);
            a.at(93 + u) = integer(r, 8);
            a.at(103 + u) = text(r, 9);
            a.at(113 + u) = byte(r, 10);
        }
    });
}

}  // namespace b3::editor::MHero
