// frmHistory: the versions the history store keeps of the installation's files, filtered by
// object, with what each changed field by field, and the restoring of one of them.
#pragma once

#include <QDialog>
#include <vector>

#include "b3/history.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace b3::editor {

class EditorServices;

class frmHistory : public QDialog {
    Q_OBJECT
public:
    // The history of `installFolder`; `kind` and `shortName` choose the object shown first
    // (all objects when the name is empty).
    frmHistory(EditorServices& services, const std::string& installFolder, int kind,
               const QString& shortName, QWidget* parent = nullptr);

    // Fills the version list for the filter's choice.
    void Reload();
    // Shows the fields of the selected version that differ from the file as it is now.
    void ShowChanges();
    // Asks, then puts the selected version back. True when restored.
    bool RestoreSelected();
    // Whether a restore happened since the window opened (the editor then reads the files again).
    bool restoredAny() const { return restored_; }

    QComboBox* cboFilter = nullptr;
    QTableWidget* lstVersions = nullptr;
    QTableWidget* grdChanges = nullptr;
    QLabel* lblSummary = nullptr;
    QPushButton* cmdRestore = nullptr;
    QPushButton* cmdClose = nullptr;

private:
    EditorServices& services_;
    b3::HistoryStore store_;
    std::vector<b3::HistoryEntry> shown_;
    bool restored_ = false;
};

}  // namespace b3::editor
