// B3Tools: creates the shared edit object, then shows the editor's main window.
#include <QApplication>
#include <QIcon>
#include <QTimer>

#include "common_ui/program_options.h"
#include "editor/errors.h"
#include "editor/first_start.h"
#include "editor/frm_b3editor.h"
#include "editor/mmain.h"
#include "editor/services.h"

int main(int argc, char** argv) {
    const QString description = "The definition editor of Banerule III: Gloamkings Tide.";
    if (const auto status = b3::ui::AnswerHelpOrVersion(argc, argv, "B3Tools", description))
        return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName("B3Tools");
    QApplication::setOrganizationName("b3tools");
    b3::ui::ProgramOptions options;
    if (const auto status = b3::ui::ReadProgramOptions(description, options)) return *status;
    b3::editor::MMain::SetCreateOptions(options.create);
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/b3tools.png").arg(size));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName("org.b3tools.B3Tools");
    b3::editor::QtEditorServices services;
    b3::SetMessageSink([&services](const std::string& text) {
        services.messageBox(nullptr, QString::fromStdString(text), QString(),
                            b3::editor::MsgButtons::Ok);
    });
    b3::SetEventPump([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    try {
        // Without a readable game the user chooses one (or the sample) instead of an error.
        if (!b3::editor::StartEditObject(services, b3::editor::DefaultSampleFolder())) return 1;
    } catch (...) {
        b3::editor::ReportCurrentException(services, "B3Tools::Main", true);
        return 1;
    }
    b3::editor::frmB3Editor window(services);
    window.show();
    // Set by the installation check: the window has come up, so the program may end at once.
    if (qEnvironmentVariableIsSet("B3_QUIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
