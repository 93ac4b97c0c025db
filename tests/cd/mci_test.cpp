// The media-control command layer's "cdaudio" device over disc images.
#include "discfixture.h"
#include "discimage.h"

#include "engine/platform/akrip/akrip.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/mci/mci.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cstring>

namespace {

class MediaControl : public DiscImageTest {
  protected:
    void SetUp() override {
        mci::closeAll();
        DiscImageTest::SetUp();
    }
    void TearDown() override {
        mci::closeAll();
        DiscImageTest::TearDown();
    }

    // Writes a disc of 1:05, 27 sectors and 200 sectors and makes it the media drive's.
    DiscImage insertDisc() {
        const DiscImage image = writeDiscImage(dir.path(), QStringLiteral("disc"),
                                               {{4875, 440.0}, {27, 660.0}, {200, 880.0}});
        drive = registerDisc(image.cuePath);
        cddrives::setMediaDrive(drive);
        return image;
    }

    int drive = -1;
};

TEST_F(MediaControl, CdAudioAnswersIdentityTrackCountAndLengths) {
    insertDisc();
    ASSERT_EQ(mci::send(QStringLiteral("open cdaudio alias cd")).code, mci::Success);
    EXPECT_EQ(mci::send(QStringLiteral("open cdaudio alias CD")).code, mci::DeviceOpen);

    // Starts 0, 4875, 4902 are 2, 67 and 67 seconds with the lead-in: digits 2 + 13 + 13 = 28;
    // the lead-out 5102 is second 70, 68 seconds after the first track.
    const auto toc = cddrives::readToc(drive);
    ASSERT_TRUE(toc.ok());
    EXPECT_EQ(cddrives::freedbDiscId(toc.value()), (28u << 24) | (68u << 8) | 3u);
    EXPECT_EQ(mci::send(QStringLiteral("info cd identity")).text,
              QString::number((28u << 24) | (68u << 8) | 3u));
    EXPECT_EQ(mci::send(QStringLiteral("  STATUS  cd   Number Of Tracks ")).text,
              QStringLiteral("3"));

    EXPECT_EQ(mci::send(QStringLiteral("status cd length track 1")).text, QStringLiteral("65000"));
    EXPECT_EQ(mci::send(QStringLiteral("status cd length track 3")).text, QStringLiteral("2666"));
    EXPECT_EQ(mci::send(QStringLiteral("set cd time format hms")).code, mci::Success);
    EXPECT_EQ(mci::send(QStringLiteral("status cd length track 1")).text, QStringLiteral("1:05"));
    EXPECT_EQ(mci::send(QStringLiteral("status cd length track 2")).text, QStringLiteral("0:00"));
    EXPECT_EQ(mci::send(QStringLiteral("status cd length")).text, QStringLiteral("1:08"));
    EXPECT_EQ(mci::send(QStringLiteral("set cd time format ms")).code, mci::Success);
    EXPECT_EQ(mci::send(QStringLiteral("status cd length track 2")).text, QStringLiteral("360"));

    EXPECT_EQ(mci::send(QStringLiteral("set cd time format frames")).code, mci::BadTimeFormat);
    EXPECT_EQ(mci::send(QStringLiteral("status cd length track 4")).code, mci::OutOfRange);
    EXPECT_EQ(mci::send(QStringLiteral("status cd length track 0")).code, mci::OutOfRange);
    EXPECT_EQ(mci::send(QStringLiteral("stop cd")).code, mci::Success);
    EXPECT_EQ(mci::send(QStringLiteral("close cd")).code, mci::Success);
    EXPECT_EQ(mci::send(QStringLiteral("status cd number of tracks")).code, mci::InvalidDeviceId);
    EXPECT_EQ(mci::send(QStringLiteral("close cd")).code, mci::InvalidDeviceId);
}

TEST_F(MediaControl, RepliesAreWrittenOnlyWhenTheyFitWithTheirZero) {
    insertDisc();
    ASSERT_EQ(mci::send(QStringLiteral("open cdaudio alias cd")).code, mci::Success);
    char reply[8];
    std::memset(reply, 'x', sizeof reply);
    EXPECT_EQ(mci::mciSendStringA("status cd number of tracks", reply, 1, nullptr),
              mci::ParamOverflow);
    EXPECT_EQ(mci::mciSendStringA("set cd time format hms", reply, sizeof reply, nullptr),
              mci::Success);
    EXPECT_TRUE(std::all_of(reply, reply + sizeof reply, [](char c) { return c == 'x'; }));
    EXPECT_EQ(mci::replyText(reply, sizeof reply), QString()); // no zero: nothing usable

    EXPECT_EQ(mci::mciSendStringA("status cd length track 1", reply, 5, nullptr), mci::Success);
    EXPECT_EQ(std::string(reply, 5), std::string("1:05\0", 5));
    EXPECT_EQ(reply[5], 'x');
    EXPECT_EQ(mci::replyText(reply, sizeof reply), QStringLiteral("1:05"));
}

TEST_F(MediaControl, ARemovedImageIsADriveWithoutADisc) {
    const DiscImage image = insertDisc();
    QFile::remove(image.binPath);
    QFile::remove(image.cuePath);
    EXPECT_FALSE(cddrives::readToc(drive).ok());

    ASSERT_EQ(mci::send(QStringLiteral("open cdaudio alias cd")).code, mci::Success);
    EXPECT_EQ(mci::send(QStringLiteral("status cd number of tracks")).text, QStringLiteral("0"));
    EXPECT_EQ(mci::send(QStringLiteral("info cd identity")).code, mci::NoMedia);

    // The CD library gives the empty drive a handle; its table of contents fails.
    akrip::GETCDHAND request = handleRequest(drive);
    const std::uint32_t handle = akrip::GetCDHandle(&request);
    ASSERT_NE(handle, 0u);
    akrip::TocRecord toc;
    EXPECT_EQ(akrip::ReadTOC(handle, &toc), 0);
    EXPECT_EQ(akrip::GetAspiLibError(), akrip::AspiManagerError);
    akrip::CloseCDHandle(handle);

    mci::closeAll();
    cddrives::forgetImages();
    if (cddrives::drives().empty()) { // no CD device on this machine either
        EXPECT_EQ(mci::send(QStringLiteral("open cdaudio alias cd")).code, mci::InvalidDeviceName);
    }
}

} // namespace
