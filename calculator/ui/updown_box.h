// A number box with its up-down spinner: a spin box whose text box can be reached by name and,
// where the number is only chosen with the spinner, cannot be typed into.
#pragma once

#include <QLineEdit>
#include <QSpinBox>

namespace b3::oddslab {

class UpDownBox : public QSpinBox {
public:
    // A spinner from `lo` to `hi` in steps of 1 showing `value`, its text centred.
    UpDownBox(int lo, int hi, int value, bool typeable = false, QWidget* parent = nullptr)
        : QSpinBox(parent) {
        setRange(lo, hi);
        setSingleStep(1);
        setValue(value);
        setAlignment(Qt::AlignCenter);
        lineEdit()->setReadOnly(!typeable);
        setKeyboardTracking(false);
    }
    // The buddy text box.
    QLineEdit* text() const { return lineEdit(); }
};

}  // namespace b3::oddslab
