// The CD library over disc images: drive records, handles, table of contents, paranoia reads,
// and which images it opens.
#include "discfixture.h"
#include "discimage.h"
#include "fixtures.h"

#include "engine/platform/akrip/akrip.h"
#include "engine/platform/akrip/cddrives.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

constexpr int sector = static_cast<int>(akrip::cdFrameBytes);

std::uint32_t address(const akrip::TocEntry& entry) {
    return (std::uint32_t{entry.address[0]} << 24) | (std::uint32_t{entry.address[1]} << 16) |
           (std::uint32_t{entry.address[2]} << 8) | entry.address[3];
}

struct ReadResult {
    int result = 0;
    int error = 0;
    std::uint32_t returnedLength = 0;
    QByteArray audio; // the returned bytes
};

ReadResult readSectors(std::uint32_t handle, std::uint32_t start, std::uint32_t count,
                       std::uint32_t maxLength = 26 * akrip::cdFrameBytes) {
    std::vector<unsigned char> buffer(sizeof(akrip::ReadHeader) + maxLength, 0);
    akrip::ReadHeader header{start, count, maxLength, 0, 0, 0};
    std::memcpy(buffer.data(), &header, sizeof header);
    ReadResult out;
    out.result = akrip::ReadCDAudioLBA(handle, buffer.data());
    out.error = akrip::GetAspiLibError();
    std::memcpy(&header, buffer.data(), sizeof header);
    out.returnedLength = header.returnedLength;
    out.audio = QByteArray(reinterpret_cast<const char*>(buffer.data()) + sizeof header,
                           static_cast<qsizetype>(std::min(header.returnedLength, maxLength)));
    return out;
}

using CdLibrary = DiscImageTest;

TEST_F(CdLibrary, ImageDriveRecordHandlesAndTableOfContents) {
    const DiscImage image = writeDiscImage(dir.path(), QStringLiteral("disc"),
                                           {{300, 440.0}, {27, 660.0}, {200, 880.0}});
    const int drive = registerDisc(image.cuePath);
    ASSERT_GE(drive, 0);
    EXPECT_EQ(registerDisc(image.cuePath), drive); // the same sheet is the same drive
    EXPECT_EQ(static_cast<int>(cddrives::drives().size()), drive + 1);
    EXPECT_EQ(akrip::GetNumAdapters(), drive);

    akrip::CdDriveList list;
    std::memset(&list, 0xEE, sizeof list);
    EXPECT_EQ(akrip::GetCDList(&list), drive + 1);
    EXPECT_EQ(list.header[0], drive + 1);
    const akrip::CdDriveRecord& record = list.drives[drive];
    EXPECT_EQ(record.ha, drive);
    EXPECT_EQ(record.tgt, 0);
    EXPECT_EQ(record.lun, 0);
    EXPECT_STREQ(record.id, "disc.cue");
    EXPECT_TRUE(
        std::all_of(record.id + 8, record.id + sizeof record.id, [](char c) { return c == 0; }));

    akrip::GETCDHAND request = handleRequest(drive);
    const std::uint32_t handle = akrip::GetCDHandle(&request);
    ASSERT_GE(handle, 1u);
    ASSERT_LE(handle, 255u);
    EXPECT_EQ(akrip::GetAspiLibError(), akrip::NoError);
    EXPECT_EQ(akrip::GetCDHandle(&request), 0u);
    EXPECT_EQ(akrip::GetAspiLibError(), akrip::DuplicateHandle);
    akrip::GETCDHAND badVersion = handleRequest(drive);
    badVersion.version = 2;
    EXPECT_EQ(akrip::GetCDHandle(&badVersion), 0u);
    EXPECT_EQ(akrip::GetAspiLibError(), akrip::InvalidRequestVersion);
    akrip::GETCDHAND noDrive = handleRequest(drive + 1);
    EXPECT_EQ(akrip::GetCDHandle(&noDrive), 0u);
    EXPECT_EQ(akrip::GetAspiLibError(), akrip::NotACdDevice);
    EXPECT_EQ(akrip::GetCDHandle(nullptr), 0u);
    EXPECT_EQ(akrip::GetAspiLibError(), akrip::InvalidRequest);

    akrip::TocRecord toc;
    EXPECT_EQ(akrip::ModifyCDParms(handle, akrip::parmMsfAddressing, 0), 1);
    ASSERT_EQ(akrip::ReadTOC(handle, &toc), 1);
    EXPECT_EQ(toc.header[0], 0);
    EXPECT_EQ(toc.header[1], 2 + 8 * 4);
    EXPECT_EQ(toc.header[2], 1);
    EXPECT_EQ(toc.header[3], 3);
    const std::uint32_t starts[] = {0, 300, 327};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(toc.entries[k].trackNumber, k + 1);
        EXPECT_EQ(toc.entries[k].adrControl, 0x10);
        EXPECT_EQ(address(toc.entries[k]), starts[k]);
    }
    EXPECT_EQ(toc.entries[3].trackNumber, 0xAA);
    EXPECT_EQ(address(toc.entries[3]), 527u);
    EXPECT_EQ(toc.entries[4].trackNumber, 0);

    // Minute, second, frame of the address counted from the lead-in.
    EXPECT_EQ(akrip::ModifyCDParms(handle, akrip::parmMsfAddressing, 1), 1);
    ASSERT_EQ(akrip::ReadTOC(handle, &toc), 1);
    EXPECT_EQ(address(toc.entries[1]), 0x00000600u);   // 300 + 150 = 0:06:00
    EXPECT_EQ(address(toc.entries[3]), 0x00000902u);   // 527 + 150 = 0:09:02
    EXPECT_EQ(akrip::ModifyCDParms(handle, 99, 5), 1); // unknown parameters change nothing

    EXPECT_EQ(akrip::CloseCDHandle(handle), 1);
    EXPECT_EQ(akrip::CloseCDHandle(handle), 0);
    EXPECT_EQ(akrip::GetAspiLibError(), akrip::InvalidHandle);
    EXPECT_EQ(akrip::ModifyCDParms(handle, akrip::parmMsfAddressing, 0), 0);
    EXPECT_EQ(akrip::GetAspiLibError(), akrip::InvalidHandle);
    EXPECT_EQ(akrip::CloseCDHandle(0), 0);
}

TEST_F(CdLibrary, ReadsAreBitExactAndFailWhereTheDiscCannotBeRead) {
    const DiscImage image = writeDiscImage(dir.path(), QStringLiteral("disc"),
                                           {{300, 440.0}, {27, 660.0}, {200, 880.0}});
    const std::uint32_t handle = openHandle(registerDisc(image.cuePath));
    akrip::TocRecord toc;
    ASSERT_EQ(akrip::ReadTOC(handle, &toc), 1);

    // Across both track boundaries, the second read continuing the first.
    for (std::uint32_t start : {290u, 316u}) {
        const ReadResult read = readSectors(handle, start, 26);
        ASSERT_EQ(read.result, 1) << start;
        EXPECT_EQ(read.error, akrip::NoError);
        EXPECT_EQ(read.returnedLength, 26u * akrip::cdFrameBytes);
        EXPECT_TRUE(read.audio == image.audio.mid(start * sector, 26 * sector)) << start;
    }
    EXPECT_EQ(akrip::correctionsOf(handle), 0);

    EXPECT_EQ(readSectors(handle, 0, 26, 26 * akrip::cdFrameBytes - 1).error,
              akrip::BufferTooSmall);
    const ReadResult pastLeadOut = readSectors(handle, 520, 26);
    EXPECT_EQ(pastLeadOut.result, 0);
    EXPECT_EQ(pastLeadOut.error, akrip::AspiManagerError);

    // The data file loses its end while the handle is open: those sectors fail after
    // paranoia's retries, what comes before them is still delivered.
    ASSERT_TRUE(QFile::resize(image.binPath, 100 * sector));
    const ReadResult gone = readSectors(handle, 200, 26);
    EXPECT_EQ(gone.result, 0);
    EXPECT_EQ(gone.error, akrip::AspiManagerError);
    const ReadResult cut = readSectors(handle, 90, 26);
    EXPECT_EQ(cut.result, 0);
    EXPECT_EQ(cut.error, akrip::AspiManagerError);
    EXPECT_EQ(cut.returnedLength, 10u * akrip::cdFrameBytes);
    EXPECT_TRUE(cut.audio == image.audio.mid(90 * sector, 10 * sector));
    const ReadResult start = readSectors(handle, 0, 26);
    EXPECT_EQ(start.result, 1);
    EXPECT_EQ(start.error, akrip::NoError);
    EXPECT_TRUE(start.audio == image.audio.left(26 * sector));
    akrip::CloseCDHandle(handle);
}

TEST_F(CdLibrary, TheDataFileIsTheOneTheCueSheetNames) {
    DiscImageOptions options;
    options.binName = QStringLiteral("the audio.bin");
    const DiscImage image =
        writeDiscImage(dir.path(), QStringLiteral("album"), {{300, 440.0}, {200, 660.0}}, options);
    // What libcdio alone would read for "album.cue".
    fixtures::writeFile(path(QStringLiteral("album.bin")), QByteArray(1000 * sector, '\0'));

    const int drive = registerDisc(image.cuePath);
    const auto toc = cddrives::readToc(drive);
    ASSERT_TRUE(toc.ok()) << toc.error().description().toStdString();
    EXPECT_EQ(toc->trackStartLba, (std::vector<std::int32_t>{0, 300}));
    EXPECT_EQ(toc->leadOutLba, 500);
    EXPECT_TRUE(toc->audioOnly);
    akrip::GETCDHAND request = handleRequest(drive);
    const std::uint32_t handle = akrip::GetCDHandle(&request);
    const ReadResult read = readSectors(handle, 290, 26);
    EXPECT_EQ(read.result, 1);
    EXPECT_TRUE(read.audio == image.audio.mid(290 * sector, 26 * sector));
    akrip::CloseCDHandle(handle);

    // Lower-case keywords, a bare file name, CRLF line ends.
    fixtures::writeFile(path(QStringLiteral("the_audio.bin")), image.audio);
    fixtures::writeFile(path(QStringLiteral("variant.cue")),
                        "rem written by hand\r\nfile the_audio.bin binary\r\n  track 01 audio\r\n"
                        "    index 01 00:00:00\r\n  Track 02 Audio\r\n    Index 00 00:03:00\r\n"
                        "    Index 01 00:04:00\r\n");
    const auto variant = cddrives::readToc(registerDisc(path(QStringLiteral("variant.cue"))));
    ASSERT_TRUE(variant.ok()) << variant.error().description().toStdString();
    EXPECT_EQ(variant->trackStartLba, (std::vector<std::int32_t>{0, 300}));
    EXPECT_EQ(variant->leadOutLba, 500);
}

TEST_F(CdLibrary, ADataFileShorterThanTheSheetIsReported) {
    const DiscImage image = writeDiscImage(dir.path(), QStringLiteral("short"),
                                           {{375, 440.0}, {750, 660.0}, {375, 880.0}});
    ASSERT_TRUE(QFile::resize(image.binPath, 675 * sector + 1000)); // a partial sector at the end
    const auto report = cddrives::registerImage(image.cuePath);
    ASSERT_TRUE(report.ok()) << report.error().description().toStdString();
    EXPECT_EQ(report->incompleteTracks,
              QStringList({QStringLiteral("Track 2 is incomplete: 0:04 of 0:10"),
                           QStringLiteral("Track 3 is missing")}));
    // Only the tracks the data holds are on the disc, the missing one named; a cut track
    // keeps the end the sheet gives it, so that reading it fails where the data ends.
    const auto toc = cddrives::readToc(report->driveIndex);
    ASSERT_TRUE(toc.ok());
    EXPECT_EQ(toc->trackStartLba, (std::vector<std::int32_t>{0, 375}));
    EXPECT_EQ(toc->leadOutLba, 1125);
    EXPECT_EQ(toc->missingTracks, std::vector<int>{3});
    akrip::GETCDHAND request = handleRequest(report->driveIndex);
    const std::uint32_t handle = akrip::GetCDHandle(&request);
    akrip::ModifyCDParms(handle, akrip::parmMsfAddressing, 0);
    akrip::TocRecord toc2;
    ASSERT_EQ(akrip::ReadTOC(handle, &toc2), 1);
    EXPECT_EQ(toc2.header[3], 2);
    EXPECT_EQ(toc2.entries[2].trackNumber, 0xAA);
    EXPECT_EQ(address(toc2.entries[2]), 1125u);
    const ReadResult cut = readSectors(handle, 670, 10);
    EXPECT_EQ(cut.result, 0);
    EXPECT_EQ(cut.returnedLength, 5u * sector); // 670..674 whole; 675 is cut
    EXPECT_TRUE(akrip::lastErrorDetail().contains(QStringLiteral("sector 675 is past the end")))
        << akrip::lastErrorDetail().toStdString();
    akrip::CloseCDHandle(handle);

    // The last track has no end but the data's: only a cut sector makes it incomplete.
    const DiscImage cutEnd =
        writeDiscImage(dir.path(), QStringLiteral("cut"), {{375, 440.0}, {375, 660.0}});
    ASSERT_TRUE(QFile::resize(cutEnd.binPath, 750 * sector - 1000));
    const auto cutReport = cddrives::registerImage(cutEnd.cuePath);
    ASSERT_TRUE(cutReport.ok());
    EXPECT_EQ(cutReport->incompleteTracks,
              QStringList(QStringLiteral("Track 2 is incomplete: 0:04 of 0:05")));
}

// Images are one BIN, or WAVE files of CD audio (joined into one): anything else is refused
// with its reason, and at most eight drives exist.
TEST_F(CdLibrary, OnlyBinaryAndCdAudioWaveImagesOpenAndAtMostEightDrives) {
    const QString notes = path(QStringLiteral("notes.cue"));
    fixtures::writeFile(notes, "hello\n");
    DiscImage noData = writeDiscImage(dir.path(), QStringLiteral("nodata"), {{75, 440.0}});
    QFile::remove(noData.binPath);
    DiscImageOptions wave;
    wave.binName = QStringLiteral("wave.wav");
    wave.fileType = QStringLiteral("WAVE");
    const DiscImage waveImage =
        writeDiscImage(dir.path(), QStringLiteral("wave"), {{75, 440.0}}, wave);
    const QString twoFiles = path(QStringLiteral("two.cue"));
    fixtures::writeFile(twoFiles,
                        "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                        "FILE \"b.bin\" BINARY\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n");
    // WAVE files: 48 kHz is not CD audio; a first file of a sector and a half shifts the rest.
    const std::vector<std::int16_t> sectorAndAHalf(882 * 2, 1000);
    fixtures::writeFile(path(QStringLiteral("dat.wav")), fixtures::wavBytes(sectorAndAHalf, 48000));
    fixtures::writeFile(path(QStringLiteral("odd.wav")), fixtures::wavBytes(sectorAndAHalf));
    const QByteArray twoWaves = "FILE \"%1\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                "FILE \"odd.wav\" WAVE\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n";
    const QString datCue = path(QStringLiteral("dat.cue"));
    const QString oddCue = path(QStringLiteral("odd.cue"));
    fixtures::writeFile(datCue, QByteArray(twoWaves).replace("%1", "dat.wav"));
    fixtures::writeFile(oddCue, QByteArray(twoWaves).replace("%1", "odd.wav"));
    const QString mp3Cue = path(QStringLiteral("mp3.cue"));
    fixtures::writeFile(mp3Cue, "FILE \"a.mp3\" MP3\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");

    const struct {
        QString cue;
        QStringList named; // what the message must name
    } refusals[] = {
        {notes, {notes, QStringLiteral("is not a cue sheet")}},
        {noData.cuePath, {noData.cuePath, QStringLiteral("nodata.bin"), QStringLiteral("missing")}},
        {waveImage.cuePath, {waveImage.cuePath, QStringLiteral("WAVE file"), QStringLiteral("wave.wav")}},
        {twoFiles, {twoFiles, QStringLiteral("a.bin"), QStringLiteral("missing")}},
        {datCue, {datCue, QStringLiteral("dat.wav is not CD audio")}},
        {oddCue, {oddCue, QStringLiteral("odd.wav does not hold whole CD sectors")}},
        {mp3Cue, {mp3Cue, QStringLiteral("of type MP3"), QStringLiteral("WAVE")}},
        {path(QStringLiteral("absent.cue")), {path(QStringLiteral("absent.cue"))}},
    };
    const std::size_t drivesBefore = cddrives::drives().size();
    for (const auto& refusal : refusals) {
        const auto registered = cddrives::registerImage(refusal.cue);
        ASSERT_FALSE(registered.ok()) << refusal.cue.toStdString();
        for (const QString& part : refusal.named)
            EXPECT_TRUE(registered.error().description().contains(part))
                << registered.error().description().toStdString() << " lacks "
                << part.toStdString();
    }
    EXPECT_EQ(cddrives::drives().size(), drivesBefore);

    for (int i = static_cast<int>(drivesBefore); i < akrip::maxDrives; ++i)
        registerDisc(
            writeDiscImage(dir.path(), QStringLiteral("d%1").arg(i), {{30, 440.0}}).cuePath);
    const auto ninth = cddrives::registerImage(
        writeDiscImage(dir.path(), QStringLiteral("ninth"), {{30, 440.0}}).cuePath);
    ASSERT_FALSE(ninth.ok());
    EXPECT_TRUE(ninth.error().description().contains(QStringLiteral("ninth.cue")));
    EXPECT_EQ(static_cast<int>(cddrives::drives().size()), akrip::maxDrives);
}

} // namespace
