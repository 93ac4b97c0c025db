#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <optional>

class Form1;
struct ConversionReport;
struct RipEnding;

// Desktop notifications when the window's work ends while the user looks elsewhere.
namespace notifications {

struct Notification {
    QString summary; // one line: what ended
    QString body;    // how it went
};

// Where notifications go. The program's sink is the desktop's notification service; tests
// install one that keeps what it is given.
class Sink {
  public:
    virtual ~Sink() = default;
    virtual void send(const Notification& notification) = 0;
};

// org.freedesktop.Notifications on a D-Bus connection (the session bus by default). The
// call is sent without waiting for its answer: a desktop without the service loses the
// notification and nothing else.
class DBusSink : public Sink {
  public:
    explicit DBusSink(QDBusConnection connection = QDBusConnection::sessionBus());
    void send(const Notification& notification) override;

  private:
    QDBusConnection connection_;
};

// What a batch of the window did, in a few words: "12 files encoded", "10 files encoded,
// 2 failed", "3 tracks recorded, 1 stopped early".
Notification batchNotice(const ConversionReport& report);
// What a rip did, with the AccurateRip database's verdict when it answered: "12 tracks
// ripped, all accurately ripped", "12 tracks ripped, 10 of 12 accurately ripped".
Notification ripNotice(const RipEnding& ending);

// Follows `window`'s batches and rips and sends each one's notice to `sink` when it ends
// while none of the program's windows is the active one, unless "Desktop notifications" is
// off. A rip's
// notice waits for the steps after it (the AccurateRip verdict), but the window is judged as
// it was when the tracks ended. GUI thread; `sink` outlives this.
class JobNotifier : public QObject {
    Q_OBJECT
  public:
    JobNotifier(Form1& window, Sink& sink);

  private:
    void batchFinished(const ConversionReport& report);
    void ripEnded(const RipEnding& ending);
    // Whether a notice is wanted now: the setting on and no window of the program in front.
    bool wanted() const;

    Form1& window_;
    Sink& sink_;
    // A rip whose steps are still running: whether its notice is to go out then.
    std::optional<bool> ripPending_;
};

} // namespace notifications
