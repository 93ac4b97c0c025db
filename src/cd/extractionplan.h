#pragma once

#include "app/batchrunner.h"
#include "cd/cdextract.h"
#include "cd/discinfo.h"
#include "cd/riplog.h"
#include "encode/modlame.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

// How the tracks of an extraction are written.
struct ExtractionChoices {
    bool mp3 = false;
    modLAME::EncoderConfig config = modLAME::makeConfig(160, 0); // for MP3 output
    QString formatText;     // the output format as the rip log states it (formatTextOf...)
    bool testFirst = false; // read each track once for its checksums, then copy it
    DiscInfo disc;          // what the disc is known as (may be empty)
    // Name each track whose title `disc` gives "NN - Title.ext" (trackFileName); the others
    // keep their drawn names.
    bool nameFromDisc = false;
};

// The rip log's words for the output format: "WAV, 44,100 Hz, 16-bit, stereo", and
// "MP3, 160 kbit/s, quality Normal" (the bitrate and quality as the lists show them).
QString wavFormatText();
QString mp3FormatText(const QString& bitrate, const QString& quality);

// The work of an extraction batch over tracks of the drive open now (modAKRip32), and its
// rip log. Item k is track tracks[k]: its request holds the track's range from the drive's
// table of contents (a track it gives no range for is refused: its job fails with the reason
// and writes nothing) and its place on the disc; its output is a name drawn from the disc's
// identity in DecodePath (drawTrackPath), none the same as another item's (the batch's
// OutputNames still numbers a name taken meanwhile). An MP3 item's request carries its tag:
// the track's title, its artist (else the album's), album, date, identifiers from the
// choices' disc, and its number with the disc's last track number as the total.
//
// GUI thread; the jobs it makes share its requests and outcomes with their workers.
class ExtractionPlan {
  public:
    ExtractionPlan(const QList<int>& tracks, const QString& discIdentity,
                   const ExtractionChoices& choices);

    const QList<WorkItem>& items() const { return items_; }
    int track(int index) const { return tracks_.value(index); }
    // Makes the batch's jobs: CdExtractJob over the plan's requests.
    BatchRunner::JobMaker jobMaker() const;
    // The rip log once the batch has ended (its items, with the names claimed, and their
    // results): every track the batch reached, in order; an aborted batch ends with its track.
    // The log gives each track's ReplayGain, the album's, and what the disc is known as.
    riplog::Log log(const QList<WorkItem>& items, const QList<JobResult>& results) const;
    // Once the batch has ended: the album's ReplayGain over the completed tracks, written
    // with the track's own into the tag of each completed MP3 (a WAV rip has it in its log
    // only). Returns the failures, each naming its file; none when the whole is silent.
    std::vector<VortanError> writeAlbumGain(const QList<WorkItem>& items,
                                            const QList<JobResult>& results) const;

  private:
    // The ReplayGain of the completed tracks together.
    std::optional<ReplayGain> albumGain(const QList<JobResult>& results) const;

    QList<int> tracks_;
    QList<WorkItem> items_;
    std::shared_ptr<std::vector<ExtractRequest>> requests_;
    std::shared_ptr<std::vector<ExtractOutcome>> outcomes_;
    riplog::Log log_; // begun when the plan is made: its time and table of contents
};
