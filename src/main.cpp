#include "app/form1.h"
#include "platform/dialogs.h"
#include "platform/widgetdialogs.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MP3 Vortan v2.0"));

    WidgetDialogs widgetDialogs;
    dialogs::setHandler(&widgetDialogs);

    Form1 window;
    window.show();
    const int rc = QApplication::exec();
    dialogs::setHandler(nullptr);
    return rc;
}
