// The main window's test and copy over a disc that does not read the same twice.
#include "cdformtest.h"
#include "discimage.h"
#include "riplogtext.h"

#include "engine/core/settings.h"

#include <QRadioButton>
#include <QRegularExpression>

namespace {

// Track 2's copy reads part of it otherwise than its test pass did: the batch's end message
// names the track and both CRCs, the log gives its result, and the other tracks are copied.
TEST_F(CdFormTest, ATrackWhoseTwoReadsDifferIsNamedInTheEndMessage) {
    WriteSetting(SettingKey::TestAndCopy, std::int16_t(1));
    const DiscImage image = disc(QStringLiteral("disc"), {{100, 440}, {120, 660}, {80, 880}});
    Form1& w = load();
    w.optWAV->setChecked(true);
    // Track 2 (sectors 100 to 219) changes on the disc once its test pass has read its first
    // 104 sectors, before its copy begins: its first sector, which the copy reads from the disc
    // as it starts (the error-correcting reader may answer later ones from what it kept of the
    // test pass).
    ripChangingASectorDuringATestPass(image, 1, 40, 50, 100, '\x5a');

    const auto messages = dialogs().messages();
    ASSERT_FALSE(messages.empty());
    const QString& ended = messages.back().text;
    EXPECT_TRUE(ended.startsWith(QStringLiteral("1 of 3 files could not be extracted")))
        << ended.toStdString();
    EXPECT_TRUE(ended.contains(QRegularExpression(
        QStringLiteral("Track 2: \\S+-2\\.wav: the disc did not read the same twice \\(test "
                       "CRC32 [0-9A-F]{8}, copy CRC32 [0-9A-F]{8}\\)"))))
        << ended.toStdString();
    const QString log = riplogtext::ripLog(dest.path());
    EXPECT_TRUE(riplogtext::trackBlock(log, 2).contains(
        QStringLiteral("Result: Copy finished with read errors (the test and copy CRCs differ)")))
        << log.toStdString();
    EXPECT_TRUE(riplogtext::trackBlock(log, 1).contains(QStringLiteral("Result: Copy OK")));
    EXPECT_TRUE(riplogtext::trackBlock(log, 3).contains(QStringLiteral("Result: Copy OK")));
}

} // namespace
