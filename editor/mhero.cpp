// MHero: the hero tab and the extended properties it writes from the properties grid.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "editor/errors.h"
#include "editor/field_bindings.h"
#include "editor/frm_heroprops.h"
#include "editor/kind_form.h"
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

// The hero's properties by column. The form leaves the pictures, move bonuses and combat bonus
// as they are: the writer names the pictures itself (HeroPictureName).
const FieldTable<CHero>& HeroFields() {
    using S = FormSource;
    static const FieldTable<CHero> table = {
        Bind(kHero, "DisplayNameMale", &CHero::DisplayNameMale, &CHero::setDisplayNameMale,
             S::TextBox),
        Bind(kHero, "DisplayNameFemale", &CHero::DisplayNameFemale, &CHero::setDisplayNameFemale,
             S::TextBox),
        Bind(kHero, "Description", &CHero::Description, &CHero::setDescription, S::TextBox),
        Bind(kHero, "ShortName", &CHero::ShortName, &CHero::setShortName, S::Stored),
        Bind(kHero, "PictureMale", &CHero::PictureNameMale, &CHero::setPictureNameMale, S::Module,
             kLoadOnly),
        Bind(kHero, "PictureFemale", &CHero::PictureNameFemale, &CHero::setPictureNameFemale,
             S::Module, kLoadOnly),
        Bind(kHero, "MedalChanceAddition", &CHero::MedalChanceAddition,
             &CHero::setMedalChanceAddition, S::Spin),
        Bind(kHero, "Strength", &CHero::Strength, &CHero::setStrength, S::Spin),
        Bind(kHero, "Move", &CHero::MaxMove, &CHero::setMaxMove, S::Spin),
        Bind(kHero, "Hits", &CHero::Hits, &CHero::setHits, S::Spin),
        Bind(kHero, "View", &CHero::View, &CHero::setView, S::Spin),
        Bind(kHero, "MoveBonus1", &CHero::MoveBonus1, &CHero::setMoveBonus1, S::Module, kLoadOnly),
        Bind(kHero, "MoveBonus2", &CHero::MoveBonus2, &CHero::setMoveBonus2, S::Module, kLoadOnly),
        Bind(kHero, "MoveBonus3", &CHero::MoveBonus3, &CHero::setMoveBonus3, S::Module, kLoadOnly),
        Bind(kHero, "MoveBonus4", &CHero::MoveBonus4, &CHero::setMoveBonus4, S::Module, kLoadOnly),
        Bind(kHero, "CombatBonusTerrain", &CHero::CombatTerrainCode, &CHero::setCombatTerrainCode,
             S::Module, kLoadOnly),
        Bind(kHero, "CombatBonusValue", &CHero::CombatBonusValue, &CHero::setCombatBonusValue,
             S::Module, kLoadOnly),
        Bind(kHero, "Sound", &CHero::Sound, &CHero::setSound, S::Module),
        Bind(kHero, "Facing", &CHero::DefaultFacing, &CHero::setDefaultFacing, S::Module),
    };
    return table;
}
}  // namespace

void Initialize(KindForm& w) {
    try {
        SetKindTooltips(w, 320, "Select a Hero");
        // The medal addition starts at no change.
        const auto medal = static_cast<int>(ColumnNamed(kHero, "MedalChanceAddition"));
        ResetFormColumns(w.lblHeroProps, w.txtHeroProps, w.updHeroProps, 126, [&](int column) {
            return column == medal ? std::optional(0) : std::nullopt;
        });
    } catch (...) {
    }
    Trap(w.services(), "MHero::Initialize", [&] {
        w.cboHeroSound->setCurrentIndex(0);
        w.cboHeroFacing->setCurrentIndex(4);
        w.ShowPicturePreview(1, QString());
    });
}

void DisplayProps(KindForm& w, const b3::DataArray& data, int row) {
    Trap(w.services(), "MHero::DisplayProps", [&] {
        for (int c : {1, 2, 3, 10, 9, 8, 11}) {
            w.lblHeroProps[static_cast<std::size_t>(c)]->setText(CellText(data, row, c));
        }
        w.lblHeroProps[7]->setText(QString::number(SignedByte(CellInt(data, row, 7))));
        w.lblHeroProps[124]->setText(FacingName(w.editObject(), CellInt(data, row, 124)));
        w.lblHeroProps[123]->setText(SoundName(w.editObject(), CellInt(data, row, 123)));
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

bool FillHeroObjects(CHero& stored, CHero& working, const b3::DataArray& data, KindForm& w) {
    return Trap(w.services(), "MHero::FillHeroObjects", [&] {
        const int row = w.SelectedRowKey();
        if (row >= 0) LoadFromRow(HeroFields(), stored, data, row);
        CollectFromForm(HeroFields(), working, stored, w.updHeroProps, w.txtHeroProps);
        working.setSound(static_cast<std::uint8_t>(w.cboHeroSound->currentIndex()));
        working.setDefaultFacing(static_cast<std::uint8_t>(w.cboHeroFacing->currentIndex()));
    });
}

bool HasHeroChanged(KindForm& w, const CHero& s, const CHero& k) {
    bool changed = false;
    Trap(w.services(), "MHero::HasHeroChanged", [&] {
        int count = CountChanged(HeroFields(), s, k);
        const frmHeroProps* props = w.heroProps();
        const bool filled = props && props->HasFilledProps();
        if (filled) ++count;
        if (w.SelectedRowKey() < 0 && !filled) {
            w.services().messageBox(w.formWindow(), LoadResString(kMsgNewHeroNeedsProps), kAppTitle,
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

bool ConvertObjectToArray(KindForm& w, b3::ObjectArray& a, const CHero& k) {
    bool unwound = false;
    const bool converted = Trap(w.services(), "MHero::ConvertObjectToArray", [&] {
        WriteToArray(HeroFields(), k, a);
        a.at(ColumnNamed(kHero, "PictureMale")) = TextCell(HeroPictureName(k, 0));
        a.at(ColumnNamed(kHero, "PictureFemale")) = TextCell(HeroPictureName(k, 1));
        unwound = UnwindHeroProps(w, a);
    });
    return converted && unwound;
}

bool UnwindHeroProps(KindForm& w, b3::ObjectArray& a) {
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
