#include "common_ui/screen_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace b3::ui {

namespace {

// The least frame assumed: a title bar as window managers draw it and thin borders.
constexpr int kTitleBarRoom = 32;
constexpr int kBorderRoom = 6;

}  // namespace

QSize RoomOnScreen(const QSize& available) {
    return {available.width() - 2 * kBorderRoom, available.height() - kTitleBarRoom - kBorderRoom};
}

void FitToScreen(QWidget* window) {
    if (!window || window->isMaximized() || window->isFullScreen()) return;
    const QWidget* parent = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    QScreen* screen = parent && parent->screen() ? parent->screen() : window->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();

    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    const int titleBar = std::max({kTitleBarRoom, inner.top() - frame.top(),
                                   window->style()->pixelMetric(QStyle::PM_TitleBarHeight)});
    const int left = std::max(kBorderRoom, inner.left() - frame.left());
    const int right = std::max(kBorderRoom, frame.right() - inner.right());
    const int bottom = std::max(kBorderRoom, frame.bottom() - inner.bottom());

    const int width = std::min(window->width(), area.width() - left - right);
    const int height = std::min(window->height(), area.height() - titleBar - bottom);
    if (width != window->width() || height != window->height()) window->resize(width, height);

    // The frame's top left corner: where the window is, or centred on the parent, then inside the
    // area.
    const int outerWidth = width + left + right;
    const int outerHeight = height + titleBar + bottom;
    QPoint at = window->pos();
    if (parent && (!screen->geometry().contains(at) || window->windowType() == Qt::Dialog)) {
        const QPoint centre = parent->frameGeometry().center();
        at = QPoint(centre.x() - outerWidth / 2, centre.y() - outerHeight / 2);
    }
    at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - outerWidth)));
    at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - outerHeight)));
    if (at != window->pos()) window->move(at);
}

}  // namespace b3::ui
