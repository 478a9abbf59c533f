#include "editor/working_copy_history.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTimer>
#include <QUndoCommand>

#include "editor/updown.h"

namespace b3::editor {

namespace {

bool IsComboEditor(const QWidget* w) {
    return qobject_cast<const QComboBox*>(w->parentWidget()) != nullptr;
}

QVariant ValueOf(QWidget* w) {
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentIndex();
    if (auto* c = qobject_cast<QCheckBox*>(w)) return c->checkState() == Qt::Checked;
    if (auto* l = qobject_cast<QListWidget*>(w)) {
        QStringList items;
        for (int i = 0; i < l->count(); ++i) items << l->item(i)->text();
        return items;
    }
    if (auto* u = qobject_cast<UpDown*>(w)) return u->value();
    return {};
}

enum class Step { None, Undo, Redo };

// The undo and redo keys, as the Edit menu has them.
Step StepOf(const QKeyEvent* key) {
    if (key->matches(QKeySequence::Undo)) return Step::Undo;
    const QKeyCombination keys = key->keyCombination();
    if (key->matches(QKeySequence::Redo) || keys == QKeyCombination(Qt::CTRL, Qt::Key_Y) ||
        keys == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z))
        return Step::Redo;
    return Step::None;
}

// A text box the user types in: its own undo and redo.
bool IsTextBox(const QObject* o) {
    if (const auto* e = qobject_cast<const QLineEdit*>(o)) return !e->isReadOnly();
    if (const auto* p = qobject_cast<const QPlainTextEdit*>(o)) return !p->isReadOnly();
    return false;
}

bool BoxCan(const QWidget* box, bool undo) {
    if (const auto* e = qobject_cast<const QLineEdit*>(box))
        return undo ? e->isUndoAvailable() : e->isRedoAvailable();
    if (const auto* p = qobject_cast<const QPlainTextEdit*>(box))
        return undo ? p->document()->isUndoAvailable() : p->document()->isRedoAvailable();
    return false;
}

void BoxStep(QWidget* box, bool undo) {
    if (auto* e = qobject_cast<QLineEdit*>(box)) undo ? e->undo() : e->redo();
    if (auto* p = qobject_cast<QPlainTextEdit*>(box)) undo ? p->undo() : p->redo();
}

bool SameValues(const WorkingCopyHistory::Snapshot& a, const WorkingCopyHistory::Snapshot& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].control != b[i].control || a[i].value != b[i].value) return false;
    return true;
}

// One change of the working copy: the controls before and after it.
class ChangeCommand : public QUndoCommand {
public:
    ChangeCommand(WorkingCopyHistory& history, WorkingCopyHistory::Snapshot before,
                  WorkingCopyHistory::Snapshot after, QWidget* only, const QString& name)
        : QUndoCommand(name),
          history_(history),
          before_(std::move(before)),
          after_(std::move(after)),
          only_(only) {}

    void undo() override { history_.restore(before_); }
    void redo() override {
        // The change is already on show when the command is pushed.
        if (first_) {
            first_ = false;
            return;
        }
        history_.restore(after_);
    }
    // Typing in one box, step by step, is one command.
    int id() const override { return only_ ? 1 : -1; }
    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const ChangeCommand*>(other);
        if (next->only_ != only_ || next->text() != text()) return false;
        after_ = next->after_;
        // Typing undone back to where it began is no change any more: the stack drops it.
        if (SameValues(before_, after_)) setObsolete(true);
        return true;
    }
    QWidget* only() const { return only_; }

private:
    WorkingCopyHistory& history_;
    WorkingCopyHistory::Snapshot before_, after_;
    QWidget* only_;  // the one control changed, if only one was
    bool first_ = true;
};

}  // namespace

WorkingCopyHistory::WorkingCopyHistory(std::function<QWidget*()> frame, QObject* parent)
    : QObject(parent), frame_(std::move(frame)) {}

void WorkingCopyHistory::watch(QWidget* frame) {
    for (auto* e : frame->findChildren<QLineEdit*>()) {
        if (IsComboEditor(e)) continue;
        connect(e, &QLineEdit::textChanged, this, [this] { schedule(); });
        e->installEventFilter(this);
    }
    for (auto* p : frame->findChildren<QPlainTextEdit*>()) p->installEventFilter(this);
    for (auto* c : frame->findChildren<QComboBox*>())
        connect(c, &QComboBox::currentIndexChanged, this, [this] { schedule(); });
    for (auto* c : frame->findChildren<QCheckBox*>())
        connect(c, &QCheckBox::stateChanged, this, [this] { schedule(); });
    for (auto* l : frame->findChildren<QListWidget*>()) {
        connect(l->model(), &QAbstractItemModel::rowsInserted, this, [this] { schedule(); });
        connect(l->model(), &QAbstractItemModel::rowsRemoved, this, [this] { schedule(); });
        connect(l->model(), &QAbstractItemModel::dataChanged, this, [this] { schedule(); });
    }
    for (auto* u : frame->findChildren<UpDown*>())
        connect(u, &UpDown::changed, this, [this] { schedule(); });
}

void WorkingCopyHistory::pairBox(QPlainTextEdit* box, QLineEdit* field) {
    paired_.insert(box, field);
}

void WorkingCopyHistory::restart() {
    stale_ = true;
    schedule();
}

void WorkingCopyHistory::schedule() {
    if (restoring_ || scheduled_) return;
    scheduled_ = true;
    // Loading an object changes many controls in one go; what they add up to is looked at once
    // the event that changed them is done.
    QTimer::singleShot(0, this, [this] { checkpoint(); });
}

WorkingCopyHistory::Snapshot WorkingCopyHistory::take() const {
    Snapshot snapshot;
    QWidget* frame = frame_();
    if (!frame) return snapshot;
    const auto add = [&snapshot](QWidget* w) { snapshot.push_back({w, ValueOf(w)}); };
    for (auto* u : frame->findChildren<UpDown*>()) add(u);
    for (auto* e : frame->findChildren<QLineEdit*>())
        if (!IsComboEditor(e)) add(e);
    for (auto* c : frame->findChildren<QComboBox*>()) add(c);
    for (auto* c : frame->findChildren<QCheckBox*>()) add(c);
    for (auto* l : frame->findChildren<QListWidget*>()) add(l);
    return snapshot;
}

void WorkingCopyHistory::checkpoint() {
    scheduled_ = false;
    if (restoring_) return;
    Snapshot now = take();
    if (stale_ || now.size() != baseline_.size()) {
        stale_ = false;
        baseline_ = std::move(now);
        stack_.clear();
        nextName_.clear();
        return;
    }
    if (SameValues(now, baseline_)) return;
    QWidget* only = nullptr;
    int changed = 0;
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (now[i].value == baseline_[i].value) continue;
        // A spinner and its box change together; the box names the change.
        if (changed == 0 || qobject_cast<QLineEdit*>(now[i].control.data())) only = now[i].control;
        ++changed;
    }
    const bool spinnerPair = changed == 2 && qobject_cast<QLineEdit*>(only);
    QString name = nextName_;
    if (name.isEmpty()) name = "Change " + labels_.value(only, "Field");
    nextName_.clear();
    Snapshot before = std::move(baseline_);
    baseline_ = now;
    stack_.push(new ChangeCommand(*this, std::move(before), std::move(now),
                                  changed == 1 || spinnerPair ? only : nullptr, name));
}

void WorkingCopyHistory::flush() {
    if (scheduled_ || stale_) checkpoint();
}

void WorkingCopyHistory::push(QUndoCommand* command) {
    flush();
    stack_.push(command);
}

bool WorkingCopyHistory::boxTakes(QWidget* box, bool undo) {
    if (!BoxCan(box, undo)) return false;
    // A step the history waits to redo comes before the box's: redoing goes back the way undoing
    // came, and a step of the box would drop what waits.
    if (stack_.canRedo()) return false;
    if (!undo || !stack_.canUndo()) return true;
    // The box undoes its own typing only while that is the latest change; an older one of the box
    // comes back in its turn, as one step of the history.
    const auto* latest = dynamic_cast<const ChangeCommand*>(stack_.command(stack_.index() - 1));
    return latest && latest->only() == paired_.value(box, box);
}

bool WorkingCopyHistory::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return false;
    const Step step = StepOf(static_cast<QKeyEvent*>(event));
    if (step == Step::None || !IsTextBox(watched)) return false;
    if (event->type() == QEvent::ShortcutOverride) {
        // The keys come to the box rather than to the Edit menu, and are decided below.
        event->accept();
        return true;
    }
    auto* box = static_cast<QWidget*>(watched);
    const bool undo = step == Step::Undo;
    flush();
    if (boxTakes(box, undo)) {
        BoxStep(box, undo);
    } else if (undo) {
        stack_.undo();
    } else {
        stack_.redo();
    }
    return true;
}

void WorkingCopyHistory::restore(const Snapshot& snapshot) {
    restoring_ = true;
    // Spinners first: each writes its box, which then gets the exact text back.
    for (const Value& v : snapshot) {
        QWidget* w = v.control;
        if (!w) continue;
        if (auto* u = qobject_cast<UpDown*>(w)) u->setStoredValue(v.value.toInt());
    }
    for (const Value& v : snapshot) {
        QWidget* w = v.control;
        if (!w) continue;
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            // A box whose text stays keeps its own undo and redo.
            if (e->text() != v.value.toString()) e->setText(v.value.toString());
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            c->setCurrentIndex(v.value.toInt());
        } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
            box->setChecked(v.value.toBool());
        } else if (auto* l = qobject_cast<QListWidget*>(w)) {
            l->clear();
            l->addItems(v.value.toStringList());
        }
    }
    restoring_ = false;
    baseline_ = take();
}

}  // namespace b3::editor
