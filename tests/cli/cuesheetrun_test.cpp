// mp3vortan-cli over cue sheets as other programs write them: codes that are placeholders,
// WAVE files cut short, a PREGAP over one BIN, and a low limit of open files.
#include "accuraterecord.h"
#include "clirun.h"
#include "discimage.h"
#include "fixtures.h"
#include "riplogtext.h"

#include "engine/platform/id3tag/id3tag.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>


namespace {

const QString cli = QStringLiteral(VORTAN_CLI);

class CueSheetRun : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        accuraterecord::askNoDatabase();
    }

    QString path(const QString& name) const { return dir_.filePath(name); }

    CliRun run(const QStringList& arguments, const QString& program = cli) const {
        QProcessEnvironment env = headlessEnvironment(path(QStringLiteral("home")));
        env.insert(QStringLiteral("TMPDIR"), path(QStringLiteral("tmp")));
        QDir().mkpath(path(QStringLiteral("tmp")));
        return runProgram(program, arguments, env, dir_.path());
    }

    // The one file of `folder` matching `pattern`; empty (and a failure) when there is none or
    // more.
    QString onlyFile(const QString& folder, const QString& pattern) const {
        const QStringList names = QDir(path(folder)).entryList({pattern}, QDir::Files);
        EXPECT_EQ(names.size(), 1) << pattern.toStdString();
        return names.size() == 1 ? QDir(path(folder)).filePath(names.front()) : QString();
    }

    QTemporaryDir dir_;
};

// A disc without codes, as rippers write it (all zeros): no catalogue number or ISRC in the
// log, the cue sheet beside the rip or the tags.
TEST_F(CueSheetRun, AllZeroCodesAreNeitherLoggedNorWrittenNorTagged) {
    DiscImageOptions options;
    options.catalog = QStringLiteral("0000000000000");
    const DiscImage disc = writeDiscImage(
        dir_.path(), QStringLiteral("zeros"),
        {{300, 440, {}, {}, false, 0, QStringLiteral("000000000000")}, {200, 660}}, options);
    const CliRun ripped =
        run({QStringLiteral("rip"), QStringLiteral("--mp3"), QStringLiteral("-t"),
             QStringLiteral("1"), QStringLiteral("-o"), QStringLiteral("out"), disc.cuePath});
    ASSERT_EQ(ripped.exitCode, 0) << ripped.err.toStdString();
    const QString log = riplogtext::ripLog(path(QStringLiteral("out")));
    EXPECT_FALSE(log.contains(QStringLiteral("Catalogue number"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("ISRC"))) << log.toStdString();
    const QString sheet = QString::fromUtf8(
        fixtures::readFile(onlyFile(QStringLiteral("out"), QStringLiteral("Rip *.cue"))));
    EXPECT_FALSE(sheet.contains(QStringLiteral("CATALOG"))) << sheet.toStdString();
    EXPECT_FALSE(sheet.contains(QStringLiteral("ISRC"))) << sheet.toStdString();
    const auto frames =
        id3tag::readFrames(onlyFile(QStringLiteral("out"), QStringLiteral("*.mp3")));
    ASSERT_TRUE(frames.ok());
    for (const id3tag::Frame& frame : frames.value()) {
        EXPECT_NE(frame.id, QStringLiteral("TSRC"));
        EXPECT_FALSE(frame.text.contains(QStringLiteral("CATALOGNUMBER")));
    }
}

} // namespace
