// The editor's value classes: one object per kind as stored and as being edited. Each property
// is a stored field with a get and a set accessor; the army and item setters normalise texts.
#pragma once

#include <QString>
#include <QVariant>
#include <cstdint>

namespace b3::editor {

#define B3_PROPERTY(Type, Name)  \
public:                          \
    void set##Name(Type value) { \
        Name##_ = value;         \
    }                            \
    Type Name() const {          \
        return Name##_;          \
    }                            \
                                 \
private:                         \
    Type Name##_{};

#define B3_TEXT_PROPERTY(Name)             \
public:                                    \
    void set##Name(const QString& value) { \
        Name##_ = value;                   \
    }                                      \
    const QString& Name() const {          \
        return Name##_;                    \
    }                                      \
                                           \
private:                                   \
    QString Name##_;

// A text cut to its first `n` characters.
inline QString CutText(const QString& text, int n) {
    return text.left(n);
}

class CArmy {
    B3_PROPERTY(std::uint8_t, MedalChance)
    B3_PROPERTY(std::uint8_t, DefaultFacing)
    B3_PROPERTY(std::uint8_t, Sound)
    B3_PROPERTY(std::int16_t, PowerValue)
    B3_PROPERTY(std::int16_t, PowerType)
    B3_PROPERTY(std::int16_t, SetupPoints)
    B3_PROPERTY(std::int16_t, BuildCost)
    B3_PROPERTY(std::uint8_t, CombatBonusValue)
    B3_TEXT_PROPERTY(SubType)
    B3_PROPERTY(std::uint8_t, View)
    B3_PROPERTY(std::uint8_t, Upkeep)
    B3_PROPERTY(std::uint8_t, Time)
    B3_PROPERTY(std::uint8_t, Hits)
    B3_PROPERTY(std::uint8_t, MaxMove)
    B3_PROPERTY(std::uint8_t, Strength)

public:
    // Terrain words and the short name keep their first 8 characters.
    void setCombatTerrainCode(const QString& v) { CombatTerrainCode_ = CutText(v, 8); }
    const QString& CombatTerrainCode() const { return CombatTerrainCode_; }
    void setMoveBonus1(const QString& v) { MoveBonus1_ = CutText(v, 8); }
    const QString& MoveBonus1() const { return MoveBonus1_; }
    void setMoveBonus2(const QString& v) { MoveBonus2_ = CutText(v, 8); }
    const QString& MoveBonus2() const { return MoveBonus2_; }
    void setMoveBonus3(const QString& v) { MoveBonus3_ = CutText(v, 8); }
    const QString& MoveBonus3() const { return MoveBonus3_; }
    void setMoveBonus4(const QString& v) { MoveBonus4_ = CutText(v, 8); }
    const QString& MoveBonus4() const { return MoveBonus4_; }
    void setShortName(const QString& v) { ShortName_ = CutText(v, 8); }
    const QString& ShortName() const { return ShortName_; }
    // An empty description becomes "None"; longer ones keep 127 characters.
    void setDescription(const QString& v) { Description_ = v.isEmpty() ? "None" : CutText(v, 127); }
    const QString& Description() const { return Description_; }
    // An empty name becomes "No Name"; longer ones keep 15 characters.
    void setDisplayName(const QString& v) {
        DisplayName_ = v.isEmpty() ? "No Name" : CutText(v, 15);
    }
    const QString& DisplayName() const { return DisplayName_; }

private:
    QString CombatTerrainCode_, MoveBonus1_, MoveBonus2_, MoveBonus3_, MoveBonus4_, ShortName_,
        Description_, DisplayName_;
};

class CHero {
    B3_PROPERTY(std::uint8_t, MedalChanceAddition)
    B3_PROPERTY(std::uint8_t, Sound)
    B3_PROPERTY(std::uint8_t, DefaultFacing)
    B3_PROPERTY(std::uint8_t, CombatBonusValue)
    B3_TEXT_PROPERTY(CombatTerrainCode)
    B3_TEXT_PROPERTY(MoveBonus4)
    B3_TEXT_PROPERTY(MoveBonus3)
    B3_TEXT_PROPERTY(MoveBonus2)
    B3_TEXT_PROPERTY(MoveBonus1)
    B3_PROPERTY(std::uint8_t, View)
    B3_PROPERTY(std::uint8_t, Hits)
    B3_PROPERTY(QVariant, MaxMove)
    B3_PROPERTY(QVariant, Strength)
    B3_TEXT_PROPERTY(PictureNameFemale)
    B3_TEXT_PROPERTY(PictureNameMale)
    B3_TEXT_PROPERTY(ShortName)
    B3_TEXT_PROPERTY(Description)
    B3_TEXT_PROPERTY(DisplayNameFemale)
    B3_TEXT_PROPERTY(DisplayNameMale)
};

class CItem {
    B3_PROPERTY(std::int16_t, Power2Index)
    B3_PROPERTY(std::int16_t, Power1Index)
    B3_PROPERTY(std::int16_t, Power2Value)
    B3_PROPERTY(std::int16_t, Power1Value)
    B3_PROPERTY(std::int32_t, Icon)
    B3_PROPERTY(std::int16_t, Cost)
    B3_PROPERTY(std::uint8_t, RelativePower)

public:
    void setDescription(const QString& v) { Description_ = v.isEmpty() ? "None" : CutText(v, 127); }
    const QString& Description() const { return Description_; }
    void setDisplayName(const QString& v) {
        DisplayName_ = v.isEmpty() ? "No Name" : CutText(v, 31);
    }
    const QString& DisplayName() const { return DisplayName_; }
    void setShortName(const QString& v) { ShortName_ = CutText(v, 8); }
    const QString& ShortName() const { return ShortName_; }

private:
    QString Description_, DisplayName_, ShortName_;
};

class CSite {
    B3_PROPERTY(std::uint8_t, IsRegAnimUnused)
    B3_PROPERTY(std::uint8_t, IsRegAnimRazed)
    B3_PROPERTY(std::uint8_t, IsRegAnimOperational)
    B3_PROPERTY(std::uint8_t, CanRaze)
    B3_PROPERTY(std::int16_t, PowerValue)
    B3_PROPERTY(std::int16_t, PowerIndex)
    B3_TEXT_PROPERTY(ShortName)
    B3_TEXT_PROPERTY(DisplayName)
};

class CSpell {
    B3_TEXT_PROPERTY(Power4Descrip)
    B3_TEXT_PROPERTY(Power3Descrip)
    B3_TEXT_PROPERTY(Power2Descrip)
    B3_TEXT_PROPERTY(Power1Descrip)
    B3_TEXT_PROPERTY(Path)
    B3_PROPERTY(std::int16_t, Power4Value)
    B3_PROPERTY(std::int16_t, Power3Value)
    B3_PROPERTY(std::int16_t, Power2Value)
    B3_PROPERTY(std::int16_t, Power1Value)
    B3_PROPERTY(std::int16_t, Power4Value2)
    B3_PROPERTY(std::int16_t, Power3Value2)
    B3_PROPERTY(std::int16_t, Power2Value2)
    B3_PROPERTY(std::int16_t, Power1Value2)
    B3_PROPERTY(std::int16_t, Power4Index)
    B3_PROPERTY(std::int16_t, Power3Index)
    B3_PROPERTY(std::int16_t, Power2Index)
    B3_PROPERTY(std::int16_t, Power1Index)
    B3_PROPERTY(std::int16_t, Mana)
    B3_TEXT_PROPERTY(Description)
    B3_TEXT_PROPERTY(DisplayName)

public:
    // Slot access by number (0 to 3) for the procedures that loop over the four power slots.
    std::int16_t PowerIndex(int slot) const;
    std::int16_t PowerValue(int slot) const;
    std::int16_t PowerValue2(int slot) const;
    const QString& PowerDescrip(int slot) const;
    void setPowerIndex(int slot, std::int16_t v);
    void setPowerValue(int slot, std::int16_t v);
    void setPowerValue2(int slot, std::int16_t v);
    void setPowerDescrip(int slot, const QString& v);
};

#undef B3_PROPERTY
#undef B3_TEXT_PROPERTY

}  // namespace b3::editor
