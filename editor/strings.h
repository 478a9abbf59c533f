// The editor's string table: the names of sounds, facings, terrains and powers, its messages and
// the toolbar tooltips of each kind, looked up by numeric identifier.
#pragma once

#include <QString>

namespace b3::editor {

// Identifier ranges and fixed identifiers of the table.
inline constexpr int kSoundBase = 0;           // 0 to 10
inline constexpr int kFacingBase = 20;         // 20 to 27
inline constexpr int kMoveTerrainBase = 30;    // 30 to 37
inline constexpr int kCombatTerrainBase = 50;  // 50 to 56, starting with "none"
inline constexpr int kPowerBase = 100;         // 100 + power type code
inline constexpr int kMsgNewHeroNeedsProps = 200;
inline constexpr int kMsgHeroGridIncomplete = 201;
inline constexpr int kMsgItemNeedsPower = 202;
inline constexpr int kMsgBadFileName = 203;
inline constexpr int kTooltipBase[5] = {300, 310, 320, 330, 340};

// The text of `id`; an empty text when the table has no such entry.
QString LoadResString(int id);
// Whether the table holds `id`.
bool HasResString(int id);

}  // namespace b3::editor
