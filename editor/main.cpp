// B3Tools: creates the edit object the window is handed, then shows the editor's main window.
#include <memory>

#include "common_ui/window_program.h"
#include "editor/errors.h"
#include "editor/first_start.h"
#include "editor/frm_b3editor.h"
#include "editor/mmain.h"
#include "editor/services.h"
#include "sample/sample.h"

int main(int argc, char** argv) {
    b3::editor::QtEditorServices services;
    b3::editor::EditObjectHolder editObject;
    b3::ui::WindowProgram program;
    program.name = "B3Tools";
    program.description = "The definition editor of Banerule III: Gloamkings Tide.";
    program.iconName = "b3tools";
    program.showMessage = [&services](const std::string& text) {
        services.messageBox(nullptr, QString::fromStdString(text), QString(),
                            b3::editor::MsgButtons::Ok);
    };
    program.createWindow = [&](const b3::ui::ProgramOptions& options) -> std::unique_ptr<QWidget> {
        editObject.SetCreateOptions(options.create);
        try {
            // Without a readable game the user chooses one (or the sample) instead of an error.
            const b3::editor::SampleInstallation sample{b3::editor::DefaultSampleFolder(),
                                                        b3::sample::WriteSampleInstallation};
            if (!b3::editor::StartEditObject(services, editObject, sample)) return nullptr;
        } catch (...) {
            b3::editor::ReportCurrentException(services, "B3Tools::Main", true);
            return nullptr;
        }
        return std::make_unique<b3::editor::frmB3Editor>(services, editObject);
    };
    return b3::ui::RunWindowProgram(argc, argv, program);
}
