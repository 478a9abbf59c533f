// OddsLab: creates the program-wide edit object, then shows the calculator's main window. The
// program ends when its last window is closed.
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <memory>

#include "b3/edit_object.h"
#include "calculator/ui/errors.h"
#include "calculator/ui/frm_oddslab.h"
#include "calculator/ui/services.h"
#include "common_ui/program_options.h"

int main(int argc, char** argv) {
    const QString description = "The combat calculator of Banerule III: Gloamkings Tide.";
    if (const auto status = b3::ui::AnswerHelpOrVersion(argc, argv, "OddsLab", description))
        return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName("OddsLab");
    // The recent scenarios and the Options menu's choices are kept beside the suite's registry
    // file: ~/.config/b3tools/OddsLab.conf.
    QApplication::setOrganizationName("b3tools");
    b3::ui::ProgramOptions options;
    if (const auto status = b3::ui::ReadProgramOptions(description, options)) return *status;
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/oddslab.png").arg(size));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName("org.b3tools.OddsLab");
    b3::oddslab::QtCalculatorServices services;
    b3::SetMessageSink([&services](const std::string& text) {
        services.messageBox(nullptr, QString::fromStdString(text), b3::oddslab::kMessageTitle);
    });
    b3::SetEventPump([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    std::unique_ptr<b3::_CEditObject> editObject;
    try {
        editObject = b3::CreateObject(b3::CLSID_CEditObject, options.create);
    } catch (...) {
        b3::oddslab::ReportCurrentException(services, "MMAin::Main");
        return 1;
    }
    b3::oddslab::frmOddsLab window(services, *editObject);
    window.show();
    // Set by the installation check: the window has come up, so the program may end at once.
    if (qEnvironmentVariableIsSet("B3_QUIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
