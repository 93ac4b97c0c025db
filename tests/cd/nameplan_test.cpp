// The names an extraction plan gives its tracks from a file-name template: folders below the
// destination, hostile titles, names that come out the same, and a template that is none.
#include "discimage.h"

#include "engine/cd/extractionplan.h"
#include "engine/cd/modakrip32.h"
#include "engine/platform/akrip/cddrives.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class NamePlanTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        cddrives::forgetImages();
        const DiscImage image = writeDiscImage(dir_.path(), QStringLiteral("disc"),
                                               {{75, 440.0}, {75, 660.0}, {75, 880.0}});
        const auto registered = cddrives::registerImage(image.cuePath);
        ASSERT_TRUE(registered.ok());
        drive_ = registered->driveIndex;
        ASSERT_TRUE(modAKRip32::OpenCDDrive(drive_));
        choices_.destination = dir_.path() + QStringLiteral("/out");
        choices_.nameFromDisc = true;
        choices_.disc.album = QStringLiteral("Tides");
        choices_.disc.artist = QStringLiteral("..");
        choices_.disc.discNumber = 2;
        choices_.disc.discTotal = 3;
        for (const char* title : {"../../etc/passwd", "Same", "Same"})
            choices_.disc.tracks.push_back(
                TrackInfo{static_cast<int>(choices_.disc.tracks.size()) + 1,
                          QString::fromUtf8(title),
                          {},
                          {}});
    }
    void TearDown() override {
        modAKRip32::CloseCurrentCD();
        cddrives::forgetImages();
    }
    QStringList names() const {
        ExtractionPlan plan({1, 2, 3}, readDisc(drive_), choices_);
        QStringList out;
        for (const WorkItem& item : plan.items())
            out << item.output.mid(choices_.destination.size());
        return out;
    }

    QTemporaryDir dir_;
    int drive_ = -1;
    ExtractionChoices choices_;
};

TEST_F(NamePlanTest, ATemplateNamesFoldersAndNumbersNamesThatComeOutTheSame) {
    choices_.nameTemplate = QStringLiteral("{albumartist}/{album}/[{disc}-]{track} {title}");
    EXPECT_EQ(names(), (QStringList{QStringLiteral("/Tides/2-01 .._.._etc_passwd.wav"),
                                    QStringLiteral("/Tides/2-02 Same.wav"),
                                    QStringLiteral("/Tides/2-03 Same.wav")}));
    choices_.nameTemplate = QStringLiteral("{album}/{title}");
    EXPECT_EQ(names(), (QStringList{QStringLiteral("/Tides/_.._etc_passwd.wav"),
                                    QStringLiteral("/Tides/Same.wav"),
                                    QStringLiteral("/Tides/Same (2).wav")}));
    // No template, or one that is none: today's names.
    for (const QString& text : {QString(), QStringLiteral("{album}/{nope}")}) {
        choices_.nameTemplate = text;
        const QStringList plain = names();
        ASSERT_EQ(plain.size(), 3);
        EXPECT_EQ(plain[0], QStringLiteral("/01 - _.._etc_passwd.wav"));
        EXPECT_EQ(plain[1], QStringLiteral("/02 - Same.wav"));
    }
}

} // namespace
