// The calculator's dialogs with the user, behind one small interface so that tests can script
// them: message boxes, modal windows, the pop-up menu, the question for a whole number, the busy
// pointer and the pumping of pending window events during a run.
#pragma once

#include <QString>
#include <optional>

class QDialog;
class QMenu;
class QPoint;
class QWidget;

namespace b3::oddslab {

class CalculatorServices {
public:
    virtual ~CalculatorServices() = default;
    // A message box with an OK button only.
    virtual void messageBox(QWidget* parent, const QString& text, const QString& title) = 0;
    // Shows `dialog` modally and returns when it is closed.
    virtual void execDialog(QDialog& dialog) = 0;
    // Shows `menu` at `globalPos` and returns when it is closed (a chosen entry has triggered).
    virtual void popupMenu(QMenu& menu, const QPoint& globalPos) = 0;
    // Lets pending window events run.
    virtual void pumpEvents() = 0;
    // The hourglass pointer on (true) or the default pointer back (false).
    virtual void setBusy(bool busy) = 0;
    // A file chosen to open or to save under, or an empty text when the user cancelled.
    virtual QString openFileName(QWidget* parent, const QString& caption,
                                 const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& caption,
                                 const QString& filter) = 0;
    // A whole number from `minimum` to `maximum`, first offered as `value`; nothing when the user
    // cancelled.
    virtual std::optional<int> askInteger(QWidget* parent, const QString& title,
                                          const QString& label, int value, int minimum,
                                          int maximum) = 0;
    // A line of text, first offered as `text`; nothing when the user cancelled.
    virtual std::optional<QString> askText(QWidget* parent, const QString& title,
                                           const QString& label, const QString& text) = 0;
};

// The real dialogs of the toolkit.
class QtCalculatorServices : public CalculatorServices {
public:
    void messageBox(QWidget* parent, const QString& text, const QString& title) override;
    void execDialog(QDialog& dialog) override;
    void popupMenu(QMenu& menu, const QPoint& globalPos) override;
    void pumpEvents() override;
    void setBusy(bool busy) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& filter) override;
    std::optional<int> askInteger(QWidget* parent, const QString& title, const QString& label,
                                  int value, int minimum, int maximum) override;
    std::optional<QString> askText(QWidget* parent, const QString& title, const QString& label,
                                   const QString& text) override;

private:
    int busy_ = 0;
};

// Places a top-level window in the middle of its screen's available area.
void CentreOnScreen(QWidget& window);

}  // namespace b3::oddslab
