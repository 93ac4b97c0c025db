// The main window's view of the CD: the drive list, the track listing and disc images.
#include "engine/cd/disclisting.h"
#include "engine/cd/modakrip32.h"
#include "engine/cd/ripverify.h"
#include "engine/core/sourcetree.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/dialogs.h"
#include "window/main/form1.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QThread>

#include <algorithm>
#include <memory>

void Form1::cmdRefresh_Click() {
    lblCDID->setText(QString());
    lblNumTracks->setText(QString());
    forgetListedDisc();
    tree().lstTracks.clear();
    tree().lstRecord.clear();

    disclisting::closeCdDevice();
    const int drive = cddrives::mediaDrive();
    if (drive < 0)
        return;
    const Disc disc = readDisc(drive);
    const disclisting::Listing listing = disclisting::listingOf(disc);
    lblCDID->setText(listing.identity);
    lblNumTracks->setText(listing.trackCountText);

    // A disc is listed when it holds audio, one track of it included; the message is for a
    // drive without a disc and a disc without audio.
    if (const QString message = disclisting::notMusicCdMessage(disc); !message.isEmpty()) {
        dialogs::msgBox(message);
        return;
    }
    for (const disclisting::TrackEntry& entry : listing.entries)
        tree().lstTracks.add(entry.text, entry.track);
    trackLengthsMs = listing.lengthsMs;
    noteListedDisc(disc);
}

void Form1::driveChosen() {
    DriveList_Click();
    cmdRefresh_Click();
    tree().showfiles();
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
    request.title = tr("Open Disc Image");
    request.filter = tr("Cue Sheets (*.cue)");
    const QStringList picked = dialogs::handler().openFiles(request);
    if (picked.isEmpty())
        return;
    openDiscImage(picked.first());
}

bool Form1::openDiscImage(const QString& cuePath) {
    const Result<cddrives::ImageReport> image = cddrives::registerImage(cuePath);
    if (!image) {
        dialogs::msgBox(image.error().description(), dialogs::Buttons::Ok,
                        dialogs::Icon::Exclamation, tr("Open Disc Image"));
        return false;
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
        dialogs::msgBox(tr("%1: the data file holds less than the cue sheet "
                           "describes (an incomplete copy?).\n\n%2")
                            .arg(QFileInfo(cuePath).fileName(),
                                 image->incompleteTracks.join(QLatin1Char('\n'))),
                        dialogs::Buttons::Ok, dialogs::Icon::Exclamation, tr("Open Disc Image"));
    return true;
}

void Form1::mnuVerify_Click() {
    const auto path = tree().filePathOf(tree().selectedNode());
    if (!path || !path->endsWith(QLatin1String(".wav"), Qt::CaseInsensitive) || verifying_)
        return;
    // The disc is read on a thread of its own (a long track takes a while on a real drive);
    // meanwhile the window is drawn but takes no input, and the verdict is said when the
    // thread has ended.
    auto verdict = std::make_shared<ripverify::Verdict>();
    const int drive = cddrives::mediaDrive();
    const QString wav = *path;
    verifying_.reset(QThread::create(
        [verdict, wav, drive] { *verdict = ripverify::verifyWav(wav, readDisc(drive)); }));
    auto busy = std::make_shared<dialogs::BusyPointer>();
    connect(verifying_.get(), &QThread::finished, this, [this, verdict, busy]() mutable {
        verifying_->wait();
        verifying_.reset();
        busy.reset();
        setEnabled(true);
        dialogs::msgBox(verdict->text(), dialogs::Buttons::Ok,
                        verdict->matched ? dialogs::Icon::Information : dialogs::Icon::Exclamation,
                        tr("Verify against Disc"));
    });
    setEnabled(false);
    verifying_->start();
}
