// The folder walk on its own thread: what its reports add up to, a stop, and an owner that
// goes away during a walk.
#include "engine/core/findfilesapi.h"
#include "engine/search/searchwalker.h"
#include "walkgate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

class WalkerTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = dir.path() + QLatin1Char('/');
        for (int i = 0; i < 12; ++i)
            for (const char* name : {"a.wav", "b.mp3", "sub/c.wav", "sub/deeper/d.wav"})
                make(QStringLiteral("f%1/").arg(i, 2, 10, QLatin1Char('0')) +
                     QString::fromLatin1(name));
        make(QStringLiteral("own.wav"));
    }
    void make(const QString& relative) {
        const QString path = root + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    // Holds the walk before each folder until release().
    void hold(SearchWalker& walker) {
        walkGate.hold(walker);
    }
    void release() { walkGate.release(); }

    QTemporaryDir dir;
    QString root;
    WalkGate walkGate;
};

// Put together as the finder shows them, the reports give what the walk found, in its order.
TEST_F(WalkerTest, ReportsAddUpToTheWalkInItsOrder) {
    LocalFileSearch direct;
    direct.setFileType(QStringLiteral("wav"));
    direct.run(root);

    SearchWalker walker;
    walker.reportInterval = std::chrono::milliseconds(0); // as many reports as can be
    QStringList files, folders;
    int reports = 0;
    QObject::connect(&walker, &SearchWalker::progress, [&](const SearchWalker::Report& r) {
        ++reports;
        files += r.files;
        if (folders.isEmpty())
            folders = r.folders;
        else
            for (qsizetype i = r.folders.size() - 1; i >= 0; --i)
                folders.insert(1, r.folders[i]);
    });
    std::optional<SearchWalker::Summary> summary;
    QObject::connect(&walker, &SearchWalker::finished,
                     [&summary](const SearchWalker::Summary& s) { summary = s; });
    ASSERT_TRUE(walker.start(root, QStringLiteral("wav"), {}));
    EXPECT_TRUE(walker.running());
    EXPECT_FALSE(walker.start(root, QStringLiteral("mp3"), {})); // one walk at a time
    ASSERT_TRUE(QTest::qWaitFor([&summary] { return summary.has_value(); }, 20000));
    EXPECT_FALSE(walker.running());
    EXPECT_GT(reports, 1);
    EXPECT_EQ(files, direct.lstfiles());
    EXPECT_EQ(folders, direct.foldersSeen());
    EXPECT_EQ(summary->folderCount, direct.folderCount());
    EXPECT_EQ(summary->fileCount, 37);
    EXPECT_FALSE(summary->stopped);
}

// A stop ends the walk once the folder in progress is read and keeps what it found; a walker
// destroyed during a walk ends it and sends nothing more.
TEST_F(WalkerTest, StopKeepsWhatWasFoundAndAGoneOwnerHearsNothing) {
    SearchWalker walker;
    QStringList files;
    QObject::connect(&walker, &SearchWalker::progress,
                     [&files](const SearchWalker::Report& r) { files += r.files; });
    std::optional<SearchWalker::Summary> summary;
    QObject::connect(&walker, &SearchWalker::finished,
                     [&summary](const SearchWalker::Summary& s) { summary = s; });
    hold(walker);
    ASSERT_TRUE(walker.start(root, QStringLiteral("wav"), {}));
    walker.requestStop();
    release();
    ASSERT_TRUE(QTest::qWaitFor([&summary] { return summary.has_value(); }, 20000));
    EXPECT_TRUE(summary->stopped);
    EXPECT_EQ(files, QStringList{root + QStringLiteral("own.wav")});
    EXPECT_EQ(summary->folderCount, 12); // seen, none searched

    auto gone = std::make_unique<SearchWalker>();
    int heard = 0;
    QObject::connect(gone.get(), &SearchWalker::progress, [&heard] { ++heard; });
    QObject::connect(gone.get(), &SearchWalker::finished, [&heard] { ++heard; });
    gone->reportInterval = std::chrono::milliseconds(0);
    ASSERT_TRUE(gone->start(root, QStringLiteral("wav"), {}));
    gone.reset(); // joins the walk's thread
    QTest::qWait(50);
    EXPECT_EQ(heard, 0);
}

} // namespace
