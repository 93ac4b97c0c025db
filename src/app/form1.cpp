#include "app/form1.h"

#include "app/settings.h"

Form1::Form1(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("MP3 Vortan v2.0"));
    LoadSettings();
    resize(760, 520);
}
