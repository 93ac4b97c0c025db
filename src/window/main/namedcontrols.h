#pragma once
// Controls made with their object name (the name the code gives them, by which tests find
// them) and, for those without a caption, an accessible name. For the secondary windows.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace namedcontrols {

inline QCheckBox* makeCheck(QWidget* parent, const char* name, const QString& caption) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

inline QLineEdit* makeEdit(QWidget* parent, const char* name, const QString& accessibleName) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(accessibleName);
    return edit;
}

inline QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

inline QComboBox* makeCombo(QWidget* parent, const char* name, const QString& accessibleName) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setAccessibleName(accessibleName);
    return combo;
}

inline QAction* makeAction(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

} // namespace namedcontrols
