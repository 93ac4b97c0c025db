#pragma once

// The main window over disc images: every test starts and ends with no image registered and
// no media-control device open, and may register images of its own as drives.
#include "discimage.h"
#include "formtest.h"
#include "progressgate.h"

#include "engine/cd/modakrip32.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/mci/mci.h"

#include <QFile>

class CdFormTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        cddrives::forgetImages();
        mci::closeAll();
        ASSERT_TRUE(images.isValid());
    }
    void TearDown() override {
        FormTest::TearDown();
        modAKRip32::CloseCurrentCD();
        cddrives::forgetImages();
        mci::closeAll();
    }
    // Writes an image into `images` and registers it as a drive.
    DiscImage disc(const QString& name, const std::vector<ImageTrack>& tracks,
                   const DiscImageOptions& options = {}) {
        DiscImage image = writeDiscImage(images.path(), name, tracks, options);
        EXPECT_TRUE(cddrives::registerImage(image.cuePath).ok());
        return image;
    }
    // Starts ripping "Available Tracks" and, while the track at `index` is held in its test
    // pass between `from` and `to` percent, overwrites sector `sector` of `image` with `byte`,
    // so that the copy reads it otherwise; then lets the rip go on to its end.
    void ripChangingASectorDuringATestPass(const DiscImage& image, int index, int from, int to,
                                           int sector, char byte) {
        constexpr int sectorBytes = 2352;
        ProgressGate testPass([index, from, to](const WorkItem& item, int percent) {
            return item.index == index && percent >= from && percent < to;
        });
        select(SourceTree::AvailableTracksText);
        form->CmdSelectAction_Click();
        ASSERT_TRUE(testPass.waitHeld());
        {
            QFile bin(image.binPath);
            ASSERT_TRUE(bin.open(QIODevice::ReadWrite));
            ASSERT_TRUE(bin.seek(qint64(sector) * sectorBytes));
            ASSERT_EQ(bin.write(QByteArray(sectorBytes, byte)), sectorBytes);
        }
        testPass.release();
        waitForJob();
    }
    // The files the last batch wrote, by the item order.
    QStringList outputs() {
        QStringList out;
        for (const WorkItem& item : form->lastBatch().items)
            out << item.output;
        return out;
    }
    QTemporaryDir images;
};
