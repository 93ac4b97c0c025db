#include "engine/library/mirrorplan.h"

#include "engine/library/coverart.h"
#include "engine/library/mirrornames.h"
#include "engine/pipeline/source.h"
#include "engine/platform/nativepath.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>

namespace library {

namespace {

QString joined(const QString& folder, const QString& name) {
    return folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
}

bool losslessExtension(const QString& extension) {
    static const QStringList lossless = {
        QStringLiteral("flac"), QStringLiteral("wav"),  QStringLiteral("wave"),
        QStringLiteral("aif"),  QStringLiteral("aiff"), QStringLiteral("aifc"),
        QStringLiteral("wv"),   QStringLiteral("ape"),  QStringLiteral("tta")};
    return lossless.contains(extension);
}

// A lossy file already in the run's format is copied, never coded a second time.
bool copiedAsItIs(const QString& extension, pipeline::OutputFormat format) {
    return (format == pipeline::OutputFormat::Mp3 && extension == QLatin1String("mp3")) ||
           (format == pipeline::OutputFormat::Opus && extension == QLatin1String("opus"));
}

// Which of two sources of one output is better: the lossless one, then the one copied as it
// is (it loses nothing more), then any lossy one.
int sourceRank(const QString& extension, pipeline::OutputFormat format) {
    if (losslessExtension(extension))
        return 3;
    return copiedAsItIs(extension, format) ? 2 : 1;
}

} // namespace

QString settingsText(pipeline::OutputFormat format, const pipeline::EncoderSettings& settings) {
    switch (format) {
    case pipeline::OutputFormat::Wav:
        return QStringLiteral("wav");
    case pipeline::OutputFormat::Mp3: {
        const modLAME::EncoderConfig& c = settings.mp3;
        return QStringLiteral("mp3 %1k q%2 mode%3 crc%4 copyright%5 original%6 private%7")
            .arg(c.bitrateKbps)
            .arg(c.qualityPreset)
            .arg(c.channelMode)
            .arg(c.crcFlag)
            .arg(c.copyrightFlag)
            .arg(c.originalFlag)
            .arg(c.privateFlag);
    }
    case pipeline::OutputFormat::Flac:
        return QStringLiteral("flac level%1").arg(settings.flacLevel);
    case pipeline::OutputFormat::Opus:
        return QStringLiteral("opus %1k").arg(settings.opusBitrateKbps);
    }
    return {};
}

QString copySettingsText() {
    return QStringLiteral("copy");
}

MirrorPlanner::MirrorPlanner(MirrorChoices choices, const MirrorRecord& record)
    : choices_(std::move(choices)), record_(record),
      settings_(settingsText(choices_.format, choices_.settings)) {}

QString MirrorPlanner::destinationFolderOf(const WalkedFolder& folder) const {
    return joined(choices_.destination, outputFolders_.value(folder.relative, folder.relative));
}

// The walk hands out a folder before the folders under it, so the folder above `relative`
// has its output already. A name taken by another source folder takes the next number.
QString MirrorPlanner::outputFolderOf(const QString& relative) {
    if (relative.isEmpty())
        return relative;
    if (const auto known = outputFolders_.constFind(relative); known != outputFolders_.cend())
        return *known;
    const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
    const QString above = slash < 0 ? QString() : outputFolderOf(relative.left(slash));
    const QString name = relative.mid(slash + 1);
    const QString wanted = choices_.portableNames ? mirrornames::portable(name) : name;
    QString output;
    for (int number = 1;; ++number) {
        QString fitted = mirrornames::fittedName(wanted, QString(), choices_.maxNameBytes, number);
        if (fitted.isEmpty())
            fitted = QStringLiteral("_ (%1)").arg(number);
        output = joined(above, fitted);
        const QString key = mirrornames::clashKey(output, choices_.portableNames);
        const auto owner = sourceFolders_.constFind(key);
        if (owner == sourceFolders_.cend()) {
            sourceFolders_.insert(key, relative);
            break;
        }
        if (*owner == relative)
            break;
    }
    outputFolders_.insert(relative, output);
    return output;
}

// The best source of each stem ("01 Song" of "01 Song.flac" and "01 Song.m4a": one song in
// several formats gives one output), in name order of the stems; the others are named in
// `out` as left out.
std::vector<const WalkedFile*>
MirrorPlanner::bestOfEachStem(const std::vector<const WalkedFile*>& audio,
                              const WalkedFolder& folder, FolderPlan& out) const {
    QHash<QString, const WalkedFile*> best;
    QStringList stems;
    for (const WalkedFile* file : audio) {
        const QString stem = mirrornames::stemOf(file->name);
        const auto at = best.find(stem);
        if (at == best.end()) {
            best.insert(stem, file);
            stems << stem;
            continue;
        }
        const WalkedFile* kept = at.value();
        const bool better = sourceRank(mirrornames::extensionOf(file->name), choices_.format) >
                            sourceRank(mirrornames::extensionOf(kept->name), choices_.format);
        const WalkedFile* loser = better ? kept : file;
        if (better)
            at.value() = file;
        out.skipped.push_back(
            {joined(folder.path, loser->name),
             QCoreApplication::translate(
                 "MirrorPlanner", "not converted: %1 gives the same output and is kept (the better "
                                  "source)")
                 .arg(joined(folder.relative, at.value()->name)),
             false});
    }
    stems.sort();
    std::vector<const WalkedFile*> ordered;
    for (const QString& stem : stems)
        ordered.push_back(best.value(stem));
    return ordered;
}

// Claims the output `stem`.`extension` in `outFolder` for `source`: a name another source of
// the folder has (the same in another case, or after the portable changes) takes the next
// number; one a source of another folder has leaves this source out. Returns the output's
// path from the destination; empty when none (said in `out`).
QString MirrorPlanner::claim(const QString& outFolder, const QString& stem,
                             const QString& extension, const QString& source,
                             QSet<QString>& claimedHere, const QSet<QString>& claimedBefore,
                             FolderPlan& out) {
    for (int number = 1; number < 1000; ++number) {
        const QString name =
            mirrornames::fittedName(stem, extension, choices_.maxNameBytes, number);
        if (name.isEmpty()) {
            out.skipped.push_back(
                {source,
                 QCoreApplication::translate("MirrorPlanner",
                                             "its output's name cannot be made within %1 bytes")
                     .arg(choices_.maxNameBytes),
                 true});
            return {};
        }
        const QString key = joined(outFolder, name);
        const QString clash = mirrornames::clashKey(name, choices_.portableNames);
        if (claimedHere.contains(clash))
            continue;
        if (claimedBefore.contains(clash)) {
            out.skipped.push_back(
                {source,
                 QCoreApplication::translate("MirrorPlanner",
                                             "not converted: a file of another source folder "
                                             "gives the same output, %1")
                     .arg(key),
                 false});
            return {};
        }
        claimedHere.insert(clash);
        record_.claim(key); // it is no orphan
        return key;
    }
    return {};
}

// `task` (its kind, settings and output named) for `file`: up to date, in the way of a file
// this program did not make, or to be made.
void MirrorPlanner::settle(const WalkedFolder& folder, const WalkedFile& file, MirrorTask task,
                           FolderPlan& out) const {
    task.source = joined(folder.path, file.name);
    task.label = joined(folder.relative, file.name);
    task.output = joined(choices_.destination, task.outputKey);
    task.sourceSize = file.size;
    task.sourceModifiedNs = file.modifiedNs;
    const std::optional<RecordEntry> made = record_.find(task.outputKey);
    const bool there = nativepath::exists(task.output);
    if (made && there && made->source == task.source && made->sourceSize == file.size &&
        made->sourceModifiedNs == file.modifiedNs && made->settings == task.settings &&
        made->kind == task.recordKind && made->coverSize == task.coverSize &&
        made->coverModifiedNs == task.coverModifiedNs) {
        out.upToDate << task.output;
        return;
    }
    if (there && !made) {
        out.skipped.push_back({task.source,
                               QCoreApplication::translate(
                                   "MirrorPlanner", "%1 is in the way: a file this program did not "
                                                    "make there is left as it is")
                                   .arg(task.output),
                               true});
        return;
    }
    task.replaces = there;
    out.tasks.push_back(std::move(task));
}

FolderPlan MirrorPlanner::plan(const WalkedFolder& folder) {
    FolderPlan out;
    std::vector<const WalkedFile*> audio;
    std::vector<const WalkedFile*> covers;
    const WalkedFile* cover = nullptr; // the one embedded
    for (const WalkedFile& file : folder.files) {
        if (const int rank = coverRank(file.name)) {
            covers.push_back(&file);
            if (!cover || rank < coverRank(cover->name))
                cover = &file;
        } else if (pipeline::hasAudioExtension(file.name)) {
            audio.push_back(&file);
        }
    }
    if (audio.empty())
        return out; // not an album folder: its images stay where they are

    const QString outFolder = outputFolderOf(folder.relative);
    const QString coverPath = cover ? joined(folder.path, cover->name) : QString();
    // What other source folders claimed in the same destination folder (several roots, or
    // names that become equal): their names lose, these keep theirs.
    const QString folderKey = mirrornames::clashKey(outFolder, choices_.portableNames);
    QSet<QString> claimedBefore;
    if (const auto before = claimed_.constFind(folderKey); before != claimed_.cend())
        for (const QStringView name :
             QStringView(*before).split(QLatin1Char('/'), Qt::SkipEmptyParts))
            claimedBefore.insert(name.toString());
    QSet<QString> claimedHere;
    for (const WalkedFile* file : bestOfEachStem(audio, folder, out)) {
        MirrorTask task;
        if (copiedAsItIs(mirrornames::extensionOf(file->name), choices_.format)) {
            task.kind = MirrorTask::Kind::Copy;
            task.recordKind = RecordEntry::Kind::Copied;
            task.settings = copySettingsText();
        } else {
            task.settings = settings_; // one text shared by every task and record entry
            task.cover = coverPath;
            if (cover) {
                task.coverSize = cover->size;
                task.coverModifiedNs = cover->modifiedNs;
            }
        }
        const QString stem = mirrornames::stemOf(file->name);
        task.outputKey =
            claim(outFolder, choices_.portableNames ? mirrornames::portable(stem) : stem,
                  pipeline::extensionOf(choices_.format), joined(folder.path, file->name),
                  claimedHere, claimedBefore, out);
        if (!task.outputKey.isEmpty())
            settle(folder, *file, std::move(task), out);
    }
    for (const WalkedFile* image : covers) {
        MirrorTask task;
        task.kind = MirrorTask::Kind::Copy;
        task.recordKind = RecordEntry::Kind::Cover;
        task.settings = copySettingsText();
        const QString name =
            choices_.portableNames ? mirrornames::portable(image->name) : image->name;
        const QString stem = mirrornames::stemOf(name);
        task.outputKey = claim(outFolder, stem, name.mid(stem.size() + 1),
                               joined(folder.path, image->name), claimedHere, claimedBefore, out);
        if (!task.outputKey.isEmpty())
            settle(folder, *image, std::move(task), out);
    }
    if (!claimedHere.isEmpty()) {
        QString& names = claimed_[folderKey];
        for (const QString& name : std::as_const(claimedHere))
            names += name + QLatin1Char('/');
        names.squeeze();
    }
    return out;
}

std::vector<QString> MirrorPlanner::unclaimedOutputs() const {
    return record_.unclaimed();
}

} // namespace library
