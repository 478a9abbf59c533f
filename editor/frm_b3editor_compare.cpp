// frmB3Editor and other copies of the game: File > Compare with Installation... marks what
// differs from another installation (which is only read), File > Apply Patch... shows what a
// patch changes and applies it through the patch library.
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>

#include "common_ui/screen_fit.h"
#include "editor/compare_view.h"
#include "editor/errors.h"
#include "editor/frm_apply_patch.h"
#include "editor/frm_b3editor.h"
#include "editor/installation_compare.h"
#include "editor/mmain.h"
#include "editor/services.h"
#include "patch/patch.h"

namespace b3::editor {

namespace {

namespace bp = b3::patch;

constexpr const char* kCompareFolderKey = "editor/compareFolder";
constexpr const char* kPatchFolderKey = "editor/patchFolder";

QString Native(const std::string& path) {
    return QDir::toNativeSeparators(QString::fromStdString(path));
}

QString SameFolderKey(const QString& folder) {
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
#ifdef _WIN32
    return clean.toLower();
#else
    return clean;
#endif
}

// The text of a refusal without the patch library's closing words, which the box says itself.
QString Refusal(const std::exception& e) {
    QString text = QString::fromUtf8(e.what());
    const QString tail = "; nothing was changed";
    if (text.endsWith(tail)) text.chop(tail.size());
    return text;
}

QString Counted(std::size_t n, const char* one, const char* many) {
    return QString("%1 %2").arg(n).arg(n == 1 ? one : many);
}

}  // namespace

void frmB3Editor::buildCompareMenu(QMenu* file) {
    mnuCompare = file->addAction("&Compare with Installation...", this, [this] {
        Trap(services_, "frmB3Editor::CompareWithInstallation", [&] { CompareWithInstallation(); });
    });
    mnuCompare->setObjectName("mnuCompare");
    mnuCompare->setToolTip("Mark the objects and values that differ from another copy of the game");
    mnuEndCompare = file->addAction("&End Comparison", this, [this] { EndComparison(); });
    mnuEndCompare->setObjectName("mnuEndCompare");
    mnuEndCompare->setEnabled(false);
    mnuApplyPatch = file->addAction("&Apply Patch...", this, [this] {
        Trap(services_, "frmB3Editor::ApplyPatchFile", [&] { ApplyPatchFile(); });
    });
    mnuApplyPatch->setObjectName("mnuApplyPatch");
}

// ---------------------------------------------------------------------------------------------
// Comparing

void frmB3Editor::CompareWithInstallation() {
    if (!holder_.HasEditObject()) return;
    const QString here = QString::fromStdString(editObject().InstallPath());
    FileDialogRequest request;
    request.title = "Compare with Installation";
    request.initialFolder =
        QSettings().value(kCompareFolderKey, QFileInfo(here).absolutePath()).toString();
    request.save = false;
    request.folder = true;
    const auto chosen = services_.fileDialog(this, request);
    if (chosen) StartComparison(*chosen);
}

bool frmB3Editor::StartComparison(const QString& folder) {
    if (!holder_.HasEditObject()) return false;
    const std::string here = editObject().InstallPath();
    const QString there = QDir::cleanPath(QDir(folder).absolutePath());
    if (SameFolderKey(there) == SameFolderKey(QString::fromStdString(here))) {
        services_.messageBox(this,
                             QString("%1 is the installation open now.\r\nChoose another copy "
                                     "of the game to compare it with.")
                                 .arg(QDir::toNativeSeparators(there)),
                             kAppTitle, MsgButtons::Error);
        return false;
    }
    auto comparison = std::make_unique<InstallationComparison>(here, there.toStdString());
    try {
        comparison->Refresh(model_.kind(), editObject());
    } catch (const std::exception& e) {
        const QString why =
            dynamic_cast<const b3::Error*>(&e)
                ? QString::fromStdString(static_cast<const b3::Error&>(e).description())
                : QString::fromUtf8(e.what());
        services_.messageBox(this,
                             QString("The folder %1 cannot be compared with this installation:"
                                     "\r\n%2\r\n\r\nChoose the folder that holds the game's "
                                     "Army, Hero, Items, Sites and Spell folders.")
                                 .arg(QDir::toNativeSeparators(there), why),
                             kAppTitle, MsgButtons::Error);
        return false;
    }
    QSettings().setValue(kCompareFolderKey, there);
    // A comparison under way gives way to the new one.
    compare_.reset();
    compare_ = std::make_unique<CompareView>(*this, std::move(comparison));
    connect(compare_->cmdEndCompare, &QPushButton::clicked, this, [this] { EndComparison(); });
    mnuEndCompare->setEnabled(true);
    MarkComparedList(false);
    return true;
}

void frmB3Editor::EndComparison() {
    compare_.reset();
    if (mnuEndCompare) mnuEndCompare->setEnabled(false);
    UpdateTitle();
}

void frmB3Editor::MarkComparedList(bool compareAgain) {
    if (!compare_ || !holder_.HasEditObject()) return;
    // Another installation was opened meanwhile: it is the one compared now, unless it is the
    // other one itself.
    const std::string here = editObject().InstallPath();
    if (here != compare_->comparison().hereFolder()) {
        if (SameFolderKey(QString::fromStdString(here)) ==
            SameFolderKey(QString::fromStdString(compare_->comparison().thereFolder()))) {
            EndComparison();
            return;
        }
        compare_->comparison().setHereFolder(here);
        compareAgain = true;
    }
    if (compareAgain) {
        try {
            compare_->comparison().Refresh(model_.kind(), editObject());
        } catch (const std::exception& e) {
            // The other folder went away or became unreadable: the marks go with it, once.
            const QString there = compare_->thereText();
            const QString why =
                dynamic_cast<const b3::Error*>(&e)
                    ? QString::fromStdString(static_cast<const b3::Error&>(e).description())
                    : QString::fromUtf8(e.what());
            EndComparison();
            services_.messageBox(
                this,
                QString("The comparison with %1 has ended: it cannot be read any more.\r\n%2")
                    .arg(there, why),
                kAppTitle, MsgButtons::Error);
            return;
        }
    }
    compare_->MarkList(model_.kind(), model_.filter());
    MarkComparedObject();
}

void frmB3Editor::MarkComparedObject() {
    if (!compare_) return;
    compare_->MarkForm(model_.kind(), ShortNameAt(model_.shownPosition()));
}

// ---------------------------------------------------------------------------------------------
// Patches

void frmB3Editor::ApplyPatchFile() {
    if (!holder_.HasEditObject()) return;
    // Unsaved changes are asked about first, as before any other move away from the object.
    if (!MayLeave()) return;
    FileDialogRequest request;
    request.title = "Apply Patch";
    request.initialFolder =
        QSettings()
            .value(kPatchFolderKey,
                   QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
            .toString();
    request.filter = "Patch files (*.b3patch)|*.b3patch|All files (*)|*";
    request.save = false;
    const auto chosen = services_.fileDialog(this, request);
    if (!chosen) return;
    QSettings().setValue(kPatchFolderKey, QFileInfo(*chosen).absolutePath());
    ApplyPatchFromFile(*chosen);
}

bool frmB3Editor::ApplyPatchFromFile(const QString& file) {
    bp::Patch patch;
    try {
        patch = bp::ReadPatch(file.toStdString());
    } catch (const std::exception& e) {
        services_.messageBox(
            this,
            QString("The patch cannot be applied; nothing was changed.\r\n%1.").arg(Refusal(e)),
            kAppTitle, MsgButtons::Error);
        return false;
    }
    // The history names the change by the mod's name, or by its file.
    if (patch.name.empty()) patch.name = QFileInfo(file).fileName().toStdString();
    const std::string install = editObject().InstallPath();

    frmApplyPatch dialog(patch, install, QDir::toNativeSeparators(file), this);
    b3::ui::FitToScreen(&dialog);
    services_.execDialog(dialog);
    if (dialog.result() != QDialog::Accepted || dialog.filesToWrite() == 0) return false;

    bp::ApplyReport report;
    try {
        report = bp::ApplyPatch(patch, install, dialog.choice(), false, messages());
    } catch (const b3::Error& e) {
        services_.messageBox(this,
                             QString("The patch could not be applied; nothing was changed.\r\n%1")
                                 .arg(QString::fromStdString(e.description())),
                             kAppTitle, MsgButtons::Error);
        return false;
    }
    // The files changed under the editor: read them again, with the object on show.
    const QString shown = ShortNameAt(model_.shownPosition());
    leaveApproved_ = true;
    RefreshAll();
    leaveApproved_ = false;
    if (!shown.isEmpty()) ShowByShortName(shown);
    services_.messageBox(
        this,
        QString("Applied \"%1\" to %2: %3 changed, %4 added, %5 removed (%6).\r\nThe files as they "
                "were are kept in the history as one change, which History... can restore.")
            .arg(QString::fromStdString(patch.name), Native(install),
                 Counted(report.objectsChanged, "object", "objects"))
            .arg(report.objectsAdded)
            .arg(report.objectsRemoved)
            .arg(Counted(report.files, "file", "files")),
        kAppTitle, MsgButtons::Ok);
    return true;
}

}  // namespace b3::editor
