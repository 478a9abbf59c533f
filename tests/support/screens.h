// The GUI tests' screens of their own: a test program runs some of its own tests again in a
// process whose offscreen platform shows one screen of a given size and scaling.
#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace b3::test {

struct TestScreen {
    int width = 0;  // pixels
    int height = 0;
    double scaling = 1.0;  // QT_SCALE_FACTOR: 1.5 for a screen at 150 %
};

struct ScreenRun {
    bool finished = false;
    int exitCode = -1;
    QString output;  // standard output and error
};

// Runs this test program's tests that match `filter` on `screen`, with `variable` set to `value`
// (how those tests know that they run there), the screen's description written into `folder`.
inline ScreenRun RunOnScreen(const TestScreen& screen, const QString& folder, const QString& filter,
                             const QString& variable, const QString& value) {
    const QJsonObject description{{"name", "Screen"},
                                  {"x", 0},
                                  {"y", 0},
                                  {"width", screen.width},
                                  {"height", screen.height},
                                  {"logicalDpi", 96},
                                  {"logicalBaseDpi", 96},
                                  {"dpr", 1}};
    const QJsonObject config{{"windowFrameMargins", true}, {"screens", QJsonArray{description}}};
    const QString name =
        QString("screen-%1x%2-%3.json").arg(screen.width).arg(screen.height).arg(screen.scaling);
    QFile file(folder + "/" + name);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(QJsonDocument(config).toJson());
    file.close();

    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Named from the folder the run starts in: the platform's options are split at colons, which
    // a Windows path holds.
    env.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + name);
    env.insert("QT_SCALE_FACTOR", QString::number(screen.scaling));
    env.insert(variable, value);
    run.setWorkingDirectory(folder);
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QCoreApplication::applicationFilePath(),
              {"--gtest_filter=" + filter, "--gtest_brief=1"});
    ScreenRun result;
    result.finished = run.waitForFinished(120000);
    result.exitCode = run.exitCode();
    result.output = QString::fromUtf8(run.readAll());
    return result;
}

}  // namespace b3::test
