// EncodeFile as the main window uses it: settings, captions, messages, cancel.
#include "window/main/encodefile.h"

#include "engine/core/settings.h"
#include "engine/service/conversionservice.h"
#include "fixtures.h"
#include "mp3decode.h"
#include "progressgate.h"
#include "scripteddialogs.h"

#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <optional>

namespace {

class EncodeFileTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QDir(dir_.path()).mkdir(QStringLiteral("out"));
        WriteSetting(SettingKey::DecodePath, dir_.filePath(QStringLiteral("out")));
        LoadSettings();
        Command2.setVisible(false);
        controls.Label33 = &Label33;
        controls.ProgressBar1 = &ProgressBar1;
        controls.Command2 = &Command2;
        controls.Disablem = [this] { ++disabled; };
        controls.Enablem = [this] { ++enabled; };
    }

    QString source(const char* name, double seconds = 2.0) {
        const QString p = dir_.filePath(QString::fromLatin1(name));
        fixtures::writeFile(p, fixtures::wavBytes(fixtures::sine(1000, seconds)));
        return p;
    }
    QString output(const char* base) const {
        return dir_.filePath(QStringLiteral("out/") + QString::fromLatin1(base) +
                             QStringLiteral(".mp3"));
    }
    int firstBitrate(const QString& mp3) const {
        const auto d = mp3decode::decodeFile(mp3);
        return d.ok ? d.frames.front().bitrateKbps : -1;
    }
    ScriptedDialogs& dialogs() const { return testsupport::scriptedDialogs(); }
    // EncodeFile on the test's service, with the stored settings or `config`: returns at once,
    // and its outcome comes once the file's batch has ended.
    EncodeFileOutcome encode(const QString& src,
                             const std::optional<modLAME::EncoderConfig>& config = {}) {
        std::optional<EncodeFileOutcome> outcome;
        auto done = [&outcome](const EncodeFileOutcome& o) { outcome = o; };
        if (config)
            EncodeFile(service, src, controls, *config, done);
        else
            EncodeFile(service, src, controls, done);
        EXPECT_FALSE(outcome.has_value()) << "told from inside the call";
        EXPECT_TRUE(QTest::qWaitFor([&outcome] { return outcome.has_value(); }, 60000));
        EXPECT_FALSE(service.isRunning());
        return outcome.value_or(EncodeFileOutcome{});
    }

    QTemporaryDir dir_;
    ConversionService service;
    QLabel Label33;
    QProgressBar ProgressBar1;
    QPushButton Command2;
    EncodeFileControls controls;
    int disabled = 0;
    int enabled = 0;
};

} // namespace

TEST(EncodeFileCaptions, PercentHasTwoIntegerDigitsAndOneDecimal) {
    EXPECT_EQ(percentCaption(7.5), QStringLiteral("07.5%"));
    EXPECT_EQ(percentCaption(0.04), QStringLiteral("00.0%"));
    EXPECT_EQ(percentCaption(42.36), QStringLiteral("42.4%"));
    EXPECT_EQ(percentCaption(100), QStringLiteral("100.0%"));
}

TEST_F(EncodeFileTest, EncodesWithTheStoredSettingsAndShowsProgress) {
    WriteSetting(SettingKey::EncodingQuality, QStringLiteral("2"));
    settings::saveText(SettingKey::EncodingBitrate, QStringLiteral("13")); // store only

    const QString src = source("Song.wav");
    EXPECT_EQ(encode(src).result, EncodeFileResult::Completed);
    EXPECT_EQ(EncodingBitrate, 13); // read afresh from the store
    EXPECT_EQ(firstBitrate(output("Song")), 320);
    EXPECT_EQ(Label33.text(), QStringLiteral("100.0%"));
    EXPECT_EQ(ProgressBar1.value(), 100);
    EXPECT_FALSE(Command2.isHidden());
    EXPECT_EQ(disabled, 1);
    EXPECT_EQ(enabled, 1);
    EXPECT_TRUE(dialogs().records.empty());
    EXPECT_TRUE(QFileInfo::exists(src)); // deleting is the batch's business

    const auto d = mp3decode::decodeFile(output("Song"));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.frames.front().rate, 44100);
    EXPECT_EQ(d.frames.front().mode, 1);
    EXPECT_TRUE(d.frames.front().original);
    EXPECT_FALSE(d.frames.front().crc || d.frames.front().copyright || d.frames.front().privateBit);
}

TEST_F(EncodeFileTest, UnknownBitrateIndexesEncodeAt160) {
    for (const char* stored : {"9", "14", "-3"}) {
        settings::saveText(SettingKey::EncodingBitrate, QString::fromLatin1(stored));
        EXPECT_EQ(encode(source("a.wav", 0.5)).result, EncodeFileResult::Completed);
        EXPECT_EQ(firstBitrate(output("a")), 160) << stored;
    }
}

TEST_F(EncodeFileTest, MissingSourceSaysFileNotFoundAndLeavesTheControls) {
    EXPECT_EQ(encode(dir_.filePath(QStringLiteral("nope.wav"))).result,
              EncodeFileResult::NotStarted);
    const auto* m = dialogs().lastMessage();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->text, QStringLiteral("File not found..."));
    EXPECT_EQ(m->title, QStringLiteral("Critical Error"));
    EXPECT_EQ(m->icon, dialogs::Icon::Critical);
    EXPECT_EQ(disabled + enabled, 0);
    EXPECT_TRUE(Command2.isHidden());
    EXPECT_FALSE(QFileInfo::exists(output("nope")));
}

TEST_F(EncodeFileTest, LibraryErrorGoesToTheCriticalErrorHandler) {
    modLAME::EncoderConfig bad = fileEncoderConfig();
    bad.bitrateKbps = 33;
    EXPECT_EQ(encode(source("a.wav"), bad).result, EncodeFileResult::Failed);
    const auto* m = dialogs().lastMessage();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->text, QStringLiteral("Invalid format parameters"));
    EXPECT_EQ(m->title, QStringLiteral("Critical error..."));
    EXPECT_EQ(m->icon, dialogs::Icon::Critical);
    EXPECT_EQ(disabled, 1);
    EXPECT_EQ(enabled, 1);
    EXPECT_FALSE(QFileInfo::exists(output("a")));
}

TEST_F(EncodeFileTest, RefusedSourceAndMissingDestinationAreReported) {
    const QString text = dir_.filePath(QStringLiteral("notes.wav"));
    fixtures::writeFile(text, QByteArray("just some words, no sound"));
    EXPECT_EQ(encode(text).result, EncodeFileResult::Failed);
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_EQ(dialogs().lastMessage()->title, QStringLiteral("Critical error..."));
    EXPECT_TRUE(dialogs().lastMessage()->text.contains(text));
    EXPECT_FALSE(QFileInfo::exists(output("notes")));

    WriteSetting(SettingKey::DecodePath, dir_.filePath(QStringLiteral("vanished")));
    EXPECT_EQ(encode(source("b.wav")).result, EncodeFileResult::Failed);
    ASSERT_EQ(dialogs().messages().size(), 2u);
    EXPECT_TRUE(dialogs().lastMessage()->text.contains(QStringLiteral("vanished/b.mp3")));
    EXPECT_EQ(enabled, 2);
}

TEST_F(EncodeFileTest, CancelButtonEndsTheFileEarlyWithAPlayableMp3) {
    // The window's abort command reaches the encode through its service: pressed at the first
    // progress step.
    const QString src = source("long.wav", 12.0);
    ProgressGate underWay([](const WorkItem&, int) { return true; });
    std::optional<EncodeFileOutcome> outcome;
    EncodeFile(service, src, controls, [&outcome](const EncodeFileOutcome& o) { outcome = o; });
    ASSERT_TRUE(underWay.waitHeld());
    service.abort();
    underWay.release();
    ASSERT_TRUE(QTest::qWaitFor([&outcome] { return outcome.has_value(); }, 60000));
    EXPECT_EQ(outcome->result, EncodeFileResult::Cancelled);
    EXPECT_EQ(enabled, 1);
    EXPECT_LT(ProgressBar1.value(), 100);
    const auto d = mp3decode::decodeFile(output("long"));
    ASSERT_TRUE(d.ok);
    EXPECT_LT(d.seconds(), 8.0);
    EXPECT_TRUE(dialogs().records.empty());
}
