// The command line of the two window programs: `--install DIR` (the installation folder instead
// of the registry store), `--help` and `--version`.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "b3/edit_object.h"

namespace b3::ui {

struct ProgramOptions {
    b3::CreateOptions create;  // with the folder of --install, if given
    bool exit = false;         // --help, --version or a usage error: print `output` and end
    int status = 0;            // the exit status when `exit` is set
    QString output;            // the text to print (help, version or the error)
};

// Reads `arguments` (the program's name first). `description` is the one-line summary of --help.
ProgramOptions ParseProgramOptions(const QStringList& arguments, const QString& description);

// Answers --help and --version before the window system is started (so that they work without a
// display): the exit status when `argv` asks for either, else nothing. Sets the application name.
std::optional<int> AnswerHelpOrVersion(int argc, char** argv, const QString& applicationName,
                                       const QString& description);

// Reads the running application's arguments; prints what --help, --version or a mistake ask for.
// The exit status when the program is to end there, else nothing.
std::optional<int> ReadProgramOptions(const QString& description, ProgramOptions& options);

// Prints the options' output (standard output for status 0, standard error otherwise).
void PrintProgramOutput(const ProgramOptions& options);

}  // namespace b3::ui
