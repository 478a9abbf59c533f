// An up-down spinner: two arrow buttons that step a value between a minimum and a maximum, and
// optionally show it in a buddy text box. Typing a number into the buddy moves the value too.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace b3::editor {

class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr, Qt::Orientation orientation = Qt::Vertical);

    int min() const { return min_; }
    int max() const { return max_; }
    int increment() const { return increment_; }
    int value() const { return value_; }
    void setMin(int v) { min_ = v; }
    void setMax(int v) { max_ = v; }
    void setRange(int lo, int hi, int step = 1);
    // Sets the value, kept within the range when the range is not empty; signals a change.
    void setValue(int v);
    // Sets a value read from a file: shown and kept as it is even outside the range, until the
    // user steps it; signals a change.
    void setStoredValue(int v);
    void stepUp();
    void stepDown();

    void setBuddy(QLineEdit* buddy);
    QLineEdit* buddy() const { return buddy_; }

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

signals:
    void changed();

private:
    void syncFromBuddy(const QString& text);
    int clamp(int v) const;

    int min_ = 0;
    int max_ = 10;
    int increment_ = 1;
    int value_ = 0;
    QLineEdit* buddy_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
};

}  // namespace b3::editor
