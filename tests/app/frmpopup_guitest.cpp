#include "fixtures.h"
#include "formtest.h"
#include "mp3decode.h"

#include "window/main/frmpopup.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

class PopupTest : public FormTest {
  protected:
    frmpopup& minimise() {
        form->mnuMinimize_Click();
        EXPECT_NE(form->popup(), nullptr);
        return *form->popup();
    }
};

} // namespace

TEST_F(PopupTest, MinimiseNeverLosesTheWindow) {
    Form1& w = load();
    frmpopup& popup = minimise();
    EXPECT_FALSE(popup.isVisible()); // the popup itself never shows
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        EXPECT_TRUE(popup.trayIconShown());
        EXPECT_TRUE(w.isHidden());
    } else {
        // No tray to bring it back from: the window is only minimised.
        EXPECT_FALSE(popup.trayIconShown());
        EXPECT_TRUE(w.isMinimized());
        EXPECT_FALSE(w.isHidden());
    }
    // Minimising twice keeps one popup.
    w.mnuMinimize->trigger();
    EXPECT_EQ(w.popup(), &popup);
}

TEST_F(PopupTest, MenuAndTimersAsDesigned) {
    Form1& w = load();
    frmpopup& popup = minimise();
    QStringList items;
    for (const QAction* a : popup.Popup->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : QString(a->text()).remove(u'&'));
    EXPECT_EQ(items,
              (texts({"Stop Conversion", "Restore Control panel", "-", "Shutdown program"})));
    EXPECT_EQ(popup.trayIcon()->contextMenu(), popup.Popup);
    EXPECT_EQ(popup.trayTip(), QStringLiteral("MP3 Vortan"));
    EXPECT_TRUE(popup.Timer1->isActive());
    EXPECT_EQ(popup.Timer1->interval(), 1000);
    EXPECT_TRUE(popup.Timer2->isActive());
    EXPECT_EQ(popup.Timer2->interval(), 1000);

    // The tip and the popup's caption follow the main window's caption.
    w.ChangeProgress({}, 421, 1000);
    popup.Timer1_Timer();
    popup.Timer2_Timer();
    EXPECT_EQ(popup.trayTip(), QStringLiteral("Progress 42.10 %"));
    EXPECT_EQ(popup.windowTitle(), QStringLiteral("Progress 42.10 %"));
    // And they do so by themselves once a second.
    w.ChangeProgress({}, 1, 2);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return popup.trayTip() == QStringLiteral("Progress 50.00 %"); }, 5000));
    EXPECT_EQ(popup.windowTitle(), QStringLiteral("Progress 50.00 %"));
    // A long caption is cut to the tip's 63 characters.
    w.setWindowTitle(QString(80, QLatin1Char('x')));
    popup.Timer1_Timer();
    EXPECT_EQ(popup.trayTip().size(), 63);
}

TEST_F(PopupTest, RestoreBringsTheWindowBackWithoutStopping) {
    Form1& w = load();
    frmpopup& popup = minimise();
    QPointer<frmpopup> alive(&popup);
    popup.Exit->trigger();
    EXPECT_EQ(w.popup(), nullptr);
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isMinimized());
    EXPECT_TRUE(QTest::qWaitFor([&] { return alive.isNull(); }, 2000));
}

// "Stop Conversion" does what the window then says, "Stopping after the current file...": the
// file under way is finished whole, and no other starts.
TEST_F(PopupTest, StopConversionFinishesTheFileUnderWayAndStartsNoOther) {
    WriteSetting(SettingKey::DeleteWav, QStringLiteral("0"));
    const QString a = dest.filePath(QStringLiteral("a.wav"));
    const QString b = dest.filePath(QStringLiteral("b.wav"));
    fixtures::writeFile(a, fixtures::wavBytes(fixtures::sine(440, 3.0)));
    fixtures::writeFile(b, fixtures::wavBytes(fixtures::sine(440, 1.0)));
    Form1& w = load();
    w.tree().List5.setItems({a, b});
    QSignalSpy decoder(&w, &Form1::decoderWindowUnloadRequested);
    minimise();
    QString said;
    auto connection = QObject::connect(w.ProgressBar1, &QProgressBar::valueChanged, [&](int v) {
        if (v > 0 && w.popup()) {
            w.popup()->mnuStopencoding->trigger();
            said = w.Label3->text();
        }
    });
    select(SourceTree::SelectedWavText);
    w.CmdSelectAction_Click();
    waitForJob();
    QObject::disconnect(connection);

    EXPECT_EQ(said, QStringLiteral("Stopping after the current file..."));
    EXPECT_GE(decoder.count(), 1);
    const auto made = mp3decode::decodeFile(dest.filePath(QStringLiteral("a.mp3")));
    ASSERT_TRUE(made.ok);
    EXPECT_NEAR(made.seconds(), 3.0, 0.06);
    EXPECT_FALSE(QFileInfo::exists(dest.filePath(QStringLiteral("b.mp3"))));
    EXPECT_TRUE(dialogs().messages().empty()); // nothing failed, nothing to say
    EXPECT_EQ(w.popup(), nullptr);
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isMinimized());
    EXPECT_TRUE(w.CmdSelectAction->isEnabled());
}

TEST_F(PopupTest, ShutdownEndsTheProgram) {
    Form1& w = load();
    QSignalSpy decoder(&w, &Form1::decoderWindowUnloadRequested);
    QSignalSpy end(&w, &Form1::programEndRequested);
    frmpopup& popup = minimise();
    popup.mnuEnd->trigger();
    EXPECT_GE(decoder.count(), 1);
    EXPECT_EQ(end.count(), 1);
    EXPECT_EQ(w.popup(), nullptr);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(PopupTest, DesktopIconPreferenceLoadsThePopupAtStartUp) {
    WriteSetting(SettingKey::DesktopIcon, std::int16_t{1});
    Form1& w = load();
    EXPECT_NE(w.popup(), nullptr);
}
