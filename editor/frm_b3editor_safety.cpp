// How frmB3Editor keeps the user's work: the unsaved-changes question before the shown object is
// left, the questions before a delete or before a new object replaces an existing one, and the
// watch for files that other programs change.
#include <QComboBox>
#include <QFileSystemWatcher>
#include <QScopedValueRollback>
#include <QTabWidget>
#include <filesystem>

#include "b3/history.h"
#include "b3/record_layout.h"
#include "common_ui/screen_fit.h"
#include "editor/errors.h"
#include "editor/frm_b3editor.h"
#include "editor/frm_heroprops.h"
#include "editor/frm_history.h"
#include "editor/mmain.h"
#include "editor/powers.h"
#include "editor/services.h"
#include "editor/updown.h"
#include "platform/files.h"
#include "platform/native_path.h"

namespace b3::editor {

namespace {

const char* const kKindNoun[] = {"Item", "Army", "Hero", "Site", "Spell"};

}  // namespace

b3::_CEditObject& frmB3Editor::editObject() const {
    return holder_.EditObject();
}

const b3::MessageSink& frmB3Editor::messages() const {
    return holder_.CreateOptions().messageSink;
}

EditorServices& frmB3Editor::services() const {
    if (!quiet_) return services_;
    // A look at the working copy must not talk to the user.
    if (!silent_) const_cast<frmB3Editor*>(this)->silent_ = std::make_unique<SilentServices>();
    return *silent_;
}

std::string frmB3Editor::KindFolder(int kind) const {
    return b3::KindFolder(editObject(), kind);
}

std::string frmB3Editor::RecordFilePath(int kind, const QString& shortName) const {
    if (kind == kSpell) return shortName.toStdString();
    const std::string folder = KindFolder(kind);
    return platform::JoinPath(folder,
                              platform::FindEntryIgnoreCase(
                                  folder, shortName.toStdString() + b3::LayoutOf(kind).extension));
}

QString frmB3Editor::ShortNameAt(int position) const {
    return model_.ShortNameAt(position);
}

int frmB3Editor::PositionOf(const QString& shortName) const {
    return model_.PositionOf(shortName);
}

// ---------------------------------------------------------------------------------------------
// Unsaved changes

b3::ObjectArray frmB3Editor::WorkingSnapshot() {
    quiet_ = true;
    b3::ObjectArray snapshot;
    try {
        if (FillEditObjects(model_.kind())) snapshot = ConvertObjectToArray(model_.kind());
    } catch (...) {
        snapshot.clear();
    }
    quiet_ = false;
    if (model_.kind() == kHero && snapshot.size() > 122) {
        // The grid counts through its own record of edits: what it held before it was opened
        // for this hero does not matter.
        for (std::size_t c = 19; c <= 122; ++c) snapshot[c] = b3::Cell();
        snapshot.push_back(b3::Cell::integer(frmHeroProps_ && frmHeroProps_->IsDirty ? 1 : 0));
    }
    return snapshot;
}

void frmB3Editor::TakeBaseline() {
    model_.setBaseline(WorkingSnapshot());
    model_.setShownPosition(cboEditObject->currentIndex());
    lastBrowseValue_ = updBrowse->value();
    WatchInstallation();
}

bool frmB3Editor::WorkingCopyDiffers() {
    if (!model_.HasBaseline()) return false;
    if (model_.PictureChosenForKind()) return true;
    // The working copy belongs to the object shown, wherever the list has moved meanwhile.
    b3::ObjectArray now;
    {
        const QSignalBlocker block(cboEditObject);
        const int listed = cboEditObject->currentIndex();
        cboEditObject->setCurrentIndex(model_.shownPosition());
        now = WorkingSnapshot();
        cboEditObject->setCurrentIndex(listed);
    }
    return model_.Differs(now);
}

bool frmB3Editor::MayLeave() {
    if (leaveApproved_ || exiting_ || !holder_.HasEditObject()) return true;
    if (!WorkingCopyDiffers()) return true;
    QString name = model_.DisplayNameAt(model_.shownPosition());
    if (name.isEmpty()) {
        name = QString("the new %1").arg(QString(kKindNoun[model_.kind()]).toLower());
    }
    const MsgResult answer = services_.messageBox(this, QString("Save changes to %1?").arg(name),
                                                  kAppTitle, MsgButtons::SaveDiscardCancel);
    if (answer == MsgResult::Discard) return true;
    if (answer != MsgResult::Save) return false;
    return SaveEditObject();
}

bool frmB3Editor::SaveEditObject() {
    if (!FillEditObjects(model_.kind())) return false;
    if (!IsSaveable(model_.kind())) return false;
    // Every file the save replaces (the record, and a new object's pictures and site text) is
    // one entry of the history, restored in one step.
    const b3::HistoryOperation operation(editObject().InstallPath(), "save", messages());
    if (!GetSavePath(model_.kind())) return false;
    return WriteObject(model_.kind());
}

void frmB3Editor::ShowByShortName(const QString& shortName) {
    const int at = PositionOf(shortName);
    if (at < 0) return;
    leaveApproved_ = true;
    if (cboEditObject->currentIndex() == at) {
        // Already selected (the list was filled around it): show it from the files again.
        BlankHeroPropsIfNeeded();
        DisplayEditObjectProps(at, model_.kind());
    } else {
        cboEditObject->setCurrentIndex(at);
    }
    {
        // The spinner follows the list, as after a step.
        const QSignalBlocker block(updBrowse);
        updBrowse->setValue(at);
        BrowseAligned = true;
    }
    lastBrowseValue_ = updBrowse->value();
    leaveApproved_ = false;
}

// ---------------------------------------------------------------------------------------------
// Deleting and replacing

bool frmB3Editor::ConfirmDelete(int position) {
    if (position < 0 || model_.kind() < 0 || model_.kind() > 4) return false;
    const QString shortName = ShortNameAt(position);
    QStringList files;
    const QString ext = b3::LayoutOf(model_.kind()).extension;
    if (model_.kind() == kSpell) {
        files << QString::fromStdString(
            platform::Utf8Path(platform::FsPath(shortName.toStdString()).filename()));
    } else {
        files << shortName + ext;
    }
    if (model_.kind() == kArmy || model_.kind() == kSite) files << shortName + ".PCX";
    if (model_.kind() == kHero) files << shortName + "f.PCX" << shortName + "m.PCX";
    const QString text =
        QString(
            "Delete the %1 \"%2\"?\r\nThese files go: %3.\r\nTheir last versions stay in the "
            "history, from where they can be restored.")
            .arg(QString(kKindNoun[model_.kind()]).toLower(), model_.DisplayNameAt(position),
                 files.join(", "));
    return services_.messageBox(this, text, kAppTitle, MsgButtons::YesNo) == MsgResult::Yes;
}

bool frmB3Editor::ConfirmReplace(std::int16_t kind, const QString& shortName, bool& replacing) {
    replacing = false;
    const std::string path = RecordFilePath(kind, shortName);
    if (!platform::IsRegularFile(path)) return true;
    // The existing object by its display name, as the list shows it.
    QString existing;
    const b3::DataArray& table = DataArray();
    for (std::size_t r = 0; r < table.rows(); ++r) {
        QString name =
            CellText(table.at(r, static_cast<std::size_t>(b3::LayoutOf(kind).shortNameColumn)));
        if (kind == kSpell)
            name = QString::fromStdString(
                platform::Utf8Path(platform::FsPath(name.toStdString()).stem()));
        if (name.compare(shortName, Qt::CaseInsensitive) == 0) {
            existing = CellText(
                table.at(r, static_cast<std::size_t>(EditorModel::DisplayNameColumn(kind))));
            break;
        }
    }
    const QString text =
        QString(
            "The %1 \"%2\" is already stored as %3.\r\nReplace it with the new %1? Its "
            "present version stays in the history.")
            .arg(QString(kKindNoun[kind]).toLower(), existing.isEmpty() ? shortName : existing,
                 QString::fromStdString(platform::Utf8Path(platform::FsPath(path).filename())));
    if (services_.messageBox(this, text, kAppTitle, MsgButtons::YesNo) != MsgResult::Yes)
        return false;
    replacing = true;
    return true;
}

// ---------------------------------------------------------------------------------------------
// History

void frmB3Editor::ShowHistory() {
    Trap(services_, "frmB3Editor::ShowHistory", [&] {
        if (!holder_.HasEditObject()) return;
        QString shortName = ShortNameAt(cboEditObject->currentIndex());
        if (model_.kind() == kSpell && !shortName.isEmpty()) {
            shortName = QString::fromStdString(
                platform::Utf8Path(platform::FsPath(shortName.toStdString()).stem()));
        }
        frmHistory dialog(services_, editObject().InstallPath(), model_.kind(), shortName, this,
                          messages());
        b3::ui::FitToScreen(&dialog);
        {
            // What the window restores is no other program's change.
            const QScopedValueRollback<bool> own(restoring_, true);
            services_.execDialog(dialog);
        }
        if (!dialog.restoredAny()) return;
        // The files changed under the editor: read them again and show the object again.
        const QString shown = ShortNameAt(cboEditObject->currentIndex());
        const std::string stamp = CurrentStamp();
        const std::string read = shown.isEmpty()
                                     ? std::string()
                                     : editObject().FileStamp(model_.kind(), shown.toStdString());
        if (!shown.isEmpty() && stamp != read && WorkingCopyDiffers()) {
            // The shown object itself came back: its unsaved changes go only if the user says so.
            const QString text =
                QString(
                    "%1 was restored from the history.\r\nShow the restored version? Unsaved "
                    "changes to \"%2\" are lost.")
                    .arg(ShownFileName(), model_.DisplayNameAt(cboEditObject->currentIndex()));
            if (services_.messageBox(this, text, kAppTitle, MsgButtons::YesNo) != MsgResult::Yes) {
                reportedStamp_ = QString::fromStdString(stamp);
                return;
            }
        } else if (!MayLeave()) {
            return;
        }
        leaveApproved_ = true;
        RefreshAll();
        leaveApproved_ = false;
        ShowByShortName(shown);
    });
}

// ---------------------------------------------------------------------------------------------
// Files changed by other programs

void frmB3Editor::WatchInstallation() {
    if (!holder_.HasEditObject()) return;
    if (!watcher_) {
        watcher_ = new QFileSystemWatcher(this);
        connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
            CheckOutsideChange();
            FollowFolder();
        });
        connect(watcher_, &QFileSystemWatcher::fileChanged, this, [this] { CheckOutsideChange(); });
    }
    if (!watcher_->files().isEmpty()) watcher_->removePaths(watcher_->files());
    QStringList paths;
    for (int kind = 0; kind < b3::kKindCount; ++kind) {
        const std::string f = KindFolder(kind);
        const QString p = QString::fromStdString(f);
        if (!watcher_->directories().contains(p) && platform::IsDirectory(f)) paths << p;
    }
    // The shown object's own file, for programs that write it in place.
    const QString shortName = ShortNameAt(cboEditObject->currentIndex());
    if (!shortName.isEmpty()) {
        const std::string path = RecordFilePath(model_.kind(), shortName);
        if (platform::IsRegularFile(path)) paths << QString::fromStdString(path);
    }
    if (!paths.isEmpty()) watcher_->addPaths(paths);
}

bool frmB3Editor::FolderDiffers(int kind) const {
    if (!holder_.HasEditObject() || kind < 0 || kind >= b3::kKindCount) return false;
    std::error_code ec;
    const std::vector<std::string> names = platform::ListFiles(
        KindFolder(kind), std::string("*").append(b3::LayoutOf(kind).extension), ec);
    if (ec) return false;
    QStringList onDisk;
    for (const std::string& name : names) onDisk << QString::fromStdString(name).toUpper();
    QStringList listed;
    const b3::DataArray table = editObject().GetEditObjectData(kind);
    const auto column = static_cast<std::size_t>(b3::LayoutOf(kind).shortNameColumn);
    for (std::size_t r = 0; r < table.rows(); ++r) {
        const QString name = CellText(table.at(r, column));
        listed << (kind == kSpell ? QString::fromStdString(platform::Utf8Path(
                                        platform::FsPath(name.toStdString()).filename()))
                                  : name + b3::LayoutOf(kind).extension)
                      .toUpper();
    }
    onDisk.sort();
    listed.sort();
    return onDisk != listed;
}

void frmB3Editor::FollowFolder() {
    Trap(services_, "frmB3Editor::FollowFolder", [&] {
        if (!IsReady || exiting_ || restoring_ || !FolderDiffers(model_.kind())) return;
        // The object on show, if any, stays with its working copy. A change to its own file is
        // the user's to take or leave (CheckOutsideChange); until then the list waits.
        const QString shown = ShortNameAt(model_.shownPosition());
        if (!shown.isEmpty()) {
            const std::string read = editObject().FileStamp(model_.kind(), shown.toStdString());
            const std::string now =
                b3::StampFile(RecordFilePath(model_.kind(), shown),
                              static_cast<std::size_t>(b3::LayoutOf(model_.kind()).recordLength));
            if (now != read) return;
        }
        holder_.ReleaseEditObject();
        holder_.CreateEditObject();
        model_.setData(editObject().GetEditObjectData(model_.kind()));
        RelistKeeping(shown);
    });
}

std::string frmB3Editor::CurrentStamp() const {
    const QString shortName = ShortNameAt(cboEditObject->currentIndex());
    if (shortName.isEmpty() || !holder_.HasEditObject()) return {};
    return b3::StampFile(RecordFilePath(model_.kind(), shortName),
                         static_cast<std::size_t>(b3::LayoutOf(model_.kind()).recordLength));
}

QString frmB3Editor::ShownFileName() const {
    const QString shortName = ShortNameAt(cboEditObject->currentIndex());
    if (shortName.isEmpty()) return {};
    return QString::fromStdString(
        platform::Utf8Path(platform::FsPath(RecordFilePath(model_.kind(), shortName)).filename()));
}

void frmB3Editor::CheckOutsideChange() {
    Trap(services_, "frmB3Editor::CheckOutsideChange", [&] {
        if (!IsReady || exiting_ || restoring_ || !holder_.HasEditObject()) return;
        const int position = cboEditObject->currentIndex();
        const QString shortName = ShortNameAt(position);
        if (shortName.isEmpty()) return;
        auto& eo = editObject();
        const std::string read = eo.FileStamp(model_.kind(), shortName.toStdString());
        if (read.empty()) return;
        const std::string path = RecordFilePath(model_.kind(), shortName);
        const std::string now =
            b3::StampFile(path, static_cast<std::size_t>(b3::LayoutOf(model_.kind()).recordLength));
        if (now == read || QString::fromStdString(now) == reportedStamp_) return;
        reportedStamp_ = QString::fromStdString(now);
        const QString file =
            QString::fromStdString(platform::Utf8Path(platform::FsPath(path).filename()));
        QString text =
            now.empty()
                ? QString("%1 was deleted by another program.\r\nReload the list?").arg(file)
                : QString("%1 was changed by another program.\r\nReload it?").arg(file);
        // Only changes that exist are said to be lost.
        if (WorkingCopyDiffers())
            text +=
                QString(" Unsaved changes to \"%1\" are lost.").arg(model_.DisplayNameAt(position));
        if (services_.messageBox(this, text, kAppTitle, MsgButtons::YesNo) != MsgResult::Yes)
            return;
        leaveApproved_ = true;
        RefreshAll();
        leaveApproved_ = false;
        ShowByShortName(shortName);
    });
}

}  // namespace b3::editor
