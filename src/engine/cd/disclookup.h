#pragma once

#include "engine/cd/discinfo.h"
#include "engine/core/boundedget.h"
#include "engine/platform/discid/mbdiscid.h"
#include "engine/platform/error.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

// Asks the MusicBrainz web service (its JSON interface, /ws/2) which releases hold a disc.
namespace musicbrainz {

inline constexpr const char* defaultServer = "musicbrainz.org:443";
inline constexpr int defaultTimeoutMs = 8000;
// The largest answer read: a disc's releases take some hundred kilobytes at most.
inline constexpr qint64 maxAnswerBytes = 4 * 1024 * 1024;

// Where the service is, from the text of the one setting (MusicBrainzServer).
struct ServerAddress : boundedget::ServerAddress {
    // Accepts "host", "host:port", "[ipv6]:port", each optionally after "http://" or
    // "https://". A server other than a loopback host is only asked over https; a loopback
    // host (localhost, 127.x.x.x, ::1: a local mirror, a test's server) is asked over http
    // unless "https://" or port 443 says otherwise. A host alone means port 443 (80 after
    // "http://"). Fails on an empty host, a port outside 1..65535, or "http://" before a host
    // that is not a loopback one.
    static Result<ServerAddress> parse(const QString& text);
};

// A release that holds the disc, with the medium that is the disc.
struct ReleaseMatch {
    // Album (the release's title), artist (its artist credit), date, releaseId, discId, and
    // the tracks of the matching medium: number (the disc's first track + position - 1),
    // title, artist credit and recording identifier.
    DiscInfo disc;
    QString country;        // release country, e.g. "GB"; empty when unknown
    QString disambiguation; // the service's comment that tells like releases apart
    QString format;         // the medium's format, e.g. "CD"
    int mediumPosition = 1; // which medium of the release the disc is
    int mediumCount = 1;    // media of the release
    QString label;          // the record labels' names, ", " between them; empty when unknown
    QString catalogNumber;  // their catalogue numbers, as `label`
    QString barcode;        // the release's barcode (EAN, UPC); empty when unknown
};

// The columns a release is shown with where the user chooses among several: title, artist,
// date, country, label, catalogue number, barcode, format, number of discs. `translated`:
// in the user's language (the window); else in English (the converter's reports).
QStringList releaseColumnTitles(bool translated = true);
QStringList releaseColumns(const ReleaseMatch& match);

// The release `choice` names among `releases`: its number in the list (1 for the first) or
// its MusicBrainz identifier. Fails, saying what the list holds, when it names none.
Result<std::size_t> chooseRelease(const std::vector<ReleaseMatch>& releases, const QString& choice);

// How a release is told apart from others that hold the disc: "Sea Songs - Ann Vale (2005,
// GB, CD 2 of 2, remaster)", with only what the service gave.
QString releaseLabel(const ReleaseMatch& match);

// The request for the disc: /ws/2/discid/<id>?toc=...&cdstubs=no
// &inc=recordings+artist-credits+labels&fmt=json (labels: each release's labels and catalogue
// numbers; its media, barcode and country come with every release). The table of contents lets the
// service answer with releases of the same layout when no release has the disc ID attached yet.
QUrl discIdUrl(const ServerAddress& server, const mbdiscid::MusicBrainzDisc& disc);

// The releases in the service's answer to a disc-ID request, in the service's order. For each
// release the medium is the one listing `disc.id`, else (a match by table of contents) the
// first medium with the disc's track count; a release with no such medium is left out.
// Numbers are taken only within their range: a track whose position does not make a track
// number 1..99 of the disc is left out, a medium position or count that is no count reads 1.
// A release of several media makes the disc's discNumber and discTotal; one medium leaves
// them 0.
// Fails when the text is not JSON, not an object, or holds no "releases" array.
Result<std::vector<ReleaseMatch>> parseDiscIdAnswer(const QByteArray& json,
                                                    const mbdiscid::MusicBrainzDisc& disc);

// "MP3Vortan/<version> ( <contact> )": the service refuses anonymous clients.
QByteArray userAgent();

struct LookupRequest {
    mbdiscid::MusicBrainzDisc disc;
    QString server = QString::fromLatin1(defaultServer); // the setting's text
    int timeoutMs = defaultTimeoutMs;                    // the whole request, connecting included
};

// One look-up at a time. Lives on the thread that creates it, which must run an event loop:
// the request runs inside Qt Network and nothing here ever waits, so that thread is never
// blocked.
class DiscLookup : public QObject {
    Q_OBJECT

  public:
    // No releases (an empty list) when the service does not know the disc; that is not an
    // error. Errors: a setting that names no server, no connection (refused, host not found,
    // no network), no whole answer within the timeout (reading it included), an HTTP error,
    // an answer larger than maxAnswerBytes (abandoned as soon as it is seen to be), an answer
    // that cannot be read.
    using Result = ::Result<std::vector<ReleaseMatch>>;
    using Done = std::function<void(const Result&)>;

    explicit DiscLookup(QObject* parent = nullptr);
    ~DiscLookup() override;

    // Starts asking and returns at once. `done` runs once, later, on this object's thread.
    // A look-up still running is abandoned first: its `done` never runs.
    void start(const LookupRequest& request, Done done);
    // Abandons the running look-up; its `done` never runs.
    void cancel();
    bool isRunning() const;

  private:
    void answered(const boundedget::Outcome& outcome);

    boundedget::PendingLookup<std::vector<ReleaseMatch>> pending_{this};
    LookupRequest request_;
    QString serverText_;
};

} // namespace musicbrainz
