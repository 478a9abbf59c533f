#include "calculator/ui/services.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>

namespace b3::oddslab {

void QtCalculatorServices::messageBox(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    // Names and descriptions come from game files: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void QtCalculatorServices::execDialog(QDialog& dialog) {
    dialog.exec();
}

void QtCalculatorServices::popupMenu(QMenu& menu, const QPoint& globalPos) {
    menu.exec(globalPos);
}

void QtCalculatorServices::pumpEvents() {
    QCoreApplication::processEvents();
}

void QtCalculatorServices::setBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++busy_;
    } else if (busy_ > 0) {
        QApplication::restoreOverrideCursor();
        --busy_;
    }
}

QString QtCalculatorServices::openFileName(QWidget* parent, const QString& caption,
                                           const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString QtCalculatorServices::saveFileName(QWidget* parent, const QString& caption,
                                           const QString& filter) {
    return QFileDialog::getSaveFileName(parent, caption, QString(), filter);
}

std::optional<int> QtCalculatorServices::askInteger(QWidget* parent, const QString& title,
                                                    const QString& label, int value, int minimum,
                                                    int maximum) {
    bool ok = false;
    const int answer = QInputDialog::getInt(parent, title, label, value, minimum, maximum, 1, &ok);
    if (!ok) return std::nullopt;
    return answer;
}

std::optional<QString> QtCalculatorServices::askText(QWidget* parent, const QString& title,
                                                     const QString& label, const QString& text) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(parent, title, label, QLineEdit::Normal, text, &ok);
    if (!ok) return std::nullopt;
    return answer;
}

void CentreOnScreen(QWidget& window) {
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize size = window.frameGeometry().size();
    window.move(area.left() + (area.width() - size.width()) / 2,
                area.top() + (area.height() - size.height()) / 2);
}

}  // namespace b3::oddslab
