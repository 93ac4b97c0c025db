#pragma once

#include <QIcon>
#include <QWidget>

class Form1;
class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;

// The tray popup: a window that is never shown and exists to own the tray icon and its
// menu while the main window is minimised. While loaded, its two timers make the icon's
// tooltip and its own caption follow the main window's caption once a second, so the
// progress stays visible in the tray. GUI thread only; owned and unloaded by Form1.
class frmpopup : public QWidget {
    Q_OBJECT
  public:
    explicit frmpopup(Form1& main);
    ~frmpopup() override;

    // Removes the tray icon at once and deletes the popup once control is back in the event
    // loop (it may be unloading from inside one of its own menu commands).
    void unload();

    // Menu commands.
    // Shows the main window and stops the conversion after the current file, which is
    // finished whole (as the window then says), so no file is cut short.
    void mnuStopencoding_Click();
    // Shows the main window; the conversion goes on.
    void Exit_Click();
    // Ends the program.
    void mnuEnd_Click();

    void Timer1_Timer();
    void Timer2_Timer();

    // The tray icon's tip (at most 63 characters are kept).
    QString trayTip() const;
    QSystemTrayIcon* trayIcon() const { return trayIcon_; }
    // Whether the icon is in the tray (false where the desktop has no tray).
    bool trayIconShown() const;

    QMenu* Popup = nullptr;
    QAction* mnuStopencoding = nullptr;
    QAction* Exit = nullptr;
    QAction* mnuEnd = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;

  private:
    void AddTrayIcon(const QIcon& icon, const QString& tip);
    void ModifyTrayIcon(const QIcon& icon, const QString& tip);
    void DeleteTrayIcon();

    Form1& main_;
    QIcon icon_;
    QSystemTrayIcon* trayIcon_ = nullptr;
};
