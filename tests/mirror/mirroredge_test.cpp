// convert --mirror where names clash, names change, the disk fills up or cannot be written.
#include "engine/library/mirrorrecord.h"
#include "fixtures.h"
#include "mirrortree.h"
#include "toolrun.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>

namespace {

const QString cli = QStringLiteral(VORTAN_CLI);

using mirrortest::tree;

QStringList names(const std::map<QString, QByteArray>& files) {
    QStringList out;
    for (const auto& file : files)
        out << file.first;
    return out;
}

class MirrorEdgeTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path(const QString& name) const { return dir_.filePath(name); }
    void wav(const QString& name, double hz, double seconds = 0.2) const {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        fixtures::writeFile(path(name), fixtures::wavBytes(fixtures::sine(hz, seconds)));
    }
    ToolRun mirror(const QString& destination, const QStringList& roots,
                   QStringList extra = {}) const {
        extra =
            QStringList{QStringLiteral("convert"), QStringLiteral("--mirror"), QStringLiteral("-j"),
                        QStringLiteral("1"),       QStringLiteral("-o"),       destination} +
            extra + roots;
        return runTool(cli, extra, dir_.path());
    }

    QTemporaryDir dir_;
};

// A run in a private mount namespace with a small file system mounted on `destination`;
// what it left there is copied out to `snapshot` (the mount goes with the namespace).
// `ready` runs once the file system is mounted (e.g. to make it read-only).
ToolRun mirrorInMount(const QString& size, const QString& destination, const QString& snapshot,
                      const QStringList& cliArguments, const QString& ready = QString()) {
    const QString script =
        QStringLiteral("mount -t tmpfs -o size=%1 tmpfs \"$1\" || exit 97\n").arg(size) +
        (ready.isEmpty() ? QString() : ready + QStringLiteral(" || exit 98\n")) +
        QStringLiteral("dest=$1; snapshot=$2; shift 2\n"
                       "\"$@\"; status=$?\n"
                       "cp -a \"$dest/.\" \"$snapshot/\" || exit 99\n"
                       "exit $status\n");
    return runTool(QStringLiteral("unshare"),
                   QStringList{QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"),
                               script, QStringLiteral("sh"), destination, snapshot, cli} +
                       cliArguments);
}

// Whether this machine lets a test mount a file system of its own.
bool canMount(const QString& folder) {
    if (!haveTool(QStringLiteral("unshare")))
        return false;
    return runTool(QStringLiteral("unshare"),
                   {QStringLiteral("-rm"), QStringLiteral("mount"), QStringLiteral("-t"),
                    QStringLiteral("tmpfs"), QStringLiteral("tmpfs"), folder})
        .ok();
}

} // namespace

// Folders whose names become one once portable are numbered as files are, in the order of
// the walk, and the same on every run; the folders below follow their folder.
TEST_F(MirrorEdgeTest, PortableFolderNamesThatClashAreNumbered) {
    wav(QStringLiteral("lib/Abc/1.wav"), 300);
    wav(QStringLiteral("lib/abc/2.wav"), 400);
    wav(QStringLiteral("lib/Foo?/a.wav"), 500);
    wav(QStringLiteral("lib/Foo?/Sub/b.wav"), 600);
    wav(QStringLiteral("lib/Foo_/a.wav"), 700);
    wav(QStringLiteral("more/Foo?/c.wav"), 800); // the same folder under another root
    const QString dest = path(QStringLiteral("dest"));
    const QStringList roots{path(QStringLiteral("lib")), path(QStringLiteral("more"))};
    const QStringList flac{QStringLiteral("--to"), QStringLiteral("flac"),
                           QStringLiteral("--portable-names")};
    const ToolRun first = mirror(dest, roots, flac);
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_EQ(names(tree(dest)),
              (QStringList{QStringLiteral("Abc/1.flac"), QStringLiteral("Foo_ (2)/a.flac"),
                           QStringLiteral("Foo_/Sub/b.flac"), QStringLiteral("Foo_/a.flac"),
                           QStringLiteral("Foo_/c.flac"), QStringLiteral("abc (2)/2.flac")}));
    // Each output is made from its own source.
    const auto made = tree(dest);
    EXPECT_NE(made.at(QStringLiteral("Foo_/a.flac")), made.at(QStringLiteral("Foo_ (2)/a.flac")));

    const ToolRun again = mirror(dest, roots, flac);
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_TRUE(again.out.isEmpty()) << again.out.toStdString();
    EXPECT_TRUE(again.err.contains("converted 0, copied 0, up to date 6, failed 0"))
        << again.err.toStdString();
    EXPECT_EQ(tree(dest), made);
}

// An output whose source now gives another output (names made portable) is an orphan: --delete
// removes it and its emptied folder. Files the program did not make, and outputs of a source
// outside this run's folders, stay.
TEST_F(MirrorEdgeTest, DeleteRemovesOutputsWhoseSourceNowGivesAnotherName) {
    wav(QStringLiteral("lib/Foo?/a.wav"), 500);
    wav(QStringLiteral("lib/Foo?/Sub/b.wav"), 600);
    wav(QStringLiteral("lib/Plain/c.wav"), 700);
    wav(QStringLiteral("other/Plain/d.wav"), 800);
    const QString dest = path(QStringLiteral("dest"));
    const QStringList flac{QStringLiteral("--to"), QStringLiteral("flac")};
    ASSERT_EQ(
        mirror(dest, {path(QStringLiteral("lib")), path(QStringLiteral("other"))}, flac).exitCode,
        0);
    fixtures::writeFile(dest + QStringLiteral("/Foo?/notes.txt"), "mine");
    const auto source = tree(path(QStringLiteral("lib")));

    const QStringList portable =
        flac + QStringList{QStringLiteral("--portable-names"), QStringLiteral("--delete")};
    const ToolRun dry = mirror(dest, {path(QStringLiteral("lib"))},
                               portable + QStringList{QStringLiteral("--dry-run")});
    EXPECT_EQ(dry.exitCode, 0) << dry.err.toStdString();
    EXPECT_EQ(dry.out.count("remove: "), 2) << dry.out.toStdString();
    EXPECT_TRUE(dry.out.contains("remove: " + dest.toUtf8() + "/Foo?/a.flac\n"));

    const ToolRun run = mirror(dest, {path(QStringLiteral("lib"))}, portable);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("removed 2")) << run.err.toStdString();
    EXPECT_EQ(names(tree(dest)),
              (QStringList{QStringLiteral("Foo?/notes.txt"), QStringLiteral("Foo_/Sub/b.flac"),
                           QStringLiteral("Foo_/a.flac"), QStringLiteral("Plain/c.flac"),
                           QStringLiteral("Plain/d.flac")}));
    EXPECT_FALSE(QFileInfo::exists(dest + QStringLiteral("/Foo?/Sub")));
    EXPECT_EQ(tree(path(QStringLiteral("lib"))), source);
}

// A disk that fills up stops the run with the reason and exit 1, leaving only whole outputs
// at their names; the next run, with room, makes exactly the rest.
TEST_F(MirrorEdgeTest, AFullDiskStopsTheRunAndTheNextFinishesIt) {
    const QString dest = path(QStringLiteral("dest"));
    QDir().mkpath(dest);
    if (!canMount(dest))
        GTEST_SKIP() << "this machine does not let a test mount a file system of its own";
    for (int album = 1; album <= 4; ++album)
        for (int track = 1; track <= 3; ++track)
            wav(QStringLiteral("lib/Album %1/%2.wav").arg(album).arg(track), 200 + 50 * track, 1.0);
    const QString clean = path(QStringLiteral("clean"));
    const QStringList wavOut{QStringLiteral("--to"), QStringLiteral("wav")};
    ASSERT_EQ(mirror(clean, {path(QStringLiteral("lib"))}, wavOut).exitCode, 0);
    const auto whole = tree(clean);
    ASSERT_EQ(whole.size(), 12u);

    const QString snapshot = path(QStringLiteral("snapshot"));
    QDir().mkpath(snapshot);
    const ToolRun full =
        mirrorInMount(QStringLiteral("1m"), dest, snapshot,
                      QStringList{QStringLiteral("convert"), QStringLiteral("--mirror"),
                                  QStringLiteral("-o"), dest} +
                          wavOut + QStringList{path(QStringLiteral("lib"))});
    ASSERT_LT(full.exitCode, 97) << full.err.toStdString();
    EXPECT_EQ(full.exitCode, 1) << full.err.toStdString();
    EXPECT_TRUE(full.err.contains("the disk is full")) << full.err.toStdString();
    const auto left = tree(snapshot);
    EXPECT_GT(left.size(), 0u);
    EXPECT_LT(left.size(), whole.size());
    for (const auto& file : left) { // whole outputs only, no temporaries
        ASSERT_TRUE(whole.count(file.first)) << file.first.toStdString();
        EXPECT_EQ(file.second, whole.at(file.first)) << file.first.toStdString();
    }
    QDirIterator folders(snapshot, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (folders.hasNext()) { // none made and left empty
        const QString folder = folders.next();
        EXPECT_FALSE(QDir(folder).isEmpty()) << folder.toStdString();
    }
    const qsizetype notDone = static_cast<qsizetype>(whole.size() - left.size());
    EXPECT_TRUE(
        full.err.contains(QStringLiteral("%1 files are not done yet").arg(notDone).toUtf8()))
        << full.err.toStdString();

    const ToolRun rest = mirror(snapshot, {path(QStringLiteral("lib"))}, wavOut);
    EXPECT_EQ(rest.exitCode, 0) << rest.err.toStdString();
    EXPECT_EQ(rest.out.count('\n'), notDone) << rest.out.toStdString();
    EXPECT_EQ(tree(snapshot), whole);
}

// A destination that cannot be written is refused with the reason, and nothing is claimed.
TEST_F(MirrorEdgeTest, AReadOnlyDestinationIsRefusedWithTheReason) {
    const QString dest = path(QStringLiteral("dest"));
    QDir().mkpath(dest);
    if (!canMount(dest))
        GTEST_SKIP() << "this machine does not let a test mount a file system of its own";
    wav(QStringLiteral("lib/Album/1.wav"), 440);
    const QString snapshot = path(QStringLiteral("snapshot"));
    QDir().mkpath(snapshot);
    const ToolRun run = mirrorInMount(QStringLiteral("1m"), dest, snapshot,
                                      {QStringLiteral("convert"), QStringLiteral("--mirror"),
                                       QStringLiteral("--to"), QStringLiteral("mp3"),
                                       QStringLiteral("-o"), dest, path(QStringLiteral("lib"))},
                                      QStringLiteral("mount -o remount,ro \"$1\""));
    ASSERT_LT(run.exitCode, 97) << run.err.toStdString();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Read-only file system")) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_FALSE(run.err.contains("converted 1"));
    EXPECT_TRUE(
        QDir(snapshot).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}
