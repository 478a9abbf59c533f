// OddsLab: creates the program-wide edit object, then shows the calculator's main window. The
// program ends when its last window is closed.
#include <memory>

#include "b3/edit_object.h"
#include "calculator/ui/errors.h"
#include "calculator/ui/frm_oddslab.h"
#include "calculator/ui/services.h"
#include "common_ui/window_program.h"

int main(int argc, char** argv) {
    b3::oddslab::QtCalculatorServices services;
    std::unique_ptr<b3::_CEditObject> editObject;
    b3::ui::WindowProgram program;
    program.name = "OddsLab";
    program.description = "The combat calculator of Banerule III: Gloamkings Tide.";
    program.iconName = "oddslab";
    program.showMessage = [&services](const std::string& text) {
        services.messageBox(nullptr, QString::fromStdString(text), b3::oddslab::kMessageTitle);
    };
    program.createWindow = [&](const b3::ui::ProgramOptions& options) -> std::unique_ptr<QWidget> {
        try {
            editObject = b3::CreateObject(b3::CLSID_CEditObject, options.create);
        } catch (...) {
            b3::oddslab::ReportCurrentException(services, "MMAin::Main");
            return nullptr;
        }
        return std::make_unique<b3::oddslab::frmOddsLab>(services, *editObject);
    };
    return b3::ui::RunWindowProgram(argc, argv, program);
}
