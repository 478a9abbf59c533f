#include "editor/services.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

#include "platform/files.h"

namespace b3::editor {

QString ToQtFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) out << parts[i];
    if (out.isEmpty()) out << filter;
    return out.join(";;");
}

MsgResult QtEditorServices::messageBox(QWidget* parent, const QString& text, const QString& title,
                                       MsgButtons buttons) {
    QString shown = text;
    shown.replace("\r\n", "\n");
    if (buttons == MsgButtons::Ok) {
        QMessageBox::information(parent, title, shown, QMessageBox::Ok);
        return MsgResult::Ok;
    }
    const auto answer = QMessageBox::question(
        parent, title, shown, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    return answer == QMessageBox::Ok ? MsgResult::Ok : MsgResult::Cancel;
}

std::optional<QString> QtEditorServices::fileDialog(QWidget* parent,
                                                    const FileDialogRequest& request) {
    const QString filter = ToQtFilter(request.filter);
    const QString chosen =
        request.folder
            ? QFileDialog::getExistingDirectory(parent, request.title, request.initialFolder)
        : request.save
            ? QFileDialog::getSaveFileName(parent, request.title, request.initialFolder, filter)
            : QFileDialog::getOpenFileName(parent, request.title, request.initialFolder, filter);
    if (chosen.isEmpty()) return std::nullopt;
    return chosen;
}

void QtEditorServices::execDialog(QDialog& dialog) {
    dialog.exec();
}

bool QtEditorServices::startProgram(const std::string& program, std::error_code& ec) {
    return platform::StartProgram(program, ec);
}

void QtEditorServices::quit() {
    QApplication::quit();
}

}  // namespace b3::editor
