#include "common_ui/window_program.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

namespace b3::ui {

int RunWindowProgram(int argc, char** argv, const WindowProgram& program) {
    if (const auto status = AnswerHelpOrVersion(argc, argv, program.name, program.description))
        return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(program.name);
    // The recent lists and the options are kept beside the suite's registry file:
    // ~/.config/b3tools/<program>.conf.
    QApplication::setOrganizationName("b3tools");
    ProgramOptions options;
    if (const auto status = ReadProgramOptions(program.description, options)) return *status;
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/%2.png").arg(size).arg(program.iconName));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName("org.b3tools." + program.name);
    options.create.messageSink = program.showMessage;
    // The server's reports let the window process its events between their lines.
    options.create.pumpEvents = [] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    const std::unique_ptr<QWidget> window = program.createWindow(options);
    if (!window) return 1;
    window->show();
    // Set by the installation check: the window has come up, so the program may end at once.
    if (qEnvironmentVariableIsSet("B3_QUIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}

}  // namespace b3::ui
