#include "engine/core/paths.h"
#include "engine/core/settings.h"
#include "scripteddialogs.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

void store(const char* key, const QString& value) {
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MP3 Vortan v2.0"));
    s.setValue(QStringLiteral("Settings/") + QLatin1String(key), value);
}

void zeroVariables() {
    AudioFormat = EncodingQuality = EncodingBitrate = HDWarning = HDWarningNo = 0;
    HDStopDecoding = HDStopNo = DesktopIcon = MinimizeOnStart = DeleteWav = 0;
    ShowFullPath = EncodeAfterExtracting = MuteButton = 0;
    DecodePath.clear();
}

TEST(LoadSettings, EmptyStoreGivesEveryDefault) {
    zeroVariables();
    LoadSettings();
    EXPECT_EQ(AudioFormat, 1);
    EXPECT_EQ(EncodingQuality, 5);
    EXPECT_EQ(EncodingBitrate, 5);
    EXPECT_EQ(HDWarning, 1);
    EXPECT_EQ(HDWarningNo, 100);
    EXPECT_EQ(HDStopDecoding, 1);
    EXPECT_EQ(HDStopNo, 50);
    EXPECT_EQ(DesktopIcon, 0);
    EXPECT_EQ(MinimizeOnStart, 0);
    EXPECT_EQ(DeleteWav, 1);
    EXPECT_EQ(ShowFullPath, 1);
    EXPECT_EQ(EncodeAfterExtracting, 1);
    EXPECT_EQ(MuteButton, 1);
    EXPECT_EQ(DecodePath, ProgramFolder());
    EXPECT_EQ(filesAtOnce(), std::clamp(QThread::idealThreadCount(), 1, maxFilesAtOnce));
}

TEST(LoadSettings, StoredTextIsConvertedOrIgnored) {
    zeroVariables();
    store("HDWarningNo", QStringLiteral("abc"));
    store("HDStopNo", QStringLiteral("40000"));
    store("Encoding bitrate", QStringLiteral("-32768"));
    store("Encoding quality", QStringLiteral(" 7 "));
    store("HDstopdecoding", QStringLiteral("0"));
    store("DecodePath", QStringLiteral("/home/Some One/Music Out"));
    LoadSettings();
    EXPECT_EQ(HDWarningNo, 0); // not a number: keeps the previous value
    EXPECT_EQ(HDStopNo, 0);    // outside 16 bits: keeps the previous value
    EXPECT_EQ(EncodingBitrate, -32768);
    EXPECT_EQ(EncodingQuality, 7);
    EXPECT_EQ(HDStopDecoding, 0); // the lower-case "s" key is the one read
    EXPECT_EQ(DecodePath, QStringLiteral("/home/Some One/Music Out"));

    // A bad value later on keeps what an earlier load gave.
    store("HDWarningNo", QStringLiteral("250"));
    LoadSettings();
    store("HDWarningNo", QStringLiteral("12x"));
    LoadSettings();
    EXPECT_EQ(HDWarningNo, 250);
}

TEST(LoadSettings, KeyNamesAreCaseSensitiveOnThisStore) {
    zeroVariables();
    store("HDStopDecoding", QStringLiteral("0")); // wrong case: a different key
    LoadSettings();
    EXPECT_EQ(HDStopDecoding, 1);
}

TEST(WriteSetting, SavesTextAndSetsVariable) {
    WriteSetting(SettingKey::EncodingBitrate, std::int16_t{13});
    EXPECT_EQ(EncodingBitrate, 13);
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MP3 Vortan v2.0"));
    EXPECT_EQ(s.value(QStringLiteral("Settings/Encoding bitrate")).toString(),
              QStringLiteral("13"));
    WriteSetting(SettingKey::DecodePath, QStringLiteral("/tmp/Out"));
    EXPECT_EQ(DecodePath, QStringLiteral("/tmp/Out"));
    zeroVariables();
    LoadSettings();
    EXPECT_EQ(EncodingBitrate, 13);
    EXPECT_EQ(DecodePath, QStringLiteral("/tmp/Out"));
}

TEST(PathHelpers, BaseName) {
    EXPECT_EQ(BaseName(QStringLiteral("/music/a.mp3")), QStringLiteral("a"));
    EXPECT_EQ(BaseName(QStringLiteral("track.wav")), QStringLiteral("track"));
    EXPECT_EQ(BaseName(QStringLiteral("song.flac")), QStringLiteral("song."));
    EXPECT_EQ(BaseName(QStringLiteral("/music/cd/")), QStringLiteral("/music"));
    EXPECT_EQ(BaseName(QStringLiteral("/x/My.Song.Name.wav")), QStringLiteral("My.Song.Name"));
    // Too short to carry an extension: returned whole instead of failing.
    EXPECT_EQ(BaseName(QStringLiteral("/x/a.b")), QStringLiteral("a.b"));
    EXPECT_EQ(BaseName(QString()), QString());
}

TEST(PathHelpers, SplitPathSetsLastFolder) {
    EXPECT_EQ(SplitPath(QStringLiteral("/music/a.wav")), QStringLiteral("a.wav"));
    EXPECT_EQ(LastFolder, QStringLiteral("/music/"));
    EXPECT_EQ(SplitPath(QStringLiteral("a.wav")), QStringLiteral("a.wav"));
    EXPECT_EQ(LastFolder, QString());
    EXPECT_EQ(SplitPath(QStringLiteral("/music/")), QString());
    EXPECT_EQ(LastFolder, QStringLiteral("/music/"));
    EXPECT_EQ(SplitPath(QStringLiteral("/a.wav")), QStringLiteral("a.wav"));
    EXPECT_EQ(LastFolder, QStringLiteral("/"));
}

TEST(PathHelpers, MakeDirsCreatesTheMissingPartOfTheChain) {
    QTemporaryDir tmp;
    ASSERT_TRUE(QDir(tmp.path()).mkdir(QStringLiteral("out")));
    const QString target = tmp.filePath(QStringLiteral("out/cd 1/disc"));
    const QString workingFolder = QDir::currentPath();
    EXPECT_TRUE(MakeDirs(target));
    EXPECT_TRUE(QDir(target).exists());
    EXPECT_EQ(QDir::currentPath(), workingFolder);    // never a folder of the chain made
    EXPECT_TRUE(MakeDirs(target + QLatin1Char('/'))); // all there already
    EXPECT_TRUE(testsupport::scriptedDialogs().messages().empty());
}

TEST(PathHelpers, MakeDirsFailureShowsSetupMessage) {
    QTemporaryDir tmp;
    const QString file = tmp.filePath(QStringLiteral("plain"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_FALSE(MakeDirs(file + QStringLiteral("/below"))); // a file is in the way
    EXPECT_FALSE(MakeDirs(QStringLiteral("relative/path")));
    const auto messages = testsupport::scriptedDialogs().messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].title, QStringLiteral("SETUP"));
    EXPECT_EQ(messages[0].text,
              QStringLiteral("Error While Attempting to Create Directories on Destination Drive."));
    EXPECT_EQ(messages[0].icon, dialogs::Icon::Exclamation);
    EXPECT_EQ(testsupport::scriptedDialogs().busyDepth, 0);
}

TEST(ChosenRelease, EachDiscKeepsItsChoiceAndOnlyTheLastDiscsAreKept) {
    EXPECT_TRUE(settings::chosenRelease(QStringLiteral("disc-a")).isEmpty());
    settings::rememberRelease(QStringLiteral("disc-a"), QStringLiteral("rel-1"));
    settings::rememberRelease(QStringLiteral("disc-b"), QStringLiteral("rel-2"));
    settings::rememberRelease(QStringLiteral("disc-a"), QStringLiteral("rel-3")); // chosen again
    EXPECT_EQ(settings::chosenRelease(QStringLiteral("disc-a")), QStringLiteral("rel-3"));
    EXPECT_EQ(settings::chosenRelease(QStringLiteral("disc-b")), QStringLiteral("rel-2"));
    EXPECT_TRUE(settings::chosenRelease(QString()).isEmpty());

    // disc-b, chosen longest ago, is forgotten first; disc-a, chosen last of the two, stays.
    settings::rememberRelease(QStringLiteral("disc-a"), QStringLiteral("rel-3"));
    for (int i = 0; i < settings::maxRememberedReleases - 1; ++i)
        settings::rememberRelease(QStringLiteral("other-%1").arg(i), QStringLiteral("r"));
    EXPECT_TRUE(settings::chosenRelease(QStringLiteral("disc-b")).isEmpty());
    EXPECT_EQ(settings::chosenRelease(QStringLiteral("disc-a")), QStringLiteral("rel-3"));
    settings::rememberRelease(QStringLiteral("one-more"), QStringLiteral("r"));
    EXPECT_TRUE(settings::chosenRelease(QStringLiteral("disc-a")).isEmpty());
}

} // namespace
