// Audio files of the formats besides WAV and MP3 in the main window: their groups, File >
// Open, moving, renaming and deleting them, and Start converting them.
#include "formtest.h"

#include "engine/pipeline/audioformat.h"
#include "window/main/filebatch.h"

#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

// Every message shown, one a line, for a failure's report.
std::string shown(const ScriptedDialogs& dialogs) {
    QStringList lines;
    for (const dialogs::Message& message : dialogs.messages())
        lines << message.title + QStringLiteral(": ") + message.text;
    return lines.join(QLatin1Char('\n')).toStdString();
}

class AudioFilesTest : public FormTest {
  protected:
    // Creates dest/relative (folders as needed) with `size` bytes; returns its full path.
    QString makeNested(const QString& relative, int size = 200) {
        QDir().mkpath(QFileInfo(dest.filePath(relative)).path());
        return makeFile(relative, size);
    }
    // `seconds` of a stereo tone encoded by ffmpeg as `path` (by its extension); empty when
    // ffmpeg is missing or fails.
    static QString makeTone(const QString& path, double seconds = 1.0) {
        if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
            return {};
        QProcess ffmpeg;
        ffmpeg.start(
            QStringLiteral("ffmpeg"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"),
             QStringLiteral("lavfi"), QStringLiteral("-i"),
             QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds),
             QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-y"), path});
        if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
            return {};
        return path;
    }
    // The codec ffprobe finds in `path`'s first audio stream; empty when it finds none.
    static QString codecOf(const QString& path) {
        QProcess probe;
        probe.start(QStringLiteral("ffprobe"),
                    {QStringLiteral("-v"), QStringLiteral("error"),
                     QStringLiteral("-select_streams"), QStringLiteral("a:0"),
                     QStringLiteral("-show_entries"), QStringLiteral("stream=codec_name"),
                     QStringLiteral("-of"), QStringLiteral("default=noprint_wrappers=1:nokey=1"),
                     path});
        probe.waitForFinished(60000);
        return QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
    }
    QStringList rootChildren() {
        QStringList out;
        for (const auto id : tree().childrenOf(tree().nodeNumber(1)))
            out << tree().text(id);
        return out;
    }

    QTemporaryDir outside; // files opened from elsewhere
};

} // namespace

// The destination's audio files are listed below the MP3 groups, in path order with their
// lists mirroring them, WAV and MP3 files and other files staying out; File > Open offers
// every format and lists the audio file chosen.
TEST_F(AudioFilesTest, AudioGroupsListTheDestinationAndTheFileOpened) {
    const QString wav = makeFile(QStringLiteral("song.wav"));
    const QString flac = makeFile(QStringLiteral("Take.flac"));
    const QString ogg = makeNested(QStringLiteral("deeper/Live.OGG"));
    makeFile(QStringLiteral("notes.txt"), 500);
    makeFile(QStringLiteral("tiny.opus"), 50); // a scan lists files of any size, as for WAV
    Form1& w = load();

    const QStringList groups = rootChildren();
    ASSERT_EQ(groups.size(), 8);
    EXPECT_EQ(groups.mid(4), (QStringList{SourceTree::SelectedMp3Text, SourceTree::Mp3Text,
                                          SourceTree::SelectedAudioText, SourceTree::AudioText}));
    const QString tiny = dest.filePath(QStringLiteral("tiny.opus"));
    EXPECT_EQ(childTexts(SourceTree::AudioText), (QStringList{flac, ogg, tiny}));
    EXPECT_EQ(tree().audioFiles.items(), childTexts(SourceTree::AudioText));
    EXPECT_TRUE(childTexts(SourceTree::SelectedAudioText).isEmpty());
    EXPECT_EQ(childTexts(SourceTree::WavText), QStringList{wav});
    EXPECT_EQ(node(dest.filePath(QStringLiteral("notes.txt"))), 0u);

    const QString opened = outside.filePath(QStringLiteral("tune.opus"));
    QFile file(opened);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(300, 'x'));
    file.close();
    dialogs().files.push_back({opened});
    w.mnuOpenfile->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return node(opened) != 0; }, 2000));
    EXPECT_EQ(tree().parentOf(node(opened)), node(SourceTree::AudioText));
    EXPECT_EQ(tree().audioFiles.at(0), opened);
    const ScriptedDialogs::Record* asked = dialogs().last(QStringLiteral("openFiles"));
    ASSERT_NE(asked, nullptr);
    const QStringList filters = asked->message.text.split(QStringLiteral(";;"));
    ASSERT_EQ(filters.size(), 3);
    EXPECT_TRUE(filters[0].startsWith(QStringLiteral("All supported (*.wav *.mp3")));
    EXPECT_TRUE(filters[0].contains(QStringLiteral("*.flac")));
    EXPECT_EQ(filters[1], QStringLiteral("WAV, MP3 (*.wav *.mp3 *.WAV *.MP3)"));
    EXPECT_TRUE(filters[2].startsWith(QStringLiteral("Audio Files (*.flac *.FLAC")));
    EXPECT_TRUE(filters[2].contains(QStringLiteral("*.m4a")));
    EXPECT_FALSE(filters[2].contains(QStringLiteral("*.wav")));

    // With file names shown, an audio file keeps its own name and extension.
    WriteSetting(SettingKey::ShowFullPath, std::int16_t{0});
    tree().showfiles();
    EXPECT_EQ(childTexts(SourceTree::AudioText),
              (QStringList{QStringLiteral("Take.flac"), QStringLiteral("Live.OGG"),
                           QStringLiteral("tiny.opus")}));
}

// Files dragged in from a file manager are listed as opened ones are, each in its group; other
// files are refused, and so is everything while a job runs.
TEST_F(AudioFilesTest, FilesDraggedInAreListedInTheirGroups) {
    Form1& w = load();
    QStringList paths;
    for (const char* name : {"take.flac", "song.wav", "notes.txt"}) {
        paths << outside.filePath(QString::fromLatin1(name));
        QFile file(paths.back());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(300, 'x'));
    }
    QMimeData text;
    text.setUrls({QUrl::fromLocalFile(paths[2])});
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(paths[0]), QUrl::fromLocalFile(paths[1]),
                   QUrl::fromLocalFile(paths[2])});
    auto enter = [&w](QMimeData& data) {
        QDragEnterEvent event(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.TreeView1->viewport(), &event);
        return event.isAccepted();
    };
    EXPECT_FALSE(enter(text));
    w.Disablem();
    EXPECT_FALSE(enter(files));
    w.Enablem();
    ASSERT_TRUE(enter(files));
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.TreeView1->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return node(paths[1]) != 0; }, 2000));
    EXPECT_EQ(tree().parentOf(node(paths[0])), node(SourceTree::AudioText));
    EXPECT_EQ(tree().parentOf(node(paths[1])), node(SourceTree::WavText));
    EXPECT_EQ(node(paths[2]), 0u);
    EXPECT_EQ(tree().audioFiles.items(), QStringList{paths[0]});
}

// An audio file moves between its two groups by double-click and by drag, never into a WAV
// or MP3 group, its path going with it; a rename keeps its extension; Remove and Delete File
// deletes it.
TEST_F(AudioFilesTest, AnAudioFileMovesRenamesAndIsDeletedLikeTheOthers) {
    const QString take = makeFile(QStringLiteral("take.flac"));
    const QString other = makeFile(QStringLiteral("[x] other.ogg"));
    Form1& w = load();

    select(take);
    tree().MoveSelectedNode();
    EXPECT_EQ(childTexts(SourceTree::SelectedAudioText), QStringList{take});
    EXPECT_EQ(tree().selectedAudioFiles.items(), QStringList{take});
    EXPECT_EQ(tree().audioFiles.items(), QStringList{other});
    select(take);
    tree().MoveSelectedNode();
    EXPECT_TRUE(tree().selectedAudioFiles.isEmpty());
    EXPECT_EQ(tree().audioFiles.items(), (QStringList{take, other}));

    // A drag reaches only the audio groups.
    tree().treePress(node(other), false);
    ASSERT_TRUE(tree().treeMouseMove());
    tree().treeDragOver(node(SourceTree::SelectedWavText));
    EXPECT_EQ(tree().parentOf(node(other)), node(SourceTree::AudioText));
    tree().treeDragOver(node(SourceTree::SelectedAudioText));
    tree().treeDrop();
    EXPECT_EQ(tree().parentOf(node(other)), node(SourceTree::SelectedAudioText));
    EXPECT_EQ(tree().selectedAudioFiles.items(), QStringList{other});
    EXPECT_EQ(tree().audioFiles.items(), QStringList{take});

    // A rename keeps the format's extension, in any case.
    const auto takeNode = node(take);
    EXPECT_TRUE(tree().canEditLabel(takeNode));
    EXPECT_EQ(tree().afterLabelEdit(takeNode, QStringLiteral("take.ogg")),
              SourceTree::LabelEdit::EditAgain);
    EXPECT_EQ(tree().renameRefusal(),
              QStringLiteral("The name of this file must end in \".flac\"."));
    EXPECT_EQ(tree().afterLabelEdit(takeNode, QStringLiteral(".FLAC")),
              SourceTree::LabelEdit::EditAgain);
    EXPECT_TRUE(QFileInfo::exists(take));
    const QString renamed = dest.filePath(QStringLiteral("Best take.FLAC"));
    EXPECT_EQ(tree().afterLabelEdit(takeNode, QStringLiteral("Best take.FLAC")),
              SourceTree::LabelEdit::Accepted);
    EXPECT_FALSE(QFileInfo::exists(take));
    EXPECT_TRUE(QFileInfo::exists(renamed));
    EXPECT_EQ(tree().text(takeNode), renamed);
    EXPECT_EQ(tree().audioFiles.items(), QStringList{renamed});

    // Its context menu deletes it, taking only it off its list.
    tree().treePress(takeNode, true);
    EXPECT_TRUE(tree().contextMenuState().remove);
    w.mnuRemoveDelete->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !QFileInfo::exists(renamed); }, 2000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return node(renamed) == 0; }, 2000));
    EXPECT_TRUE(tree().audioFiles.isEmpty());
    EXPECT_EQ(tree().selectedAudioFiles.items(), QStringList{other});
    EXPECT_TRUE(QFileInfo::exists(other));
}

// The batch Start makes of audio files takes the format Preferences names (MP3 for a name of
// none) and each format's choices within their ranges; the output is named for the format.
TEST_F(AudioFilesTest, TheConversionBatchTakesItsFormatAndChoicesFromPreferences) {
    WriteSetting(SettingKey::ConvertAudioTo, QStringLiteral("opus"));
    WriteSetting(SettingKey::FlacLevel, std::int16_t{8});
    WriteSetting(SettingKey::OpusBitrateKbps, std::int16_t{999}); // beyond its range
    Form1& w = load();
    const QStringList sources{outside.filePath(QStringLiteral("Live.Take.m4a"))};
    ConversionBatch work = filebatch::work(w, ConversionKind::AudioConvert, sources);
    EXPECT_EQ(work.settings.convertTo, pipeline::OutputFormat::Opus);
    EXPECT_EQ(work.settings.formats.flacLevel, 8);
    EXPECT_EQ(work.settings.formats.opusBitrateKbps, pipeline::maxOpusBitrateKbps);
    ASSERT_EQ(work.items.size(), 1);
    EXPECT_EQ(work.items[0].output, dest.filePath(QStringLiteral("Live.Take.opus")));

    WriteSetting(SettingKey::ConvertAudioTo, QStringLiteral("nonsense"));
    work = filebatch::work(w, ConversionKind::AudioConvert, sources);
    EXPECT_EQ(work.settings.convertTo, pipeline::OutputFormat::Mp3);
}

// Start converts the selected audio files to MP3, or to FLAC when Preferences says so, into
// the destination, lists each output in the group of its format and keeps the sources.
TEST_F(AudioFilesTest, StartConvertsTheSelectedAudioFiles) {
    const QString tone = makeTone(outside.filePath(QStringLiteral("tone.flac")));
    const QString aiff = makeTone(outside.filePath(QStringLiteral("other.aiff")));
    if (tone.isEmpty() || aiff.isEmpty())
        GTEST_SKIP() << "ffmpeg is needed to make the inputs";
    Form1& w = load();
    for (const QString& path : {tone, aiff}) {
        dialogs().files.push_back({path});
        w.mnuOpenfile->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return node(path) != 0; }, 2000));
    }
    select(tone);
    tree().MoveSelectedNode();
    select(SourceTree::SelectedAudioText);
    w.CmdSelectAction_Click();
    waitForJob();
    EXPECT_TRUE(dialogs().messages().empty()) << shown(dialogs());
    const QString mp3 = dest.filePath(QStringLiteral("tone.mp3"));
    EXPECT_EQ(codecOf(mp3), QStringLiteral("mp3"));
    EXPECT_EQ(tree().parentOf(node(mp3)), node(SourceTree::Mp3Text));
    EXPECT_FALSE(QFileInfo::exists(dest.filePath(QStringLiteral("other.mp3"))));
    EXPECT_TRUE(QFileInfo::exists(tone));

    WriteSetting(SettingKey::ConvertAudioTo, QStringLiteral("flac"));
    select(aiff);
    w.CmdSelectAction_Click();
    waitForJob();
    EXPECT_TRUE(dialogs().messages().empty()) << shown(dialogs());
    const QString flac = dest.filePath(QStringLiteral("other.flac"));
    EXPECT_EQ(codecOf(flac), QStringLiteral("flac"));
    EXPECT_EQ(tree().parentOf(node(flac)), node(SourceTree::AudioText));
    EXPECT_EQ(CurrentFile, flac);
    EXPECT_TRUE(QFileInfo::exists(aiff));
}
