// The editor's dialogs with the user and the outside world, behind one small interface so that
// tests can script them: message boxes, file dialogs, modal windows and starting a program.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

class QDialog;
class QWidget;

namespace b3::editor {

// YesNo questions default to No; SaveDiscardCancel defaults to Save. Error is an OK box that
// reports a failure (it carries the error icon, Ok the information icon).
enum class MsgButtons { Ok, OkCancel, YesNo, SaveDiscardCancel, Error };
enum class MsgResult { Ok, Cancel, Yes, No, Save, Discard };

struct FileDialogRequest {
    QString title;
    QString initialFolder;
    // The filter in the "Description (*.ext)|*.ext" form.
    QString filter;
    bool save = true;     // a save dialog, else an open dialog
    bool folder = false;  // choose a folder instead of a file
};

class EditorServices {
public:
    virtual ~EditorServices() = default;
    virtual MsgResult messageBox(QWidget* parent, const QString& text, const QString& title,
                                 MsgButtons buttons) = 0;
    // The chosen file's full path; nothing when the user cancelled.
    virtual std::optional<QString> fileDialog(QWidget* parent,
                                              const FileDialogRequest& request) = 0;
    // Shows `dialog` modally and returns when it is hidden again.
    virtual void execDialog(QDialog& dialog) = 0;
    // Offers `choices` as buttons; the index of the one pressed, -1 when the window was closed.
    virtual int choice(QWidget* parent, const QString& text, const QString& title,
                       const QStringList& choices) = 0;
    // A folder chosen by the user; nothing when cancelled.
    virtual std::optional<QString> folderDialog(QWidget* parent, const QString& title,
                                                const QString& initialFolder) = 0;
    // Starts `program` with `arguments` and without waiting for it.
    virtual bool startProgram(const std::string& program, const std::vector<std::string>& arguments,
                              std::error_code& ec) = 0;
    // Ends the program's event loop.
    virtual void quit() = 0;
};

// The real dialogs of the toolkit.
class QtEditorServices : public EditorServices {
public:
    MsgResult messageBox(QWidget* parent, const QString& text, const QString& title,
                         MsgButtons buttons) override;
    std::optional<QString> fileDialog(QWidget* parent, const FileDialogRequest& request) override;
    int choice(QWidget* parent, const QString& text, const QString& title,
               const QStringList& choices) override;
    std::optional<QString> folderDialog(QWidget* parent, const QString& title,
                                        const QString& initialFolder) override;
    void execDialog(QDialog& dialog) override;
    bool startProgram(const std::string& program, const std::vector<std::string>& arguments,
                      std::error_code& ec) override;
    void quit() override;
};

// Dialogs that show nothing: every question gets `answer`, every file, folder and choice is
// cancelled, and a program "starts" when `starts` says so (nothing is started). `onMessage`, when
// set, hears each message's text.
class SilentServices : public EditorServices {
public:
    explicit SilentServices(MsgResult answer = MsgResult::Cancel, bool starts = false)
        : answer_(answer), starts_(starts) {}
    MsgResult messageBox(QWidget*, const QString& text, const QString&, MsgButtons) override {
        if (onMessage) onMessage(text);
        return answer_;
    }
    std::optional<QString> fileDialog(QWidget*, const FileDialogRequest&) override {
        return std::nullopt;
    }
    int choice(QWidget*, const QString&, const QString&, const QStringList&) override { return -1; }
    std::optional<QString> folderDialog(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    void execDialog(QDialog&) override {}
    bool startProgram(const std::string&, const std::vector<std::string>&,
                      std::error_code&) override {
        return starts_;
    }
    void quit() override {}

    std::function<void(const QString& text)> onMessage;

private:
    MsgResult answer_;
    bool starts_;
};

// "Army files (*.arm)|*.arm" becomes "Army files (*.arm)".
QString ToQtFilter(const QString& filter);

}  // namespace b3::editor
