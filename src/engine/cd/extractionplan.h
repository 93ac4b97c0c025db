#pragma once

#include "engine/cd/cdextract.h"
#include "engine/cd/disc.h"
#include "engine/cd/discinfo.h"
#include "engine/cd/readmode.h"
#include "engine/cd/readoffset.h"
#include "engine/cd/riplog.h"
#include "engine/core/batchrunner.h"
#include "engine/cover/frontcover.h"
#include "engine/encode/modlame.h"
#include "engine/pipeline/encoder.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

// How the tracks of an extraction are written.
struct ExtractionChoices {
    QString destination; // the folder the tracks go to ("" is the root folder's prefix)
    bool mp3 = false;
    modLAME::EncoderConfig config = modLAME::makeConfig(160, 0); // for MP3 output
    // Every format each track is written in, from one read of it, each to its own file: the
    // first is the one "Extract to" names, the others are written beside it. Empty: WAV, or
    // MP3 when `mp3` is set.
    std::vector<pipeline::OutputFormat> formats;
    // The FLAC level and the Opus bitrate (the MP3's choices are `config`).
    pipeline::EncoderSettings formatSettings;
    QString formatText;     // the output format as the rip log states it (formatTextOf...)
    bool testFirst = false; // read each track once for its checksums, then copy it
    DiscInfo disc;          // what the disc is known as (may be empty)
    // Name each track whose title `disc` gives "NN - Title.ext" (trackFileName); the others
    // keep their drawn names.
    bool nameFromDisc = false;
    // With `nameFromDisc`: the names (and folders below the destination) of the tracks whose
    // title `disc` gives, as a file-name template (nametemplate::Template) writes them; empty
    // or not a template: "NN - Title.ext". Names that come out the same get " (2)", " (3)"...
    // after their stem. `portableNames`: names valid on FAT, exFAT and NTFS.
    QString nameTemplate;
    bool portableNames = false;
    // The read offset to correct; none: the one stored for the drive's model, else 0
    // (readoffset::forDrive).
    std::optional<readoffset::Offset> offset;
    // A track stopped part way keeps its file (what was read, properly ended, at its name);
    // else the file is removed and the log says none was kept.
    bool keepStopped = true;
    // The disc's front cover: every output but a WAV embeds it, and `saveCover` writes it
    // beside the files (cover::saveBeside). None: no picture; `coverNote` then says why, for the
    // log (empty: none was asked for).
    std::optional<cover::FrontCover> cover;
    QString coverNote;
    bool saveCover = false;
    // How the disc is read (see ExtractRequest::readMode); Paranoid tests every track first.
    readmode::Mode readMode = readmode::Mode::Secure;
    int minimumConfidence = readmode::defaultMinimumConfidence;
    int retryLimit = readmode::defaultRetryLimit;
    // Fast: the AccurateRip server asked (the setting's text).
    QString databaseServer;
};

// The longest text of what a disc is known as (CD-Text, the web service's answers) that a rip
// takes into its names, tags, log and cue sheet, in UTF-16 units; a longer one is cut there
// (by whole characters) and ends with "…".
inline constexpr qsizetype maxDiscTextLength = 1024;

// The ID3v2 tag of track `track` as `disc` knows it: its title, its artist (else the album's),
// the album's artist (whatever the track's own), album, date, the MusicBrainz identifiers,
// and "track/trackTotal" (no total when 0).
id3tag::TagFields trackTags(const DiscInfo& disc, int track, int trackTotal);

// The rip log's words for the output format: "WAV, 44,100 Hz, 16-bit, stereo", and
// "MP3, 160 kbit/s, quality Normal" (the bitrate and quality as the lists show them).
QString wavFormatText();
QString mp3FormatText(const QString& bitrate, const QString& quality);
// "FLAC, level 5" and "Opus, 128 kbit/s".
QString flacFormatText(int level);
QString opusFormatText(int bitrateKbps);

// The work of an extraction batch over tracks of `disc`, read through the drive open now
// (modAKRip32's current handle). Item k is track tracks[k] of the disc's table of contents: its
// request holds the track's range (where its audio starts and ends) and its place among the
// disc's audio tracks (AccurateRip's first and last). A track that cannot be extracted is
// refused (its job fails with the reason and writes nothing): a data track, one the disc does
// not have, one an image's data file does not hold, any track of a disc without a table of
// contents (an empty drive, or another disc than the one listed: stillInDrive). Its output is a
// name drawn from the disc's identity in the choices' destination (drawTrackPath), none the
// same as another item's. An MP3 item's request carries its tag: the track's title, its artist
// (else the album's), the album's artist, album, date, identifiers from the choices' disc, and
// its number with the disc's last audio track as the total. Every request corrects the same read
// offset (the choices', else the drive's), which the log states with its source. The disc's texts
// are taken within maxDiscTextLength.
//
// GUI thread; the jobs it makes share its requests and outcomes with their workers.
class ExtractionPlan {
  public:
    ExtractionPlan(const QList<int>& tracks, const Disc& disc, const ExtractionChoices& choices);

    const QList<WorkItem>& items() const { return items_; }
    int track(int index) const { return tracks_.value(index); }
    // Makes the batch's jobs: CdExtractJob over the plan's requests.
    BatchRunner::JobMaker jobMaker() const;
    // Once the batch has ended (however it ended), before anything names its files: each MP3
    // that ended properly gets the album's ReplayGain over the completed tracks (with its own)
    // in its tag when some track completed, is synced and takes its name; the tag of a track
    // finished with unreadable sectors (MP3, FLAC, Opus) says so in its comment, with the
    // suspicious positions (a WAV has no tag: the log alone says it). Returns the
    // failures, each naming its file (a file that could not be put in place is removed).
    std::vector<VortanError> finishOutputs(const QList<JobResult>& results);
    // The file item `index` left under its final name; empty when it left none (failed,
    // refused, not started) or before finishOutputs for an MP3.
    QString outputOf(int index) const;
    // Every file item `index` left under its final name, the main format's first; empty as
    // outputOf() is.
    QStringList outputsOf(int index) const;
    // The rip log once the batch has ended and finishOutputs has run: every track asked for,
    // in order, with what was read of it (a track the batch did not reach says so). The log
    // gives each track's ReplayGain, the album's, and what the disc is known as.
    riplog::Log log(const QList<WorkItem>& items, const QList<JobResult>& results) const;
    // The formats each track is written in, the main one first (the choices' formats, else
    // WAV or MP3).
    const std::vector<pipeline::OutputFormat>& outputFormats() const { return formats_; }
    // `log` (made by log()) as the cue sheet of format `k` of outputFormats() sees it: each
    // track with that format's file.
    riplog::Log logOfFormat(const riplog::Log& log, std::size_t k) const;
    // The front cover the outputs embed, and whether it is to be written beside them.
    const std::optional<cover::FrontCover>& cover() const { return cover_; }
    bool savesCover() const { return saveCover_ && cover_.has_value(); }
    // The database's record of the disc as a fast rip's question brought it (empty when the
    // database does not hold the disc); none when the plan asked nothing, the answer has not
    // come, or the database could not be asked (asking again may then succeed).
    std::optional<accuraterip::Record> databaseRecord() const;

  private:
    // finishOutputs() of item `at`, written in several formats: each output that ended
    // properly takes `album` (when it has a value) in its tags, and its name.
    void finishFormats(std::size_t at, const std::optional<ReplayGain>& album,
                       std::vector<VortanError>& failures);
    // The ReplayGain of the completed tracks together.
    std::optional<ReplayGain> albumGain(const QList<JobResult>& results) const;

    QList<int> tracks_;
    std::vector<pipeline::OutputFormat> formats_;
    QList<WorkItem> items_;
    std::shared_ptr<std::vector<ExtractRequest>> requests_;
    std::shared_ptr<std::vector<ExtractOutcome>> outcomes_;
    riplog::Log log_; // begun when the plan is made: its time and table of contents
    std::optional<cover::FrontCover> cover_;
    bool saveCover_ = false;
    std::shared_ptr<readmode::RecordSource> database_; // a fast rip's question
};
