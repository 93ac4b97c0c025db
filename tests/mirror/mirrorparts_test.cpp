// The pieces of a mirror on their own: names, the folder walk, the record and the plan.
#include "engine/formats/outputfile.h"
#include "engine/library/folderwalk.h"
#include "engine/library/mirrornames.h"
#include "engine/library/mirrorplan.h"
#include "engine/library/mirrorrecord.h"
#include "engine/library/mirrorrun.h"
#include "engine/platform/nativepath.h"
#include "fixtures.h"
#include "toolrun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace library;

namespace {

class MirrorPartsTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    // QTemporaryDir cannot reach a name that is not UTF-8.
    void TearDown() override {
        runTool(QStringLiteral("rm"), {QStringLiteral("-rf"), dir_.path()});
    }

    QString path(const QString& name) const { return dir_.filePath(name); }
    QString file(const QString& name, const QByteArray& bytes = "x") const {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        fixtures::writeFile(path(name), bytes);
        return path(name);
    }

    QTemporaryDir dir_;
};

std::vector<WalkedFolder> walkAll(const QStringList& roots, QStringList* problems,
                                  const QString& skipped = QString()) {
    std::vector<WalkedFolder> out;
    FolderWalk walk(
        roots, [problems](const QString& p) { *problems << p; }, skipped);
    WalkedFolder folder;
    while (walk.next(folder))
        out.push_back(folder);
    return out;
}

} // namespace

TEST(MirrorNamesTest, PortableNamesAreValidOnWindowsFileSystems) {
    EXPECT_EQ(mirrornames::portable(QStringLiteral("a<b>c:d\"e\\f|g?h*i")),
              QStringLiteral("a_b_c_d_e_f_g_h_i"));
    EXPECT_EQ(mirrornames::portable(QStringLiteral("Live. . ")), QStringLiteral("Live"));
    EXPECT_EQ(mirrornames::portable(QStringLiteral("...")), QStringLiteral("_"));
    EXPECT_EQ(mirrornames::portable(QStringLiteral("aux.mp3")), QStringLiteral("aux_.mp3"));
    EXPECT_EQ(mirrornames::portable(QStringLiteral("Com1")), QStringLiteral("Com1_"));
    EXPECT_EQ(mirrornames::portable(QStringLiteral("console")), QStringLiteral("console"));
    // A byte that is not UTF-8, and a control character.
    EXPECT_EQ(mirrornames::portable(nativepath::decode("caf\xe9\x01")), QStringLiteral("caf__"));
    EXPECT_EQ(mirrornames::portableFolder(QStringLiteral("A?/B.")), QStringLiteral("A_/B"));
}

TEST(MirrorNamesTest, LongNamesAreShortenedOnCharacterBoundaries) {
    // 130 two-byte characters: 260 bytes, over the limit with any extension.
    const QString stem(130, QChar(0x00E9));
    const QString name = mirrornames::fittedName(stem, QStringLiteral("mp3"), 255);
    EXPECT_LE(nativepath::encode(name).size(), 255);
    EXPECT_TRUE(name.endsWith(QLatin1String(".mp3")));
    EXPECT_EQ(nativepath::decode(nativepath::encode(name)), name); // no character cut in two
    const QString numbered = mirrornames::fittedName(stem, QStringLiteral("mp3"), 255, 12);
    EXPECT_TRUE(numbered.endsWith(QLatin1String(" (12).mp3")));
    EXPECT_LE(nativepath::encode(numbered).size(), 255);
    EXPECT_EQ(mirrornames::fittedName(QStringLiteral("a"), QStringLiteral("mp3"), 4), QString());
    EXPECT_EQ(mirrornames::fittedName(QStringLiteral("ab"), QStringLiteral("mp3"), 5),
              QStringLiteral("a.mp3"));
}

TEST_F(MirrorPartsTest, TheWalkGivesEveryFolderOnceAndReportsLoops) {
    file(QStringLiteral("lib/b/2.flac"));
    file(QStringLiteral("lib/a/1.flac"));
    file(QStringLiteral("lib/a/deep/3.flac"));
    file(QStringLiteral("other/4.flac"));
    // A name that is not UTF-8 reaches its file.
    const QString odd = path(QStringLiteral("lib/a/")) + nativepath::decode("caf\xe9.wav");
    ASSERT_EQ(::close(::creat(nativepath::encode(odd).constData(), 0644)), 0);
    ASSERT_EQ(
        ::symlink("..", nativepath::encode(path(QStringLiteral("lib/a/deep/up"))).constData()), 0);
    ASSERT_EQ(::symlink(nativepath::encode(path(QStringLiteral("other"))).constData(),
                        nativepath::encode(path(QStringLiteral("lib/b/linked"))).constData()),
              0);
    ASSERT_EQ(::symlink(nativepath::encode(path(QStringLiteral("other"))).constData(),
                        nativepath::encode(path(QStringLiteral("lib/c"))).constData()),
              0);
    ASSERT_EQ(
        ::symlink("nowhere", nativepath::encode(path(QStringLiteral("lib/gone.flac"))).constData()),
        0);
    // A link to the destination: what a mirror made there is never walked as a source.
    file(QStringLiteral("out/made.mp3"));
    ASSERT_EQ(::symlink(nativepath::encode(path(QStringLiteral("out"))).constData(),
                        nativepath::encode(path(QStringLiteral("lib/d"))).constData()),
              0);

    QStringList problems;
    const auto folders =
        walkAll({path(QStringLiteral("lib"))}, &problems, path(QStringLiteral("out")));
    QStringList relatives;
    for (const WalkedFolder& f : folders)
        relatives << f.relative;
    // Depth first in name order; "other" is walked through the first link met (lib/c, met
    // as lib is listed), not again through lib/b/linked.
    EXPECT_EQ(relatives, (QStringList{QString(), QStringLiteral("a"), QStringLiteral("a/deep"),
                                      QStringLiteral("b"), QStringLiteral("c")}));
    ASSERT_EQ(folders[1].files.size(), 2u);
    EXPECT_EQ(folders[1].files[1].name,
              QStringLiteral("caf") + QChar(0xDCE9) + QStringLiteral(".wav"));
    EXPECT_EQ(folders[4].files.at(0).name, QStringLiteral("4.flac"));
    ASSERT_EQ(problems.size(), 2);
    EXPECT_TRUE(problems[0].contains(QLatin1String("gone.flac: a link that leads nowhere")));
    EXPECT_TRUE(problems[1].contains(QLatin1String("deep/up: a link back to a folder above it")));
}

TEST_F(MirrorPartsTest, TheRecordKeepsWhatWasMadeAcrossRunsAndOneRunAtATime) {
    const QString dest = path(QStringLiteral("dest"));
    QDir().mkpath(dest);
    const RecordEntry first{RecordEntry::Kind::Converted,
                            QStringLiteral("/m/a\tb.flac"),
                            10,
                            20,
                            QStringLiteral("mp3 160k"),
                            4096,
                            1'700'000'000'123'456'789};
    const RecordEntry second{RecordEntry::Kind::Cover, nativepath::decode("/m/caf\xe9.jpg"), 1, 2,
                             QStringLiteral("copy")};
    {
        auto record = MirrorRecord::open(dest, true);
        ASSERT_TRUE(record) << record.error().description().toStdString();
        // A second run into the same destination is refused while this one holds it.
        auto other = MirrorRecord::open(dest, true);
        ASSERT_FALSE(other);
        EXPECT_TRUE(other.error().description().contains(QLatin1String("another run")));
        ASSERT_FALSE(record.value()->remember(QStringLiteral("x/a.mp3"), first));
        ASSERT_FALSE(record.value()->remember(QStringLiteral("x/a.mp3"), first));
        ASSERT_FALSE(record.value()->remember(QStringLiteral("x/c.jpg"), second));
        ASSERT_FALSE(record.value()->remember(QStringLiteral("x/gone.mp3"), first));
        ASSERT_FALSE(record.value()->forget(QStringLiteral("x/gone.mp3")));
    }
    const QString recordPath = dest + QLatin1Char('/') + MirrorRecord::fileName();
    // A power cut in the middle of a line, and a line that would leave the destination.
    QFile append(recordPath);
    ASSERT_TRUE(append.open(QIODevice::Append));
    // A line without the cover's fields: no cover went in.
    append.write("+\tconverted\tx/old.mp3\t/s\t1\t2\tmp3\n");
    append.write(
        "+\tconverted\t../../etc/x\t/s\t1\t2\tmp3\t-1\t0\n+\tconverted\tx/half.mp3\t/s\t1");
    append.close();
    const qint64 before = QFileInfo(recordPath).size();

    auto read = MirrorRecord::open(dest, false);
    ASSERT_TRUE(read);
    EXPECT_EQ(read.value()->size(), 3);
    ASSERT_TRUE(read.value()->find(QStringLiteral("x/a.mp3")));
    EXPECT_EQ(*read.value()->find(QStringLiteral("x/a.mp3")), first);
    EXPECT_EQ(*read.value()->find(QStringLiteral("x/c.jpg")), second);
    EXPECT_EQ(*read.value()->find(QStringLiteral("x/old.mp3")),
              (RecordEntry{RecordEntry::Kind::Converted, QStringLiteral("/s"), 1, 2,
                           QStringLiteral("mp3")}));
    EXPECT_EQ(QFileInfo(recordPath).size(), before); // reading alone changes nothing
    read.value().reset();

    // A run that writes rewrites it without the superseded lines.
    auto again = MirrorRecord::open(dest, true);
    ASSERT_TRUE(again);
    EXPECT_EQ(again.value()->size(), 3);
    EXPECT_LT(QFileInfo(recordPath).size(), before);
    EXPECT_EQ(*again.value()->find(QStringLiteral("x/a.mp3")), first);
    EXPECT_EQ(QDir(dest).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary left
}

TEST_F(MirrorPartsTest, ThePlanConvertsOnceCopiesLossyAndKnowsWhatIsUpToDate) {
    const QString dest = path(QStringLiteral("dest"));
    QDir().mkpath(dest);
    file(QStringLiteral("lib/song.m4a"));
    file(QStringLiteral("lib/song.flac"));
    file(QStringLiteral("lib/live.mp3"));
    file(QStringLiteral("lib/Folder.JPG"));
    file(QStringLiteral("lib/cover.png"));
    file(QStringLiteral("lib/notes.txt"));
    file(QStringLiteral("dest/theirs.mp3")); // not made by the program
    file(QStringLiteral("lib/theirs.wav"));
    QStringList problems;
    const auto folders = walkAll({path(QStringLiteral("lib"))}, &problems);
    ASSERT_EQ(folders.size(), 1u);

    auto record = MirrorRecord::open(dest, true);
    ASSERT_TRUE(record);
    MirrorChoices choices;
    choices.destination = dest;
    choices.format = pipeline::OutputFormat::Mp3;
    FolderPlan plan = MirrorPlanner(choices, *record.value()).plan(folders[0]);
    QStringList made;
    for (const MirrorTask& task : plan.tasks)
        made << QFileInfo(task.source).fileName() + QStringLiteral(" ") +
                    (task.kind == MirrorTask::Kind::Convert ? QStringLiteral("convert ")
                                                            : QStringLiteral("copy ")) +
                    task.outputKey + (task.cover.isEmpty() ? QString() : QStringLiteral(" +cover"));
    EXPECT_EQ(made, (QStringList{QStringLiteral("live.mp3 copy live.mp3"),
                                 QStringLiteral("song.flac convert song.mp3 +cover"),
                                 QStringLiteral("Folder.JPG copy Folder.JPG"),
                                 QStringLiteral("cover.png copy cover.png")}));
    EXPECT_TRUE(plan.tasks[1].cover.endsWith(QLatin1String("/cover.png"))); // cover.* first
    ASSERT_EQ(plan.skipped.size(), 2u);
    EXPECT_TRUE(plan.skipped[0].source.endsWith(QLatin1String("song.m4a")));
    EXPECT_FALSE(plan.skipped[0].failed);
    EXPECT_TRUE(plan.skipped[1].source.endsWith(QLatin1String("theirs.wav")));
    EXPECT_TRUE(plan.skipped[1].failed);

    // Made as planned: the next plan has nothing to do; other settings redo the conversions.
    for (const MirrorTask& task : plan.tasks) {
        file(QStringLiteral("dest/") + task.outputKey);
        ASSERT_FALSE(record.value()->remember(
            task.outputKey, {task.recordKind, task.source, task.sourceSize, task.sourceModifiedNs,
                             task.settings, task.coverSize, task.coverModifiedNs}));
    }
    const FolderPlan again = MirrorPlanner(choices, *record.value()).plan(folders[0]);
    EXPECT_TRUE(again.tasks.empty());
    EXPECT_EQ(again.upToDate.size(), 4);
    choices.settings.mp3.bitrateKbps = 256;
    MirrorPlanner changed(choices, *record.value());
    const FolderPlan redo = changed.plan(folders[0]);
    ASSERT_EQ(redo.tasks.size(), 1u);
    EXPECT_TRUE(redo.tasks[0].replaces);
    EXPECT_EQ(redo.tasks[0].outputKey, QStringLiteral("song.mp3"));
    EXPECT_TRUE(changed.unclaimedOutputs().empty());
}

TEST_F(MirrorPartsTest, PortableNamesNumberTheNamesThatClashWithoutCase) {
    const QString dest = path(QStringLiteral("dest"));
    QDir().mkpath(dest);
    file(QStringLiteral("lib/Song.flac"));
    file(QStringLiteral("lib/song.wav"));
    file(QStringLiteral("lib/a?.flac"));
    file(QStringLiteral("lib/a*.flac"));
    QStringList problems;
    const auto folders = walkAll({path(QStringLiteral("lib"))}, &problems);
    auto record = MirrorRecord::open(dest, true);
    ASSERT_TRUE(record);
    MirrorChoices choices;
    choices.destination = dest;
    choices.format = pipeline::OutputFormat::Flac;
    choices.portableNames = true;
    const FolderPlan plan = MirrorPlanner(choices, *record.value()).plan(folders[0]);
    QStringList outputs;
    for (const MirrorTask& task : plan.tasks)
        outputs << task.outputKey;
    EXPECT_EQ(outputs,
              (QStringList{QStringLiteral("Song.flac"), QStringLiteral("a_.flac"),
                           QStringLiteral("a_ (2).flac"), QStringLiteral("song (2).flac")}));
    EXPECT_TRUE(plan.skipped.empty());
}

TEST_F(MirrorPartsTest, TwoSourceFoldersGivingOneOutputConvertOnceAndOrphansAreFound) {
    const QString dest = path(QStringLiteral("dest"));
    QDir().mkpath(dest);
    file(QStringLiteral("one/Album/a.flac"));
    file(QStringLiteral("two/Album/a.flac"));
    file(QStringLiteral("two/Album/b.flac"));
    auto record = MirrorRecord::open(dest, true);
    ASSERT_TRUE(record);
    ASSERT_FALSE(record.value()->remember(QStringLiteral("Album/gone.mp3"),
                                          {RecordEntry::Kind::Converted,
                                           path(QStringLiteral("one/Album/gone.flac")), 1, 1,
                                           QStringLiteral("mp3")}));
    MirrorChoices choices;
    choices.destination = dest;
    MirrorPlanner planner(choices, *record.value());
    QStringList problems;
    QStringList outputs;
    std::vector<MirrorSkip> skipped;
    for (const WalkedFolder& folder :
         walkAll({path(QStringLiteral("one")), path(QStringLiteral("two"))}, &problems)) {
        FolderPlan plan = planner.plan(folder);
        for (const MirrorTask& task : plan.tasks)
            outputs << task.source.mid(dir_.path().size() + 1) + QStringLiteral(" ") +
                           task.outputKey;
        skipped.insert(skipped.end(), plan.skipped.begin(), plan.skipped.end());
    }
    // The first folder given wins; the other source is named, not failed.
    EXPECT_EQ(outputs, (QStringList{QStringLiteral("one/Album/a.flac Album/a.mp3"),
                                    QStringLiteral("two/Album/b.flac Album/b.mp3")}));
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_TRUE(skipped[0].source.endsWith(QLatin1String("two/Album/a.flac")));
    EXPECT_FALSE(skipped[0].failed);
    EXPECT_EQ(planner.unclaimedOutputs(), std::vector<QString>{QStringLiteral("Album/gone.mp3")});
}

// A run planned in steps: the survey's claims decide the orphans, each step plans afresh (its
// own outputs are not clashes with the survey's), and the steps together plan what one plan()
// does, each step holding only its own tasks.
TEST_F(MirrorPartsTest, ARunPlannedInStepsMakesWhatOnePlanMakes) {
    for (const char* name : {"one/A/a.flac", "one/A/b.flac", "one/B/c.flac", "two/A/a.flac",
                             "two/A/d.flac", "two/C/e.flac"})
        file(QString::fromLatin1(name));
    const QString dest = path(QStringLiteral("dest"));
    MirrorRequest request;
    request.roots = QStringList{path(QStringLiteral("one")), path(QStringLiteral("two"))};
    request.destination = dest;
    request.removeOrphans = true;
    const auto outputsOf = [](const MirrorRun& run) {
        QStringList out;
        for (const MirrorTask& task : run.tasks())
            out << task.outputKey;
        return out;
    };
    QStringList whole;
    {
        MirrorRun run(request, {});
        ASSERT_FALSE(run.open());
        ASSERT_TRUE(run.plan({}));
        whole = outputsOf(run);
    }
    ASSERT_EQ(whole.size(), 5); // two/A/a.flac loses its name to one/A/a.flac
    {
        auto record = MirrorRecord::open(dest, true);
        ASSERT_TRUE(record);
        file(QStringLiteral("dest/A/gone.mp3"));
        ASSERT_FALSE(record.value()->remember(QStringLiteral("A/gone.mp3"),
                                              {RecordEntry::Kind::Converted,
                                               path(QStringLiteral("one/A/gone.flac")), 1, 1,
                                               QStringLiteral("mp3")}));
    }

    QStringList listed;
    MirrorNotes notes;
    notes.listed = [&listed](const QString& line) { listed << line; };
    MirrorRun run(request, notes);
    ASSERT_FALSE(run.open());
    ASSERT_TRUE(run.survey({}));
    EXPECT_EQ(run.surveyed().tasks, 5);
    EXPECT_EQ(run.surveyed().bytes, 5);
    const Result<int> kept = run.settleOrphans();
    ASSERT_TRUE(kept);
    EXPECT_EQ(listed,
              QStringList{QStringLiteral("removed: ") + dest + QStringLiteral("/A/gone.mp3")});
    QStringList stepped;
    int steps = 0;
    while (!run.walked()) {
        ASSERT_TRUE(run.planNext({}, 2));
        EXPECT_LE(run.tasks().size(), 3u); // whole folders, of two files at most here
        EXPECT_EQ(static_cast<std::size_t>(run.batch().items.size()), run.tasks().size());
        stepped << outputsOf(run);
        ++steps;
    }
    EXPECT_EQ(stepped, whole);
    EXPECT_GE(steps, 3);
    EXPECT_EQ(run.counts().failed, 0);
}
