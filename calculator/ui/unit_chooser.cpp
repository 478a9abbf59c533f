#include "calculator/ui/unit_chooser.h"

#include <QKeyEvent>
#include <QWheelEvent>

namespace b3::oddslab {

UnitChooser::UnitChooser(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    // The open list reports a click or Enter as an activation; the closed box reports its own
    // key presses too, which browsing_ tells apart.
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (!browsing_) emit chosen(index);
    });
}

void UnitChooser::wheelEvent(QWheelEvent* event) {
    // Left to the window around the box (it may scroll); the choice stays as it is.
    event->ignore();
}

void UnitChooser::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier) {
        if (currentIndex() >= 0) emit chosen(currentIndex());
        event->accept();
        return;
    }
    browsing_ = true;
    QComboBox::keyPressEvent(event);
    browsing_ = false;
}

}  // namespace b3::oddslab
