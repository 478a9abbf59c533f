// What both window programs do around their main window: --help and --version answered without a
// display, the application's names and icon, the server's messages and waits through the window
// system, and the installation check's quick end (B3_QUIT_WHEN_SHOWN).
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "common_ui/program_options.h"

namespace b3::ui {

struct WindowProgram {
    QString name;         // "OddsLab": the application's name and its desktop file's last part
    QString description;  // the one line of --help
    QString iconName;     // "oddslab": the icons at :/icons/NxN/oddslab.png
    // Shows the server's messages to the user.
    std::function<void(const std::string&)> showMessage;
    // The main window, made once the application and its options exist; null ends the program
    // with status 1 (having told the user why).
    std::function<std::unique_ptr<QWidget>(const ProgramOptions&)> createWindow;
};

// Runs the program until its last window closes; its exit status.
int RunWindowProgram(int argc, char** argv, const WindowProgram& program);

}  // namespace b3::ui
