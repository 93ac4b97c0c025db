// The decoding batch: every MP3 of a group, or the one MP3 whose node is selected, decoded
// to WAV in the destination folder one after the other, each WAV then listed in the tree.
#include "decode/cmddecoder.h"

#include "app/form1.h"
#include "app/jobstate.h"
#include "app/paths.h"
#include "app/settings.h"
#include "app/sourcetree.h"
#include "decode/decoding.h"
#include "decode/form6.h"
#include "platform/dialogs.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <memory>

namespace {

// The batch's reference to the decoder window of the current file.
std::unique_ptr<Form6> windowReference;

// Lets events run until the decoder window has unloaded. A set flag with no loaded window
// to clear it ends the wait at once instead of blocking for good.
void waitWhileDecoding() {
    while (DecodingActive) {
        Form6* window = windowReference.get();
        if (!window || !window->isLoaded()) {
            DecodingActive = false;
            break;
        }
        QEventLoop loop;
        QObject::connect(window, &Form6::unloaded, &loop, &QEventLoop::quit);
        loop.exec();
        if (window == windowReference.get() && window->isLoaded()) {
            // The loop was ended from outside (the application is quitting), and no local
            // loop runs again until it has: the window's timers would never end this file.
            // Stop it here, and start no further file.
            StopRequested = true;
            window->Unload();
        }
    }
}

// Batch steps 3 to 5 for CurrentFile: start, wait, list the WAV.
void decodeCurrentFile(Form1& form, const QString& outputForTree) {
    DecodingActive = true;
    form.Disablem();
    StartDecoding(form, CurrentFile);
    waitWhileDecoding();
    dropDecoderWindow();
    DecodeOutputFile = outputForTree;
    form.tree().Cmaddfile2(DecodeOutputFile);
}

enum class Group { Available, Selected };

void decodeList(Form1& form, const MirrorList& list, Group group) {
    const int count = list.count();
    for (int i = 0; i < count; ++i) {
        if (StopRequested)
            break;
        // Paths keep their exact case: on this file system another case names another file.
        CurrentFile = list.at(i);
        const QString name = BaseName(CurrentFile);
        const QString caption = QStringLiteral("Decoding ") + name + QStringLiteral(".mp3");
        const QString progress = QStringLiteral("Decoding #") + QString::number(i + 1) +
                                 QStringLiteral(" of ") + QString::number(list.count()) +
                                 QStringLiteral(" files");
        const QString destination = QStringLiteral("Destination:  ") + DecodePath +
                                    QLatin1Char('/') + name + QStringLiteral(".wav");
        if (group == Group::Available) {
            form.setWindowTitle(caption);
            form.Label3->setText(progress);
            form.Label2->setText(destination);
            QCoreApplication::processEvents();
        } else {
            form.Label3->setText(progress);
            form.Label2->setText(destination);
            form.setWindowTitle(caption);
        }
        decodeCurrentFile(form, decodedWavPath(CurrentFile));
    }
    if (group == Group::Selected) {
        dropDecoderWindow();
        const QFileInfo produced(DecodeOutputFile);
        if (!DecodeOutputFile.isEmpty() && produced.isFile())
            form.lblStatus->setText(QString::number(produced.size()) + QStringLiteral(" bytes"));
    }
}

// The full path of the MP3 a node shows: the first entry of List2, then of List4, whose
// file name is the node's. An entry with exactly that name wins over one that differs only
// in letter case (a short-name node shows the extension in lower case whatever the file's).
QString lookUpNodePath(SourceTree& tree, const QString& nodeText) {
    const QString fileName = nodeText.mid(nodeText.lastIndexOf(QLatin1Char('/')) + 1);
    for (Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive})
        for (const MirrorList* list : {&tree.List2, &tree.List4})
            for (const QString& entry : *list)
                if (entry.mid(entry.lastIndexOf(QLatin1Char('/')) + 1).compare(fileName, cs) == 0)
                    return entry;
    // A full-path node of a file in neither list still names its file.
    if (nodeText.startsWith(QLatin1Char('/')) && QFileInfo(nodeText).isFile())
        return nodeText;
    return {};
}

void decodeNode(Form1& form, const QString& nodeText) {
    const QString path = lookUpNodePath(form.tree(), nodeText);
    if (!path.isEmpty()) {
        CurrentFile = path;
        const QString output =
            DecodePath + QLatin1Char('/') + BaseName(nodeText) + QStringLiteral(".wav");
        form.Label3->setText(QStringLiteral("Decoding  ") + nodeText);
        form.Label2->setText(QStringLiteral("Destination:  ") + output);
        form.setWindowTitle(QStringLiteral("Decoding ") + BaseName(CurrentFile) +
                            QStringLiteral(".mp3"));
        decodeCurrentFile(form, output);
    }
}

} // namespace

Form6* decoderWindow() {
    return windowReference.get();
}

void dropDecoderWindow() {
    windowReference.reset();
}

void StartDecoding(Form1& form, const QString& path) {
    if (!QFileInfo(path).isFile()) {
        DecodingActive = false; // nothing would ever unload a window for it
        return;
    }
    form.Command2->setVisible(true);
    DecodingActive = true;
    windowReference = std::make_unique<Form6>();
    Form6* window = windowReference.get();
    QObject::connect(&form, &Form1::decoderWindowUnloadRequested, window, &Form6::Unload);
    QObject::connect(window, &Form6::progressChanged, &form,
                     [&form](const QString& caption, int value) {
                         form.Label33->setText(caption);
                         form.ProgressBar1->setValue(value);
                     });
    window->Form_Load();
}

void Form1::CmdDecoder_Click() {
    SourceTree& sources = tree();
    const QString nodeText = sources.text(sources.selectedNode());
    if (nodeText == SourceTree::Mp3Text) {
        if (sources.List2.isEmpty()) {
            dialogs::msgBox(QStringLiteral("No files in list."), dialogs::Buttons::Ok,
                            dialogs::Icon::Information);
            return;
        }
        decodeList(*this, sources.List2, Group::Available);
    } else if (nodeText == SourceTree::SelectedMp3Text) {
        if (sources.List4.isEmpty()) {
            dialogs::msgBox(QStringLiteral("No files selected"), dialogs::Buttons::Ok,
                            dialogs::Icon::Information);
            return;
        }
        decodeList(*this, sources.List4, Group::Selected);
    } else if (nodeText.endsWith(QLatin1String(".mp3"))) {
        decodeNode(*this, nodeText);
    } else {
        StopRequested = true;
        return;
    }
    Timer1->start();
    StopRequested = true;
}
