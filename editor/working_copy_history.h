// The undo history of the working copy on show: every change the user makes to the edit frame's
// controls becomes one command on a QUndoStack, named after the field it changed. Showing
// another object, another tab or the files read again starts a new history.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUndoStack>
#include <QVariant>
#include <functional>
#include <vector>

class QWidget;

namespace b3::editor {

class WorkingCopyHistory : public QObject {
    Q_OBJECT
public:
    // `frame` gives the edit frame whose controls hold the working copy now.
    WorkingCopyHistory(std::function<QWidget*()> frame, QObject* parent = nullptr);

    QUndoStack& stack() { return stack_; }

    // Watches every control of `frame` for changes.
    void watch(QWidget* frame);
    // The name of a control's field in the commands ("Strength"); unnamed ones are "Change".
    void setLabel(QWidget* control, const QString& label) { labels_.insert(control, label); }
    // The working copy was loaded anew: the next checkpoint starts a new history.
    void restart();
    // The next change is recorded under `name` instead of its field's.
    void nameNextChange(const QString& name) { nextName_ = name; }
    // Records what changed since the last checkpoint; runs by itself after each change.
    void checkpoint();

    struct Value {
        QPointer<QWidget> control;
        QVariant value;
    };
    using Snapshot = std::vector<Value>;
    // Puts the controls back to `snapshot` (used by the commands).
    void restore(const Snapshot& snapshot);

private:
    Snapshot take() const;
    void schedule();

    std::function<QWidget*()> frame_;
    QUndoStack stack_;
    QHash<QWidget*, QString> labels_;
    Snapshot baseline_;
    QString nextName_;
    bool stale_ = true;
    bool restoring_ = false;
    bool scheduled_ = false;
};

}  // namespace b3::editor
