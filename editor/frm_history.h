// frmHistory: what the history store keeps of the installation's files, one row per operation
// (a save, a delete, an import, a restore...) with its files below it, filtered by object; what
// each changed field by field; and the restoring of a whole operation or of one of its files.
#pragma once

#include <QDialog>
#include <vector>

#include "b3/history.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace b3::editor {

class EditorServices;

class frmHistory : public QDialog {
    Q_OBJECT
public:
    // The history of `installFolder`; `kind` and `shortName` choose the object shown first
    // (all objects when the name is empty). What the history cannot read is told to `messages`.
    frmHistory(EditorServices& services, const std::string& installFolder, int kind,
               const QString& shortName, QWidget* parent = nullptr,
               const b3::MessageSink& messages = {});

    // Fills the operation list for the filter's choice, the newest selected.
    void Reload();
    // Shows the fields of the selected operation's files (or of the selected file) that differ
    // from the files as they are now.
    void ShowChanges();
    // Asks, then puts the selected operation back, every file of it in one step, or only the
    // selected file. True when restored.
    bool RestoreSelected();
    // Whether a restore happened since the window opened (the editor then reads the files again).
    bool restoredAny() const { return restored_; }

    // The operations listed, newest first, in the order of the list's rows.
    const std::vector<b3::HistoryOperationEntry>& operations() const { return shown_; }

    QComboBox* cboFilter = nullptr;
    // One row per operation: time, operation, object(s), number of files; its files as its
    // children.
    QTreeWidget* lstVersions = nullptr;
    QTableWidget* grdChanges = nullptr;
    QLabel* lblSummary = nullptr;
    QPushButton* cmdRestore = nullptr;
    QPushButton* cmdClose = nullptr;

private:
    // The operation and file (-1: the whole operation) of a row of the list.
    struct Choice {
        int operation = -1;
        int file = -1;
    };
    Choice ChoiceOf(const QTreeWidgetItem* row) const;

    EditorServices& services_;
    b3::HistoryStore store_;
    std::vector<b3::HistoryOperationEntry> shown_;
    bool restored_ = false;
};

}  // namespace b3::editor
