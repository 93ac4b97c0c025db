#pragma once

#include "engine/core/boundedget.h"
#include "engine/cover/frontcover.h"
#include "engine/platform/error.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <thread>

class CallPoster;

// Asks the Cover Art Archive for a release's front cover: the listing of the release's
// pictures (GET {server}/release/{MBID}), then the front picture at the size chosen. The
// archive answers with redirects to its storage host: at most maxRedirects are followed, and
// only to https addresses (a loopback host, a test's server or a local mirror, may use http).
namespace coverarchive {

inline constexpr const char* defaultServer = "https://coverartarchive.org";
// The whole fetch, the listing and the picture together, redirects included.
inline constexpr int defaultTimeoutMs = 20000;
inline constexpr int maxRedirects = 5;
// A release's listing names some dozens of pictures at most.
inline constexpr qint64 maxListingBytes = 1024 * 1024;

// The size of the picture fetched: the archive's thumbnails, or the picture as it was sent.
enum class Size { Px250, Px500, Px1200, Original };
// The setting's text ("250", "500", "1200", "original") and back; an unknown text is 500.
Size sizeFromText(const QString& text);
QString textOf(Size size);

// The archive's address from the setting's text: "https://host[:port]", or "host[:port]"
// (https, or http for a loopback host unless port 443 says otherwise). Fails on a text that
// names no server and on "http://" before a host other than a loopback one.
Result<boundedget::ServerAddress> serverAddress(const QString& text);

// Whether `releaseId` is a MusicBrainz identifier (a UUID in its 36-character form): only such
// a text is put in a request's path.
bool isReleaseId(const QString& releaseId);

// The address of the front picture in a listing (its "images" array; the image marked
// "front", else the first whose "types" name "Front"): the thumbnail of `size` ("250", "500",
// "1200", or the older "small" for 250 and "large" for 500), else the picture itself. Fails
// when the text is not a listing, or lists no front picture.
Result<QUrl> frontImageUrl(const QByteArray& listing, Size size);

struct FetchRequest {
    QString releaseId;
    QString server = QString::fromLatin1(defaultServer); // the setting's text
    Size size = Size::Px500;
    int timeoutMs = defaultTimeoutMs;
};

// One fetch at a time. Lives on the thread that creates it, which must run an event loop:
// nothing here waits. The picture that came is checked (decoded) on a thread of its own.
class CoverFetch : public QObject {
  public:
    // The front cover, its source the picture's address. Errors: a setting that names no
    // server, a release identifier that is none, no picture of the release (the archive
    // answers 404, or lists no front picture: `noCover` then), no connection, no whole answer
    // within the time, a redirect refused (to plain http, or a loop), an answer larger than
    // its bound, a picture that is refused (cover::fromBytes).
    using Result = ::Result<cover::FrontCover>;
    using Done = std::function<void(const Result&)>;
    // The error number of "the archive has no front cover of this release".
    static constexpr int noCover = 404;

    explicit CoverFetch(QObject* parent = nullptr);
    ~CoverFetch() override;

    // Starts the fetch and returns at once; `done` runs once, later, on this object's thread.
    // A fetch still running is abandoned: its `done` never runs.
    void start(const FetchRequest& request, Done done);
    void cancel();
    bool isRunning() const { return pending_.isRunning() || checking_; }

  private:
    void listed(const boundedget::Outcome& outcome);
    void pictured(const boundedget::Outcome& outcome);
    // The outcome's failure, said as "<what> at <server> ..."; none when it answered.
    std::optional<VortanError> failureOf(const boundedget::Outcome& outcome,
                                         const QString& server) const;
    QNetworkRequest requestOf(const QUrl& url) const;
    int timeLeftMs() const;
    void joinChecker();

    boundedget::PendingLookup<cover::FrontCover> pending_{this};
    FetchRequest request_;
    QString serverText_;
    QUrl pictureUrl_;
    QElapsedTimer started_;
    CallPoster* calls_; // child: the checker's end, posted to this thread
    std::thread checker_;
    bool checking_ = false;
    quint64 checks_ = 0; // counts starts and cancels, so that an abandoned check never reports
};

} // namespace coverarchive
