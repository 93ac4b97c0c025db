// The disk-space guard of the main window, with the destination's free space given by the
// test.
#include "engine/formats/clsfileio.h"
#include "engine/prefs/drivespace.h"
#include "fixtures.h"
#include "formtest.h"
#include "mp3decode.h"
#include "mp3fixture.h"
#include "scripteddialogs.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

namespace {

constexpr std::int64_t mb = 1'000'000;

class DiskGuardTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        WriteSetting(SettingKey::DeleteWav, QStringLiteral("0"));
    }
    void TearDown() override {
        ModSysInfo::setSpaceQuery({});
        FormTest::TearDown();
    }
    // The destination's file system has `freeBytes` free of `totalBytes` (0: it cannot be
    // measured); every other one has plenty.
    void destinationFree(std::int64_t freeBytes, std::int64_t totalBytes = 500'000 * mb) {
        ModSysInfo::setSpaceQuery(
            [=](const QString& path, std::int64_t& total, std::int64_t& free) {
                const bool destination = path == DecodePath;
                total = destination ? totalBytes : 500'000 * mb;
                free = destination ? freeBytes : 400'000 * mb;
            });
    }
    QString wav(const QString& name, double seconds) {
        const QString path = dest.filePath(name);
        fixtures::writeFile(path, fixtures::wavBytes(fixtures::sine(440, seconds)));
        return path;
    }
    QString mp3(const QString& base) const { return dest.filePath(base + QStringLiteral(".mp3")); }
};

} // namespace

TEST_F(DiskGuardTest, TickWarnsBelowTheWarningLevelAndStopsBelowTheStopLevel) {
    // Defaults: warn below 100 MB, stop below 50 MB.
    Form1& w = load();
    struct Case {
        std::int64_t freeBytes, totalBytes;
        bool warns, stops;
    };
    const std::int64_t disk = 500'000 * mb;
    const Case cases[] = {
        {75 * mb, disk, true, false},
        {100 * mb, disk, false, false},  // at the warning level: nothing
        {50 * mb, disk, true, false},    // at the stop level: a warning only
        {49'500'000, disk, true, false}, // rounds to 50 MB
        {40 * mb, disk, true, true},
        {0, 0, false, false}, // not measurable: no reason to warn or stop
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.freeBytes);
        w.Label5->hide();
        w.tmrWarning->start();
        w.Timer1->stop();
        destinationFree(c.freeBytes, c.totalBytes);
        w.tmrWarning_Timer();
        EXPECT_EQ(!w.Label5->isHidden(), c.warns);
        // A stop ends the guard and resets the display a second later.
        EXPECT_EQ(w.tmrWarning->isActive(), !c.stops);
        EXPECT_EQ(w.Timer1->isActive(), c.stops);
    }

    // Stopping can be turned off; warning stays.
    WriteSetting(SettingKey::HDStopDecoding, std::int16_t{0});
    w.Label5->hide();
    w.tmrWarning->start();
    destinationFree(1 * mb);
    w.tmrWarning_Timer();
    EXPECT_TRUE(w.tmrWarning->isActive());
    EXPECT_FALSE(w.Label5->isHidden());
}

TEST_F(DiskGuardTest, DuringABatchAStopLetsTheCurrentFileEndAndStartsNoOther) {
    const QString a = wav(QStringLiteral("a.wav"), 3.0);
    const QString b = wav(QStringLiteral("b.wav"), 1.0);
    Form1& w = load();
    w.tree().List5.setItems({a, b});

    // The free space is `atStart` when the batch starts and `during` from the first progress
    // of a file on, when the guard's tick is run by hand (if the guard runs).
    auto runBatch = [&](std::int64_t atStart, std::int64_t during) {
        destinationFree(atStart);
        QFile::remove(mp3(QStringLiteral("a")));
        QFile::remove(mp3(QStringLiteral("b")));
        bool guardRan = false;
        auto connection =
            QObject::connect(w.ProgressBar1, &QProgressBar::valueChanged, [&](int value) {
                if (value > 0 && !guardRan && w.tmrWarning->isActive()) {
                    guardRan = true;
                    destinationFree(during);
                    w.tmrWarning_Timer();
                }
            });
        select(SourceTree::SelectedWavText);
        w.CmdSelectAction_Click();
        waitForJob();
        QObject::disconnect(connection);
        return guardRan;
    };

    // 75 MB: the warning shows, both files are made.
    EXPECT_TRUE(runBatch(75 * mb, 75 * mb));
    EXPECT_FALSE(w.Label5->isHidden());
    EXPECT_TRUE(QFileInfo::exists(mp3(QStringLiteral("b"))));

    // Down to 40 MB: the file under way is finished whole, the next one never starts.
    EXPECT_TRUE(runBatch(75 * mb, 40 * mb));
    EXPECT_FALSE(w.Label5->isHidden());
    const auto made = mp3decode::decodeFile(mp3(QStringLiteral("a")));
    ASSERT_TRUE(made.ok);
    EXPECT_NEAR(made.seconds(), 3.0, 0.06);
    EXPECT_FALSE(QFileInfo::exists(mp3(QStringLiteral("b"))));
    EXPECT_TRUE(w.CmdSelectAction->isEnabled());
    EXPECT_FALSE(w.tmrWarning->isActive());

    // "HDWarning" off: the guard never runs, even with stopping on and the disk nearly full.
    WriteSetting(SettingKey::HDWarning, std::int16_t{0});
    EXPECT_FALSE(runBatch(1 * mb, 1 * mb));
    EXPECT_TRUE(w.Label5->isHidden());
    EXPECT_TRUE(QFileInfo::exists(mp3(QStringLiteral("b"))));
}

// Files shorter than the guard's tick are guarded too: each is checked before it starts.
TEST_F(DiskGuardTest, EveryFileIsCheckedBeforeItStarts) {
    const QStringList names{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    QStringList sources;
    for (const QString& name : names)
        sources << wav(name + QStringLiteral(".wav"), 0.3);
    Form1& w = load();
    w.tree().List5.setItems(sources);
    // 75 MB free until the first MP3 is there, then 40 MB.
    ModSysInfo::setSpaceQuery([this](const QString& path, std::int64_t& total, std::int64_t& free) {
        total = 500'000 * mb;
        free = path == DecodePath && QFileInfo::exists(mp3(QStringLiteral("a"))) ? 40 * mb
               : path == DecodePath                                              ? 75 * mb
                                                                                 : 400'000 * mb;
    });
    select(SourceTree::SelectedWavText);
    w.CmdSelectAction_Click();
    waitForJob();
    EXPECT_FALSE(w.Label5->isHidden()); // warned before the first file, with no tick
    EXPECT_TRUE(QFileInfo::exists(mp3(QStringLiteral("a"))));
    EXPECT_FALSE(QFileInfo::exists(mp3(QStringLiteral("b"))));
    EXPECT_FALSE(QFileInfo::exists(mp3(QStringLiteral("c"))));
    EXPECT_TRUE(w.CmdSelectAction->isEnabled());

    // Above both levels, but the MP3 of five minutes of audio (about 6 MB at 160 kbit/s)
    // would not fit in 5 MB: it is not started either.
    WriteSetting(SettingKey::HDWarningNo, std::int16_t{2});
    WriteSetting(SettingKey::HDStopNo, std::int16_t{1});
    WriteSetting(SettingKey::EncodingBitrate, std::int16_t{9});
    const QString longWav = dest.filePath(QStringLiteral("long.wav"));
    constexpr std::uint32_t fiveMinutes = 300 * 176'400;
    fixtures::writeFile(
        longWav, QByteArray(reinterpret_cast<const char*>(makeCdWavHeader(fiveMinutes).bytes), 44));
    ASSERT_TRUE(QFile::resize(longWav, 44 + fiveMinutes)); // sparse: costs no disk
    w.tree().List5.setItems({longWav});
    destinationFree(5 * mb);
    w.Label5->hide();
    select(SourceTree::SelectedWavText);
    w.CmdSelectAction_Click();
    waitForJob();
    EXPECT_FALSE(QFileInfo::exists(mp3(QStringLiteral("long"))));
    EXPECT_FALSE(w.Label5->isHidden());
    ASSERT_NE(dialogs().lastMessage(), nullptr);
    EXPECT_EQ(dialogs().lastMessage()->text,
              QStringLiteral("The file was not started.\n\nThe first file not started needs "
                             "about 6 MB, and the destination's disk has 5 MB free."));
}

// The files a stop of the guard leaves are named at the end with its reason, also one file at
// a time, where the red label alone would say nothing of them.
TEST_F(DiskGuardTest, TheEndMessageNamesEveryFileTheGuardLeftAndWhy) {
    const QString a = wav(QStringLiteral("a.wav"), 0.3);
    const QString b = wav(QStringLiteral("b.wav"), 0.3);
    const QString c = wav(QStringLiteral("c.wav"), 0.3);
    Form1& w = load();
    w.tree().List5.setItems({a, b, c});
    // 75 MB free until the first MP3 is there, then 40 MB: below the stop level of 50 MB.
    ModSysInfo::setSpaceQuery([this](const QString& path, std::int64_t& total, std::int64_t& free) {
        total = 500'000 * mb;
        free = path != DecodePath                            ? 400'000 * mb
               : QFileInfo::exists(mp3(QStringLiteral("a"))) ? 40 * mb
                                                             : 75 * mb;
    });
    select(SourceTree::SelectedWavText);
    w.CmdSelectAction_Click();
    waitForJob();
    EXPECT_TRUE(QFileInfo::exists(mp3(QStringLiteral("a"))));
    ASSERT_EQ(dialogs().messages().size(), 1u);
    const dialogs::Message& said = *dialogs().lastMessage();
    EXPECT_EQ(said.text, QStringLiteral("2 of 3 files could not be encoded:\n\n") + b +
                             QStringLiteral(": not started\n") + c +
                             QStringLiteral(": not started\n\nThe destination's disk has 40 MB "
                                            "free, below the stop level of 50 MB."));
    EXPECT_EQ(said.icon, dialogs::Icon::Exclamation);
    EXPECT_EQ(w.lowSpaceReason(), QStringLiteral("The destination's disk has 40 MB free, below "
                                                 "the stop level of 50 MB."));

    // The next batch starts with no reason of the last one.
    dialogs().clear();
    destinationFree(400'000 * mb);
    w.tree().List5.setItems({b});
    select(SourceTree::SelectedWavText);
    w.CmdSelectAction_Click();
    waitForJob();
    EXPECT_TRUE(QFileInfo::exists(mp3(QStringLiteral("b"))));
    EXPECT_TRUE(w.lowSpaceReason().isEmpty());
    EXPECT_TRUE(dialogs().messages().empty());
}

// Files started together never need more than the disk has: each file that starts keeps its
// expected output reserved until it ends, and the next one starts only when it fits beside.
TEST_F(DiskGuardTest, FilesStartedTogetherMustFitTogether) {
    QTemporaryDir sources;
    ASSERT_TRUE(sources.isValid());
    QStringList mp3s;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
        mp3s << sources.filePath(QString::fromLatin1(name));
        fixtures::writeMp3(mp3s.back(), fixtures::sine(440, 12.0), 44100, 2, 128);
    }
    // A WAV of 12 s takes about 2.1 MB: one fits in 3 MB, two do not.
    WriteSetting(SettingKey::HDWarningNo, std::int16_t{2});
    WriteSetting(SettingKey::HDStopNo, std::int16_t{1});
    WriteSetting(SettingKey::FilesAtOnce, std::int16_t{2});
    Form1& w = load();
    destinationFree(3 * mb);
    w.tree().List4.setItems(mp3s);
    select(SourceTree::SelectedMp3Text);
    w.CmdSelectAction_Click();
    waitForJob();

    const QString decoded = dest.filePath(QStringLiteral("a.wav"));
    EXPECT_EQ(QFileInfo(decoded).size(), 44 + 12 * 44100 * 4);
    EXPECT_FALSE(QFileInfo::exists(dest.filePath(QStringLiteral("b.wav"))));
    EXPECT_FALSE(QFileInfo::exists(dest.filePath(QStringLiteral("c.wav"))));
    EXPECT_FALSE(w.Label5->isHidden());
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_EQ(dialogs().lastMessage()->text,
              QStringLiteral("2 of 3 files could not be decoded:\n\n") + mp3s[1] +
                  QStringLiteral(": not started\n") + mp3s[2] +
                  QStringLiteral(": not started\n\nThe first file not started needs about 2 "
                                 "MB, and the destination's disk has 3 MB free, of which the "
                                 "files under way still need about 2 MB."));
}
