// The windows on a Wayland compositor (run by under-weston.sh; skipped on other platforms).
#include "formtest.h"

#include "window/dialogs/widgetdialogs.h"
#include "window/main/form1.h"
#include "window/prefs/frmprefs.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class WaylandTest : public FormTest {
  protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("wayland"))
            GTEST_SKIP() << "not on a Wayland compositor (platform "
                         << QGuiApplication::platformName().toStdString() << ")";
        FormTest::SetUp();
    }
};

} // namespace

// The main window, the preferences and a message box are mapped by the compositor.
TEST_F(WaylandTest, TheMainWindowPreferencesAndAMessageShow) {
    Form1& w = load();
    EXPECT_TRUE(w.isVisible());
    EXPECT_GT(w.width(), 0);

    FrmPrefs* prefs = FrmPrefs::open(w);
    ASSERT_TRUE(prefs);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(prefs));
    prefs->close();

    // A real message box, closed once the compositor has shown it.
    bool shown = false;
    QTimer closer;
    closer.setInterval(50);
    QObject::connect(&closer, &QTimer::timeout, [&shown, &closer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        closer.stop();
        shown = QTest::qWaitForWindowExposed(box);
        box->accept();
    });
    closer.start();
    WidgetDialogs real;
    real.message({QStringLiteral("MP3 Vortan"), QStringLiteral("Shown on Wayland"),
                  dialogs::Icon::Information, dialogs::Buttons::Ok});
    EXPECT_TRUE(shown);
}
