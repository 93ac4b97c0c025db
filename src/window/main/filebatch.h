#pragma once
// What the main window's file commands share (WAV encoding, audio conversion): a batch over
// the files of a list or over one file, with the window's captions, progress, disk-space
// guard, stop and abort, and each output listed in the tree once it is written. GUI thread.
#include "engine/service/conversionservice.h"

#include <QString>
#include <QStringList>

class Form1;

namespace filebatch {

// One kind of file command.
struct Kind {
    ConversionKind conversion = ConversionKind::WavToMp3;
    QString action; // the captions' word: "Encoding", "Converting"
    QString verb;   // the end message's: "encoded", "converted"
    // A source WAV goes once its MP3 is complete when the batch's delete rule says so.
    bool deletesSources = false;
};

// Which outputs of the batch enter the tree.
enum class Listing {
    Any,
    OnlyWorthwhile // MP3s of more than 1,000 bytes (an ID3v2 tag in front not counted)
};

// The batch of `sources` as the window's choices are now; each output named in the
// destination (a numbered name where the wanted one is taken is chosen when it starts).
ConversionBatch work(const Form1& window, ConversionKind kind, const QStringList& sources);

// Every file of `sources`: one after the other, or several at once ("Files at once").
void runList(Form1& window, const Kind& kind, const QStringList& sources, Listing listing);
// The one file `path` whose node is selected.
void runOne(Form1& window, const Kind& kind, const QString& path);

} // namespace filebatch
