#include "editor/services.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

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
    if (buttons == MsgButtons::Ok || buttons == MsgButtons::Error) {
        QMessageBox box(
            buttons == MsgButtons::Error ? QMessageBox::Critical : QMessageBox::Information, title,
            shown, QMessageBox::Ok, parent);
        box.exec();
        return MsgResult::Ok;
    }
    if (buttons == MsgButtons::YesNo) {
        const auto answer = QMessageBox::question(
            parent, title, shown, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        return answer == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
    }
    if (buttons == MsgButtons::SaveDiscardCancel) {
        const auto answer = QMessageBox::question(
            parent, title, shown, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
            QMessageBox::Save);
        return answer == QMessageBox::Save      ? MsgResult::Save
               : answer == QMessageBox::Discard ? MsgResult::Discard
                                                : MsgResult::Cancel;
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

int QtEditorServices::choice(QWidget* parent, const QString& text, const QString& title,
                             const QStringList& choices) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    std::vector<QAbstractButton*> buttons;
    for (const QString& c : choices) buttons.push_back(box.addButton(c, QMessageBox::AcceptRole));
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i]) return static_cast<int>(i);
    return -1;
}

std::optional<QString> QtEditorServices::folderDialog(QWidget* parent, const QString& title,
                                                      const QString& initialFolder) {
    const QString chosen = QFileDialog::getExistingDirectory(parent, title, initialFolder);
    if (chosen.isEmpty()) return std::nullopt;
    return chosen;
}

void QtEditorServices::execDialog(QDialog& dialog) {
    dialog.exec();
}

bool QtEditorServices::startProgram(const std::string& program,
                                    const std::vector<std::string>& arguments,
                                    std::error_code& ec) {
    return platform::StartProgram(program, ec, arguments);
}

void QtEditorServices::quit() {
    QApplication::quit();
}

}  // namespace b3::editor
