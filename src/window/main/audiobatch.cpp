// The main window's audio conversion command: the audio files (neither WAV nor MP3) of a
// group, or the one whose node is selected, converted to the format Preferences names.
#include "engine/core/sourcetree.h"
#include "window/main/filebatch.h"
#include "window/main/form1.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

// The sources are the user's own files: a conversion never deletes them.
filebatch::Kind audioConversion() {
    return {ConversionKind::AudioConvert, QCoreApplication::translate("Form1", "Converting"),
            QCoreApplication::translate("Form1", "converted"), false};
}

} // namespace

void Form1::cmdConvertAudio_Click() {
    const SourceTree::NodeId node = tree().selectedNode();
    const SourceTree::Group group = tree().groupOf(node);
    if (group == SourceTree::Group::Audio) {
        filebatch::runList(*this, audioConversion(), tree().audioFiles.items(),
                           filebatch::Listing::Any);
    } else if (group == SourceTree::Group::SelectedAudio) {
        filebatch::runList(*this, audioConversion(), tree().selectedAudioFiles.items(),
                           filebatch::Listing::Any);
    } else if (tree().NodeKind(node) == 3 &&
               tree().startJobFor(node) == SourceTree::StartJob::Convert) {
        // A node found in neither audio list names no file the program knows: nothing runs.
        if (const auto path = tree().filePathOf(node))
            filebatch::runOne(*this, audioConversion(), *path);
        else
            Timer1->start();
    }
}
