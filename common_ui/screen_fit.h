// Keeps windows on their screen: a window, its frame included, inside the free area of the
// screen it opens on (a dialog: its parent's screen).
#pragma once

#include <QSize>

class QWidget;

namespace b3::ui {

// Shrinks `window` where the screen's free area (above the taskbar) is smaller, and moves it
// inside that area, title bar included. Before the window system has framed the window, room for
// a usual title bar and borders is kept. A maximized or full-screen window is left alone.
void FitToScreen(QWidget* window);

// The largest window (without its frame) that FitToScreen leaves on a free area of `available`.
QSize RoomOnScreen(const QSize& available);

}  // namespace b3::ui
