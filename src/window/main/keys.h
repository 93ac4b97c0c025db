#pragma once
// The keys the windows share for working without a mouse.
#include <QKeyEvent>

namespace keys {

// The Menu key, or Shift+F10: open the context menu of what is selected.
inline bool opensContextMenu(const QKeyEvent& event) {
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    return (event.key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
           (event.key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier);
}

// Return, Enter or Space alone: do what a double-click (or a click on an entry) does.
inline bool activates(const QKeyEvent& event) {
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    return modifiers == Qt::NoModifier &&
           (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter ||
            event.key() == Qt::Key_Space);
}

} // namespace keys
