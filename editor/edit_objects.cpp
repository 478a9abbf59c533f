#include "editor/edit_objects.h"

namespace b3::editor {

std::int16_t CSpell::PowerIndex(int slot) const {
    switch (slot) {
        case 0:
            return Power1Index();
        case 1:
            return Power2Index();
        case 2:
            return Power3Index();
        default:
            return Power4Index();
    }
}
std::int16_t CSpell::PowerValue(int slot) const {
    switch (slot) {
        case 0:
            return Power1Value();
        case 1:
            return Power2Value();
        case 2:
            return Power3Value();
        default:
            return Power4Value();
    }
}
std::int16_t CSpell::PowerValue2(int slot) const {
    switch (slot) {
        case 0:
            return Power1Value2();
        case 1:
            return Power2Value2();
        case 2:
            return Power3Value2();
        default:
            return Power4Value2();
    }
}
const QString& CSpell::PowerDescrip(int slot) const {
    switch (slot) {
        case 0:
            return Power1Descrip();
        case 1:
            return Power2Descrip();
        case 2:
            return Power3Descrip();
        default:
            return Power4Descrip();
    }
}
void CSpell::setPowerIndex(int slot, std::int16_t v) {
    switch (slot) {
        case 0:
            setPower1Index(v);
            break;
        case 1:
            setPower2Index(v);
            break;
        case 2:
            setPower3Index(v);
            break;
        default:
            setPower4Index(v);
            break;
    }
}
void CSpell::setPowerValue(int slot, std::int16_t v) {
    switch (slot) {
        case 0:
            setPower1Value(v);
            break;
        case 1:
            setPower2Value(v);
            break;
        case 2:
            setPower3Value(v);
            break;
        default:
            setPower4Value(v);
            break;
    }
}
void CSpell::setPowerValue2(int slot, std::int16_t v) {
    switch (slot) {
        case 0:
            setPower1Value2(v);
            break;
        case 1:
            setPower2Value2(v);
            break;
        case 2:
            setPower3Value2(v);
            break;
        default:
            setPower4Value2(v);
            break;
    }
}
void CSpell::setPowerDescrip(int slot, const QString& v) {
    switch (slot) {
        case 0:
            setPower1Descrip(v);
            break;
        case 1:
            setPower2Descrip(v);
            break;
        case 2:
            setPower3Descrip(v);
            break;
        default:
            setPower4Descrip(v);
            break;
    }
}

}  // namespace b3::editor
