// Files and folders handed to the program: on its command line and by a later launch.
#include "cdformtest.h"
#include "fixtures.h"

#include "window/desktop/openwith.h"
#include "window/main/form1.h"

#include <QDir>
#include <QLabel>
#include <QUrl>

#include <gtest/gtest.h>

#include <optional>

using namespace fixtures;

namespace {

class OpenWithTest : public CdFormTest {};

} // namespace

TEST(OpenWithPaths, EachArgumentBecomesAnAbsoluteCleanPath) {
    const QStringList paths =
        openwith::absolutePaths({QStringLiteral("a.wav"), QString(), QStringLiteral("../up/b.mp3"),
                                 QStringLiteral("/abs/./c d.flac"),
                                 QUrl::fromLocalFile(QStringLiteral("/music/e f.ogg")).toString()},
                                QStringLiteral("/home/user/in"));
    EXPECT_EQ(
        paths,
        (QStringList{QStringLiteral("/home/user/in/a.wav"), QStringLiteral("/home/user/up/b.mp3"),
                     QStringLiteral("/abs/c d.flac"), QStringLiteral("/music/e f.ogg")}));
}

// Files go to their groups, a folder gives the audio files in it and below it, anything else
// is named in one message, and the files stay listed once only when handed again.
TEST_F(OpenWithTest, FilesAndFoldersAreListedInTheirGroups) {
    Form1& w = load();
    QTemporaryDir elsewhere;
    const QString wav = elsewhere.filePath(QStringLiteral("one.wav"));
    writeFile(wav, QByteArray(200, 'x'));
    QDir(elsewhere.path()).mkpath(QStringLiteral("album/disc 2"));
    const QString mp3 = elsewhere.filePath(QStringLiteral("album/two.mp3"));
    const QString flac = elsewhere.filePath(QStringLiteral("album/disc 2/three.flac"));
    const QString notes = elsewhere.filePath(QStringLiteral("album/notes.txt"));
    for (const QString& path : {mp3, flac, notes})
        writeFile(path, QByteArray(200, 'x'));
    const QString stray = elsewhere.filePath(QStringLiteral("readme.txt"));
    writeFile(stray, QByteArray(200, 'x'));
    const QString missing = elsewhere.filePath(QStringLiteral("gone.wav"));

    std::optional<openwith::Outcome> outcome;
    openwith::openPaths(w, {wav, elsewhere.filePath(QStringLiteral("album")), stray, missing},
                        [&outcome](const openwith::Outcome& opened) { outcome = opened; });
    ASSERT_TRUE(QTest::qWaitFor([&outcome] { return outcome.has_value(); }, 20000));
    EXPECT_EQ(outcome->listed, (QStringList{wav, flac, mp3}));
    EXPECT_EQ(outcome->refused, (QStringList{stray, missing}));
    EXPECT_TRUE(tree().List1.contains(wav));
    EXPECT_TRUE(tree().List2.contains(mp3));
    EXPECT_TRUE(tree().audioFiles.contains(flac));
    EXPECT_EQ(tree().parentOf(node(flac)), node(SourceTree::AudioText));
    EXPECT_EQ(node(notes), 0u);
    ASSERT_EQ(dialogs().messages().size(), 1u);
    EXPECT_TRUE(dialogs().messages().front().text.contains(stray));
    EXPECT_TRUE(dialogs().messages().front().text.contains(missing));

    const int nodes = tree().nodeCount();
    openwith::openPaths(w, {wav, mp3});
    EXPECT_EQ(tree().nodeCount(), nodes);
}

// A cue sheet is opened as a disc image: it becomes the media drive and its tracks are listed.
TEST_F(OpenWithTest, ACueSheetOpensAsADiscImage) {
    Form1& w = load();
    const DiscImage image =
        writeDiscImage(images.path(), QStringLiteral("handed"), {{150, 440}, {75, 880}});
    QStringList images;
    openwith::openPaths(w, {image.cuePath},
                        [&images](const openwith::Outcome& opened) { images = opened.images; });
    EXPECT_EQ(images, QStringList{image.cuePath});
    EXPECT_FALSE(w.lblNumTracks->text().isEmpty());
    EXPECT_EQ(tree().childrenOf(node(SourceTree::AvailableTracksText)).size(), 2u);
}

// A later launch brings the window back from the tray and lists its files; while a job runs
// the files wait for its end.
TEST_F(OpenWithTest, ALaterLaunchRaisesTheWindowAndListsItsFilesOnceIdle) {
    QTemporaryDir elsewhere;
    const QString wav = elsewhere.filePath(QStringLiteral("handed.wav"));
    const QString later = elsewhere.filePath(QStringLiteral("later.wav"));
    writeFile(wav, QByteArray(200, 'x'));
    writeFile(later, QByteArray(200, 'x'));
    Form1& w = load();
    auto* receiver = new openwith::LaunchReceiver(w);
    w.mnuMinimize_Click();
    ASSERT_TRUE(w.popup());
    receiver->receive({wav});
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isMinimized());
    EXPECT_FALSE(w.popup());
    EXPECT_TRUE(tree().List1.contains(wav));

    // While a job holds the window, the paths wait until it has ended.
    w.holdJob();
    receiver->receive({later});
    EXPECT_FALSE(tree().List1.contains(later));
    w.releaseJob();
    EXPECT_TRUE(tree().List1.contains(later));
}
