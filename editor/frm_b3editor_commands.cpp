// The toolbar commands of frmB3Editor: New, Save, Delete, Undo, Print, Calculator and Exit, with
// the save dialog, the placing of pictures and "Copy Picture".
#include <QApplication>
#include <QComboBox>
#include <QLabel>

#include <cerrno>
#include <filesystem>
#include <utility>

#include <QFileInfo>
#include <QStandardPaths>

#include "b3/history.h"
#include "b3/record_layout.h"
#include "b3/table_columns.h"
#include "editor/errors.h"
#include "editor/frm_b3editor.h"
#include "editor/frm_heroprops.h"
#include "editor/mmain.h"
#include "editor/modules.h"
#include "editor/powers.h"
#include "editor/save_names.h"
#include "editor/services.h"
#include "editor/strings.h"
#include "editor/working_copy_history.h"
#include "platform/files.h"
#include "platform/native_path.h"
#include "platform/text1252.h"

namespace b3::editor {

namespace {

#ifdef _WIN32
constexpr const char* kCalculatorFile = "OddsLab.exe";
#else
constexpr const char* kCalculatorFile = "OddsLab";
#endif

// The platform's error number for a failed file or process operation.
[[noreturn]] void ThrowSystemError(const std::error_code& ec) {
    int number = 57;  // device I/O error
    if (ec == std::errc::no_such_file_or_directory) number = 53;
    if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted) number = 70;
    if (ec == std::errc::no_space_on_device) number = 61;
    if (ec == std::errc::not_a_directory) number = 76;
    if (ec == std::errc::executable_format_error) number = 5;
    throw b3::Error(number, "", b3::DescribeError(number));
}

// Copies a picture over the object's own; the picture it replaces is kept in the history.
void CopyPicture(const b3::_CEditObject& object, const std::string& from, const std::string& folder,
                 const QString& name, int kind, const QString& shortName,
                 const b3::MessageSink& messages) {
    std::error_code ec;
    const std::string target =
        platform::JoinPath(folder, platform::FindEntryIgnoreCase(folder, name.toStdString()));
    b3::KeepBeforeChange(object.InstallPath(), target, "picture", kind, shortName.toStdString(),
                         messages);
    if (!platform::CopyFileReplacing(from, target, ec)) ThrowSystemError(ec);
}

const char* const kKindWord[] = {"Item", "Army", "Hero", "Site", "Spell"};
const char* const kExtension[] = {"itm", "arm", "her", "sit", "spl"};
const char* const kFilterWord[] = {"Item", "Army", "Hero", "Site", "Spell"};

}  // namespace

void frmB3Editor::tbrMain_ButtonClick(const QString& key) {
    Trap(services_, "frmB3Editor::tbrMain_ButtonClick", [&] {
        struct WaitCursorGuard {
            WaitCursorGuard() { QApplication::setOverrideCursor(Qt::WaitCursor); }
            ~WaitCursorGuard() { QApplication::restoreOverrideCursor(); }
        } wait;
        if (key == "New") {
            if (!MayLeave()) return;
            RefreshAll();
        } else if (key == "Save") {
            SaveEditObject();
        } else if (key == "Delete") {
            const int position = cboEditObject->currentIndex();
            if (position != -1 && !ConfirmDelete(position)) return;
            DeleteEditOject(position);
            RefreshAll();
        } else if (key == "Undo") {
            RevertEditObject();
        } else if (key == "Print") {
            if (GetPrintPath(model_.kind())) PrintReport(model_.ReportPath);
        } else if (key == "Calculator") {
            const std::string program =
                platform::JoinPath(ProgramFolder().toStdString(), kCalculatorFile);
            // The calculator opens the installation this window shows, which need not be the
            // registered one (a folder opened from the File menu, the sample).
            std::vector<std::string> arguments;
            if (holder_.HasEditObject()) arguments = {"--install", editObject().InstallPath()};
            std::error_code ec;
            if (!services_.startProgram(program, arguments, ec)) ThrowSystemError(ec);
        } else if (key == "Exit") {
            ExitProgram();
        }
    });
}

bool frmB3Editor::FillEditObjects(std::int16_t kind) {
    const b3::DataArray& table = DataArray();
    model_.ResetObjects(kind);
    switch (kind) {
        case kItem:
            return MItem::FillItemObjects(*model_.StoredItem, *model_.WorkingItem, table, *this);
        case kArmy:
            return MArmy::FillArmyObjects(*model_.StoredArmy, *model_.WorkingArmy, table, *this);
        case kHero:
            return MHero::FillHeroObjects(*model_.StoredHero, *model_.WorkingHero, table, *this);
        case kSite:
            return MSite::FillSiteObjects(*model_.StoredSite, *model_.WorkingSite, table, *this);
        case kSpell:
            return MSpell::FillSpellObjects(*model_.StoredSpell, *model_.WorkingSpell, table,
                                            *this);
        default:
            return false;
    }
}

bool frmB3Editor::IsSaveable(std::int16_t kind) {
    switch (kind) {
        case kItem:
            return MItem::HasItemChanged(*this, *model_.StoredItem, *model_.WorkingItem);
        case kArmy:
            return MArmy::HasArmyChanged(*this, *model_.StoredArmy, *model_.WorkingArmy);
        case kHero:
            return MHero::HasHeroChanged(*this, *model_.StoredHero, *model_.WorkingHero);
        case kSite:
            return MSite::HasSiteChanged(*this, *model_.StoredSite, *model_.WorkingSite);
        case kSpell:
            return MSpell::HasSpellChanged(*this, *model_.StoredSpell, *model_.WorkingSpell);
        default:
            return false;
    }
}

bool frmB3Editor::GetSavePath(std::int16_t kind) {
    bool proceed = false;
    replacing_ = false;
    Trap(services_, "frmB3Editor::GetSavePath", [&] {
        if (kind < 0 || kind > 4) return;
        if (!model_.WorkingName(kind).isEmpty()) {
            proceed = true;
            return;
        }
        const int limit = kind == kHero ? 7 : 8;
        FileDialogRequest request;
        request.title =
            QString("Save %1 As (%2 Characters or Less)").arg(kKindWord[kind]).arg(limit);
        const std::string folder = KindFolder(kind);
        request.initialFolder = QString::fromStdString(folder);
        request.filter = QString("%1 files (*.%2)|*.%2").arg(kFilterWord[kind], kExtension[kind]);
        request.save = true;
        const auto chosen = services_.fileDialog(this, request);
        if (!chosen) return;  // cancelled: nothing is written, nothing is reported

        // The short name is the chosen file's own name; the object is saved in the kind's
        // folder wherever the dialog ended.
        const auto name = ShortNameFromChosenFile(*chosen, limit);
        if (!name) {
            services_.messageBox(this, LoadResString(kMsgBadFileName).arg(ChosenBaseName(*chosen)),
                                 kAppTitle, MsgButtons::Error);
            return;
        }
        // A name that an object already has replaces that object only when the user says so.
        if (!ConfirmReplace(kind, *name, replacing_)) return;
        model_.NameWorking(kind, *name, folder);

        // The pictures of the new object: the one chosen with "Copy Picture", else the
        // edit server's template.
        auto& eo = editObject();
        const int pictureKind = EditorModel::PictureKindOf(kind);
        if (pictureKind >= 0) {
            const std::size_t p = static_cast<std::size_t>(pictureKind);
            // An object being replaced keeps its pictures unless another was chosen.
            const bool hasPictures =
                kind == kHero
                    ? platform::IsRegularFile(platform::JoinPath(
                          folder,
                          platform::FindEntryIgnoreCase(folder, name->toStdString() + "f.PCX"))) &&
                          platform::IsRegularFile(platform::JoinPath(
                              folder,
                              platform::FindEntryIgnoreCase(folder, name->toStdString() + "m.PCX")))
                    : platform::IsRegularFile(platform::JoinPath(
                          folder,
                          platform::FindEntryIgnoreCase(folder, name->toStdString() + ".PCX")));
            if (model_.PictureChosen[p]) {
                const std::string source = model_.PendingPicture[p].toStdString();
                if (kind == kHero) {
                    CopyPicture(editObject(), source, folder, *name + "f.PCX", kind, *name,
                                messages());
                    CopyPicture(editObject(), source, folder, *name + "m.PCX", kind, *name,
                                messages());
                } else {
                    CopyPicture(editObject(), source, folder, *name + ".PCX", kind, *name,
                                messages());
                }
                model_.PictureChosen[p] = false;
            } else if (!(replacing_ && hasPictures)) {
                eo.CopyPictureTemplate(pictureKind, name->toStdString());
            }
        }
        if (kind == kSite) {
            // The site's text file holds its short name and nothing else.
            const auto bytes = platform::EncodeCp1252(name->toStdString());
            const std::string target = platform::JoinPath(
                folder, platform::FindEntryIgnoreCase(folder, name->toStdString() + ".txt"));
            std::error_code ec;
            std::string present;
            const bool same =
                platform::ReadFileBytes(target, present, ec) && bytes && present == *bytes;
            if (!same) {
                b3::KeepBeforeChange(eo.InstallPath(), target, "save", kSite, name->toStdString(),
                                     messages());
                if (!bytes || !platform::ReplaceFileContents(target, *bytes, ec))
                    ThrowSystemError(ec);
            }
        }
        proceed = true;
    });
    return proceed;
}

b3::ObjectArray frmB3Editor::ConvertObjectToArray(std::int16_t kind) {
    b3::ObjectArray array;
    if (kind < 0 || kind > 4) return array;
    array.resize(static_cast<std::size_t>(b3::kColumnCount[kind]));
    bool ok = false;
    switch (kind) {
        case kItem:
            ok = MItem::ConvertObjectToArray(*this, array, *model_.WorkingItem);
            break;
        case kArmy:
            ok = MArmy::ConvertObjectToArray(*this, array, *model_.WorkingArmy);
            break;
        case kHero:
            ok = MHero::ConvertObjectToArray(*this, array, *model_.WorkingHero);
            break;
        case kSite:
            ok = MSite::ConvertObjectToArray(*this, array, *model_.WorkingSite);
            break;
        default:
            ok = MSpell::ConvertObjectToArray(*this, array, *model_.WorkingSpell);
            break;
    }
    if (!ok) return {};
    // Fields that no control shows keep the values the object's file holds; a new object
    // leaves them empty.
    model_.KeepUnshownFields(kind, SelectedRowKey(), array);
    return array;
}

bool frmB3Editor::WriteObject(std::int16_t kind) {
    bool written = false;
    const bool replacing = std::exchange(replacing_, false);
    Trap(services_, "frmB3Editor::WriteObject", [&] {
        const b3::ObjectArray array = ConvertObjectToArray(kind);
        if (array.empty()) return;
        // Say which field cannot be stored, and why, before the server is asked.
        if (const auto problem = b3::ObjectProblem(kind, array))
            throw b3::Error(kErrInvalidArgument, "", *problem);
        auto& eo = editObject();
        // An object shown from its file is written only over the bytes that were read; a new
        // object replacing an existing one is written whole.
        const QString shortName = ShortNameAt(cboEditObject->currentIndex());
        const std::string stamp = replacing || shortName.isEmpty()
                                      ? std::string()
                                      : eo.FileStamp(kind, shortName.toStdString());
        try {
            eo.WriteObjectChecked(array, kind, stamp, replacing);
        } catch (const b3::Error& e) {
            if (e.number() != b3::kErrChangedOnDisk) throw;
            const QString file = kind == kSpell
                                     ? QString::fromStdString(platform::Utf8Path(
                                           platform::FsPath(shortName.toStdString()).filename()))
                                     : shortName + b3::LayoutOf(kind).extension;
            const QString text =
                QString(
                    "%1 was changed by another program since B3Tools read it.\r\nReplace it "
                    "with your version? The other version stays in the history.")
                    .arg(file);
            if (services_.messageBox(this, text, kAppTitle, MsgButtons::YesNo) != MsgResult::Yes)
                return;
            eo.WriteObjectChecked(array, kind, std::string(), false);
        }
        written = true;
    });
    if (!written) return false;
    // The files are read again and the saved object stays on show, selected in the list.
    const QString saved = model_.WorkingName(kind);
    RefreshAll();
    if (PositionOf(saved) < 0) RelistKeeping(saved);
    ShowByShortName(saved);
    return true;
}

bool frmB3Editor::GetPrintPath(std::int16_t kind) {
    bool proceed = false;
    Trap(services_, "frmB3Editor::GetPrintPath", [&] {
        if (kind < 0 || kind > 4) return;
        FileDialogRequest request;
        request.title = QString("Save %1 Report As").arg(kKindWord[kind]);
        // Reports are the user's documents, not the game's files.
        request.initialFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        request.filter = "Text files (*.txt)|*.txt|CSV files (*.csv)|*.csv";
        request.save = true;
        const auto chosen = services_.fileDialog(this, request);
        if (!chosen) return;
        model_.ReportPath = *chosen;
        if (QFileInfo(model_.ReportPath).suffix().isEmpty()) model_.ReportPath += ".txt";
        proceed = true;
    });
    return proceed;
}

void frmB3Editor::PrintReport(const QString& path) {
    Trap(services_, "frmB3Editor::PrintReport",
         [&] { editObject().PrintReport(path.toStdString(), model_.kind()); });
}

void frmB3Editor::DeleteEditOject(int position) {
    Trap(services_, "frmB3Editor::DeleteEditOject", [&] {
        if (position == -1) return;
        if (model_.kind() < 0 || model_.kind() > 4) return;
        editObject().Delete(model_.kind(), model_.ShortNameAt(position).toStdString());
    });
}

void frmB3Editor::RevertEditObject() {
    Trap(services_, "frmB3Editor::RevertEditObject", [&] {
        const int pos = cboEditObject->currentIndex();
        if (pos != -1) DisplayEditObjectProps(pos, model_.kind());
    });
}

void frmB3Editor::cmdPicCopy_Click(int index) {
    Trap(services_, "frmB3Editor::cmdPicCopy_Click", [&] { CopyExistingPicture(index); });
}

void frmB3Editor::CopyExistingPicture(int kind) {
    Trap(services_, "frmB3Editor::CopyExistingPicture", [&] {
        if (kind < 0 || kind > 2) return;
        const std::int16_t objectKind = kind == 0 ? kArmy : kind == 1 ? kHero : kSite;
        if (!FillEditObjects(objectKind)) return;
        const char* words[] = {"Army", "Hero", "Site"};
        FileDialogRequest request;
        request.title = QString("Select %1 Picture to Use").arg(words[kind]);
        const std::string folder = KindFolder(objectKind);
        request.initialFolder = QString::fromStdString(folder);
        request.filter = "Picture files (*.pcx)|*.pcx";
        request.save = false;
        const auto chosen = services_.fileDialog(this, request);
        if (!chosen) return;
        const std::size_t k = static_cast<std::size_t>(kind);
        const QString shortName = kind == 0   ? model_.WorkingArmy->ShortName()
                                  : kind == 1 ? model_.WorkingHero->ShortName()
                                              : model_.WorkingSite->ShortName();
        // A picture for an object with no files yet waits in the working copy until Save, and
        // choosing it is a step of the working copy's history. One copied over an object's own
        // files is kept in the file history instead.
        using Choice = std::pair<bool, QString>;
        const Choice before{model_.PictureChosen[k], model_.PendingPicture[k]};
        model_.PictureChosen[k] = true;
        model_.PendingPicture[k] = *chosen;
        if (shortName.isEmpty() && before != Choice{true, *chosen}) {
            history_->push(new ChangeValueCommand<Choice>(
                QString("Choose %1 Picture").arg(words[kind]), before, {true, *chosen},
                [this, kind, k](const Choice& choice) {
                    model_.PictureChosen[k] = choice.first;
                    model_.PendingPicture[k] = choice.second;
                    ShowPicturePreview(kind, QString());
                }));
        }
        if (!shortName.isEmpty()) {
            // A hero's two pictures are one entry of the history.
            const b3::HistoryOperation operation(editObject().InstallPath(), "picture", messages());
            const std::string source = chosen->toStdString();
            if (kind == 1) {
                CopyPicture(editObject(), source, folder, shortName + "f.PCX", objectKind,
                            shortName, messages());
                CopyPicture(editObject(), source, folder, shortName + "m.PCX", objectKind,
                            shortName, messages());
            } else {
                CopyPicture(editObject(), source, folder, shortName + ".PCX", objectKind, shortName,
                            messages());
            }
        }
        ShowPicturePreview(kind, shortName);
    });
}

}  // namespace b3::editor
