#include "editor/first_start.h"

#include <QDir>
#include <filesystem>

#include "b3/edit_object.h"
#include "b3/history.h"
#include "b3/registration.h"
#include "editor/errors.h"
#include "editor/mmain.h"
#include "editor/services.h"
#include "platform/files.h"
#include "platform/native_path.h"

namespace b3::editor {

std::string DefaultSampleFolder() {
    // The history root is .../b3tools/history; the sample goes to .../b3tools/sample.
    return platform::Utf8Path(platform::FsPath(b3::HistoryStore::DefaultRoot()).parent_path() /
                              "sample");
}

bool StartEditObject(EditorServices& services, EditObjectHolder& holder,
                     const SampleInstallation& sample) {
    for (;;) {
        try {
            holder.CreateEditObject();
            return true;
        } catch (const b3::Error& e) {
            if (e.number() != b3::kErrInstallNotFound && e.number() != b3::kErrNoFiles) {
                ReportError(services, e.number(), QString::fromStdString(e.source()),
                            QString::fromStdString(e.description()));
                return false;
            }
            QString text =
                e.number() == b3::kErrInstallNotFound
                    ? QString(
                          "No installation of Banerule III: Gloamkings Tide is registered "
                          "on this computer, so there are no game files to edit.")
                    : QString("The game's files cannot be read: %1")
                          .arg(QString::fromStdString(e.description()));
            text +=
                "\r\n\r\nChoose the game's installation folder (B3Tools remembers it for the "
                "next start), or open the sample installation that comes with B3Tools.";
            const int chosen = services.choice(nullptr, text, kAppTitle,
                                               {"Choose Folder...", "Open Sample", "Quit"});
            if (chosen == 0) {
                const auto folder = services.folderDialog(
                    nullptr, "Choose the Banerule III Installation Folder", QDir::homePath());
                if (!folder) continue;
                b3::RegistrationCheck check;
                try {
                    check = b3::CheckRegistration(folder->toStdString());
                } catch (const b3::Error& failure) {
                    services.messageBox(nullptr, QString::fromStdString(failure.description()),
                                        kAppTitle, MsgButtons::Error);
                    continue;
                }
                const QString chosenFolder = QString::fromStdString(check.folder);
                bool remember = !check.alreadyRegistered;
                if (check.registered) {
                    // The game's own value is never replaced without asking.
                    remember =
                        services.messageBox(
                            nullptr,
                            QString("The game's installation folder is registered as %1 (in "
                                    "%2).\r\n\r\nReplace it with %3? The folder it replaces "
                                    "is kept, and \"b3cli unregister\" puts it back.\r\n\r\nWith "
                                    "No, B3Tools opens %3 this time only.")
                                .arg(QString::fromStdString(*check.registered),
                                     QString::fromStdString(check.registeredWhere), chosenFolder),
                            kAppTitle, MsgButtons::YesNo) == MsgResult::Yes;
                }
                if (remember) {
                    try {
                        b3::RegisterInstallation(check.folder, true);
                    } catch (const b3::Error& failure) {
                        services.messageBox(
                            nullptr,
                            QString("The folder could not be remembered (%1); it is used this "
                                    "time only.")
                                .arg(QString::fromStdString(failure.description())),
                            kAppTitle, MsgButtons::Ok);
                    }
                }
                // The chosen folder is used now, whatever the lookup would find first.
                holder.UseInstallFolder(check.folder);
            } else if (chosen == 1) {
                if (!platform::IsDirectory(sample.folder)) sample.write(sample.folder);
                holder.UseInstallFolder(sample.folder);
            } else {
                return false;
            }
        }
    }
}

}  // namespace b3::editor
