#include "common_ui/program_options.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <cstdio>

namespace b3::ui {

ProgramOptions ParseProgramOptions(const QStringList& arguments, const QString& description) {
    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version({"v", "version"}, "Displays version information.");
    parser.addOption(version);
    const QCommandLineOption install(
        "install", "Use DIR as the game's installation folder instead of the registry store.",
        "DIR");
    parser.addOption(install);

    ProgramOptions options;
    if (!parser.parse(arguments)) {
        options = {{}, true, 2, parser.errorText() + "\n" + parser.helpText()};
    } else if (!parser.positionalArguments().isEmpty()) {
        options = {{},
                   true,
                   2,
                   "Unexpected argument: " + parser.positionalArguments().first() + "\n" +
                       parser.helpText()};
    } else if (parser.isSet(help)) {
        options = {{}, true, 0, parser.helpText()};
    } else if (parser.isSet(version)) {
        options = {{}, true, 0, QCoreApplication::applicationName() + " " + B3_VERSION + "\n"};
    } else if (parser.isSet(install)) {
        // The kind folders are the installation folder followed by "/Army" and so on.
        QString folder = QDir::cleanPath(QDir(parser.value(install)).absolutePath());
        options.create.installFolder = QDir::toNativeSeparators(folder).toStdString();
    }
    return options;
}

std::optional<int> AnswerHelpOrVersion(int argc, char** argv, const QString& applicationName,
                                       const QString& description) {
    QCoreApplication::setApplicationName(applicationName);
    QStringList arguments;
    bool asked = false;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
        if (i > 0)
            asked = asked ||
                    QStringList{"-h", "--help", "-?", "-v", "--version"}.contains(arguments.back());
    }
    if (!asked) return std::nullopt;
    const QCoreApplication app(argc, argv);
    const ProgramOptions options = ParseProgramOptions(arguments, description);
    PrintProgramOutput(options);
    return options.status;
}

std::optional<int> ReadProgramOptions(const QString& description, ProgramOptions& options) {
    options = ParseProgramOptions(QCoreApplication::arguments(), description);
    if (!options.exit) return std::nullopt;
    PrintProgramOutput(options);
    return options.status;
}

void PrintProgramOutput(const ProgramOptions& options) {
    const QByteArray text = options.output.toUtf8();
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()),
                options.status == 0 ? stdout : stderr);
}

}  // namespace b3::ui
