#include "engine/core/findfilesapi.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SearchTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = dir.path() + QLatin1Char('/');
        for (const char* name :
             {"b.wav", "A.WAV", "live.mix.wav", "README", "wav", "notes.txt", "Intro.wav",
              "intro2.wav", "zdir/c.wav", "adir/d.wav", "adir/inner/e.wav", "adir/inner/deep/f.wav",
              ".hidden/g.wav", "mdir/.secret/h.wav", "mdir/i.mp3"})
            make(QString::fromLatin1(name));
        QDir().mkpath(root + QStringLiteral("empty.wav")); // a folder named like a file
    }
    void make(const QString& relative) {
        const QString path = root + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    QStringList relative(const QStringList& paths) const {
        QStringList out;
        for (const QString& p : paths)
            out << (p.startsWith(root) ? p.mid(root.size()) : p);
        return out;
    }

    QTemporaryDir dir;
    QString root;
};

TEST_F(SearchTest, WalksDepthFirstWithTheLastFoundFolderNext) {
    LocalFileSearch search;
    search.setFileType(QStringLiteral("WAV"));
    EXPECT_EQ(search.fileType(), QStringLiteral(".wav"));
    search.run(dir.path());
    // Own files first (name order ignoring case), then zdir (found last), mdir, then adir and
    // everything under it; dot folders are skipped; "live.mix.wav" has the type ".mix.wav".
    EXPECT_EQ(
        relative(search.lstfiles()),
        (QStringList{QStringLiteral("A.WAV"), QStringLiteral("b.wav"), QStringLiteral("Intro.wav"),
                     QStringLiteral("intro2.wav"), QStringLiteral("zdir/c.wav"),
                     QStringLiteral("adir/d.wav"), QStringLiteral("adir/inner/e.wav"),
                     QStringLiteral("adir/inner/deep/f.wav")}));
    EXPECT_EQ(search.folderCount(), 6); // adir, empty.wav, mdir, zdir, inner, deep
    EXPECT_EQ(search.fileCount(), 8);
    EXPECT_EQ(relative(search.foldersSeen()).front(), QString());
    EXPECT_TRUE(search.lstdirs().isEmpty());
    EXPECT_FALSE(search.stopped());
}

TEST_F(SearchTest, BaseNameMustBeExactAndNamesWithoutDotNeverMatch) {
    LocalFileSearch search;
    search.setFileType(QStringLiteral(".wav"));
    search.setFileName(QStringLiteral("intro"));
    search.run(root);
    EXPECT_EQ(relative(search.lstfiles()), QStringList{QStringLiteral("Intro.wav")});

    search.setFileName(QString());
    search.setFileType(QStringLiteral(".mix.wav"));
    search.run(root);
    EXPECT_EQ(relative(search.lstfiles()), QStringList{QStringLiteral("live.mix.wav")});

    search.setFileType(QStringLiteral("."));
    search.run(root);
    EXPECT_TRUE(search.lstfiles().isEmpty()); // README and "wav" have no extension

    EXPECT_EQ(LocalFileSearch::extensionOf(QStringLiteral("a.B.Wav")), QStringLiteral(".b.wav"));
    EXPECT_EQ(LocalFileSearch::baseNameOf(QStringLiteral("Intro.WAV")), QStringLiteral("intro"));
    EXPECT_EQ(LocalFileSearch::extensionOf(QStringLiteral("README")), QString());
}

TEST_F(SearchTest, StopEndsTheSearchAfterTheFolderInProgress) {
    LocalFileSearch search;
    search.setFileType(QStringLiteral("wav"));
    int folders = 0;
    search.stopCheck = [&folders] { return ++folders == 2; };
    search.run(root);
    EXPECT_TRUE(search.stopped());
    // The start folder and zdir were read completely, nothing after.
    EXPECT_EQ(relative(search.lstfiles()).last(), QStringLiteral("zdir/c.wav"));
    EXPECT_EQ(search.fileCount(), 5);

    // A stop requested from the yield (as a button click would) behaves the same.
    LocalFileSearch clicked;
    clicked.yieldIntervalMs = 0;
    clicked.yield = [&clicked] {
        if (clicked.fileCount() > 0)
            clicked.requestStop();
    };
    clicked.run(root);
    EXPECT_TRUE(clicked.stopped());
    EXPECT_EQ(clicked.fileCount(), 4); // the start folder only
}

TEST_F(SearchTest, UnreadableOrMissingStartFolderYieldsNothing) {
    LocalFileSearch search;
    search.run(root + QStringLiteral("nowhere"));
    EXPECT_TRUE(search.lstfiles().isEmpty());
    EXPECT_EQ(search.folderCount(), 0);
    EXPECT_EQ(relative(findFiles(root + QStringLiteral("mdir"), QStringLiteral("mp3"))),
              QStringList{QStringLiteral("mdir/i.mp3")});
}

TEST_F(SearchTest, LinkedFoldersAreNotEntered) {
    ASSERT_TRUE(QFile::link(root, root + QStringLiteral("adir/loop")));
    ASSERT_TRUE(
        QFile::link(root + QStringLiteral("b.wav"), root + QStringLiteral("zdir/link.wav")));
    LocalFileSearch search;
    search.run(root);
    EXPECT_EQ(search.fileCount(), 9); // the linked file counts, the loop is not followed
    EXPECT_TRUE(search.lstfiles().contains(root + QStringLiteral("zdir/link.wav")));
}

} // namespace
