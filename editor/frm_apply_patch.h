// frmApplyPatch: what a patch would change in the installation, value by value, with its
// conflicts, before anything is written. The window only asks; the caller applies the patch with
// the choice made here when the user presses Apply.
#pragma once

#include <QDialog>
#include <string>

#include "patch/patch.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace b3::editor {

class frmApplyPatch : public QDialog {
    Q_OBJECT
public:
    // Runs the dry runs of `patch` on the installation in `installFolder` (nothing is written);
    // fails with b3::Error when the installation cannot be read. `file` names the patch.
    frmApplyPatch(const b3::patch::Patch& patch, const std::string& installFolder,
                  const QString& file, QWidget* parent = nullptr);

    // What Apply does with the values that conflict: keep the installation's or take the
    // patch's.
    b3::patch::ConflictChoice choice() const;
    // The files Apply would write with the choice made now.
    std::size_t filesToWrite() const;

    // The table's columns.
    enum Column { kObject, kField, kOld, kNew, kState };

    QLabel* lblPatch = nullptr;
    QLabel* lblSummary = nullptr;
    QTableWidget* grdChanges = nullptr;
    QGroupBox* fraConflicts = nullptr;
    QRadioButton* optKeep = nullptr;
    QRadioButton* optTake = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void FillTable();
    void UpdateSummary();

    b3::patch::ApplyReport keep_;  // conflicts keep the installation's values (the table's rows)
    b3::patch::ApplyReport take_;  // conflicts take the patch's values
};

}  // namespace b3::editor
