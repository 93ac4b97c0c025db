#include "window/main/frmpopup.h"

#include "window/main/form1.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {
// The tip field holds 64 characters including its terminator.
constexpr int tipLength = 63;
} // namespace

frmpopup::frmpopup(Form1& main) : QWidget(nullptr), main_(main) {
    setObjectName(QStringLiteral("frmpopup"));
    setWindowTitle(main_.windowTitle());
    icon_ = QIcon(QStringLiteral(":/icons/im01.png"));
    setWindowIcon(icon_);

    Popup = new QMenu(tr("Popup"), this);
    Popup->setObjectName(tr("Popup"));
    mnuStopencoding = Popup->addAction(tr("&Stop Conversion"));
    mnuStopencoding->setObjectName(QStringLiteral("mnuStopencoding"));
    Exit = Popup->addAction(tr("&Restore Control panel"));
    Exit->setObjectName(tr("Exit"));
    QAction* space = Popup->addSeparator();
    space->setObjectName(QStringLiteral("mnuspace1"));
    mnuEnd = Popup->addAction(tr("S&hutdown program"));
    mnuEnd->setObjectName(QStringLiteral("mnuEnd"));
    connect(mnuStopencoding, &QAction::triggered, this, &frmpopup::mnuStopencoding_Click);
    connect(Exit, &QAction::triggered, this, &frmpopup::Exit_Click);
    connect(mnuEnd, &QAction::triggered, this, &frmpopup::mnuEnd_Click);

    trayIcon_ = new QSystemTrayIcon(this);
    trayIcon_->setObjectName(QStringLiteral("trayIcon"));
    trayIcon_->setContextMenu(Popup); // opened by the platform on a right click
    // Every icon event first brings the popup's caption up to date; clicks do nothing else.
    connect(trayIcon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason) { setWindowTitle(main_.windowTitle()); });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &frmpopup::Timer1_Timer);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, &frmpopup::Timer2_Timer);

    AddTrayIcon(icon_, QStringLiteral("MP3 Vortan"));
    hide();
    Timer1->start();
    Timer2->start();
}

frmpopup::~frmpopup() {
    DeleteTrayIcon();
}

void frmpopup::unload() {
    Timer1->stop();
    Timer2->stop();
    DeleteTrayIcon();
    deleteLater();
}

void frmpopup::AddTrayIcon(const QIcon& icon, const QString& tip) {
    trayIcon_->setIcon(icon);
    trayIcon_->setToolTip(tip.left(tipLength));
    if (QSystemTrayIcon::isSystemTrayAvailable())
        trayIcon_->show();
}

void frmpopup::ModifyTrayIcon(const QIcon& icon, const QString& tip) {
    trayIcon_->setIcon(icon);
    trayIcon_->setToolTip(tip.left(tipLength));
}

void frmpopup::DeleteTrayIcon() {
    if (trayIcon_)
        trayIcon_->hide();
}

QString frmpopup::trayTip() const {
    return trayIcon_->toolTip();
}

bool frmpopup::trayIconShown() const {
    return trayIcon_->isVisible();
}

void frmpopup::Timer1_Timer() {
    ModifyTrayIcon(icon_, main_.windowTitle());
}

void frmpopup::Timer2_Timer() {
    setWindowTitle(main_.windowTitle());
}

void frmpopup::mnuStopencoding_Click() {
    main_.restoreWindow();
    // What the window then says ("Stopping after the current file...") is what happens: the
    // file under way is finished whole, and no other starts.
    main_.Command1_Click();
    main_.unloadPopup();
}

void frmpopup::Exit_Click() {
    main_.restoreWindow();
    main_.unloadPopup();
}

void frmpopup::mnuEnd_Click() {
    emit main_.decoderWindowUnloadRequested();
    // The main window's unload stops the work and unloads this popup.
    main_.Command5_Click();
}
