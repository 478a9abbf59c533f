// The power lists of the kinds, in the order their lists are filled, and the helpers that the
// kind modules share for lists, cells and tooltips.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <string>

#include "b3/edit_object.h"

class QComboBox;
class QLineEdit;

namespace b3::editor {

class KindForm;

inline constexpr std::array<int, 28> kArmyPowers = {0,  38, 28, 37, 2,  33, 27, 12, 4,  30,
                                                    6,  16, 39, 3,  40, 26, 5,  32, 41, 44,
                                                    45, 46, 47, 48, 49, 50, 51, 52};
inline constexpr std::array<int, 44> kItemPowers = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  11, 12, 13, 14, 15, 16, 17, 18, 23, 24, 28, 30,
    31, 32, 33, 38, 39, 40, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 27, 26, 41};
inline constexpr std::array<int, 13> kSitePowers = {0,  7,  8,  10, 14, 19, 21,
                                                    23, 25, 26, 27, 33, 40};
inline constexpr std::array<int, 47> kSpellPowers = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  12, 13, 14, 15, 16, 17, 18, 22, 23, 24, 25, 26, 27, 29,
    30, 31, 32, 33, 35, 36, 38, 39, 40, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 56};
inline constexpr std::array<int, 37> kHeroGridPowers = {
    38, 28, 2,  33, 12, 4,  30, 13, 6,  14, 11, 16, 1,  39, 3,  9,  7,  0, 40,
    5,  15, 20, 8,  32, 23, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 55, 57};
inline constexpr int kSummonArmy = 22;

// Adds an entry at its alphabetical place (ignoring case), with `data` as its item datum.
void AddSorted(QComboBox* combo, const QString& text, int data);
// Fills a sorted power list from the string table.
template <std::size_t N>
void FillPowerList(QComboBox* combo, const std::array<int, N>& codes);
void FillPowerListImpl(QComboBox* combo, const int* codes, std::size_t n);
template <std::size_t N>
void FillPowerList(QComboBox* combo, const std::array<int, N>& codes) {
    FillPowerListImpl(combo, codes.data(), N);
}

// Selects the entry whose text is `text` exactly; no selection when there is none.
void SelectText(QComboBox* combo, const QString& text);
// The item datum of the selected entry; fails with number 381 when nothing is selected.
int SelectedData(QComboBox* combo);

// The item datum of the selected entry; `fallback` when nothing is selected (a stored power
// that the list does not offer stays as it is).
int SelectedDataOr(QComboBox* combo, int fallback);

// Shows a text in a box from its beginning.
void ShowText(QLineEdit* box, const QString& text);

// Cell helpers.
QString CellText(const b3::Cell& cell);
int CellInt(const b3::Cell& cell);
QString CellText(const b3::DataArray& data, int row, int column);
int CellInt(const b3::DataArray& data, int row, int column);
b3::Cell TextCell(const QString& text);
inline b3::Cell ByteCell(int v) {
    return b3::Cell::byte(static_cast<std::uint8_t>(v));
}
inline b3::Cell IntCell(int v) {
    return b3::Cell::integer(static_cast<std::int16_t>(v));
}

// The name of a power type, sound or facing through the edit server's conversions.
QString PowerName(const b3::_CEditObject& object, int code);
QString SoundName(const b3::_CEditObject& object, int code);
QString FacingName(const b3::_CEditObject& object, int code);

// Sets the toolbar and browse tooltips and the list prompt of a kind.
void SetKindTooltips(KindForm& w, int base, const QString& prompt);

}  // namespace b3::editor
