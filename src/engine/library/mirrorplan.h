#pragma once

#include "engine/library/folderwalk.h"
#include "engine/library/mirrorrecord.h"
#include "engine/pipeline/audioformat.h"
#include "engine/pipeline/encoder.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// What a mirror does with each file of a source folder: convert it, copy it, or leave the
// output it made before. Runs on the thread of the walk.
namespace library {

// The choices of one mirror run, taken as values when it starts.
struct MirrorChoices {
    QString destination; // absolute, existing; "" stands for "/"
    pipeline::OutputFormat format = pipeline::OutputFormat::Mp3;
    pipeline::EncoderSettings settings;
    bool portableNames = false; // names valid on FAT, exFAT and NTFS (see mirrornames)
    int maxNameBytes = 255;     // the destination's longest file name
};

// The text that stands for `format` with `settings` in the record: equal texts make equal
// outputs, so a change of any choice that shapes the output changes it.
QString settingsText(pipeline::OutputFormat format, const pipeline::EncoderSettings& settings);
// The record's settings text of a file copied as it is.
QString copySettingsText();

// One output to make.
struct MirrorTask {
    enum class Kind {
        Convert, // decoded and encoded in the run's format
        Copy,    // a lossy file already in that format (never coded twice), or a cover image
    };
    Kind kind = Kind::Convert;
    RecordEntry::Kind recordKind = RecordEntry::Kind::Converted;
    QString source;    // absolute
    QString label;     // the source from its root, as the user knows it
    QString output;    // absolute
    QString outputKey; // from the destination: the record's name for it
    std::int64_t sourceSize = 0;
    std::int64_t sourceModifiedNs = 0;
    QString settings;            // the record's settings text
    QString cover;               // the folder's cover image to embed when the source has no picture
    std::int64_t coverSize = -1; // its size (-1: none) and modification time, as planned
    std::int64_t coverModifiedNs = 0;
    bool replaces = false; // an older output of this program is at `output`; it goes first
};

// A source the run leaves out, and why (a clash lost, a name that cannot be made, a file
// in the way).
struct MirrorSkip {
    QString source;
    QString reason;
    bool failed = false; // a failure of the run (counted and named), not a choice
};

struct FolderPlan {
    std::vector<MirrorTask> tasks;
    QStringList upToDate; // the outputs already made from the same source and settings
    std::vector<MirrorSkip> skipped;
};

// Plans each folder of a walk against the record. Claims each output name for the run, so
// that two sources never give one output, and remembers which of the record's outputs were
// claimed (the rest are orphans).
class MirrorPlanner {
  public:
    MirrorPlanner(MirrorChoices choices, const MirrorRecord& record);

    FolderPlan plan(const WalkedFolder& folder);

    // The record's outputs that no source of this run claimed, in name order; asked before
    // the run makes anything (an output the record learns of after it was claimed counts as
    // unclaimed). The claims are kept in the record: every planner of one run claims alike.
    std::vector<QString> unclaimedOutputs() const;
    // The destination folder (absolute) a source folder's outputs go to; asked after plan()
    // of that folder.
    QString destinationFolderOf(const WalkedFolder& folder) const;

  private:
    std::vector<const WalkedFile*> bestOfEachStem(const std::vector<const WalkedFile*>& audio,
                                                  const WalkedFolder& folder,
                                                  FolderPlan& out) const;
    QString claim(const QString& outFolder, const QString& stem, const QString& extension,
                  const QString& source, QSet<QString>& claimedHere,
                  const QSet<QString>& claimedBefore, FolderPlan& out);
    void settle(const WalkedFolder& folder, const WalkedFile& file, MirrorTask task,
                FolderPlan& out) const;
    QString outputFolderOf(const QString& relative);

    MirrorChoices choices_;
    const MirrorRecord& record_;
    QString settings_; // settingsText() of the choices
    // The outputs claimed by this run, by the clash key of their destination folder: the clash
    // keys of their names, each ended by '/' (a name has none). Held as one text a folder, for
    // a library's worth of names.
    QHash<QString, QString> claimed_;
    // The output folder (from the destination) each source folder (from its root) was given,
    // and the other way round by the output's clash key: two source folders whose names
    // become one (portable names) get numbered outputs, in the order of the walk; one name
    // under several roots is one output folder.
    QHash<QString, QString> outputFolders_;
    QHash<QString, QString> sourceFolders_;
};

} // namespace library
