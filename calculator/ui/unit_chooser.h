// The drop-down list from which units are picked into a side's list. Picking adds a unit at once,
// so only a real choice counts: a click on an entry of the open list, or Enter (on the open list
// or on the closed box). The mouse wheel and the arrow and letter keys only move the box's
// current entry, as browsing, and add nothing.
#pragma once

#include <QComboBox>

class QKeyEvent;
class QWheelEvent;

namespace b3::oddslab {

class UnitChooser : public QComboBox {
    Q_OBJECT
public:
    explicit UnitChooser(QWidget* parent = nullptr);

signals:
    // The user chose the entry at `index`.
    void chosen(int index);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool browsing_ = false;
};

}  // namespace b3::oddslab
