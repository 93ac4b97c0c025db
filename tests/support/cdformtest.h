#pragma once

// The main window over disc images: every test starts and ends with no image registered and
// no media-control device open, and may register images of its own as drives.
#include "discimage.h"
#include "formtest.h"

#include "engine/cd/modakrip32.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/mci/mci.h"

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
    DiscImage disc(const QString& name, const std::vector<TrackSpec>& tracks,
                   const DiscImageOptions& options = {}) {
        DiscImage image = writeDiscImage(images.path(), name, tracks, options);
        EXPECT_TRUE(cddrives::registerImage(image.cuePath).ok());
        return image;
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
