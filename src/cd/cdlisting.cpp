// The main window's view of the CD: the drive list, the track listing and disc images.
#include "app/form1.h"
#include "app/sourcetree.h"
#include "cd/modakrip32.h"
#include "platform/akrip/cddrives.h"
#include "platform/dialogs.h"
#include "platform/mci/mci.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>

#include <array>

namespace {

// The media-control reply buffer of the listing. A command that fails leaves the previous
// reply in it, and that text is then used as the design's ignore-errors rule says.
std::array<char, 64> reply{};

std::uint32_t sendToCd(const QString& command) {
    return mci::mciSendStringA(command.toLatin1().constData(), reply.data(),
                               static_cast<std::uint32_t>(reply.size()), nullptr);
}

QString replyNow() {
    return mci::replyText(reply.data(), static_cast<std::uint32_t>(reply.size()));
}

// "Track  3 - 3:05": the number right-aligned in two characters.
QString trackEntry(int track, const QString& length) {
    return QStringLiteral("Track %1 - %2").arg(track, 2).arg(length);
}

} // namespace

void Form1::cmdRefresh_Click() {
    lblCDID->setText(QString());
    lblNumTracks->setText(QString());
    tree().lstTracks.clear();
    tree().lstRecord.clear();

    sendToCd(QStringLiteral("stop cd"));
    sendToCd(QStringLiteral("close cd"));
    if (sendToCd(QStringLiteral("open cdaudio alias cd")) != mci::Success)
        return;
    sendToCd(QStringLiteral("info cd identity"));
    lblCDID->setText(replyNow());
    sendToCd(QStringLiteral("status cd number of tracks"));
    lblNumTracks->setText(replyNow());
    QCoreApplication::processEvents();

    const long long count = LeadingNumber(lblNumTracks->text());
    if (count < 2) {
        QCoreApplication::processEvents();
        if (count == 1)
            dialogs::msgBox(QStringLiteral(
                "The current CD is not a music CD. If you wish to use your CD as a source, "
                "please insert a music CD into the CD drive."));
        else if (count == 0)
            dialogs::msgBox(QStringLiteral(
                "The CD drive is empty. If you wish to use your CD as a source, please insert "
                "a music CD into the CD drive."));
        return; // the alias stays open, as after any listing that stops here
    }
    const int n = static_cast<int>(std::min<long long>(count, 99));

    sendToCd(QStringLiteral("set cd time format hms"));
    for (int i = 1; i <= n; ++i) {
        sendToCd(QStringLiteral("status cd length track %1").arg(i));
        tree().lstTracks.add(trackEntry(i, replyNow()));
    }
    trackLengthsMs.assign(static_cast<std::size_t>(n) + 1, 0);
    sendToCd(QStringLiteral("set cd time format milliseconds"));
    for (int i = 1; i <= n; ++i) {
        sendToCd(QStringLiteral("status cd length track %1").arg(i));
        trackLengthsMs[static_cast<std::size_t>(i)] =
            static_cast<std::int32_t>(LeadingNumber(replyNow()));
    }
    sendToCd(QStringLiteral("close cd"));
}

void Form1::fillDriveList() {
    DriveList->clear();
    const int adapters = akrip::GetNumAdapters();
    for (int i = 0; i <= adapters && i < akrip::maxDrives; ++i)
        DriveList->addItem(modAKRip32::driveDisplayName(modAKRip32::GetCDRecord(i)));
    DriveList->setCurrentIndex(0);
    DriveList_Click();
}

void Form1::DriveList_Click() {
    modAKRip32::CloseCurrentCD();
    const int index = DriveList->currentIndex();
    if (index < 0)
        return;
    // The track listing reads the drive chosen here.
    if (index < static_cast<int>(cddrives::drives().size()))
        cddrives::setMediaDrive(index);
    modAKRip32::OpenCDDrive(index);
}

void Form1::mnuOpenImage_Click() {
    dialogs::FileRequest request;
    request.title = QStringLiteral("Open Disc Image");
    request.filter = QStringLiteral("Cue Sheets (*.cue)");
    const QStringList picked = dialogs::handler().openFiles(request);
    if (picked.isEmpty())
        return;
    const QString cuePath = picked.first();
    const Result<cddrives::ImageReport> image = cddrives::registerImage(cuePath);
    if (!image) {
        dialogs::msgBox(image.error().description(), dialogs::Buttons::Ok,
                        dialogs::Icon::Exclamation, QStringLiteral("Open Disc Image"));
        return;
    }
    // The image's entry: after the devices, in place of the blank entry a machine without
    // drives lists.
    const int index = image->driveIndex;
    const QString name = modAKRip32::driveDisplayName(modAKRip32::GetCDRecord(index));
    if (index < DriveList->count())
        DriveList->setItemText(index, name);
    else
        DriveList->addItem(name);
    DriveList->setCurrentIndex(index);
    DriveList_Click();
    cmdRefresh_Click();
    tree().showfiles();

    if (!image->incompleteTracks.isEmpty())
        dialogs::msgBox(QStringLiteral("%1: the data file holds less than the cue sheet "
                                       "describes (an incomplete copy?).\n\n%2")
                            .arg(QFileInfo(cuePath).fileName(),
                                 image->incompleteTracks.join(QLatin1Char('\n'))),
                        dialogs::Buttons::Ok, dialogs::Icon::Exclamation,
                        QStringLiteral("Open Disc Image"));
}
