#pragma once
// Keeping a window on its screen.
#include <QScreen>
#include <QWidget>

// Shrinks `window` to the free area of its screen when it is larger (never below its least
// size): on a small screen, or one scaled up, the whole window stays reachable. GUI thread.
inline void fitToScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (!screen)
        return;
    // The frame the window system adds is known only once the window is shown; keep room for
    // a title bar until then.
    const QSize frame =
        window.isVisible() ? window.frameGeometry().size() - window.size() : QSize(0, 32);
    const QSize room = screen->availableGeometry().size() - frame;
    window.resize(window.size()
                      .boundedTo(room)
                      .expandedTo(window.minimumSizeHint())
                      .expandedTo(window.minimumSize()));
}
