#include "window/desktop/notifications.h"

#include "engine/cd/ripcompletion.h"
#include "engine/core/settings.h"
#include "engine/service/conversionservice.h"
#include "window/main/form1.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QVariantMap>

#include <utility>

namespace notifications {

namespace {

const QString programName = QStringLiteral("MP3 Vortan");
const QString iconName = QStringLiteral("mp3vortan");

QString count(qsizetype n, const QString& one, const QString& many) {
    return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? one : many);
}

} // namespace

DBusSink::DBusSink(QDBusConnection connection) : connection_(std::move(connection)) {}

void DBusSink::send(const Notification& notification) {
    if (!connection_.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    QVariantMap hints;
    // Lets the desktop show the program's own name and icon with the notice.
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("mp3vortan"));
    call << programName << 0u << iconName << notification.summary << notification.body
         << QStringList() << hints << -1;
    connection_.asyncCall(call);
}

Notification batchNotice(const ConversionReport& report) {
    qsizetype done = 0, failed = 0, cut = 0, unstarted = 0;
    for (const JobResult& result : report.results) {
        switch (result.status) {
        case JobResult::Status::Completed:
            ++done;
            break;
        case JobResult::Status::Cancelled:
            ++cut;
            break;
        case JobResult::Status::NotStarted:
            ++unstarted;
            break;
        case JobResult::Status::Skipped:
        case JobResult::Status::Failed:
            ++failed;
            break;
        }
    }
    QString one = QCoreApplication::translate("JobNotifier", "file"),
            many = QCoreApplication::translate("JobNotifier", "files"), verb;
    switch (report.kind) {
    case ConversionKind::WavToMp3:
        verb = QCoreApplication::translate("JobNotifier", "encoded");
        break;
    case ConversionKind::Mp3ToWav:
        verb = QCoreApplication::translate("JobNotifier", "decoded");
        break;
    case ConversionKind::AudioConvert:
        verb = QCoreApplication::translate("JobNotifier", "converted");
        break;
    case ConversionKind::CdExtraction:
        one = QCoreApplication::translate("JobNotifier", "track");
        many = QCoreApplication::translate("JobNotifier", "tracks");
        verb = QCoreApplication::translate("JobNotifier", "ripped");
        break;
    case ConversionKind::Capture:
        one = QCoreApplication::translate("JobNotifier", "track");
        many = QCoreApplication::translate("JobNotifier", "tracks");
        verb = QCoreApplication::translate("JobNotifier", "recorded");
        break;
    }
    QStringList parts{count(done, one, many) + QLatin1Char(' ') + verb};
    if (failed)
        parts << QCoreApplication::translate("JobNotifier", "%1 failed").arg(failed);
    if (cut)
        parts << QCoreApplication::translate("JobNotifier", "%1 stopped early").arg(cut);
    if (unstarted)
        parts << QCoreApplication::translate("JobNotifier", "%1 not started").arg(unstarted);
    const bool clean = failed == 0 && cut == 0 && unstarted == 0;
    return {clean ? QCoreApplication::translate("JobNotifier", "Conversion finished")
                  : QCoreApplication::translate("JobNotifier", "Conversion ended"),
            parts.join(QStringLiteral(", "))};
}

Notification ripNotice(const RipEnding& ending) {
    qsizetype ripped = 0, failed = 0, cut = 0;
    for (const riplog::Track& track : ending.log.tracks) {
        switch (track.result) {
        case riplog::TrackResult::CopyOk:
            ++ripped;
            break;
        case riplog::TrackResult::ReadErrors:
        case riplog::TrackResult::Failed:
            ++failed;
            break;
        case riplog::TrackResult::Aborted:
        case riplog::TrackResult::NotStarted:
            ++cut;
            break;
        }
    }
    QStringList parts{count(ripped, QCoreApplication::translate("JobNotifier", "track"),
                            QCoreApplication::translate("JobNotifier", "tracks")) +
                      QCoreApplication::translate("JobNotifier", " ripped")};
    if (failed)
        parts << QCoreApplication::translate("JobNotifier", "%1 with read errors or failed")
                     .arg(failed);
    if (cut)
        parts << QCoreApplication::translate("JobNotifier", "%1 stopped or not started").arg(cut);
    bool mismatch = false;
    if (ending.databaseAnswered && ending.log.accurateRip && ending.log.accurateRip->ok()) {
        int covered = 0, accurate = 0;
        for (const riplog::Verdict& verdict : ending.log.verdicts()) {
            if (!verdict.covered)
                continue;
            ++covered;
            accurate += verdict.match.kind == accuraterip::TrackMatch::Accurate;
        }
        mismatch = ending.mismatch();
        if (covered > 0 && accurate == covered)
            parts << (covered == 1
                          ? QCoreApplication::translate("JobNotifier", "accurately ripped")
                          : QCoreApplication::translate("JobNotifier", "all accurately ripped"));
        else if (covered > 0)
            parts << QCoreApplication::translate("JobNotifier", "%1 of %2 accurately ripped")
                         .arg(accurate)
                         .arg(covered);
    }
    const bool clean = failed == 0 && cut == 0 && !mismatch && ending.unfinished.empty();
    return {clean ? QCoreApplication::translate("JobNotifier", "Rip finished")
                  : QCoreApplication::translate("JobNotifier", "Rip ended"),
            parts.join(QStringLiteral(", "))};
}

JobNotifier::JobNotifier(Form1& window, Sink& sink)
    : QObject(&window), window_(window), sink_(sink) {
    connect(&window.conversions(), &ConversionService::batchFinished, this,
            &JobNotifier::batchFinished);
    connect(&window, &Form1::ripEnded, this, &JobNotifier::ripEnded);
}

bool JobNotifier::wanted() const {
    // Any of the program's windows in front (the main window, Preferences, the play list)
    // means the user sees the end message.
    return DesktopNotifications != 0 && QApplication::activeWindow() == nullptr;
}

void JobNotifier::batchFinished(const ConversionReport& report) {
    if (report.endedFromOutside)
        return;
    if (report.kind == ConversionKind::CdExtraction) {
        ripPending_ = wanted();
        return;
    }
    if (wanted())
        sink_.send(batchNotice(report));
}

void JobNotifier::ripEnded(const RipEnding& ending) {
    const std::optional<bool> pending = std::exchange(ripPending_, std::nullopt);
    if (pending && *pending && DesktopNotifications != 0)
        sink_.send(ripNotice(ending));
}

} // namespace notifications
