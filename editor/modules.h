// The per-kind editing modules. Each follows one pattern: Initialize resets the tab,
// DisplayProps shows a data array row in both frames, the fill routine builds the stored and
// working objects, the change check compares them, and ConvertObjectToArray turns the working
// object into the object array the edit server writes. Each returns false when it reported a
// failure.
#pragma once

#include <QComboBox>

#include "b3/edit_object.h"
#include "editor/edit_objects.h"

namespace b3::editor {

class KindForm;

namespace MItem {
void FillItemPowerComboBox(QComboBox* combo);
void Initialize(KindForm& w);
void DisplayProps(KindForm& w, const b3::DataArray& data, int row);
bool FillItemObjects(CItem& stored, CItem& working, const b3::DataArray& data, KindForm& w);
bool HasItemChanged(KindForm& w, const CItem& stored, const CItem& working);
bool ConvertObjectToArray(KindForm& w, b3::ObjectArray& array, const CItem& working);
}  // namespace MItem

namespace MArmy {
void FillArmyPowerComboBox(QComboBox* combo);
void Initialize(KindForm& w);
void DisplayProps(KindForm& w, const b3::DataArray& data, int row);
bool FillArmyObjects(CArmy& stored, CArmy& working, const b3::DataArray& data, KindForm& w);
bool HasArmyChanged(KindForm& w, const CArmy& stored, const CArmy& working);
bool ConvertObjectToArray(KindForm& w, b3::ObjectArray& array, const CArmy& working);
}  // namespace MArmy

namespace MHero {
void Initialize(KindForm& w);
void DisplayProps(KindForm& w, const b3::DataArray& data, int row);
bool FillHeroObjects(CHero& stored, CHero& working, const b3::DataArray& data, KindForm& w);
bool HasHeroChanged(KindForm& w, const CHero& stored, const CHero& working);
bool ConvertObjectToArray(KindForm& w, b3::ObjectArray& array, const CHero& working);
bool UnwindHeroProps(KindForm& w, b3::ObjectArray& array);
// The file name (without extension) of the hero's picture: gender 0 male, 1 female.
QString HeroPictureName(const CHero& hero, int gender);
}  // namespace MHero

namespace MSite {
void FillSitePowerComboBox(QComboBox* combo);
void Initialize(KindForm& w);
void DisplayProps(KindForm& w, const b3::DataArray& data, int row);
bool FillSiteObjects(CSite& stored, CSite& working, const b3::DataArray& data, KindForm& w);
bool HasSiteChanged(KindForm& w, const CSite& stored, const CSite& working);
bool ConvertObjectToArray(KindForm& w, b3::ObjectArray& array, const CSite& working);
}  // namespace MSite

namespace MSpell {
void FillSpellPowerComboBox(QComboBox* combo);
void Initialize(KindForm& w);
void DisplayProps(KindForm& w, const b3::DataArray& data, int row);
bool FillSpellObjects(CSpell& stored, CSpell& working, const b3::DataArray& data, KindForm& w);
bool HasSpellChanged(KindForm& w, const CSpell& stored, const CSpell& working);
bool ConvertObjectToArray(KindForm& w, b3::ObjectArray& array, const CSpell& working);
}  // namespace MSpell

}  // namespace b3::editor
