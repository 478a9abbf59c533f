// The undo history of the working copy on show: every change the user makes to the edit frame's
// controls becomes one command on a QUndoStack, named after the field it changed; edits kept in
// the hero grid and a picture chosen for a new object are commands of their own. Showing
// another object, another tab or the files read again starts a new history.
//
// Ctrl+Z and Ctrl+Y in a text box of the frames step through the box's own edits first, as
// long as its typing is the latest change (and nothing of the history waits to be redone), then
// go on through this history.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUndoCommand>
#include <QUndoStack>
#include <QVariant>
#include <functional>
#include <utility>
#include <vector>

class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace b3::editor {

class WorkingCopyHistory : public QObject {
    Q_OBJECT
public:
    // `frame` gives the edit frame whose controls hold the working copy now.
    WorkingCopyHistory(std::function<QWidget*()> frame, QObject* parent = nullptr);

    QUndoStack& stack() { return stack_; }

    // Watches every control of `frame` for changes, and its text boxes for Ctrl+Z and Ctrl+Y.
    void watch(QWidget* frame);
    // `box` shows and edits the text that the hidden `field` holds (a description of several
    // lines): the history records the field's changes as the box's.
    void pairBox(QPlainTextEdit* box, QLineEdit* field);
    // The name of a control's field in the commands ("Strength"); unnamed ones are "Change".
    void setLabel(QWidget* control, const QString& label) { labels_.insert(control, label); }
    // The working copy was loaded anew: the next checkpoint starts a new history.
    void restart();
    // The next change is recorded under `name` instead of its field's.
    void nameNextChange(const QString& name) { nextName_ = name; }
    // Records what changed since the last checkpoint; runs by itself after each change.
    void checkpoint();
    // Records at once a change that is still waiting for its checkpoint.
    void flush();
    // Records a change of working-copy state the controls do not hold (the hero grid, a chosen
    // picture), after any control change still waiting to be recorded.
    void push(QUndoCommand* command);

    struct Value {
        QPointer<QWidget> control;
        QVariant value;
    };
    using Snapshot = std::vector<Value>;
    // Puts the controls back to `snapshot` (used by the commands).
    void restore(const Snapshot& snapshot);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Snapshot take() const;
    void schedule();
    // Whether Ctrl+Z (`undo`) or Ctrl+Y in `box` is the box's own step rather than this history's.
    bool boxTakes(QWidget* box, bool undo);

    std::function<QWidget*()> frame_;
    QUndoStack stack_;
    QHash<QWidget*, QString> labels_;
    QHash<QWidget*, QWidget*> paired_;  // description box -> the field that holds its text
    Snapshot baseline_;
    QString nextName_;
    bool stale_ = true;
    bool restoring_ = false;
    bool scheduled_ = false;
};

// A change of one piece of working-copy state outside the controls: the value before and after,
// and how to put a value in place. The change is already made when the command is pushed.
template <typename T>
class ChangeValueCommand : public QUndoCommand {
public:
    ChangeValueCommand(const QString& name, T before, T after, std::function<void(const T&)> apply)
        : QUndoCommand(name),
          before_(std::move(before)),
          after_(std::move(after)),
          apply_(std::move(apply)) {}

    void undo() override { apply_(before_); }
    void redo() override {
        if (first_) {
            first_ = false;
            return;
        }
        apply_(after_);
    }

private:
    T before_, after_;
    std::function<void(const T&)> apply_;
    bool first_ = true;
};

}  // namespace b3::editor
