// The main window's WAV encoding command and its bitrate and quality lists.
#include "app/form1.h"
#include "app/jobstate.h"
#include "app/paths.h"
#include "app/settings.h"
#include "app/sourcetree.h"
#include "encode/encodefile.h"
#include "encode/modlame.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <optional>

namespace {

// Texts of the quality list, in index order (the index is what the settings store keeps).
const char* const qualityNames[] = {"Low",   "Normal", "High", "Voice", "Phone",
                                    "Radio", "Tape",   "Hifi", "CD",    "Studio"};
constexpr int bitrateEntries = 14;

// Files of 1,000 bytes or less made by a "WAV Files" batch are not worth listing.
constexpr qint64 smallestListedMp3 = 1000;

QString fileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString destinationCaption(const QString& mp3Name) {
    return QStringLiteral("Destination:  ") + DecodePath + QLatin1Char('/') + mp3Name;
}

EncodeFileControls controlsOf(Form1& window) {
    EncodeFileControls c;
    c.Label33 = window.Label33;
    c.ProgressBar1 = window.ProgressBar1;
    c.Command2 = window.Command2;
    c.Disablem = [&window] { window.Disablem(); };
    c.Enablem = [&window] { window.Enablem(); };
    return c;
}

// Encodes CurrentFile, then deletes the source when the user keeps no WAV files; only a
// complete MP3 replaces its source, so a cancelled or failed encode keeps the WAV.
void encodeCurrentFile(Form1& window) {
    window.Disablem();
    const EncodeFileResult result = EncodeFile(CurrentFile, controlsOf(window));
    if (result == EncodeFileResult::Completed && DeleteWav == 1 &&
        CurrentFile.endsWith(QLatin1String(".wav"), Qt::CaseSensitive))
        // A WAV that cannot be deleted stays where it is; the batch goes on.
        window.tree().DeleteFileAndNode(CurrentFile);
}

// One file after another over `list`, until it ends or StopRequested is set.
void encodeList(Form1& window, const MirrorList& list, bool onlyWorthwhileMp3s) {
    const int n = list.count();
    for (int i = 0; i < n && !StopRequested; ++i) {
        if (i >= list.count())
            break; // entries were taken off the list while the batch ran
        CurrentFile = list.at(i);
        // The captions name the real output file, whose name keeps the source's case.
        const QString name = BaseName(CurrentFile);
        window.setWindowTitle(QStringLiteral("Encoding ") + name + QStringLiteral(".wav"));
        window.Label3->setText(
            QStringLiteral("Encoding #%1 of %2 files").arg(i + 1).arg(list.count()));
        window.Label2->setText(destinationCaption(name + QStringLiteral(".mp3")));
        QCoreApplication::processEvents();

        const QString source = CurrentFile;
        encodeCurrentFile(window);
        const QString mp3 = mp3PathFor(source);
        if (!onlyWorthwhileMp3s) {
            window.tree().Cmaddfile2(mp3);
        } else if (const QFileInfo made(mp3); made.isFile() && made.size() > smallestListedMp3) {
            window.tree().Cmaddfile2(mp3);
        }
    }
}

// How a file name appears on a node in short-name mode: its extension in lower case.
QString shortNodeName(const QString& fileName) {
    return fileName.left(fileName.size() - 4) + fileName.right(4).toLower();
}

// The full path of the WAV node `nodeText`: the first entry of List1, then of List5, whose
// file name equals the node's file name. Failing that, the first entry the node shows in
// short-name mode, where "Take.WAV" appears as "Take.wav".
std::optional<QString> wavPathOfNode(const SourceTree& tree, const QString& nodeText) {
    const QString name = fileNameOf(nodeText);
    for (const bool shortName : {false, true})
        for (const MirrorList* list : {&tree.List1, &tree.List5})
            for (const QString& entry : *list) {
                const QString entryName = fileNameOf(entry);
                if ((shortName ? shortNodeName(entryName) : entryName) == name)
                    return entry;
            }
    return std::nullopt;
}

} // namespace

void Form1::cmdEncFile_Click() {
    const QString text = tree().text(tree().selectedNode());
    if (text == SourceTree::WavText) {
        encodeList(*this, tree().List1, true);
    } else if (text == SourceTree::SelectedWavText) {
        encodeList(*this, tree().List5, false);
    } else if (text.endsWith(QLatin1String(".wav"))) {
        // Every WAV node is mirrored in one of the two lists; a node found in neither names
        // no file the program knows, so nothing is encoded.
        if (const auto path = wavPathOfNode(tree(), text)) {
            CurrentFile = *path;
            const QString base = BaseName(CurrentFile);
            setWindowTitle(QStringLiteral("Encoding ") + base + QStringLiteral(".wav"));
            Label3->setText(QStringLiteral("Encoding ") + CurrentFile);
            Label2->setText(destinationCaption(base + QStringLiteral(".mp3")));
            encodeCurrentFile(*this);
            CurrentFile = mp3PathFor(CurrentFile);
            tree().Cmaddfile2(CurrentFile);
        }
    } else {
        return;
    }
    Timer1->start();
}

void Form1::fillEncoderLists() {
    cmbBitrate->clear();
    for (int i = 0; i < bitrateEntries; ++i)
        cmbBitrate->addItem(QString::number(modLAME::bitrateForIndex(i)));
    cmbQuality->clear();
    for (const char* name : qualityNames)
        cmbQuality->addItem(QString::fromLatin1(name));
}

// A list without a current entry (an index the store held that the list does not have)
// stores nothing.
void Form1::cmbBitrate_Click() {
    if (cmbBitrate->currentIndex() >= 0)
        WriteSetting(SettingKey::EncodingBitrate, QString::number(cmbBitrate->currentIndex()));
}

void Form1::cmbQuality_Click() {
    if (cmbQuality->currentIndex() >= 0)
        WriteSetting(SettingKey::EncodingQuality, QString::number(cmbQuality->currentIndex()));
}
