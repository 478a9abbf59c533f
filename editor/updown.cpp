#include "editor/updown.h"

#include <QBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace b3::editor {

UpDown::UpDown(QWidget* parent, Qt::Orientation orientation) : QWidget(parent) {
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    const bool vertical = orientation == Qt::Vertical;
    up_->setArrowType(vertical ? Qt::UpArrow : Qt::RightArrow);
    down_->setArrowType(vertical ? Qt::DownArrow : Qt::LeftArrow);
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(vertical ? QSize(18, 11) : QSize(18, 22));
    }
    auto* layout = vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(this))
                            : static_cast<QBoxLayout*>(new QHBoxLayout(this));
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (vertical) {
        layout->addWidget(up_);
        layout->addWidget(down_);
    } else {
        layout->addWidget(down_);
        layout->addWidget(up_);
    }
    connect(up_, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(down_, &QToolButton::clicked, this, &UpDown::stepDown);
}

void UpDown::setRange(int lo, int hi, int step) {
    min_ = lo;
    max_ = hi;
    increment_ = step;
}

int UpDown::clamp(int v) const {
    if (max_ < min_) return min_;
    return v < min_ ? min_ : v > max_ ? max_ : v;
}

void UpDown::setValue(int v) {
    v = clamp(v);
    if (buddy_ && buddy_->text() != QString::number(v)) buddy_->setText(QString::number(v));
    if (v == value_) return;
    value_ = v;
    emit changed();
}

void UpDown::setStoredValue(int v) {
    if (buddy_ && buddy_->text() != QString::number(v)) buddy_->setText(QString::number(v));
    if (v == value_) return;
    value_ = v;
    emit changed();
}

void UpDown::stepUp() {
    if (max_ < min_) return;
    setValue(value_ + increment_);
}

void UpDown::stepDown() {
    if (max_ < min_) return;
    setValue(value_ - increment_);
}

void UpDown::setBuddy(QLineEdit* buddy) {
    buddy_ = buddy;
    if (!buddy_) return;
    buddy_->setText(QString::number(value_));
    connect(buddy_, &QLineEdit::textEdited, this, &UpDown::syncFromBuddy);
    connect(buddy_, &QLineEdit::editingFinished, this, [this] {
        // Whatever was typed, the box ends showing a value within the range (the cost box's own
        // rules may allow more than the spinner, and keep what they allow).
        bool ok = false;
        const int typed = buddy_->text().toInt(&ok);
        if (!ok || clamp(typed) != typed) {
            if (buddy_->property("b3KeepsTypedValue").toBool() && ok) return;
            buddy_->setText(QString::number(value_));
        }
    });
}

void UpDown::syncFromBuddy(const QString& text) {
    bool ok = false;
    const int typed = text.toInt(&ok);
    if (!ok) return;
    const int v = clamp(typed);
    if (v == value_) return;
    value_ = v;
    emit changed();
}

}  // namespace b3::editor
