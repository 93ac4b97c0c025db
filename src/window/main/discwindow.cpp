// The main window's disc information: the listed disc's CD-Text and MusicBrainz disc ID, the
// look-up of the releases that hold it, the "Disc Information" dialog, and the tracks' tool
// tips in the tree.
#include "engine/cd/disclookup.h"
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "engine/cover/coverarchive.h"
#include "engine/platform/akrip/cddrives.h"
#include "engine/platform/dialogs.h"
#include "window/main/form1.h"
#include "window/main/readoffsetfinder.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>

#include <algorithm>

namespace {

QString lookUpTitle() {
    return QCoreApplication::translate("Form1", "Look Up Disc Information");
}
QString dialogTitle() {
    return QCoreApplication::translate("Form1", "Disc Information");
}

void sayNoDisc(const QString& title) {
    dialogs::msgBox(QCoreApplication::translate(
                        "Form1", "There is no music disc to look at. Insert a music CD or "
                                 "open a disc image, and its tracks are listed."),
                    dialogs::Buttons::Ok, dialogs::Icon::Exclamation, title);
}

// A date as DiscInfo holds it: YYYY, YYYY-MM or YYYY-MM-DD.
bool isDiscDate(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^\\d{4}(-(0[1-9]|1[0-2])(-(0[1-9]|[12]\\d|3[01]))?)?$"));
    return pattern.match(text).hasMatch();
}

// The front cover "Disc Information..." shows, as its buttons change it.
class CoverChoice {
  public:
    explicit CoverChoice(Form1::DiscCover shown) : cover_(std::move(shown)) {}

    dialogs::FormPicture picture() const {
        dialogs::FormPicture picture;
        picture.label = Form1::tr("Front cover");
        if (cover_.picture) {
            picture.image = cover_.picture->preview;
            picture.caption =
                QStringLiteral("%1\n%2").arg(cover_.picture->source, cover_.picture->sizeText());
        } else {
            picture.caption = cover_.note.isEmpty()
                                  ? Form1::tr("No front cover.")
                                  : Form1::tr("No front cover: %1").arg(cover_.note);
        }
        return picture;
    }

    // Removes the picture, or asks for a file (through the dialogs seam) and takes its picture;
    // a file that is none is said and changes nothing.
    dialogs::FormPicture change(dialogs::PictureAction action) {
        if (action == dialogs::PictureAction::Remove) {
            cover_ = Form1::DiscCover{std::nullopt, Form1::tr("removed in Disc Information"), true};
            changed_ = true;
            return picture();
        }
        dialogs::FileRequest request;
        request.title = Form1::tr("Choose Cover Image");
        // A picture of the user's own: its folder; one from the web: none.
        if (cover_.picture && QFileInfo(cover_.picture->source).isAbsolute())
            request.folder = QFileInfo(cover_.picture->source).absolutePath();
        request.filter = Form1::tr("Images (*.jpg *.jpeg *.png);;All Files (*)");
        const QStringList chosen = dialogs::handler().openFiles(request);
        if (chosen.isEmpty())
            return picture();
        const auto read = cover::fromFile(chosen.front());
        if (!read) {
            dialogs::msgBox(Form1::tr("This picture cannot be the front cover.\n\n%1")
                                .arg(read.error().description()),
                            dialogs::Buttons::Ok, dialogs::Icon::Exclamation, dialogTitle());
            return picture();
        }
        cover_ = Form1::DiscCover{read.value(), {}, true};
        changed_ = true;
        return picture();
    }

    bool changed() const { return changed_; }
    const Form1::DiscCover& cover() const { return cover_; }

  private:
    Form1::DiscCover cover_;
    bool changed_ = false;
};

} // namespace

void Form1::connectDiscInformation() {
    lookup_ = new musicbrainz::DiscLookup(this);
    coverFetch_ = new coverarchive::CoverFetch(this);
    connect(mnuLookUp, &QAction::triggered, this, &Form1::mnuLookUp_Click);
    connect(mnuLookUp2, &QAction::triggered, this, &Form1::mnuLookUp_Click);
    connect(mnuDiscInfo, &QAction::triggered, this, &Form1::mnuDiscInfo_Click);
    connect(mnuFindOffset, &QAction::triggered, this, &Form1::mnuFindOffset_Click);
    // A track's entry keeps its text; its tool tip is the title the disc information gives.
    tree_->toolTipProvider = [this](SourceTree::NodeId node) {
        const int number = tree_->trackOf(node);
        if (number == MirrorList::noTrack)
            return QString();
        const auto known = discInfos_.find(listedDisc_.key);
        if (listedDisc_.key.isEmpty() || known == discInfos_.end())
            return QString();
        const TrackInfo* track = known->second.track(number);
        return track ? track->title : QString();
    };
}

void Form1::forgetListedDisc() {
    listedDisc_ = ListedDisc{};
    lblDiscId->clear();
}

void Form1::noteListedDisc(const Disc& read) {
    ListedDisc disc;
    static_cast<Disc&>(disc) = read;
    disc.key = disc.infoKey();
    if (disc.key.isEmpty())
        return;
    discInfos_.try_emplace(disc.key, disc.known.cdText); // what was looked up or edited stays
    lblDiscId->setText(disc.known.musicBrainz.id);
    listedDisc_ = std::move(disc);
}

DiscInfo Form1::discInfo() const {
    const auto known = discInfos_.find(listedDisc_.key);
    if (listedDisc_.key.isEmpty() || known == discInfos_.end())
        return {};
    DiscInfo info = known->second;
    info.discId = listedDisc_.known.musicBrainz.id;
    return info;
}

void Form1::mnuLookUp_Click() {
    if (lookingUp_)
        return;
    if (listedDisc_.key.isEmpty()) {
        sayNoDisc(lookUpTitle());
        return;
    }
    if (listedDisc_.known.musicBrainz.id.isEmpty()) {
        dialogs::msgBox(tr("The disc's MusicBrainz disc ID could not be computed, "
                           "so it cannot be looked up.\n\n%1")
                            .arg(listedDisc_.known.discIdError),
                        dialogs::Buttons::Ok, dialogs::Icon::Exclamation, lookUpTitle());
        return;
    }
    musicbrainz::LookupRequest request;
    request.disc = listedDisc_.known.musicBrainz;
    request.server = MusicBrainzServer;
    // The answer belongs to the disc asked about, whatever is listed when it comes.
    const QString key = listedDisc_.key;
    const DiscInfo cdText = listedDisc_.known.cdText;
    const QString discId = listedDisc_.known.musicBrainz.id;
    lookingUp_ = true;
    mnuLookUp->setEnabled(false);
    mnuLookUp2->setEnabled(false);
    lblStatus->setText(tr("Looking up the disc at MusicBrainz..."));
    lookup_->start(
        request, [this, key, cdText, discId](const musicbrainz::DiscLookup::Result& result) {
            lookingUp_ = false;
            mnuLookUp->setEnabled(true);
            mnuLookUp2->setEnabled(true);
            lblStatus->clear();
            if (!result) {
                dialogs::msgBox(tr("The disc information could not be looked up, and "
                                   "nothing was changed.\n\n%1")
                                    .arg(result.error().description()),
                                dialogs::Buttons::Ok, dialogs::Icon::Exclamation, lookUpTitle());
                return;
            }
            const std::vector<musicbrainz::ReleaseMatch>& releases = result.value();
            if (releases.empty()) {
                dialogs::msgBox(tr("MusicBrainz does not know this disc (disc ID %1).").arg(discId),
                                dialogs::Buttons::Ok, dialogs::Icon::Information, lookUpTitle());
                return;
            }
            std::size_t chosen = 0;
            if (releases.size() > 1) {
                // The release chosen for this disc before is offered first; Escape changes
                // nothing.
                dialogs::RowChoice choice;
                choice.title = lookUpTitle();
                choice.columns = musicbrainz::releaseColumnTitles();
                const QString remembered = settings::chosenRelease(discId);
                for (std::size_t i = 0; i < releases.size(); ++i) {
                    choice.rows << musicbrainz::releaseColumns(releases[i]);
                    if (!remembered.isEmpty() && releases[i].disc.releaseId == remembered)
                        choice.preselected = static_cast<int>(i);
                }
                choice.prompt = tr("MusicBrainz knows %1 releases of this disc. Choose yours:")
                                    .arg(releases.size());
                const int pick = dialogs::handler().chooseRow(choice);
                if (pick < 0 || static_cast<std::size_t>(pick) >= releases.size())
                    return;
                chosen = static_cast<std::size_t>(pick);
                settings::rememberRelease(discId, releases[chosen].disc.releaseId);
            }
            DiscInfo merged = discinfo::merge(cdText, releases[chosen].disc);
            merged.discId = discId;
            discInfos_[key] = merged;
            lblStatus->setText(tr("Disc information: ") +
                               musicbrainz::releaseLabel(releases[chosen]));
            startCoverFetch(key, merged.releaseId);
        });
}

void Form1::startCoverFetch(const QString& key, const QString& releaseId) {
    if (covers_[key].usersChoice || releaseId.isEmpty())
        return;
    coverarchive::FetchRequest request;
    request.releaseId = releaseId;
    request.server = CoverArtServer;
    request.size = coverarchive::sizeFromText(CoverArtSize);
    coverFetchKey_ = key;
    covers_[key] = DiscCover{};
    coverFetch_->start(request, [this, key, statusShown = lblStatus->text()](
                                    const coverarchive::CoverFetch::Result& result) {
        coverFetchKey_.clear();
        DiscCover& known = covers_[key];
        if (known.usersChoice)
            return;
        if (result) {
            known = DiscCover{result.value(), {}, false};
            return;
        }
        known = DiscCover{std::nullopt, result.error().description(), false};
        // Said where the look-up's answer was said, unless the line has moved on since.
        if (lblStatus->text() == statusShown)
            lblStatus->setText(statusShown + QStringLiteral(" \u2014 ") +
                               tr("No front cover: %1").arg(known.note));
    });
}

bool Form1::isFetchingCover() const {
    return !coverFetchKey_.isEmpty();
}

Form1::DiscCover Form1::discCover() const {
    if (listedDisc_.key.isEmpty())
        return {};
    if (coverFetchKey_ == listedDisc_.key)
        return DiscCover{std::nullopt,
                         tr("the Cover Art Archive had not answered when the rip started"), false};
    const auto known = covers_.find(listedDisc_.key);
    return known == covers_.end() ? DiscCover{} : known->second;
}

void Form1::mnuDiscInfo_Click() {
    if (listedDisc_.key.isEmpty()) {
        sayNoDisc(dialogTitle());
        return;
    }
    // Each track's title and artist are shown; a track's artist field is empty while the
    // track has the album's artist, so that a new album artist reaches every such track.
    const DiscInfo known = discInfo();
    QList<dialogs::FormField> fields{
        {tr("Album"), known.album}, {tr("Artist"), known.artist}, {tr("Year or date"), known.date}};
    constexpr qsizetype firstTrackField = 3;
    for (const int number : listedDisc_.known.tracks) {
        const TrackInfo* track = known.track(number);
        const QString artist = track && track->artist != known.artist ? track->artist : QString();
        fields.append({tr("Track %1").arg(number), track ? track->title : QString()});
        fields.append({tr("Track %1 artist").arg(number), artist});
    }
    // What the disc itself says, shown only: its catalogue number and ISRCs.
    if (!listedDisc_.known.catalog.isEmpty())
        fields.append({tr("Catalogue number"), listedDisc_.known.catalog, true});
    const discinfo::DriveDisc& listed = listedDisc_.known;
    for (std::size_t i = 0; i < listed.tracks.size() && i < listed.isrc.size(); ++i)
        if (!listed.isrc[i].isEmpty())
            fields.append({tr("Track %1 ISRC").arg(listed.tracks[i]), listed.isrc[i], true});
    // The cover shown, changed by the picture's buttons; kept for the rip once OK is pressed.
    DiscCover shown = discCover();
    if (isFetchingCover() && coverFetchKey_ == listedDisc_.key)
        shown.note = tr("the Cover Art Archive has not answered yet");
    CoverChoice cover(shown);
    const dialogs::PictureChange change = [&cover](dialogs::PictureAction action) {
        return cover.change(action);
    };
    std::optional<QStringList> values;
    for (;;) {
        values = dialogs::handler().pictureForm(dialogTitle(), fields, cover.picture(), change);
        if (!values || values->size() != fields.size())
            return;
        const QString date = values->at(2).trimmed();
        if (date.isEmpty() || isDiscDate(date))
            break;
        dialogs::msgBox(tr("\"%1\" is not a year or a date. Write it as 1998, "
                           "1998-06 or 1998-06-02, or leave it empty.")
                            .arg(date),
                        dialogs::Buttons::Ok, dialogs::Icon::Exclamation, dialogTitle());
        // The form comes back as the user left it.
        for (qsizetype i = 0; i < fields.size(); ++i)
            fields[i].value = values->at(i);
    }
    DiscInfo edited = known;
    edited.album = values->at(0).trimmed();
    edited.artist = values->at(1).trimmed();
    edited.date = values->at(2).trimmed();
    for (std::size_t i = 0; i < listedDisc_.known.tracks.size(); ++i) {
        const int number = listedDisc_.known.tracks[i];
        const qsizetype field = firstTrackField + 2 * static_cast<qsizetype>(i);
        const QString title = values->at(field).trimmed();
        QString artist = values->at(field + 1).trimmed();
        if (artist == edited.artist)
            artist.clear(); // the album's
        const auto entry =
            std::find_if(edited.tracks.begin(), edited.tracks.end(),
                         [number](const TrackInfo& t) { return t.number == number; });
        if (entry != edited.tracks.end()) {
            entry->title = title;
            entry->artist = artist;
        } else if (!title.isEmpty() || !artist.isEmpty()) {
            edited.tracks.push_back(TrackInfo{number, title, artist, {}});
        }
    }
    std::sort(edited.tracks.begin(), edited.tracks.end(),
              [](const TrackInfo& a, const TrackInfo& b) { return a.number < b.number; });
    discInfos_[listedDisc_.key] = edited;
    if (cover.changed()) {
        // The user's picture (or none) wins over a cover still on its way.
        if (coverFetchKey_ == listedDisc_.key) {
            coverFetch_->cancel();
            coverFetchKey_.clear();
        }
        covers_[listedDisc_.key] = cover.cover();
    }
}

void Form1::mnuFindOffset_Click() {
    const QString title = tr("Find Read Offset");
    if (offsetFinder_)
        return;
    if (isJobRunning()) {
        dialogs::msgBox(tr("The drive is busy with a conversion. Find its offset "
                           "once the conversion has ended."),
                        dialogs::Buttons::Ok, dialogs::Icon::Exclamation, title);
        return;
    }
    auto* finder = new ReadOffsetFinder(cddrives::mediaDrive(), this);
    if (!finder->start()) {
        delete finder;
        return;
    }
    offsetFinder_ = finder;
    mnuFindOffset->setEnabled(false);
    lblStatus->setText(tr("Finding the drive's read offset..."));
    connect(finder, &ReadOffsetFinder::ended, this, [this](const QString& statusText) {
        mnuFindOffset->setEnabled(true);
        lblStatus->setText(statusText);
    });
}
